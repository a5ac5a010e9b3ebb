// The engine behind the six entry points: login state and the one open
// session. Every entry point runs under one lock, so callers on any thread
// see the calls in some order; one session is served at a time.
#pragma once

#include <memory>
#include <mutex>

#include "espeak_runtime.h"
#include "speech_session.h"

namespace espeak_engine {

class EspeakEngine {
public:
    // The one engine of the process. It lives until the library is unloaded,
    // and past that while a caller is still logged in or inside a call: a host
    // that exits without logging out may have a thread in here.
    static EspeakEngine& Instance();
    // True while the engine may still be called: logged in, or a call running.
    bool InUse();

    EspeakEngine() = default;
    EspeakEngine(const EspeakEngine&) = delete;
    EspeakEngine& operator=(const EspeakEngine&) = delete;

    int Login(const char* params);
    // Ends an open session (joining its thread) and logs out.
    int Logout();
    // The new session's identifier ("espeak-1", "espeak-2", ...) or null, with the code in error.
    const char* BeginSession(const char* params, int& error);
    int PutText(const char* sessionId, const char* text, unsigned int length);
    const void* GetAudio(const char* sessionId, unsigned int& bytes, int& status, int& error);
    // Stops synthesis if it still runs and joins the session's thread.
    int EndSession(const char* sessionId);

private:
    SpeechSession* Find(const char* sessionId);

    std::mutex mutex_;
    EspeakRuntime& runtime_ = EspeakRuntime::Shared();
    // Made at the first session and reset for each: designing its filter
    // costs more than resampling a short text. Declared before the session,
    // which uses it.
    std::unique_ptr<Resampler> resampler_;
    bool loggedIn_ = false;
    unsigned long sessionsBegun_ = 0;
    std::unique_ptr<SpeechSession> session_;
};

}  // namespace espeak_engine
