// A careless host: loads the plug-in, starts it, queues speech, unloads the
// library without KavoSynthUninitialize and exits. The process must end
// normally (exit code 0), neither crashing nor hanging.
#include <cstdio>
#include <cstring>
#include <string>

#include "support/plugin_host.h"
#include "support/recorders.h"
#include "util/module_path.h"

using namespace kavotest;

int main(int argc, char** argv) {
    const bool fileMode = argc > 1 && std::strcmp(argv[1], "file") == 0;
    const auto folder = MakeStageFolder(u"unload");
    const auto plugin = folder / PluginFileInBuild().filename();
    std::filesystem::copy_file(PluginFileInBuild(), plugin);
    std::filesystem::copy_file(BuildOutputFolder() / kavo::DynamicLibraryFileName(u"fake-mscclassic"),
                               folder / std::filesystem::path(EngineFileName()));

    std::uint32_t error = 0;
    kavo::LibraryHandle library = kavo::LoadDynamicLibrary(plugin.u16string(), error);
    if (!library) {
        std::fprintf(stderr, "cannot load the plug-in: %u\n", error);
        return 2;
    }
    auto initialize = reinterpret_cast<bool(KAVOSYNTH_CALL*)(LogSink)>(kavo::FindLibrarySymbol(library, "KavoSynthInitialize"));
    auto setCallback =
        reinterpret_cast<void(KAVOSYNTH_CALL*)(PlayCallback)>(kavo::FindLibrarySymbol(library, "KavoSynthSetPlayCallback"));
    auto speak = reinterpret_cast<bool(KAVOSYNTH_CALL*)(const KavoChar*, const KavoChar*, std::int32_t)>(
        kavo::FindLibrarySymbol(library, "KavoSynthSpeak"));
    if (!initialize || !setCallback || !speak) return 3;

    if (!initialize(fileMode ? nullptr : &LogRecorder::Sink)) return 4;
    setCallback(&PlayRecorder::Callback);
    if (!speak(K(u"经典科大 小燕"), K(u"first"), 1)) return 5;
    if (!PlayRecorder::Instance().WaitForEnd(1)) return 6;
    // Leave more speech queued and the threads running.
    for (int i = 0; i < 20; ++i) speak(K(u"经典科大 小燕"), K(u"pending"), 2);

    kavo::FreeDynamicLibrary(library);

    // The module must still be there for its threads: a new load finds it running.
    library = kavo::LoadDynamicLibrary(plugin.u16string(), error);
    if (!library) return 7;
    auto stop = reinterpret_cast<bool(KAVOSYNTH_CALL*)()>(kavo::FindLibrarySymbol(library, "KavoSynthStop"));
    if (!stop || !stop()) return 8;  // true only while the worker runs
    kavo::FreeDynamicLibrary(library);
    std::puts("unloaded without uninitialising; exiting with the threads still running");
    return 0;
}
