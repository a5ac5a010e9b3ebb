// The module-wide state behind the exported functions.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/engine_binding.h"
#include "engine/synth_worker.h"
#include "engine/voice_settings.h"
#include "kavosynth.h"
#include "plugin/voice_table.h"

namespace kavo {

struct PluginState {
    // Written by KavoSynthSetPlayCallback, re-read before every delivery.
    std::atomic<PlayCallback> playCallback{nullptr};
    const VoiceTable voices;
    VoiceSettingsMap settings;
    // The engine the plug-in speaks with.
    EngineBinding engine;
    SynthWorker worker{engine, settings, [this](const std::u16string& voice, const void* block, std::uint32_t bytes,
                                                std::int32_t value) { DeliverAudio(voice, block, bytes, value); }};
    // Held by KavoSynthInitialize and KavoSynthUninitialize for their whole run.
    std::mutex lifecycle;

    // Hands a block, or the end of a request, to the host's PlayCallback as it
    // is at that moment: the host may change or clear it during speech.
    void DeliverAudio(const std::u16string& voice, const void* block, std::uint32_t bytes,
                      std::int32_t value) const noexcept;
};

PluginState& GetPluginState();

}  // namespace kavo
