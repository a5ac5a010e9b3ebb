#include "speech_events.h"

namespace kavosay {

namespace {

// A fast engine delivers a block every few microseconds, and waking the main
// thread for each would cost more than the block: audio wakes it at most this
// often, or once this much has gathered. A block that arrives after a pause
// wakes it at once; one that follows another closely is taken with the next
// wake-up, at the latest with the request's end.
constexpr std::chrono::milliseconds kAudioWakeInterval{10};
constexpr std::size_t kAudioWakeBytes = 32000;  // one second of 16 kHz, 16-bit mono

}  // namespace

void SpeechEvents::AddAudio(const void* bytes, std::uint32_t count) {
    const auto* data = static_cast<const unsigned char*>(bytes);
    const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.audio.insert(pending_.audio.end(), data, data + count);
        wake = now - lastAudioWake_ >= kAudioWakeInterval || pending_.audio.size() >= kAudioWakeBytes;
        if (wake) lastAudioWake_ = now;
    }
    if (wake) reported_.notify_one();
}

void SpeechEvents::AddRequestEnd(std::int32_t value) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.finished.push_back(value);
    }
    reported_.notify_one();
}

void SpeechEvents::AddLogLine(std::int32_t level, std::string message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.logLines.push_back(LogLine{level, std::move(message)});
    }
    reported_.notify_one();
}

void SpeechEvents::Interrupt() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.interrupted = true;
    }
    reported_.notify_one();
}

void SpeechEvents::PlaybackMoved() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.playbackMoved = true;
    }
    reported_.notify_one();
}

EventBatch SpeechEvents::Wait(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    reported_.wait_until(lock, deadline, [this] { return !pending_.Empty(); });
    EventBatch batch;
    std::swap(batch, pending_);
    return batch;
}

EventBatch SpeechEvents::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    EventBatch batch;
    std::swap(batch, pending_);
    return batch;
}

}  // namespace kavosay
