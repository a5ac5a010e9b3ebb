#include "espeak_runtime.h"

#include <espeak-ng/speak_lib.h>

#include "engine_errors.h"

namespace espeak_engine {
namespace {

// Callback chunk length: short enough that a stop takes effect at once.
constexpr int kChunkMilliseconds = 40;

// The sink of the synthesis in progress; espeak-ng calls back on the thread
// that called espeak_Synth, which holds the runtime's lock meanwhile.
const EspeakRuntime::SampleSink* activeSink = nullptr;
bool sinkFailed = false;

int OnSynthesised(short* samples, int count, espeak_EVENT*) {
    if (!activeSink || !samples || count <= 0) return 0;
    try {
        return (*activeSink)(samples, static_cast<std::size_t>(count)) ? 0 : 1;
    } catch (...) {
        // Nothing may unwind through espeak-ng's C frames.
        sinkFailed = true;
        return 1;
    }
}

}  // namespace

EspeakRuntime::~EspeakRuntime() {
    // espeak_Initialize started a thread of espeak-ng's own; this joins it.
    if (started_) espeak_Terminate();
}

int EspeakRuntime::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return kOk;
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kChunkMilliseconds, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) return kErrEngineStart;
    espeak_SetSynthCallback(OnSynthesised);
    sampleRate_ = rate;
    started_ = true;
    return kOk;
}

bool EspeakRuntime::Configure(const SpeechSettings& settings) {
    // The voice afresh for every text, even when it is the same: a text that
    // switched language midway leaves espeak-ng's state changed. After the
    // voice, the prosody: selecting a voice may reset it.
    return espeak_SetVoiceByName(settings.espeakVoice.c_str()) == EE_OK &&
           espeak_SetParameter(espeakRATE, settings.rate, 0) == EE_OK &&
           espeak_SetParameter(espeakVOLUME, settings.amplitude, 0) == EE_OK &&
           espeak_SetParameter(espeakPITCH, settings.pitch, 0) == EE_OK;
}

int EspeakRuntime::Speak(const std::string& utf8, const SpeechSettings& settings, const SampleSink& sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return kErrEngineStart;
    if (!resampler_) {
        auto resampler = std::make_unique<Resampler>(sampleRate_, kOutputRate);
        if (!resampler->IsValid()) return kErrSynthesisFailed;
        resampler_ = std::move(resampler);
    } else if (!resampler_->Reset()) {
        return kErrSynthesisFailed;
    }
    if (!Configure(settings)) return kErrSynthesisFailed;
    bool resamplerFailed = false;
    const SampleSink resample = [&](const std::int16_t* samples, std::size_t count) {
        resampled_.clear();
        if (!resampler_->Process(samples, count, resampled_)) {
            resamplerFailed = true;
            return false;
        }
        return resampled_.empty() || sink(resampled_.data(), resampled_.size());
    };
    activeSink = &resample;
    sinkFailed = false;
    const espeak_ERROR result =
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    activeSink = nullptr;
    if (result != EE_OK || sinkFailed || resamplerFailed) return kErrSynthesisFailed;
    // The filter's delay: the last few milliseconds of the text.
    resampled_.clear();
    if (!resampler_->Flush(resampled_)) return kErrSynthesisFailed;
    if (!resampled_.empty()) sink(resampled_.data(), resampled_.size());
    return kOk;
}

}  // namespace espeak_engine
