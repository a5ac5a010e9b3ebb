#include "wav_sink.h"

#include <cerrno>
#include <cstring>

namespace kavosay {

WavSink::WavSink(WavWriter& wav, const PcmFormat& format)
    : wav_(wav),
      bytesPerSecond_(static_cast<double>(format.sampleRate) * format.channels * (format.bitsPerSample / 8)) {}

bool WavSink::Append(const unsigned char* bytes, std::size_t count) {
    if (!problem_.empty()) return false;
    if (wav_.Append(bytes, count)) return true;
    NoteFailure();
    return false;
}

bool WavSink::Close() {
    if (!problem_.empty()) return false;
    if (wav_.Finish()) return true;
    NoteFailure();
    return false;
}

double WavSink::SecondsDone() const { return static_cast<double>(wav_.DataBytes()) / bytesPerSecond_; }

void WavSink::NoteFailure() { problem_ = std::string("cannot write the WAV file: ") + std::strerror(errno); }

}  // namespace kavosay
