// The exported functions (export_list.h lists them, with their ordinals). Each
// one is a C boundary: nothing thrown inside crosses it; a failure answers as
// the function's refusal does.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "engine/speak_request.h"
#include "kavosynth.h"
#include "log/logger.h"
#include "plugin/plugin_state.h"
#include "util/module_thread.h"

namespace {

using kavo::GetPluginState;
using kavo::PluginState;

constexpr char16_t kDescription[] = u"卡沃经典科大语音";
constexpr char16_t kVersion[] = u"1.0.0.0";
// A buffer of KavoSynthGetVoiceList holds at most this many units.
constexpr std::size_t kMaxVoiceNameUnits = 128;

std::u16string CopyText(const KavoChar* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

template <typename Body>
bool Guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return false;
    }
}

// Initialize and Uninitialize run one at a time, under the lifecycle lock. No
// call into the host is made under it: the lines this thread logs during the
// call wait, and are handed to the LogSink on this thread once the lock is
// released, before the call returns; the worker's lines go to the sink at once,
// on the worker, which holds no lock of the plug-in. A lifecycle call made on a
// plug-in thread (from inside the PlayCallback, or a LogSink line sent there),
// or from inside a held line being handed over, is refused and changes
// nothing: it could only wait for itself or cut into the call whose lines are
// being delivered.
template <typename Body>
bool LifecycleCall(Body body) noexcept {
    if (kavo::ModuleThread::OnModuleThread()) return false;
    if (kavo::Logger::DeliveringOnThisThread()) return false;
    kavo::Logger::SinkHold hold;
    const bool result = Guarded([&] {
        std::lock_guard<std::mutex> lock(GetPluginState().lifecycle);
        return body();
    });
    hold.Deliver();
    return result;
}

bool StoreSetting(const KavoChar* voiceName, std::int32_t value, kavo::VoiceSettingsMap::Field field) {
    return Guarded([&] {
        if (!voiceName) return false;
        const std::int32_t clamped = kavo::ClampSetting(value);
        const std::u16string voice = CopyText(voiceName);
        PluginState& state = GetPluginState();
        if (!state.worker.IsRunning()) return false;
        if (!state.voices.Contains(voice)) return false;
        state.settings.Store(voice, field, clamped);
        return true;
    });
}

}  // namespace

extern "C" {

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthInitialize(LogSink sink) {
    return LifecycleCall([&] {
        kavo::Logger& logger = kavo::GetLogger();
        const bool loggerWasReady = logger.IsInitialized();
        if (!logger.Init(sink)) return false;
        PluginState& state = GetPluginState();
        if (state.worker.IsRunning()) return true;
        if (!state.worker.Start()) {
            // Leave the plug-in as it was before the call.
            if (!loggerWasReady) logger.Cleanup();
            return false;
        }
        return true;
    });
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthUninitialize(void) {
    return LifecycleCall([] {
        GetPluginState().worker.Shutdown();
        kavo::GetLogger().Cleanup();
        return true;
    });
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetInfo(SynthInfo* info) {
    if (!info) return false;
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->description, kDescription, sizeof kDescription - sizeof(char16_t));
    std::memcpy(info->version, kVersion, sizeof kVersion - sizeof(char16_t));
    return true;
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetAudioFormat(AudioFormat* format) {
    if (!format) return false;
    format->channels = 1;
    format->sampleRate = 16000;
    format->bitsPerSample = 16;
    return true;
}

KAVOSYNTH_API void KAVOSYNTH_CALL KavoSynthSetPlayCallback(PlayCallback callback) {
    GetPluginState().playCallback.store(callback);
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthPrepareVoice(const KavoChar* voiceName) { return voiceName != nullptr; }

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetVoiceList(KavoChar** names, std::uint32_t* count) {
    return Guarded([&] {
        if (!count) return false;
        PluginState& state = GetPluginState();
        if (!state.worker.IsRunning()) return false;
        const std::vector<std::u16string> voices = state.voices.DisplayNames();
        const auto available = static_cast<std::uint32_t>(voices.size());
        if (!names) {
            *count = available;
            return true;
        }
        const std::uint32_t n = *count < available ? *count : available;
        *count = n;
        for (std::uint32_t i = 0; i < n; ++i) {
            // A null buffer is skipped rather than written through; the count still includes it.
            if (!names[i] || voices[i].size() > kMaxVoiceNameUnits) continue;
            std::memcpy(names[i], voices[i].data(), voices[i].size() * sizeof(char16_t));
        }
        return true;
    });
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSpeak(const KavoChar* voiceName, const KavoChar* text, std::int32_t value) {
    return Guarded([&] {
        if (!voiceName || !text) return false;
        std::u16string voice = CopyText(voiceName);
        std::u16string copy = CopyText(text);
        PluginState& state = GetPluginState();
        if (voice.empty() || copy.empty()) return false;
        if (!state.playCallback.load()) return false;
        if (!state.worker.IsRunning()) return false;
        std::string engineVoice = state.voices.EngineIdentifier(voice);
        if (engineVoice.empty()) return false;
        return state.worker.Queue(kavo::SpeakRequest{value, std::move(voice),
                                                     std::move(engineVoice), std::move(copy)});
    });
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthStop(void) {
    return Guarded([] {
        PluginState& state = GetPluginState();
        if (!state.worker.IsRunning()) return false;
        state.worker.StopSpeech();
        return true;
    });
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetRate(const KavoChar* voiceName, std::int32_t rate) {
    return StoreSetting(voiceName, rate, &kavo::VoiceSettings::rate);
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetVolume(const KavoChar* voiceName, std::int32_t volume) {
    return StoreSetting(voiceName, volume, &kavo::VoiceSettings::volume);
}

KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetPitch(const KavoChar* voiceName, std::int32_t pitch) {
    return StoreSetting(voiceName, pitch, &kavo::VoiceSettings::pitch);
}

}  // extern "C"
