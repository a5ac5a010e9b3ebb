// POSIX side of sound_output.h: the desktop's sound server (PulseAudio, or
// PipeWire's PulseAudio server) through its simple blocking client library.
#include <pulse/error.h>
#include <pulse/simple.h>

#include "sound_output.h"

namespace kavosay {

struct SoundOutput::State {
    pa_simple* stream = nullptr;
};

namespace {

std::string Describe(const char* what, int code) { return std::string(what) + ": " + pa_strerror(code); }

}  // namespace

std::unique_ptr<SoundOutput> SoundOutput::Open(const PcmFormat& format, std::string& error) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = format.sampleRate;
    spec.channels = static_cast<std::uint8_t>(format.channels);
    const std::uint32_t bytesPerSecond = format.sampleRate * format.channels * 2;

    // A short target buffer: Ctrl-C must silence the speech within a tenth of a second.
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength = bytesPerSecond * kSoundOutputAheadMilliseconds / 1000;
    buffer.prebuf = static_cast<std::uint32_t>(-1);
    buffer.minreq = static_cast<std::uint32_t>(-1);
    buffer.fragsize = static_cast<std::uint32_t>(-1);

    int code = 0;
    pa_simple* stream =
        pa_simple_new(nullptr, "kavo-say", PA_STREAM_PLAYBACK, nullptr, "speech", &spec, nullptr, &buffer, &code);
    if (!stream) {
        error = Describe("no sound output (cannot reach the sound server)", code);
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->stream = stream;
    return std::unique_ptr<SoundOutput>(new SoundOutput(std::move(state)));
}

SoundOutput::SoundOutput(std::unique_ptr<State> state) : state_(std::move(state)) {}

SoundOutput::~SoundOutput() { pa_simple_free(state_->stream); }

bool SoundOutput::Write(const void* bytes, std::size_t count, std::string& error) {
    int code = 0;
    if (pa_simple_write(state_->stream, bytes, count, &code) == 0) return true;
    error = Describe("the sound server failed", code);
    return false;
}

bool SoundOutput::Drain(std::string& error) {
    int code = 0;
    if (pa_simple_drain(state_->stream, &code) == 0) return true;
    error = Describe("the sound server failed", code);
    return false;
}

void SoundOutput::Discard() {
    int code = 0;
    pa_simple_flush(state_->stream, &code);
}

}  // namespace kavosay
