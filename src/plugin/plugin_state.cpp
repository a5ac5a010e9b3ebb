#include "plugin/plugin_state.h"

#include "util/host_call.h"
#include "util/module_object.h"

namespace kavo {
namespace {

ModuleObject<PluginState> thePluginState;

}  // namespace

void PluginState::DeliverAudio(const std::u16string& voice, const void* block, std::uint32_t bytes,
                               std::int32_t value) const noexcept {
    if (const PlayCallback callback = playCallback.load()) {
        CallHost(callback, reinterpret_cast<const KavoChar*>(voice.c_str()), block, bytes, value);
    }
}

PluginState& GetPluginState() { return thePluginState.Get(); }

}  // namespace kavo
