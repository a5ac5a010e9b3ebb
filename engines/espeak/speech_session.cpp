#include "speech_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "engine/engine_contract.h"
#include "engine_errors.h"
#include "gbk_text.h"

namespace espeak_engine {
namespace {

constexpr std::size_t kBlockSamples = kServedSampleRate * 40 / 1000;  // 40 ms
// How far synthesis may run ahead of the caller (in espeak-ng's samples, at
// most 22050 a second): bounds memory for long texts.
constexpr std::size_t kMaxPendingSamples = 22050 * 30;
// The longest a caller waits for a block: the plug-in's own poll interval, so
// that a caller who checks for a stop between calls sees it as soon as if it
// had slept instead.
constexpr std::chrono::milliseconds kMaxBlockWait{10};
// Hand-overs between the two threads are batched, since each wake-up costs
// more than synthesising a block: a caller that ran dry after its first block
// sleeps until a few hundred milliseconds of speech are ready (or the wait
// above ends), and synthesis that filled the queue sleeps until seconds of
// room are free.
constexpr std::size_t kWakeSamples = 22050 * 320 / 1000;
constexpr std::size_t kRefillSamples = 22050 * 5;

// Blocks are little-endian; where the host is too, they are copied as they are.
bool HostIsLittleEndian() {
    const std::uint16_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

}  // namespace

SpeechSession::SpeechSession(std::string id, SpeechSettings settings, EspeakRuntime& runtime, Resampler& resampler)
    : id_(std::move(id)), settings_(std::move(settings)), runtime_(runtime), resampler_(resampler) {}

SpeechSession::~SpeechSession() { Stop(); }

int SpeechSession::PutText(const char* gbk, unsigned int length) {
    if (textPut_) return kErrTextAlreadyPut;
    if (!gbk && length != 0) return kErrNullArgument;
    std::string utf8;
    if (!GbkToUtf8(gbk, length, utf8)) return kErrInvalidText;
    if (utf8.empty()) {
        Finish(kOk);  // nothing to say: no thread, no audio (espeak-ng would make a pause)
        flushed_ = true;
    } else {
        worker_ = std::thread([this, text = std::move(utf8)] { Synthesise(text); });
    }
    textPut_ = true;
    return kOk;
}

bool SpeechSession::Refill(std::chrono::steady_clock::time_point deadline, int& error) {
    while (resampled_.size() - resampledStart_ < kBlockSamples && !flushed_) {
        bool done = false;
        bool wakeProducer = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            const std::size_t wanted = blockHandedOut_ ? kWakeSamples : 1;
            const auto ready = [this, wanted] {
                return synthesisError_ != kOk || synthesisDone_ || pending_.size() >= wanted;
            };
            if (pending_.empty() && !ready()) {
                wantedSamples_ = wanted;
                audioReady_.wait_until(lock, deadline, ready);
                wantedSamples_ = 0;
            }
            if (synthesisError_ != kOk) {
                error = synthesisError_;
                return false;
            }
            taken_.clear();
            taken_.swap(pending_);
            done = synthesisDone_;
            wakeProducer = producerWaiting_ && !taken_.empty();
        }
        if (wakeProducer) roomFreed_.notify_one();
        if (taken_.empty() && !done) return true;  // the wait ended with nothing new
        // Resampled here, on the caller's thread, while synthesis goes on.
        resampler_.Process(taken_.data(), taken_.size(), resampled_);
        if (done) resampler_.Flush(resampled_);
        flushed_ = done;
    }
    return true;
}

const void* SpeechSession::NextBlock(unsigned int& bytes, int& status, int& error) {
    bytes = 0;
    status = kEngineSynthContinuing;
    error = kOk;
    if (!textPut_) {
        error = kErrTextNotPut;
        return nullptr;
    }
    if (!Refill(std::chrono::steady_clock::now() + kMaxBlockWait, error)) return nullptr;
    const std::size_t available = resampled_.size() - resampledStart_;
    if (available < kBlockSamples && !flushed_) return nullptr;
    const std::size_t taken = std::min(available, kBlockSamples);
    block_.resize(taken * 2);
    const std::int16_t* from = resampled_.data() + resampledStart_;
    if (HostIsLittleEndian()) {
        if (taken > 0) std::memcpy(block_.data(), from, taken * 2);  // an empty block_ has no storage
    } else {
        for (std::size_t i = 0; i < taken; ++i) {
            const auto sample = static_cast<std::uint16_t>(from[i]);
            block_[2 * i] = static_cast<unsigned char>(sample & 0xFF);
            block_[2 * i + 1] = static_cast<unsigned char>(sample >> 8);
        }
    }
    resampledStart_ += taken;
    // Drop the handed-out front once it is the larger part: each sample moves at most once more.
    if (resampledStart_ >= resampled_.size() - resampledStart_) {
        resampled_.erase(resampled_.begin(), resampled_.begin() + static_cast<std::ptrdiff_t>(resampledStart_));
        resampledStart_ = 0;
    }
    if (flushed_ && resampled_.size() == resampledStart_) status = kEngineSynthComplete;
    blockHandedOut_ = blockHandedOut_ || taken > 0;
    if (taken == 0) return nullptr;
    bytes = static_cast<unsigned int>(taken * 2);
    return block_.data();
}

void SpeechSession::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    roomFreed_.notify_one();
    if (worker_.joinable()) worker_.join();
}

void SpeechSession::Synthesise(const std::string& utf8) {
    try {
        const int result = runtime_.Speak(utf8, settings_, [this](const std::int16_t* samples, std::size_t count) {
            return Enqueue(samples, count);
        });
        Finish(result == kOk ? kOk : kErrSynthesisFailed);
    } catch (...) {
        Finish(kErrInternal);
    }
}

bool SpeechSession::Enqueue(const std::int16_t* samples, std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!stopRequested_ && pending_.size() >= kMaxPendingSamples) {
        producerWaiting_ = true;
        roomFreed_.wait(lock, [this] { return stopRequested_ || pending_.size() + kRefillSamples <= kMaxPendingSamples; });
        producerWaiting_ = false;
    }
    if (stopRequested_) return false;
    pending_.insert(pending_.end(), samples, samples + count);
    const bool wakeCaller = wantedSamples_ != 0 && pending_.size() >= wantedSamples_;
    lock.unlock();
    if (wakeCaller) audioReady_.notify_one();
    return true;
}

void SpeechSession::Finish(int error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        synthesisDone_ = true;
        synthesisError_ = error;
    }
    audioReady_.notify_one();
}

}  // namespace espeak_engine
