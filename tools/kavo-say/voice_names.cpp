#include "voice_names.h"

#include <algorithm>

namespace kavosay {
namespace {

struct VoiceName {
    const char* identifier;
    const char* displayName;  // UTF-8, as the plug-in lists it
    const char* language;
    const char* gender;
};

constexpr VoiceName kVoiceNames[] = {
    {"xiaoyan", "经典科大 小燕", "cmn", "female"},
    {"xiaofeng", "经典科大 小峰", "cmn", "male"},
    {"xiaomei", "经典科大 小美", "yue", "female"},
    {"catherine", "经典科大 Catherine", "en-us", "female"},
};

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string IdentifierOf(const std::string& displayName) {
    for (const VoiceName& voice : kVoiceNames)
        if (displayName == voice.displayName) return voice.identifier;
    return std::string();
}

VoiceTraits TraitsOf(const std::string& displayName) {
    for (const VoiceName& voice : kVoiceNames)
        if (displayName == voice.displayName) return VoiceTraits{voice.language, voice.gender};
    return VoiceTraits{"-", "-"};
}

std::optional<std::string> ResolveVoice(const std::string& requested, const std::vector<std::string>& listed) {
    auto isListed = [&](const std::string& name) {
        return std::find(listed.begin(), listed.end(), name) != listed.end();
    };
    if (isListed(requested)) return requested;
    const std::string identifier = AsciiLower(requested);
    for (const VoiceName& voice : kVoiceNames)
        if (identifier == voice.identifier && isListed(voice.displayName)) return std::string(voice.displayName);
    return std::nullopt;
}

}  // namespace kavosay
