// A host that exits while the espeak engine is speaking, without
// uninitialising: static destruction at exit races the plug-in's worker, which
// may be inside the engine. Nothing may be destroyed under it. The race is run
// many times, each in a child process; each must exit with status 0.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/plugin_host.h"
#include "support/recorders.h"
#include "util/platform/dynamic_library.h"

using namespace kavotest;

namespace {

constexpr int kRuns = 40;

// The PlayCallback's recorder is never destroyed: only the plug-in's and the
// engine's behaviour at exit is on trial.
void KAVOSYNTH_CALL OnLog(std::int32_t, const KavoChar*) {}

// One careless host: starts speaking a long text, then returns from main.
int SpeakAndExit() {
    const auto folder = MakeStageFolder(u"exit-while-speaking");
    const auto plugin = folder / PluginFileInBuild().filename();
    std::filesystem::copy_file(PluginFileInBuild(), plugin);
    std::filesystem::copy_file(BuildOutputFolder() / "libmscclassic.so", folder / "libmscclassic.so");
    std::uint32_t error = 0;
    static kavo::DynamicLibrary library;  // left loaded, as the careless host leaves it
    library = kavo::DynamicLibrary::Open(PluginPathText(plugin), error);
    bool(KAVOSYNTH_CALL * initialize)(LogSink) = nullptr;
    void(KAVOSYNTH_CALL * setCallback)(PlayCallback) = nullptr;
    bool(KAVOSYNTH_CALL * speak)(const KavoChar*, const KavoChar*, std::int32_t) = nullptr;
    if (!library || !library.Find("KavoSynthInitialize", initialize) ||
        !library.Find("KavoSynthSetPlayCallback", setCallback) || !library.Find("KavoSynthSpeak", speak)) {
        return 2;
    }
    if (!initialize(&OnLog)) return 3;
    setCallback(&PlayRecorder::Callback);
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"The quick brown fox jumps over the lazy dog, again and again. ";
    if (!speak(K(u"经典科大 Catherine"), K(text), 1)) return 4;
    // The first call is audio: the request is under way, not ended without any.
    const PlayRecorder& play = PlayRecorder::Instance();
    if (!play.WaitForCalls(1) || play.Calls().front().nullBlock) return 5;
    return 0;  // exits with the worker inside the engine
}

}  // namespace

int main() {
    int failures = 0;
    for (int run = 0; run < kRuns; ++run) {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) std::exit(SpeakAndExit());
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child) return 9;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "run %d: %s %d\n", run, WIFEXITED(status) ? "exit status" : "signal",
                         WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
            ++failures;
        }
    }
    std::printf("%d of %d exits while speaking failed\n", failures, kRuns);
    return failures == 0 ? 0 : 1;
}
