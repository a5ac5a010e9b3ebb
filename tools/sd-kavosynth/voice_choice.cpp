#include "voice_choice.h"

#include <algorithm>

#include "voice_names.h"

namespace sdkavo {
namespace {

// The server's language codes against those of the voice table
// (kavosay::TraitsOf), with the codes read as the same language.
struct Language {
    const char* server;
    const char* voices;
    std::vector<const char*> aliases;
};
const std::vector<Language>& Languages() {
    static const std::vector<Language> kLanguages = {
        {"zh", "cmn", {"zh", "zh-cn", "zh-tw", "zh-sg", "cmn", "zh-cmn"}},
        {"yue", "yue", {"yue", "zh-hk", "zh-yue", "zh-mo"}},
        {"en", "en-us", {"en"}},
    };
    return kLanguages;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '_') c = '-';
    }
    return text;
}

// The table's code for a server language; "" when no voice speaks it.
std::string VoiceLanguage(const std::string& serverLanguage) {
    const std::string code = Lower(serverLanguage);
    for (const Language& language : Languages()) {
        for (const char* alias : language.aliases) {
            const std::string a = alias;
            // en matches en-GB too; zh-hk does not match zh.
            if (code == a || (a == "en" && code.compare(0, 3, "en-") == 0)) return language.voices;
        }
    }
    return std::string();
}

std::string ServerLanguage(const std::string& voiceLanguage) {
    for (const Language& language : Languages())
        if (voiceLanguage == language.voices) return language.server;
    return "none";
}

}  // namespace

std::vector<ListedVoice> ListedVoices(const std::vector<std::string>& displayNames) {
    std::vector<ListedVoice> voices;
    for (const std::string& displayName : displayNames) {
        const std::string shortName = kavosay::ShortNameOf(displayName);
        const kavosay::VoiceTraits traits = kavosay::TraitsOf(displayName);
        voices.push_back(ListedVoice{shortName.empty() ? displayName : shortName, ServerLanguage(traits.language),
                                     traits.gender == "-" ? "none" : traits.gender + "1", displayName});
    }
    return voices;
}

std::string ChooseVoice(const VoiceRequest& request, const std::vector<std::string>& displayNames,
                        const std::string& current) {
    if (!request.synthesisVoice.empty()) {
        if (const auto named = kavosay::ResolveVoice(request.synthesisVoice, displayNames)) return *named;
    }
    const std::string language = VoiceLanguage(request.language);
    if (language.empty()) return current;
    const std::string type = Lower(request.voiceType);
    // No voice type, or a child's, chooses the female voice.
    const std::string gender =
        type.find("male") != std::string::npos && type.find("female") == std::string::npos ? "male" : "female";
    std::string firstOfLanguage;
    for (const std::string& name : displayNames) {
        const kavosay::VoiceTraits traits = kavosay::TraitsOf(name);
        if (traits.language != language) continue;
        if (traits.gender == gender) return name;
        if (firstOfLanguage.empty()) firstOfLanguage = name;
    }
    return firstOfLanguage.empty() ? current : firstOfLanguage;
}

int PluginScale(int serverValue) { return (std::clamp(serverValue, -100, 100) + 100) / 2; }

std::optional<int> ServerNumber(const std::string& text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return std::nullopt;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    const std::size_t digits = i;
    int value = 0;
    // At most four digits are read, so the value cannot wrap.
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digits < 4; ++i)
        value = value * 10 + (text[i] - '0');
    if (i == digits || text.find_first_not_of(' ', i) != std::string::npos) return std::nullopt;
    if (value > 100) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace sdkavo
