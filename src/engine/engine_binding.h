// The XunFei MSC classic engine: its library, loaded at run time from the
// plug-in's folder, its entry points, parameter strings and status codes. The
// entry points are resolved on load and cleared on unload.
#pragma once
#include <string>

#include "engine/engine_contract.h"
#include "engine/speech_engine.h"
#include "util/platform/dynamic_library.h"

namespace kavo {

class EngineBinding final : public SpeechEngine {
public:
    EngineBinding() = default;
    EngineBinding(const EngineBinding&) = delete;
    EngineBinding& operator=(const EngineBinding&) = delete;

    bool Load() override;
    void Unload() override;
    bool IsLoggedIn() const override { return loggedIn_; }

    bool BeginSession(const std::string& engineVoice, const VoiceSettings& settings, std::string& sessionId,
                      int& error) const override;
    // The text goes to the engine in the ANSI code page; a text with no narrow
    // form is put as an empty one.
    bool PutText(const std::string& sessionId, const std::u16string& text, int& error) const override;
    AudioFetch GetAudio(const std::string& sessionId) const override;
    void EndSession(const std::string& sessionId) const override;

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
