// The one owner of espeak-ng. Its API keeps global state, so every call into
// it goes through here under one lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "session_params.h"

namespace espeak_engine {

class EspeakRuntime {
public:
    // Receives espeak-ng's samples as they are made; returning false stops synthesis.
    using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

    EspeakRuntime() = default;
    ~EspeakRuntime();
    EspeakRuntime(const EspeakRuntime&) = delete;
    EspeakRuntime& operator=(const EspeakRuntime&) = delete;

    // Initialises espeak-ng on the first call and keeps it until destruction:
    // espeak-ng 1.51 hangs in a second espeak_Terminate after a re-initialise.
    int Start();
    // espeak-ng's own output rate; valid after Start succeeded.
    int SampleRate();
    // Synthesises the text on the calling thread, handing samples to the sink.
    int Speak(const std::string& utf8, const SpeechSettings& settings, const SampleSink& sink);

private:
    std::mutex mutex_;
    bool started_ = false;
    int sampleRate_ = 0;
};

}  // namespace espeak_engine
