// The plug-in's exports as a host that loads the library at run time holds
// them: one function pointer per export, named as in export_list.h (the export's
// name without the KavoSynth prefix), with the type kavosynth.h declares.
#pragma once
#include <string>

#include "kavosynth.h"
#include "plugin/export_list.h"
#include "util/platform/dynamic_library.h"

namespace kavo {

struct ExportTable {
#define KAVO_EXPORT_POINTER(name, ordinal) decltype(&KavoSynth##name) name = nullptr;
    KAVOSYNTH_EXPORT_LIST(KAVO_EXPORT_POINTER)
#undef KAVO_EXPORT_POINTER
};

// Finds every export of library by name into table. False, with the first
// export it lacks in missing, when one is not there.
inline bool FindExports(const DynamicLibrary& library, ExportTable& table, std::string& missing) {
#define KAVO_FIND_EXPORT(name, ordinal)                       \
    if (!library.Find("KavoSynth" #name, table.name)) {       \
        missing = "KavoSynth" #name;                          \
        return false;                                         \
    }
    KAVOSYNTH_EXPORT_LIST(KAVO_FIND_EXPORT)
#undef KAVO_FIND_EXPORT
    return true;
}

}  // namespace kavo
