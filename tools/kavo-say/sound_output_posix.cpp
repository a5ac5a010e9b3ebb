// POSIX side of sound_output.h: pcaudiolib, the sound library espeak-ng plays
// through. It reaches the desktop's sound server (PulseAudio, or PipeWire's
// PulseAudio server) and falls back to ALSA where there is none.
#include <fcntl.h>
#include <pcaudiolib/audio.h>
#include <unistd.h>

#include "sound_output.h"

namespace kavosay {

struct SoundOutput::State {
    audio_object* device = nullptr;
};

namespace {

constexpr const char* kNoOutput = "no sound output: no sound server (PulseAudio or PipeWire) and no sound device";

// While it exists, standard error goes nowhere: ALSA prints its search for a
// device there line by line, and kavo-say says in one line what failed.
class QuietStandardError {
public:
    QuietStandardError() : saved_(dup(STDERR_FILENO)) {
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0) close(nowhere);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_;
};

std::string Describe(audio_object* device, const char* what, int code) {
    const char* reason = audio_object_strerror(device, code);
    return std::string(what) + ": " + (reason ? reason : "error " + std::to_string(code));
}

}  // namespace

std::unique_ptr<SoundOutput> SoundOutput::Open(const PcmFormat& format, std::string& error) {
    audio_object* device = create_audio_device_object(nullptr, "kavo-say", "speech");
    if (!device) {
        error = kNoOutput;
        return nullptr;
    }
    int code = 0;
    {
        const QuietStandardError quiet;
        code = audio_object_open(device, AUDIO_OBJECT_FORMAT_S16LE, format.sampleRate,
                                 static_cast<std::uint8_t>(format.channels));
    }
    if (code != 0) {
        error = kNoOutput;
        audio_object_destroy(device);
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->device = device;
    return std::unique_ptr<SoundOutput>(new SoundOutput(std::move(state)));
}

SoundOutput::SoundOutput(std::unique_ptr<State> state) : state_(std::move(state)) {}

SoundOutput::~SoundOutput() {
    audio_object_close(state_->device);
    audio_object_destroy(state_->device);
}

bool SoundOutput::Write(const void* bytes, std::size_t count, std::string& error) {
    const int code = audio_object_write(state_->device, bytes, count);
    if (code == 0) return true;
    error = Describe(state_->device, "the sound output failed", code);
    return false;
}

bool SoundOutput::Drain(std::string& error) {
    const int code = audio_object_drain(state_->device);
    if (code == 0) return true;
    error = Describe(state_->device, "the sound output failed", code);
    return false;
}

void SoundOutput::Discard() { audio_object_flush(state_->device); }

}  // namespace kavosay
