#include "voice_names.h"

#include <algorithm>

#include "plugin/voice_list.h"

namespace kavosay {
namespace {

const kavo::VoiceFacts* FactsOf(const std::string& displayName) {
    for (const kavo::VoiceFacts& voice : kavo::kVoices)
        if (displayName == voice.displayName) return &voice;
    return nullptr;
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string ShortNameOf(const std::string& displayName) {
    const kavo::VoiceFacts* voice = FactsOf(displayName);
    return voice ? voice->shortName : std::string();
}

VoiceTraits TraitsOf(const std::string& displayName) {
    const kavo::VoiceFacts* voice = FactsOf(displayName);
    return voice ? VoiceTraits{voice->language, voice->gender} : VoiceTraits{"-", "-"};
}

std::optional<std::string> ResolveVoice(const std::string& requested, const std::vector<std::string>& listed) {
    auto isListed = [&](const std::string& name) {
        return std::find(listed.begin(), listed.end(), name) != listed.end();
    };
    if (isListed(requested)) return requested;
    const std::string shortName = AsciiLower(requested);
    for (const kavo::VoiceFacts& voice : kavo::kVoices)
        if (shortName == voice.shortName && isListed(voice.displayName)) return std::string(voice.displayName);
    return std::nullopt;
}

std::vector<std::string> ShortNames() {
    std::vector<std::string> names;
    for (const kavo::VoiceFacts& voice : kavo::kVoices) names.push_back(voice.shortName);
    return names;
}

}  // namespace kavosay
