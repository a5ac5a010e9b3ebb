// The test's handle on the fake engine staged beside a plug-in copy: the same
// library file, so the same loaded instance the plug-in talks to.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fake_engine_control.h"
#include "support/plugin_host.h"

namespace kavotest {

class FakeEngine {
public:
    explicit FakeEngine(const PluginHost& host);
    ~FakeEngine();
    FakeEngine(const FakeEngine&) = delete;
    FakeEngine& operator=(const FakeEngine&) = delete;

    void Reset() { reset_(); }
    void SetLoginResult(int result) { setLoginResult_(result); }
    void FailBegin(int session, int error) { scriptBegin_(session, error, 0); }
    void BeginWithNullIdentifier(int session) { scriptBegin_(session, 0, 1); }
    void FailTextPut(int session, int error) { textPutError_(session, error); }
    void FailAudioGet(int session, int poll, int error) { audioGetError_(session, poll, error); }
    void PollBlock(int session, const std::vector<std::int16_t>& samples, int status = 0, int oddByte = -1,
                   bool hold = false) {
        poll_(session, samples.data(), static_cast<int>(samples.size()), oddByte, status, hold ? 1 : 0);
    }
    void PollEmpty(int session, int status = 0, bool hold = false) {
        poll_(session, nullptr, 0, -1, status, hold ? 1 : 0);
    }
    void PollDelay(int session, int milliseconds) { pollDelay_(session, milliseconds); }
    void Streaming(int blocks, int samplesPerBlock, int amplitude, int delayMs) {
        streaming_(blocks, samplesPerBlock, amplitude, delayMs);
    }
    // Sessions without a script deliver their text's samples in blocks of samplesPerBlock.
    void TextStreaming(int samplesPerBlock, int delayMs) { textStreaming_(samplesPerBlock, delayMs); }
    // stage 0: hold inside the session's begin; 1: inside its text put.
    void HoldAt(int session, int stage) { hold_(session, stage); }
    void FailTextPutContaining(const char* marker, int error) { failContaining_(marker, error); }
    bool WaitHeld(int timeoutMs = 10000) { return waitHeld_(timeoutMs) != 0; }
    void Release() { release_(); }

    int Logins() { return loginCount_(); }
    int Logouts() { return logoutCount_(); }
    bool LoginCredentialsNull() { return credentialsNull_() != 0; }
    std::string LoginParams() { return ReadString([&](char* b, int c) { return loginParams_(b, c); }); }
    int Sessions() { return sessionCount_(); }
    std::string SessionParams(int s) { return ReadString([&](char* b, int c) { return sessionParams_(s, b, c); }); }
    // The exact bytes given to QTTSTextPut; hasText false when no text was put.
    std::string SessionText(int s, bool* hasText = nullptr);
    int SessionPolls(int s) { return sessionPolls_(s); }
    int SessionEnds(int s) { return sessionEnds_(s); }
    std::string SessionEndHint(int s) { return ReadString([&](char* b, int c) { return endHint_(s, b, c); }); }

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
    FakeResetFn reset_;
    FakeSetLoginResultFn setLoginResult_;
    FakeScriptBeginFn scriptBegin_;
    FakeScriptTextPutErrorFn textPutError_;
    FakeScriptAudioGetErrorFn audioGetError_;
    FakeScriptPollFn poll_;
    FakeScriptPollDelayFn pollDelay_;
    FakeSetStreamingFn streaming_;
    FakeSetTextStreamingFn textStreaming_;
    FakeScriptHoldFn hold_;
    FakeFailTextPutContainingFn failContaining_;
    FakeWaitHeldFn waitHeld_;
    FakeReleaseFn release_;
    FakeLoginCountFn loginCount_;
    FakeLogoutCountFn logoutCount_;
    FakeLoginCredentialsNullFn credentialsNull_;
    FakeGetLoginParamsFn loginParams_;
    FakeSessionCountFn sessionCount_;
    FakeGetSessionParamsFn sessionParams_;
    FakeGetSessionTextFn sessionText_;
    FakeGetSessionPollsFn sessionPolls_;
    FakeGetSessionEndsFn sessionEnds_;
    FakeGetSessionEndHintFn endHint_;
};

}  // namespace kavotest
