// The module-wide state behind the exported functions.
#pragma once
#include <atomic>
#include <mutex>

#include "engine/synth_worker.h"
#include "kavosynth.h"
#include "engine/voice_settings.h"
#include "plugin/voice_table.h"

namespace kavo {

struct PluginState {
    // Written by KavoSynthSetPlayCallback, re-read before every delivery.
    std::atomic<PlayCallback> playCallback{nullptr};
    const VoiceTable voices;
    VoiceSettingsMap settings;
    SynthWorker worker{settings, playCallback};
    // Held by KavoSynthInitialize and KavoSynthUninitialize for their whole run.
    std::mutex lifecycle;
};

PluginState& GetPluginState();

}  // namespace kavo
