// A careless host: loads the plug-in, starts it, queues speech (or, with the
// argument "idle", leaves it idle), unloads the library without
// KavoSynthUninitialize and exits. The process must end
// normally (exit code 0), neither crashing nor hanging.
#include <cstdio>
#include <cstring>
#include <string>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/plugin_host.h"
#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"

using namespace kavotest;

namespace {

// The host's own callback state outlives everything (it is never destroyed),
// so that only the plug-in's behaviour at unload and exit is on trial.
struct Ends {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};
Ends& ends = *new Ends;

void KAVOSYNTH_CALL OnAudio(const KavoChar*, const void* pcm, std::uint32_t, std::int32_t) {
    if (pcm) return;
    std::lock_guard<std::mutex> lock(ends.mutex);
    ++ends.count;
    ends.changed.notify_all();
}

void KAVOSYNTH_CALL OnLog(std::int32_t, const KavoChar*) {}

bool WaitForFirstEnd() {
    std::unique_lock<std::mutex> lock(ends.mutex);
    return ends.changed.wait_for(lock, std::chrono::seconds(20), [] { return ends.count > 0; });
}

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
    setCallback(&OnAudio);
    if (!speak(K(u"经典科大 小燕"), K(u"first"), 1)) return 5;
    if (!WaitForFirstEnd()) return 6;
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
