// What the plug-in's threads, the player thread and Ctrl-C report to the main
// thread: audio, ends of requests, log lines and playback progress, gathered
// under one lock and taken in batches.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kavosay {

struct LogLine {
    std::int32_t level;
    std::string message;  // UTF-8, without the plug-in's thread prefix
};

struct EventBatch {
    std::vector<unsigned char> audio;        // in delivery order
    std::vector<std::int32_t> finished;      // values of requests that ended
    std::vector<LogLine> logLines;
    bool interrupted = false;                // Ctrl-C since the last batch
    bool playbackMoved = false;              // the player heard more or ended
    bool Empty() const {
        return audio.empty() && finished.empty() && logLines.empty() && !interrupted && !playbackMoved;
    }
};

class SpeechEvents {
public:
    void AddAudio(const void* bytes, std::uint32_t count);
    void AddRequestEnd(std::int32_t value);
    void AddLogLine(std::int32_t level, std::string message);
    void Interrupt();
    void PlaybackMoved();

    // Waits until something was reported or the deadline passed, then takes
    // everything reported so far (an empty batch after a time-out).
    EventBatch Wait(std::chrono::steady_clock::time_point deadline);
    // Takes what is there without waiting.
    EventBatch Take();

private:
    std::mutex mutex_;
    std::condition_variable reported_;
    EventBatch pending_;
    std::chrono::steady_clock::time_point lastAudioWake_{};
};

}  // namespace kavosay
