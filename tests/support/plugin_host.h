// Test helpers that load the plug-in the way a host does: a fresh copy of the
// library in a folder of its own (so every test starts from a freshly loaded
// module), optionally with the fake engine staged beside it, driven only
// through the exports that the loader finds by name.
#pragma once
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "kavosynth.h"
#include "plugin/export_table.h"
#include "util/platform/dynamic_library.h"

namespace kavotest {

// The exports, found by name (the list: src/plugin/export_list.h).
using PluginApi = kavo::ExportTable;

// Espeak: the espeak engine of this build (POSIX builds only).
enum class EngineKind {
    None,
    Fake,
    FakeWithoutAudioGet,
    // POSIX only: engines that lack one other entry point each.
    FakeWithoutLogin,
    FakeWithoutLogout,
    FakeWithoutSessionBegin,
    FakeWithoutTextPut,
    FakeWithoutSessionEnd,
    Espeak
};

// The folder that holds the test program, the plug-in and the fake engines.
std::filesystem::path BuildOutputFolder();
std::filesystem::path PluginFileInBuild();
// A new empty folder for one test (name may carry non-ASCII characters).
std::filesystem::path MakeStageFolder(const std::filesystem::path& name = u"stage");

// A path as the plug-in carries it: UTF-16 on Windows; on POSIX its bytes,
// which need not be UTF-8, kept losslessly.
std::u16string PluginPathText(const std::filesystem::path& path);

inline const KavoChar* K(const std::u16string& text) { return reinterpret_cast<const KavoChar*>(text.c_str()); }
inline std::u16string FromK(const KavoChar* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

class PluginHost {
public:
    explicit PluginHost(EngineKind engine = EngineKind::Fake, const std::filesystem::path& folderName = u"stage");
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    const PluginApi& api() const { return api_; }
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path LogFile() const { return folder_ / "KavoSynthXunFeiClassic.log"; }
    const kavo::DynamicLibrary& library() const { return library_; }
    // The folder as the plug-in sees it (UTF-16, no trailing separator).
    std::u16string FolderText() const { return PluginPathText(folder_); }

private:
    std::filesystem::path folder_;
    kavo::DynamicLibrary library_;
    PluginApi api_;
};

std::u16string EngineFileName();

// Finds an export by name; throws (failing the test) when it is missing.
template <typename FunctionPointer>
void ResolveOrThrow(const kavo::DynamicLibrary& library, const char* name, FunctionPointer& entry) {
    if (!library.Find(name, entry)) throw std::runtime_error(std::string("library lacks export ") + name);
}

}  // namespace kavotest
