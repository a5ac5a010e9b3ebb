// A careless host: loads the plug-in, starts it, queues speech (or, with the
// argument "idle", leaves it idle), unloads the library without
// KavoSynthUninitialize and exits. The process must end
// normally (exit code 0), neither crashing nor hanging.
#include <cstdio>
#include <cstring>
#include <string>

#include "support/plugin_host.h"
#include "support/recorders.h"
#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"

using namespace kavotest;

namespace {

// The recorder of the host's PlayCallback is never destroyed, so that only the
// plug-in's behaviour at unload and exit is on trial.
void KAVOSYNTH_CALL OnLog(std::int32_t, const KavoChar*) {}

}  // namespace

int main(int argc, char** argv) {
    const bool fileMode = argc > 1 && std::strcmp(argv[1], "file") == 0;
    const bool idle = argc > 2 && std::strcmp(argv[2], "idle") == 0;
    const auto folder = MakeStageFolder(u"unload");
    const auto plugin = folder / PluginFileInBuild().filename();
    std::filesystem::copy_file(PluginFileInBuild(), plugin);
    std::filesystem::copy_file(BuildOutputFolder() / kavo::DynamicLibraryFileName(u"fake-mscclassic"),
                               folder / std::filesystem::path(EngineFileName()));

    std::uint32_t error = 0;
    kavo::DynamicLibrary library = kavo::DynamicLibrary::Open(plugin.u16string(), error);
    if (!library) {
        std::fprintf(stderr, "cannot load the plug-in: %u\n", error);
        return 2;
    }
    bool(KAVOSYNTH_CALL * initialize)(LogSink) = nullptr;
    void(KAVOSYNTH_CALL * setCallback)(PlayCallback) = nullptr;
    bool(KAVOSYNTH_CALL * speak)(const KavoChar*, const KavoChar*, std::int32_t) = nullptr;
    if (!library.Find("KavoSynthInitialize", initialize) || !library.Find("KavoSynthSetPlayCallback", setCallback) ||
        !library.Find("KavoSynthSpeak", speak)) {
        return 3;
    }

    if (!initialize(fileMode ? nullptr : &OnLog)) return 4;
    setCallback(&PlayRecorder::Callback);
    if (!speak(K(u"经典科大 小燕"), K(u"first"), 1)) return 5;
    if (!PlayRecorder::Instance().WaitForEnd(1)) return 6;
    // Leave more speech queued and the threads running, or the worker waiting.
    if (!idle)
        for (int i = 0; i < 20; ++i) speak(K(u"经典科大 小燕"), K(u"pending"), 2);

    library.Close();

    // The module must still be there for its threads: a new load finds it running.
    library = kavo::DynamicLibrary::Open(plugin.u16string(), error);
    if (!library) return 7;
    bool(KAVOSYNTH_CALL * stop)() = nullptr;
    if (!library.Find("KavoSynthStop", stop) || !stop()) return 8;  // true only while the worker runs
    library.Close();
    std::printf("unloaded without uninitialising (%s mode, %s); exiting with the threads still running\n",
                fileMode ? "file" : "sink", idle ? "idle" : "speaking");
    return 0;
}
