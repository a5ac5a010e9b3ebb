// The one owner of espeak-ng. Its API keeps global state, so every call into
// it goes through here under one lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "resampler.h"
#include "session_params.h"

namespace espeak_engine {

class EspeakRuntime {
public:
    // The rate of the samples handed to a SampleSink.
    static constexpr int kOutputRate = 16000;
    // Receives the samples as they are made, at kOutputRate; returning false stops synthesis.
    using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

    EspeakRuntime() = default;
    ~EspeakRuntime();
    EspeakRuntime(const EspeakRuntime&) = delete;
    EspeakRuntime& operator=(const EspeakRuntime&) = delete;

    // Initialises espeak-ng on the first call and keeps it until destruction:
    // espeak-ng 1.51 hangs in a second espeak_Terminate after a re-initialise.
    int Start();
    // Synthesises the text on the calling thread, handing the samples,
    // resampled from espeak-ng's own rate, to the sink.
    int Speak(const std::string& utf8, const SpeechSettings& settings, const SampleSink& sink);

private:
    // Selects the voice and sets the prosody.
    bool Configure(const SpeechSettings& settings);

    std::mutex mutex_;
    bool started_ = false;
    int sampleRate_ = 0;
    // Made once and cleared for each text: designing its filter costs more
    // than resampling a short text.
    std::unique_ptr<Resampler> resampler_;
    std::vector<std::int16_t> resampled_;
};

}  // namespace espeak_engine
