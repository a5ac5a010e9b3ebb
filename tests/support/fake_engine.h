// The test's handle on the fake engine staged beside a plug-in copy: the same
// library file, so the same loaded instance the plug-in talks to.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fake_engine_control.h"
#include "support/plugin_host.h"

namespace kavotest {

// The control exports, found by name (the list: fake_engine_control.h).
struct FakeEngineControl {
#define FAKE_ENGINE_CONTROL_MEMBER(name, result, parameters) name##Fn name = nullptr;
    FAKE_ENGINE_CONTROL_LIST(FAKE_ENGINE_CONTROL_MEMBER)
#undef FAKE_ENGINE_CONTROL_MEMBER
};

class FakeEngine {
public:
    explicit FakeEngine(const PluginHost& host);
    // The engine staged in folder (by a host other than PluginHost).
    explicit FakeEngine(const std::filesystem::path& folder);
    ~FakeEngine();
    FakeEngine(const FakeEngine&) = delete;
    FakeEngine& operator=(const FakeEngine&) = delete;

    void Reset() { control_.FakeReset(); }
    void SetLoginResult(int result) { control_.FakeSetLoginResult(result); }
    void FailBegin(int session, int error) { control_.FakeScriptBegin(session, error, 0); }
    void BeginWithNullIdentifier(int session) { control_.FakeScriptBegin(session, 0, 1); }
    void FailTextPut(int session, int error) { control_.FakeScriptTextPutError(session, error); }
    void FailAudioGet(int session, int poll, int error) { control_.FakeScriptAudioGetError(session, poll, error); }
    void PollBlock(int session, const std::vector<std::int16_t>& samples, int status = 0, int oddByte = -1,
                   bool hold = false) {
        control_.FakeScriptPoll(session, samples.data(), static_cast<int>(samples.size()), oddByte, status, hold ? 1 : 0);
    }
    void PollEmpty(int session, int status = 0, bool hold = false) {
        control_.FakeScriptPoll(session, nullptr, 0, -1, status, hold ? 1 : 0);
    }
    void PollDelay(int session, int milliseconds) { control_.FakeScriptPollDelay(session, milliseconds); }
    void Streaming(int blocks, int samplesPerBlock, int amplitude, int delayMs) {
        control_.FakeSetStreaming(blocks, samplesPerBlock, amplitude, delayMs);
    }
    // Sessions without a script deliver their text's samples in blocks of samplesPerBlock.
    void TextStreaming(int samplesPerBlock, int delayMs) { control_.FakeSetTextStreaming(samplesPerBlock, delayMs); }
    // stage 0: hold inside the session's begin; 1: inside its text put.
    void HoldAt(int session, int stage) { control_.FakeScriptHold(session, stage); }
    void FailTextPutContaining(const char* marker, int error) { control_.FakeFailTextPutContaining(marker, error); }
    bool WaitHeld(int timeoutMs = 10000) { return control_.FakeWaitHeld(timeoutMs) != 0; }
    void Release() { control_.FakeRelease(); }

    int Logins() { return control_.FakeLoginCount(); }
    int Logouts() { return control_.FakeLogoutCount(); }
    bool LoginCredentialsNull() { return control_.FakeLoginCredentialsNull() != 0; }
    std::string LoginParams() { return ReadString([&](char* b, int c) { return control_.FakeGetLoginParams(b, c); }); }
    int Sessions() { return control_.FakeSessionCount(); }
    std::string SessionParams(int s) { return ReadString([&](char* b, int c) { return control_.FakeGetSessionParams(s, b, c); }); }
    // The exact bytes given to QTTSTextPut; hasText false when no text was put.
    std::string SessionText(int s, bool* hasText = nullptr);
    int SessionPolls(int s) { return control_.FakeGetSessionPolls(s); }
    int SessionEnds(int s) { return control_.FakeGetSessionEnds(s); }
    std::string SessionEndHint(int s) { return ReadString([&](char* b, int c) { return control_.FakeGetSessionEndHint(s, b, c); }); }

private:
    template <typename Read>
    static std::string ReadString(Read read) {
        const int length = read(nullptr, 0);
        if (length < 0) return std::string();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        read(&text[0], length + 1);
        text.resize(static_cast<std::size_t>(length));
        return text;
    }

    kavo::DynamicLibrary library_;
    FakeEngineControl control_;
};

}  // namespace kavotest
