// An AudioSink that plays the speech as it arrives. A player thread of its own
// feeds the sound output in short slices, so that it never waits long inside
// the device and Ctrl-C reaches it between two slices.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audio_sink.h"
#include "sound_output.h"

namespace kavosay {

class PlaybackSink : public AudioSink {
public:
    // Starts the player thread. onProgress runs on it after each slice heard
    // and once when it ends, so that the main thread can look again.
    PlaybackSink(std::unique_ptr<SoundOutput> output, const PcmFormat& format, std::function<void()> onProgress);
    ~PlaybackSink() override;  // Close()
    PlaybackSink(const PlaybackSink&) = delete;
    PlaybackSink& operator=(const PlaybackSink&) = delete;

    bool Append(const unsigned char* bytes, std::size_t count) override;
    void EndOfAudio() override;
    bool Done() const override;
    void Abort() override;
    // Joins the player thread, after it played out or dropped what it held.
    bool Close() override;
    std::string Problem() const override;
    bool Plays() const override { return true; }
    double SecondsDone() const override;

private:
    void Play();
    // Takes the next slice into slice; false when the thread is to stop playing.
    bool NextSlice(std::vector<unsigned char>& slice);

    std::unique_ptr<SoundOutput> output_;
    double bytesPerSecond_;
    std::size_t sliceBytes_;
    std::function<void()> onProgress_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<unsigned char> queued_;
    bool endOfAudio_ = false;
    bool aborted_ = false;
    bool finished_ = false;  // the player thread is done with the device
    std::string problem_;
    std::atomic<std::uint64_t> heardBytes_{0};

    std::thread player_;
};

}  // namespace kavosay
