#include "espeak_engine.h"

#include <new>
#include <string>
#include <utility>

#include "engine_errors.h"
#include "session_params.h"

namespace espeak_engine {

namespace {

// Holds the engine; destroys it at unload only when no caller can still reach it.
class EngineHolder {
public:
    EngineHolder() { ::new (static_cast<void*>(storage_)) EspeakEngine(); }
    ~EngineHolder() {
        if (!Get().InUse()) Get().~EspeakEngine();
    }
    EngineHolder(const EngineHolder&) = delete;
    EngineHolder& operator=(const EngineHolder&) = delete;
    EspeakEngine& Get() { return *std::launder(reinterpret_cast<EspeakEngine*>(storage_)); }

private:
    alignas(EspeakEngine) unsigned char storage_[sizeof(EspeakEngine)];
};

}  // namespace

EspeakEngine& EspeakEngine::Instance() {
    static EngineHolder holder;
    return holder.Get();
}

bool EspeakEngine::InUse() {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    return !lock.owns_lock() || loggedIn_;
}

int EspeakEngine::Login(const char* params) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (loggedIn_) return kErrAlreadyLoggedIn;
    if (const int error = CheckLoginParams(params)) return error;
    if (const int error = runtime_.Start()) return error;
    loggedIn_ = true;
    return kOk;
}

int EspeakEngine::Logout() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!loggedIn_) return kErrNotLoggedIn;
    session_.reset();
    loggedIn_ = false;
    return kOk;
}

const char* EspeakEngine::BeginSession(const char* params, int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!loggedIn_) {
        error = kErrNotLoggedIn;
        return nullptr;
    }
    if (session_) {
        error = kErrSessionBusy;
        return nullptr;
    }
    SpeechSettings settings;
    error = ParseSessionParams(params, settings);
    if (error != kOk) return nullptr;
    if (!resampler_) {
        auto resampler = std::make_unique<Resampler>(runtime_.SampleRate(), kServedSampleRate);
        if (!resampler->IsValid()) {
            error = kErrSynthesisFailed;
            return nullptr;
        }
        resampler_ = std::move(resampler);
    } else {
        resampler_->Reset();
    }
    std::string id = "espeak-" + std::to_string(++sessionsBegun_);
    session_ = std::make_unique<SpeechSession>(std::move(id), std::move(settings), runtime_, *resampler_);
    return session_->Id().c_str();
}

int EspeakEngine::PutText(const char* sessionId, const char* text, unsigned int length) {
    std::lock_guard<std::mutex> lock(mutex_);
    SpeechSession* session = Find(sessionId);
    return session ? session->PutText(text, length) : kErrUnknownSession;
}

const void* EspeakEngine::GetAudio(const char* sessionId, unsigned int& bytes, int& status, int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    SpeechSession* session = Find(sessionId);
    if (!session) {
        error = kErrUnknownSession;
        return nullptr;
    }
    return session->NextBlock(bytes, status, error);
}

int EspeakEngine::EndSession(const char* sessionId) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Find(sessionId)) return kErrUnknownSession;
    session_.reset();
    return kOk;
}

SpeechSession* EspeakEngine::Find(const char* sessionId) {
    if (!sessionId || !session_ || session_->Id() != sessionId) return nullptr;
    return session_.get();
}

}  // namespace espeak_engine
