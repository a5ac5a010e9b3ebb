// The speech engine library loaded at run time from the plug-in's folder, and
// the typed calls the synthesis session makes into it. Its raw entry points
// stay inside engine_binding.cpp. Used by the worker thread alone.
#pragma once
#include <cstdint>
#include <string>

#include "engine/engine_contract.h"
#include "util/dynamic_library.h"

namespace kavo {

// The engine's answer to one request for audio.
struct AudioFetch {
    const void* block = nullptr;  // null when the engine had none ready; valid until the next call
    std::uint32_t bytes = 0;
    int status = 0;  // kEngineSynthComplete with (or after) the last block
    int error = kEngineOk;
};

class EngineBinding {
public:
    EngineBinding() = default;
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    // Loads the library, resolves the entry points and logs in; true when logged in.
    // Failures are logged; whatever was loaded stays until Unload.
    bool Load();
    // Logs out if logged in, frees the library, clears every entry point. Safe in any state.
    void Unload();
    bool IsLoggedIn() const { return loggedIn_; }
    static std::string BuildLoginParams();

    // Opens a session: true with its identifier, or false with the engine's
    // code in error (0 when it gave no identifier).
    bool BeginSession(const std::string& params, std::string& sessionId, int& error) const;
    // The engine's result: kEngineOk when it took the text.
    int PutText(const std::string& sessionId, const std::string& text) const;
    AudioFetch GetAudio(const std::string& sessionId) const;
    void EndSession(const std::string& sessionId) const;

private:
    void ClearEntryPoints();

    DynamicLibrary library_;
    MSPLoginFn* login_ = nullptr;
    MSPLogoutFn* logout_ = nullptr;
    QTTSSessionBeginFn* sessionBegin_ = nullptr;
    QTTSSessionEndFn* sessionEnd_ = nullptr;
    QTTSTextPutFn* textPut_ = nullptr;
    QTTSAudioGetFn* audioGet_ = nullptr;
    bool loggedIn_ = false;
};

}  // namespace kavo
