#include "support/fake_engine.h"

#include <stdexcept>

namespace kavotest {
namespace {

template <typename Function>
void Resolve(kavo::LibraryHandle library, const char* name, Function& entry) {
    entry = reinterpret_cast<Function>(kavo::FindLibrarySymbol(library, name));
    if (!entry) throw std::runtime_error(std::string("fake engine lacks ") + name);
}

}  // namespace

FakeEngine::FakeEngine(const PluginHost& host) {
    std::uint32_t error = 0;
    library_ = kavo::LoadDynamicLibrary((host.folder() / std::filesystem::path(EngineFileName())).u16string(), error);
    if (!library_) throw std::runtime_error("cannot load the staged fake engine");
    Resolve(library_, "FakeReset", reset_);
    Resolve(library_, "FakeSetLoginResult", setLoginResult_);
    Resolve(library_, "FakeScriptBegin", scriptBegin_);
    Resolve(library_, "FakeScriptTextPutError", textPutError_);
    Resolve(library_, "FakeScriptAudioGetError", audioGetError_);
    Resolve(library_, "FakeScriptPoll", poll_);
    Resolve(library_, "FakeScriptPollDelay", pollDelay_);
    Resolve(library_, "FakeSetStreaming", streaming_);
    Resolve(library_, "FakeWaitHeld", waitHeld_);
    Resolve(library_, "FakeRelease", release_);
    Resolve(library_, "FakeLoginCount", loginCount_);
    Resolve(library_, "FakeLogoutCount", logoutCount_);
    Resolve(library_, "FakeLoginCredentialsNull", credentialsNull_);
    Resolve(library_, "FakeGetLoginParams", loginParams_);
    Resolve(library_, "FakeSessionCount", sessionCount_);
    Resolve(library_, "FakeGetSessionParams", sessionParams_);
    Resolve(library_, "FakeGetSessionText", sessionText_);
    Resolve(library_, "FakeGetSessionPolls", sessionPolls_);
    Resolve(library_, "FakeGetSessionEnds", sessionEnds_);
    Resolve(library_, "FakeGetSessionEndHint", endHint_);
}

FakeEngine::~FakeEngine() {
    if (library_) kavo::FreeDynamicLibrary(library_);
}

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
