#include "plugin/plugin_state.h"

#include "util/module_object.h"

namespace kavo {
namespace {

ModuleObject<PluginState> thePluginState;

}  // namespace

PluginState& GetPluginState() { return thePluginState.Get(); }

}  // namespace kavo
