// The module-wide state behind the exported functions.
#pragma once
#include <atomic>

#include "engine/engine_binding.h"
#include "engine/synth_worker.h"
#include "kavosynth.h"
#include "plugin/voice_table.h"

namespace kavo {

struct PluginState {
    PluginState() : worker(engine, voices, playCallback) {}

    bool HasLiveThread() const { return worker.HasLiveThread(); }

    // Written by KavoSynthSetPlayCallback, re-read before every delivery.
    std::atomic<PlayCallback> playCallback{nullptr};
    const VoiceTable& voices = GetVoiceTable();
    EngineBinding engine;  // the worker thread's alone
    SynthWorker worker;
};

PluginState& GetPluginState();

}  // namespace kavo
