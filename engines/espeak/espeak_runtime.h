// The one owner of espeak-ng in the process. espeak-ng keeps its state (voice,
// parameters, synthesis callback, buffers) once per process, so every engine
// copy loaded into it (each plug-in copy loads the engine beside itself) goes
// through this owner, under its one lock. It lives in a small shared library
// of its own, which the loader maps once per process by its name however many
// engine copies need it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "session_params.h"

#define ESPEAK_RUNTIME_API __attribute__((visibility("default")))

namespace espeak_engine {

class ESPEAK_RUNTIME_API EspeakRuntime {
public:
    // Receives espeak-ng's samples as they are made; returning false stops synthesis.
    using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

    // The process's runtime. It stays for the whole process; at exit it shuts
    // espeak-ng down unless a synthesis still runs on some thread.
    static EspeakRuntime& Shared();

    EspeakRuntime(const EspeakRuntime&) = delete;
    EspeakRuntime& operator=(const EspeakRuntime&) = delete;

    // Initialises espeak-ng on the first call and keeps it for the process:
    // espeak-ng 1.51 hangs in a second espeak_Terminate after a re-initialise.
    int Start();
    // espeak-ng's own output rate; valid after Start succeeded.
    int SampleRate();
    // Synthesises the text on the calling thread, handing samples to the sink.
    // Selects the voice and prosody first: another caller may have changed them.
    int Speak(const std::string& utf8, const SpeechSettings& settings, const SampleSink& sink);

private:
    friend class RuntimeHolder;
    EspeakRuntime() = default;
    ~EspeakRuntime() = default;
    void ShutDownIfIdle();

    std::mutex mutex_;
    bool started_ = false;
    int sampleRate_ = 0;
};

}  // namespace espeak_engine
