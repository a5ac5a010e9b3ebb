#include "speech_session.h"

#include <algorithm>
#include <utility>

#include "engine/engine_contract.h"
#include "engine_errors.h"
#include "gbk_text.h"
#include "resampler.h"

namespace espeak_engine {
namespace {

constexpr int kOutputRate = 16000;
constexpr std::size_t kBlockSamples = kOutputRate * 40 / 1000;  // 40 ms
// How far synthesis may run ahead of the caller: bounds memory for long texts.
constexpr std::size_t kMaxPendingSamples = kOutputRate * 30;

}  // namespace

SpeechSession::SpeechSession(std::string id, SpeechSettings settings, EspeakRuntime& runtime)
    : id_(std::move(id)), settings_(std::move(settings)), runtime_(runtime) {}

SpeechSession::~SpeechSession() { Stop(); }

int SpeechSession::PutText(const char* gbk, unsigned int length) {
    if (textPut_) return kErrTextAlreadyPut;
    if (!gbk && length != 0) return kErrNullArgument;
    std::string utf8;
    if (!GbkToUtf8(gbk, length, utf8)) return kErrInvalidText;
    if (utf8.empty()) {
        Finish(kOk);  // nothing to say: no thread, no audio (espeak-ng would make a pause)
    } else {
        worker_ = std::thread([this, text = std::move(utf8)] { Synthesise(text); });
    }
    textPut_ = true;
    return kOk;
}

const void* SpeechSession::NextBlock(unsigned int& bytes, int& status, int& error) {
    bytes = 0;
    status = kEngineSynthContinuing;
    error = kOk;
    if (!textPut_) {
        error = kErrTextNotPut;
        return nullptr;
    }
    std::size_t taken = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (synthesisError_ != kOk) {
            error = synthesisError_;
            return nullptr;
        }
        if (pending_.size() < kBlockSamples && !synthesisDone_) return nullptr;
        taken = std::min(pending_.size(), kBlockSamples);
        block_.resize(taken * 2);
        for (std::size_t i = 0; i < taken; ++i) {
            const auto sample = static_cast<std::uint16_t>(pending_[i]);
            block_[2 * i] = static_cast<unsigned char>(sample & 0xFF);
            block_[2 * i + 1] = static_cast<unsigned char>(sample >> 8);
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(taken));
        if (synthesisDone_ && pending_.empty()) status = kEngineSynthComplete;
    }
    roomFreed_.notify_one();
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
        Resampler resampler(runtime_.SampleRate(), kOutputRate);
        if (!resampler.IsValid()) return Finish(kErrSynthesisFailed);
        std::vector<std::int16_t> resampled;
        bool resamplerFailed = false;
        const int result = runtime_.Speak(utf8, settings_, [&](const std::int16_t* samples, std::size_t count) {
            resampled.clear();
            if (!resampler.Process(samples, count, resampled)) {
                resamplerFailed = true;
                return false;
            }
            return Enqueue(resampled);
        });
        if (result != kOk || resamplerFailed) return Finish(kErrSynthesisFailed);
        resampled.clear();
        if (!resampler.Flush(resampled)) return Finish(kErrSynthesisFailed);
        Enqueue(resampled);
        Finish(kOk);
    } catch (...) {
        Finish(kErrInternal);
    }
}

bool SpeechSession::Enqueue(const std::vector<std::int16_t>& samples) {
    std::unique_lock<std::mutex> lock(mutex_);
    roomFreed_.wait(lock, [this] { return stopRequested_ || pending_.size() < kMaxPendingSamples; });
    if (stopRequested_) return false;
    pending_.insert(pending_.end(), samples.begin(), samples.end());
    return true;
}

void SpeechSession::Finish(int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    synthesisDone_ = true;
    synthesisError_ = error;
}

}  // namespace espeak_engine
