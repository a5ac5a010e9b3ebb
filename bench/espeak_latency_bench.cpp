// The time to the first sound: the plug-in with the espeak engine, from
// KavoSynthSpeak to the first PlayCallback with audio, against espeak-ng's own
// time to its first audio for the same text and voice, from selecting the
// voice (which the engine does for every session) to its first synthesis
// callback. espeak-ng keeps global state (and is never shut down here: the
// process ends with it running), so run the two apart:
//   espeak_latency_bench --benchmark_filter=FirstAudioThroughPlugin
//   espeak_latency_bench --benchmark_filter=FirstAudioEspeakNg
#include <benchmark/benchmark.h>
#include <espeak-ng/speak_lib.h>

#include <mutex>

#include "bench_stats.h"
#include "deliveries.h"
#include "support/plugin_host.h"

namespace {

using namespace kavotest;
using namespace kavobench;

const std::u16string kVoice = u"经典科大 Catherine";
const std::u16string kText = u"Press any key to continue, or escape to cancel.";
const char kEspeakVoice[] = "en-us+f2";  // what the espeak engine speaks Catherine with
const int kEspeakRate = 175;             // its rate for the plug-in's default 50

// espeak-ng cannot be started twice in one process (a second start hangs its
// shutdown), and each staged plug-in brings its own engine copy: one for all.
PluginHost& Host() {
    static PluginHost* host = [] {
        auto* made = new PluginHost(EngineKind::Espeak);
        made->api().SetPlayCallback(&RecordDelivery);
        made->api().Initialize(&QuietSink);
        return made;
    }();
    return *host;
}

void FirstAudioThroughPlugin(benchmark::State& state) {
    PluginHost& host = Host();
    Samples samples;
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(deliveries.mutex);
        deliveries.blocks = 0;
        const int endsBefore = deliveries.ends;
        lock.unlock();
        const Clock::time_point start = Clock::now();
        host.api().Speak(K(kVoice), K(kText), 1);
        lock.lock();
        deliveries.changed.wait(lock, [] { return deliveries.blocks > 0; });
        const double us = MicrosecondsBetween(start, deliveries.firstBlockAt);
        deliveries.changed.wait(lock, [&] { return deliveries.ends > endsBefore; });
        samples.AddIteration(state, us);
    }
    samples.Report(state);
}
BENCHMARK(FirstAudioThroughPlugin)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

Clock::time_point espeakFirstAt;
bool espeakGotAudio = false;

int OnSynth(short* samples, int count, espeak_EVENT*) {
    if (samples && count > 0 && !espeakGotAudio) {
        espeakFirstAt = Clock::now();
        espeakGotAudio = true;
    }
    return espeakGotAudio ? 1 : 0;  // enough: stop at the first audio
}

void FirstAudioEspeakNg(benchmark::State& state) {
    static const int started = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 40, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (started <= 0) {
        state.SkipWithError("espeak-ng does not start");
        return;
    }
    espeak_SetSynthCallback(OnSynth);
    const std::string text = "Press any key to continue, or escape to cancel.";
    Samples samples;
    for (auto _ : state) {
        espeakGotAudio = false;
        const Clock::time_point start = Clock::now();
        espeak_SetVoiceByName(kEspeakVoice);
        espeak_SetParameter(espeakRATE, kEspeakRate, 0);
        espeak_SetParameter(espeakVOLUME, 100, 0);
        espeak_SetParameter(espeakPITCH, 50, 0);
        espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
        const double us = espeakGotAudio ? MicrosecondsBetween(start, espeakFirstAt) : 0.0;
        samples.AddIteration(state, us);
    }
    samples.Report(state);
}
BENCHMARK(FirstAudioEspeakNg)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
