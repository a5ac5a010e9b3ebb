// An AudioSink that stores the speech in a WAV file.
#pragma once
#include "audio_sink.h"
#include "wav_writer.h"

namespace kavosay {

class WavSink : public AudioSink {
public:
    // wav: begun, not owned.
    WavSink(WavWriter& wav, const PcmFormat& format);

    bool Append(const unsigned char* bytes, std::size_t count) override;
    void EndOfAudio() override {}
    bool Done() const override { return true; }
    // Audio delivered before a stop took hold was spoken, so the file keeps it.
    void Abort() override {}
    bool Close() override;
    std::string Problem() const override { return problem_; }
    bool Plays() const override { return false; }
    double SecondsDone() const override;

private:
    void NoteFailure();

    WavWriter& wav_;
    double bytesPerSecond_;
    std::string problem_;
};

}  // namespace kavosay
