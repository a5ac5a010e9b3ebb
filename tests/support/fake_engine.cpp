#include "support/fake_engine.h"

#include <stdexcept>

namespace kavotest {
FakeEngine::FakeEngine(const PluginHost& host) {
    std::uint32_t error = 0;
    library_ = kavo::DynamicLibrary::Open(PluginPathText(host.folder() / std::filesystem::path(EngineFileName())), error);
    if (!library_) throw std::runtime_error("cannot load the staged fake engine");
    ResolveOrThrow(library_, "FakeReset", reset_);
    ResolveOrThrow(library_, "FakeSetLoginResult", setLoginResult_);
    ResolveOrThrow(library_, "FakeScriptBegin", scriptBegin_);
    ResolveOrThrow(library_, "FakeScriptTextPutError", textPutError_);
    ResolveOrThrow(library_, "FakeScriptAudioGetError", audioGetError_);
    ResolveOrThrow(library_, "FakeScriptPoll", poll_);
    ResolveOrThrow(library_, "FakeScriptPollDelay", pollDelay_);
    ResolveOrThrow(library_, "FakeSetStreaming", streaming_);
    ResolveOrThrow(library_, "FakeSetTextStreaming", textStreaming_);
    ResolveOrThrow(library_, "FakeScriptHold", hold_);
    ResolveOrThrow(library_, "FakeFailTextPutContaining", failContaining_);
    ResolveOrThrow(library_, "FakeWaitHeld", waitHeld_);
    ResolveOrThrow(library_, "FakeRelease", release_);
    ResolveOrThrow(library_, "FakeLoginCount", loginCount_);
    ResolveOrThrow(library_, "FakeLogoutCount", logoutCount_);
    ResolveOrThrow(library_, "FakeLoginCredentialsNull", credentialsNull_);
    ResolveOrThrow(library_, "FakeGetLoginParams", loginParams_);
    ResolveOrThrow(library_, "FakeSessionCount", sessionCount_);
    ResolveOrThrow(library_, "FakeGetSessionParams", sessionParams_);
    ResolveOrThrow(library_, "FakeGetSessionText", sessionText_);
    ResolveOrThrow(library_, "FakeGetSessionPolls", sessionPolls_);
    ResolveOrThrow(library_, "FakeGetSessionEnds", sessionEnds_);
    ResolveOrThrow(library_, "FakeGetSessionEndHint", endHint_);
}

FakeEngine::~FakeEngine() = default;

std::string FakeEngine::SessionText(int s, bool* hasText) {
    const int length = sessionText_(s, nullptr, 0);
    if (hasText) *hasText = length >= 0;
    if (length < 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    sessionText_(s, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace kavotest
