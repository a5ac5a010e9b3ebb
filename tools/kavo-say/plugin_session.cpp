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

std::string FromKavo(const KavoChar* text, std::size_t length) {
    return ToUtf8(std::u16string(text, text + length));
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
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    std::size_t messageStart = 0;
    while (messageStart < length && text[messageStart] != u'\n') ++messageStart;
    messageStart = messageStart < length ? messageStart + 1 : 0;
    events->AddLogLine(level, FromKavo(text + messageStart, length - messageStart));
}

}  // namespace

PluginSession::PluginSession(const PluginExports& plugin, SpeechEvents& events) : plugin_(plugin) {
    routedEvents.store(&events);
    plugin_.setPlayCallback(OnPlay);
    started_ = plugin_.initialize(OnLog);
}

PluginSession::~PluginSession() {
    Shutdown();
    plugin_.setPlayCallback(nullptr);
    routedEvents.store(nullptr);
}

std::optional<PcmFormat> PluginSession::AudioFormat() const {
    ::AudioFormat reported{};
    if (!plugin_.getAudioFormat(&reported)) return std::nullopt;
    if (reported.channels < 1 || reported.channels > 8 || reported.sampleRate < 1 || reported.bitsPerSample != 16)
        return std::nullopt;
    PcmFormat format;
    format.channels = static_cast<std::uint16_t>(reported.channels);
    format.sampleRate = static_cast<std::uint32_t>(reported.sampleRate);
    format.bitsPerSample = static_cast<std::uint16_t>(reported.bitsPerSample);
    return format;
}

std::vector<std::string> PluginSession::VoiceNames() const {
    constexpr std::size_t kNameUnits = 128;  // the most the plug-in writes per name
    uint32_t count = 0;
    if (!plugin_.getVoiceList(nullptr, &count)) return {};
    // One unit more than the plug-in may write, so every name ends in a zero.
    std::vector<KavoString> buffers(count, KavoString(kNameUnits + 1, 0));
    std::vector<KavoChar*> pointers;
    for (KavoString& buffer : buffers) pointers.push_back(&buffer[0]);
    if (count > 0 && !plugin_.getVoiceList(pointers.data(), &count)) return {};
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count && i < buffers.size(); ++i) {
        const KavoString& buffer = buffers[i];
        names.push_back(FromKavo(buffer.data(), buffer.find(KavoChar(0))));
    }
    return names;
}

bool PluginSession::SetProsody(const std::string& voice, std::optional<int> rate, std::optional<int> volume,
                               std::optional<int> pitch) const {
    const KavoString name = ToKavo(voice);
    bool accepted = true;
    if (rate) accepted = plugin_.setRate(name.c_str(), *rate) && accepted;
    if (volume) accepted = plugin_.setVolume(name.c_str(), *volume) && accepted;
    if (pitch) accepted = plugin_.setPitch(name.c_str(), *pitch) && accepted;
    return accepted;
}

bool PluginSession::Speak(const std::string& voice, const std::string& text, std::int32_t value) const {
    return plugin_.speak(ToKavo(voice).c_str(), ToKavo(text).c_str(), value);
}

void PluginSession::Stop() const {
    if (started_) plugin_.stop();
}

void PluginSession::Shutdown() {
    if (!started_) return;
    started_ = false;
    plugin_.uninitialize();
}

}  // namespace kavosay
