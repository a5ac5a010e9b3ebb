#include "support/plugin_host.h"

#include <atomic>
#include <stdexcept>
#include <system_error>

#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"
#include "util/platform/thread_id.h"
#include "util/utf.h"

namespace fs = std::filesystem;

namespace kavotest {
namespace {

fs::path EngineBuildFile(EngineKind kind) {
    if (kind == EngineKind::Espeak) return BuildOutputFolder() / kavo::DynamicLibraryFileName(u"mscclassic");
    const char16_t* stem = u"fake-mscclassic";
    switch (kind) {
        case EngineKind::FakeWithoutAudioGet: stem = u"fake-mscclassic-without-audio-get"; break;
        case EngineKind::FakeWithoutLogin: stem = u"fake-mscclassic-without-login"; break;
        case EngineKind::FakeWithoutLogout: stem = u"fake-mscclassic-without-logout"; break;
        case EngineKind::FakeWithoutSessionBegin: stem = u"fake-mscclassic-without-session-begin"; break;
        case EngineKind::FakeWithoutTextPut: stem = u"fake-mscclassic-without-text-put"; break;
        case EngineKind::FakeWithoutSessionEnd: stem = u"fake-mscclassic-without-session-end"; break;
        default: break;
    }
    return BuildOutputFolder() / kavo::DynamicLibraryFileName(stem);
}

}  // namespace

// Picked by the type of the platform's native path: bytes on POSIX, UTF-16 on Windows.
std::u16string NativePathText(const std::string& bytes) { return kavo::PathBytesToUtf16(bytes); }
std::u16string NativePathText(const std::wstring& wide) { return std::u16string(wide.begin(), wide.end()); }

std::u16string PluginPathText(const fs::path& path) { return NativePathText(path.native()); }

fs::path BuildOutputFolder() { return fs::path(kavo::GetModuleDirectory()); }

fs::path PluginFileInBuild() { return BuildOutputFolder() / kavo::DynamicLibraryFileName(u"KavoSynthXunFeiClassic"); }

std::u16string EngineFileName() { return kavo::DynamicLibraryFileName(u"mscclassic"); }

fs::path MakeStageFolder(const fs::path& name) {
    static std::atomic<int> counter{0};
    const fs::path root = BuildOutputFolder() / "test-stage";
    fs::path folder;
    do {
        folder = root / (std::to_string(kavo::CurrentThreadId()) + "-" + std::to_string(counter++)) / name;
    } while (fs::exists(folder));
    fs::create_directories(folder);
    return folder;
}

PluginHost::PluginHost(EngineKind engine, const fs::path& folderName) : folder_(MakeStageFolder(folderName)) {
    const fs::path plugin = folder_ / PluginFileInBuild().filename();
    fs::copy_file(PluginFileInBuild(), plugin);
    if (engine != EngineKind::None) fs::copy_file(EngineBuildFile(engine), folder_ / fs::path(EngineFileName()));
    std::uint32_t error = 0;
    library_ = kavo::DynamicLibrary::Open(PluginPathText(plugin), error);
    if (!library_) throw std::runtime_error("cannot load the plug-in copy, error " + std::to_string(error));
    std::string missing;
    if (!kavo::FindExports(library_, api_, missing)) throw std::runtime_error("the plug-in lacks export " + missing);
}

PluginHost::~PluginHost() {
    if (library_) {
        api_.Uninitialize();
        library_.Close();
    }
    std::error_code ignored;
    fs::remove_all(folder_.parent_path(), ignored);
}

}  // namespace kavotest
