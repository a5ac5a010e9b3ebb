#include "espeak_runtime.h"

#include <espeak-ng/speak_lib.h>

#include <new>

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

// Keeps the runtime in place for the whole process: an engine copy's thread
// may still be inside it while the process exits.
class RuntimeHolder {
public:
    RuntimeHolder() { ::new (static_cast<void*>(storage_)) EspeakRuntime(); }
    ~RuntimeHolder() { Get().ShutDownIfIdle(); }
    RuntimeHolder(const RuntimeHolder&) = delete;
    RuntimeHolder& operator=(const RuntimeHolder&) = delete;
    EspeakRuntime& Get() { return *std::launder(reinterpret_cast<EspeakRuntime*>(storage_)); }

private:
    alignas(EspeakRuntime) unsigned char storage_[sizeof(EspeakRuntime)];
};

EspeakRuntime& EspeakRuntime::Shared() {
    static RuntimeHolder holder;
    return holder.Get();
}

void EspeakRuntime::ShutDownIfIdle() {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !started_) return;
    // espeak_Initialize started a thread of espeak-ng's own; this joins it.
    espeak_Terminate();
    started_ = false;  // a call that still comes is refused
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

int EspeakRuntime::SampleRate() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sampleRate_;
}

int EspeakRuntime::Speak(const std::string& utf8, const SpeechSettings& settings, const SampleSink& sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) return kErrEngineStart;
    // The voice first: selecting a voice may reset the prosody parameters.
    if (espeak_SetVoiceByName(settings.espeakVoice.c_str()) != EE_OK ||
        espeak_SetParameter(espeakRATE, settings.rate, 0) != EE_OK ||
        espeak_SetParameter(espeakVOLUME, settings.amplitude, 0) != EE_OK ||
        espeak_SetParameter(espeakPITCH, settings.pitch, 0) != EE_OK) {
        return kErrSynthesisFailed;
    }
    activeSink = &sink;
    sinkFailed = false;
    const espeak_ERROR result =
        espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    activeSink = nullptr;
    return result == EE_OK && !sinkFailed ? kOk : kErrSynthesisFailed;
}

}  // namespace espeak_engine
