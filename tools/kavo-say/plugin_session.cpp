#include "plugin_session.h"

#include <atomic>

#include "utf16_text.h"

namespace kavosay {
namespace {

using KavoString = std::basic_string<KavoChar>;

std::atomic<SpeechEvents*> routedEvents{nullptr};

KavoString ToKavo(const std::string& utf8) {
    const std::u16string text = ToUtf16(utf8);
    return KavoString(text.begin(), text.end());
}

void KAVOSYNTH_CALL OnPlay(const KavoChar*, const void* pcm, uint32_t bytes, int32_t value) {
    SpeechEvents* events = routedEvents.load();
    if (!events) return;
    if (!pcm && bytes == 0) {
        events->AddRequestEnd(value);
    } else if (pcm && bytes > 0) {
        events->AddAudio(pcm, bytes);
    }
}

// The text is "<prefix> tid: <id>\n<message>"; only the message is kept.
void KAVOSYNTH_CALL OnLog(int32_t level, const KavoChar* text) {
    SpeechEvents* events = routedEvents.load();
    if (!events || !text) return;
    events->AddLogLine(level, LogMessage(text));
}

}  // namespace

PluginSession::PluginSession(const PluginExports& plugin, SpeechEvents& events) : plugin_(plugin) {
    routedEvents.store(&events);
    plugin_.SetPlayCallback(OnPlay);
    started_ = plugin_.Initialize(OnLog);
}

PluginSession::~PluginSession() {
    Shutdown();
    plugin_.SetPlayCallback(nullptr);
    routedEvents.store(nullptr);
}

std::optional<PcmFormat> PluginSession::AudioFormat() const {
    ::AudioFormat reported{};
    if (!plugin_.GetAudioFormat(&reported)) return std::nullopt;
    if (reported.channels < 1 || reported.channels > 8 || reported.sampleRate < 1 || reported.bitsPerSample != 16)
        return std::nullopt;
    PcmFormat format;
    format.channels = static_cast<std::uint16_t>(reported.channels);
    format.sampleRate = static_cast<std::uint32_t>(reported.sampleRate);
    format.bitsPerSample = static_cast<std::uint16_t>(reported.bitsPerSample);
    return format;
}

std::vector<std::string> PluginSession::VoiceNames() const { return ListVoiceNames(plugin_); }

bool PluginSession::SetProsody(const std::string& voice, std::optional<int> rate, std::optional<int> volume,
                               std::optional<int> pitch) const {
    const KavoString name = ToKavo(voice);
    bool accepted = true;
    if (rate) accepted = plugin_.SetRate(name.c_str(), *rate) && accepted;
    if (volume) accepted = plugin_.SetVolume(name.c_str(), *volume) && accepted;
    if (pitch) accepted = plugin_.SetPitch(name.c_str(), *pitch) && accepted;
    return accepted;
}

bool PluginSession::Speak(const std::string& voice, const std::string& text, std::int32_t value) const {
    return plugin_.Speak(ToKavo(voice).c_str(), ToKavo(text).c_str(), value);
}

void PluginSession::Stop() const {
    if (started_) plugin_.Stop();
}

void PluginSession::Shutdown() {
    if (!started_) return;
    started_ = false;
    plugin_.Uninitialize();
}

}  // namespace kavosay
