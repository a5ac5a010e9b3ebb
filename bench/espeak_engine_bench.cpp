// Where the espeak engine's time goes besides espeak-ng: espeak-ng
// synthesising about a minute of English speech (what espeak-ng -w does too),
// against the engine resampling those samples from 22050 Hz to 16 kHz (which
// espeak-ng -w does not do). Both count the process's CPU time and report the
// minutes of audio an iteration handles; the ratio of their CPU time per
// minute is what resampling adds to synthesis.
#include <benchmark/benchmark.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "resampler.h"

namespace {

constexpr int kServedRate = 16000;
std::vector<std::int16_t>* collected = nullptr;

int Collect(short* samples, int count, espeak_EVENT*) {
    if (collected && samples && count > 0) collected->insert(collected->end(), samples, samples + count);
    return 0;
}

int EspeakRate() {
    static const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 40, nullptr, espeakINITIALIZE_DONT_EXIT);
    return rate;
}

// Sentences like those of the end-to-end benchmark, about a minute of speech
// at espeak-ng's default rate.
std::string MinuteOfEnglish() {
    const char* sentences[] = {"The engineer builds a wooden bridge before dinner.",
                               "A small robot remembers the morning train without a word.",
                               "Our neighbour carries seven green apples in the rain.",
                               "The old clock follows a long letter after the meeting.",
                               "Every student paints the northern lights with great care.",
                               "The quiet river answers an empty box every Tuesday."};
    std::string text;
    for (int round = 0; round < 3; ++round) {
        for (const char* sentence : sentences) text += std::string(sentence) + " ";
    }
    return text;
}

// espeak-ng's samples of the text, at its own rate; empty when it cannot start.
std::vector<std::int16_t> Synthesise(const std::string& text) {
    std::vector<std::int16_t> samples;
    if (EspeakRate() <= 0) return samples;
    collected = &samples;
    espeak_SetSynthCallback(Collect);
    espeak_SetVoiceByName("en-us+f2");
    espeak_SetParameter(espeakRATE, 175, 0);
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    collected = nullptr;
    return samples;
}

// The audio one iteration handles, so that scripts/bench can give the CPU
// time per minute of audio.
void ReportAudioMinutes(benchmark::State& state, std::size_t samplesPerIteration, int rate) {
    state.counters["audio_minutes"] = static_cast<double>(samplesPerIteration) / rate / 60.0;
}

void EspeakNgSynthesis(benchmark::State& state) {
    const std::string text = MinuteOfEnglish();
    std::size_t made = 0;
    for (auto _ : state) {
        made = Synthesise(text).size();
        if (made == 0) {
            state.SkipWithError("espeak-ng does not speak");
            return;
        }
    }
    ReportAudioMinutes(state, made, EspeakRate());
}
BENCHMARK(EspeakNgSynthesis)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ResampleToServedRate(benchmark::State& state) {
    const std::vector<std::int16_t> input = Synthesise(MinuteOfEnglish());
    if (input.empty()) {
        state.SkipWithError("espeak-ng does not speak");
        return;
    }
    espeak_engine::Resampler resampler(EspeakRate(), kServedRate);
    std::vector<std::int16_t> output;
    constexpr std::size_t kBatch = 22050 * 320 / 1000;  // what the engine hands over at a time
    for (auto _ : state) {
        output.clear();
        resampler.Reset();
        for (std::size_t at = 0; at < input.size(); at += kBatch) {
            resampler.Process(input.data() + at, std::min(kBatch, input.size() - at), output);
        }
        resampler.Flush(output);
        benchmark::DoNotOptimize(output.data());
    }
    ReportAudioMinutes(state, input.size(), EspeakRate());
}
BENCHMARK(ResampleToServedRate)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
