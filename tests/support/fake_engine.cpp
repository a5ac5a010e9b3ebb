#include "support/fake_engine.h"

#include <stdexcept>

namespace kavotest {
FakeEngine::FakeEngine(const PluginHost& host) : FakeEngine(host.folder()) {}

FakeEngine::FakeEngine(const std::filesystem::path& folder) {
    std::uint32_t error = 0;
    library_ = kavo::DynamicLibrary::Open(PluginPathText(folder / std::filesystem::path(EngineFileName())), error);
    if (!library_) throw std::runtime_error("cannot load the staged fake engine");
#define FAKE_ENGINE_CONTROL_RESOLVE(name, result, parameters) ResolveOrThrow(library_, #name, control_.name);
    FAKE_ENGINE_CONTROL_LIST(FAKE_ENGINE_CONTROL_RESOLVE)
#undef FAKE_ENGINE_CONTROL_RESOLVE
}

FakeEngine::~FakeEngine() = default;

std::string FakeEngine::SessionText(int s, bool* hasText) {
    const int length = control_.FakeGetSessionText(s, nullptr, 0);
    if (hasText) *hasText = length >= 0;
    if (length < 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    control_.FakeGetSessionText(s, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace kavotest
