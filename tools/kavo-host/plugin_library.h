// The plug-in library, loaded at run time, and its exports found by name.
#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kavosynth.h"
#include "plugin/export_table.h"
#include "util/platform/dynamic_library.h"

namespace kavosay {

// The exports, found by name (the list: src/plugin/export_list.h).
using PluginExports = kavo::ExportTable;

class PluginLibrary {
public:
    // Null, with the reason in error, when the file does not load or lacks an export.
    static std::unique_ptr<PluginLibrary> Load(const std::filesystem::path& path, std::string& error);
    ~PluginLibrary();  // unloads; the plug-in must have been uninitialised
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const PluginExports& Exports() const { return exports_; }

private:
    PluginLibrary(kavo::DynamicLibrary library, const PluginExports& exports)
        : library_(std::move(library)), exports_(exports) {}

    kavo::DynamicLibrary library_;
    PluginExports exports_;
};

// The plug-in that kavo-say loads when no path is given: the one in its own folder.
std::filesystem::path DefaultPluginPath();

// The display names (UTF-8) of the voices a running plug-in lists, in its
// order; empty when it refuses.
std::vector<std::string> ListVoiceNames(const PluginExports& plugin);

// The message of a line given to the LogSink, "<prefix> tid: <id>\n<message>",
// in UTF-8 and without the prefix line.
std::string LogMessage(const KavoChar* text);
// A LogSink level as a word: info, warning, error, critical, debug.
const char* LogLevelName(std::int32_t level);

}  // namespace kavosay
