// The computer's sound output, as a stream of PCM that blocks while the device
// is full. It holds only a short stretch ahead of what is heard, so that
// Discard() silences it at once. sound_output_posix.cpp (the desktop's sound
// server, else ALSA) and sound_output_win32.cpp (wave-out) implement it. One thread at a
// time calls it.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "wav_writer.h"

namespace kavosay {

class SoundOutput {
public:
    // Null, with a one-line reason in error, when there is no server or device.
    static std::unique_ptr<SoundOutput> Open(const PcmFormat& format, std::string& error);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Hands audio to the device; returns once it has taken all of it. False,
    // with the reason in error, when the device fails.
    bool Write(const void* bytes, std::size_t count, std::string& error);
    // Waits until everything written has been heard.
    bool Drain(std::string& error);
    // Drops what the device still holds, unheard.
    void Discard();

private:
    struct State;
    explicit SoundOutput(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace kavosay
