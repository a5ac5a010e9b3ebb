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
// espeak-ng's own rate (at most this many samples a second).
constexpr std::size_t kEspeakRate = 22050;
// How far synthesis may run ahead of the caller (in espeak-ng's samples):
// bounds memory for long texts.
constexpr std::size_t kMaxPendingSamples = kEspeakRate * 30;
// Room given once per session, so that the samples never move as they come:
// the queue's bound and a second more for the chunk that crosses it, and the
// same resampled, with the resampler's tail.
constexpr std::size_t kQueueCapacity = kMaxPendingSamples + kEspeakRate;
constexpr std::size_t kResampledCapacity = kServedSampleRate * (kQueueCapacity / kEspeakRate) + Resampler::kTaps;
// The longest a caller waits for a block: the plug-in's own poll interval, so
// that a caller who checks for a stop between calls sees it as soon as if it
// had slept instead.
constexpr std::chrono::milliseconds kMaxBlockWait{10};
// Hand-overs between the two threads are batched, since each wake-up costs
// more than synthesising a block: a caller that ran dry after its first block
// sleeps until a few hundred milliseconds of speech are ready (or the wait
// above ends), and synthesis that filled the queue sleeps until seconds of
// room are free.
constexpr std::size_t kWakeSamples = kEspeakRate * 320 / 1000;
constexpr std::size_t kRefillSamples = kEspeakRate * 5;

// Blocks are little-endian; where the host is too, they are handed out as they are.
bool HostIsLittleEndian() {
    const std::uint16_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

}  // namespace

SpeechSession::SpeechSession(std::string id, SpeechSettings settings, EspeakRuntime& runtime, Resampler& resampler)
    : id_(std::move(id)), settings_(std::move(settings)), runtime_(runtime), resampler_(resampler) {
    pending_.reserve(kQueueCapacity);
    taken_.reserve(kQueueCapacity);
    resampled_.reserve(kResampledCapacity);
}

SpeechSession::~SpeechSession() { Stop(); }

int SpeechSession::PutText(const char* gbk, unsigned int length) {
    if (textPut_) return kErrTextAlreadyPut;
    if (!gbk && length != 0) return kErrNullArgument;
    std::string utf8;
    if (!GbkToUtf8(gbk, length, utf8)) return kErrInvalidText;
    if (utf8.empty()) {
        Finish(kOk);  // nothing to say: no thread, no audio (espeak-ng would make a pause)
        drained_ = true;
    } else {
        worker_ = std::thread([this, text = std::move(utf8)] { Synthesise(text); });
    }
    textPut_ = true;
    return kOk;
}

bool SpeechSession::Refill(std::chrono::steady_clock::time_point deadline, int& error) {
    while (joined_.size() + (resampled_.size() - resampledStart_) < kBlockSamples && !drained_) {
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
            if (pending_.empty() && !synthesisDone_) return true;  // the wait ended with nothing new
            taken_.clear();
            taken_.swap(pending_);
            done = synthesisDone_;
            wakeProducer = producerWaiting_;
        }
        if (wakeProducer) roomFreed_.notify_one();
        // What is left of the last taking starts the next block.
        joined_.insert(joined_.end(), resampled_.begin() + static_cast<std::ptrdiff_t>(resampledStart_),
                       resampled_.end());
        resampled_.clear();
        // Resampled here, on the caller's thread, while synthesis goes on.
        resampler_.Process(taken_.data(), taken_.size(), resampled_);
        if (done) resampler_.Flush(resampled_);
        drained_ = done;
        resampledStart_ = 0;
        if (!joined_.empty()) {
            resampledStart_ = std::min(kBlockSamples - joined_.size(), resampled_.size());
            joined_.insert(joined_.end(), resampled_.begin(),
                           resampled_.begin() + static_cast<std::ptrdiff_t>(resampledStart_));
        }
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
    if (joinedHandedOut_) {  // the caller is done with it
        joined_.clear();
        joinedHandedOut_ = false;
    }
    if (!Refill(std::chrono::steady_clock::now() + kMaxBlockWait, error)) return nullptr;
    // A joined block comes first; once drained_, it may be short, and then it is the last.
    const std::int16_t* from = joined_.data();
    std::size_t taken = joined_.size();
    if (taken > 0) {
        if (taken < kBlockSamples && !drained_) return nullptr;
        joinedHandedOut_ = true;
    } else {
        taken = std::min(resampled_.size() - resampledStart_, kBlockSamples);
        if (taken < kBlockSamples && !drained_) return nullptr;
        from = resampled_.data() + resampledStart_;
        resampledStart_ += taken;
    }
    if (drained_ && resampledStart_ == resampled_.size()) status = kEngineSynthComplete;
    blockHandedOut_ = blockHandedOut_ || taken > 0;
    if (taken == 0) return nullptr;
    bytes = static_cast<unsigned int>(taken * 2);
    // Handed out where it lies; it stays there until the next call.
    if (HostIsLittleEndian()) return from;
    block_.resize(taken * 2);
    for (std::size_t i = 0; i < taken; ++i) {
        const auto sample = static_cast<std::uint16_t>(from[i]);
        block_[2 * i] = static_cast<unsigned char>(sample & 0xFF);
        block_[2 * i + 1] = static_cast<unsigned char>(sample >> 8);
    }
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
