// Where the speech goes as the plug-in delivers it: a WAV file or the sound
// output. The main thread alone calls a sink.
#pragma once
#include <cstddef>
#include <string>

namespace kavosay {

class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Takes audio in delivery order; false once the destination has failed.
    virtual bool Append(const unsigned char* bytes, std::size_t count) = 0;
    // No more audio comes: a playback plays out what it holds.
    virtual void EndOfAudio() = 0;
    // Whether everything appended has been written or heard (after EndOfAudio).
    virtual bool Done() const = 0;
    // Ctrl-C: drops what is not heard yet. A file keeps all it was given.
    virtual void Abort() = 0;
    // Completes the destination; false when it failed. Problem() then says why.
    virtual bool Close() = 0;
    virtual std::string Problem() const = 0;

    // Whether the audio is heard rather than stored.
    virtual bool Plays() const = 0;
    // Seconds of audio heard so far (a playback) or stored (a file).
    virtual double SecondsDone() const = 0;
};

}  // namespace kavosay
