#include "playback_sink.h"

#include <algorithm>

namespace kavosay {
namespace {

constexpr int kSliceMilliseconds = 20;

}  // namespace

PlaybackSink::PlaybackSink(std::unique_ptr<SoundOutput> output, const PcmFormat& format,
                           std::function<void()> onProgress)
    : output_(std::move(output)), onProgress_(std::move(onProgress)) {
    const std::size_t frameBytes = static_cast<std::size_t>(format.channels) * (format.bitsPerSample / 8);
    bytesPerSecond_ = static_cast<double>(format.sampleRate) * frameBytes;
    sliceBytes_ = std::max<std::size_t>(frameBytes, format.sampleRate * kSliceMilliseconds / 1000 * frameBytes);
    player_ = std::thread([this] {
        try {
            Play();
        } catch (...) {  // nothing leaves the thread: the run ends with the reason
            std::lock_guard<std::mutex> lock(mutex_);
            problem_ = "playback failed (out of memory)";
            finished_ = true;
        }
    });
}

PlaybackSink::~PlaybackSink() { Close(); }

bool PlaybackSink::Append(const unsigned char* bytes, std::size_t count) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!problem_.empty()) return false;
        if (aborted_) return true;  // Ctrl-C: what comes late is not heard
        queued_.insert(queued_.end(), bytes, bytes + count);
    }
    changed_.notify_one();
    return true;
}

void PlaybackSink::EndOfAudio() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        endOfAudio_ = true;
    }
    changed_.notify_one();
}

bool PlaybackSink::Done() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

void PlaybackSink::Abort() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        aborted_ = true;
        queued_.clear();
    }
    changed_.notify_one();
}

bool PlaybackSink::Close() {
    if (player_.joinable()) {
        // A run that ends without EndOfAudio (a failure) has nothing more to play.
        if (!Done() && !endOfAudio_) Abort();
        player_.join();
    }
    return Problem().empty();
}

std::string PlaybackSink::Problem() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return problem_;
}

double PlaybackSink::SecondsDone() const { return static_cast<double>(heardBytes_.load()) / bytesPerSecond_; }

bool PlaybackSink::NextSlice(std::vector<unsigned char>& slice) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return aborted_ || endOfAudio_ || !queued_.empty(); });
    if (aborted_ || queued_.empty()) return false;
    const std::size_t count = std::min(sliceBytes_, queued_.size());
    slice.assign(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(count));
    queued_.erase(queued_.begin(), queued_.begin() + static_cast<std::ptrdiff_t>(count));
    return true;
}

void PlaybackSink::Play() {
    std::vector<unsigned char> slice;
    std::string problem;
    bool failed = false;
    while (NextSlice(slice)) {
        if (!output_->Write(slice.data(), slice.size(), problem)) {
            failed = true;
            break;
        }
        heardBytes_ += slice.size();
        onProgress_();
    }
    bool aborted;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        aborted = aborted_;
    }
    if (aborted) {
        output_->Discard();
    } else if (!failed && !output_->Drain(problem)) {
        failed = true;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (failed) problem_ = problem;
        finished_ = true;
    }
    onProgress_();
}

}  // namespace kavosay
