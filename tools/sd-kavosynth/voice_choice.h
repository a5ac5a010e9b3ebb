// Which of the plug-in's voices the server's settings choose, and how the
// voices are listed to it.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace sdkavo {

// One LIST VOICES entry: the name clients choose it by (its short name),
// its language as the server names languages, and its variant.
struct ListedVoice {
    std::string name, language, variant;
    std::string displayName;  // what the plug-in calls it
};
std::vector<ListedVoice> ListedVoices(const std::vector<std::string>& displayNames);

// The settings that choose the voice, as the last SET left them ("" for unset or NULL).
struct VoiceRequest {
    std::string synthesisVoice;  // a short name or a display name
    std::string language;        // zh, zh-CN, cmn, yue, zh-HK, en, en-US...
    std::string voiceType;       // female1, male2, child_female...
};
// The display name among those listed: the named voice if there is one, else
// the first of the language whose gender matches the voice type, else the
// first of the language, else current (unchanged).
std::string ChooseVoice(const VoiceRequest& request, const std::vector<std::string>& displayNames,
                        const std::string& current);

// The server's -100..100 onto the plug-in's 0..100, 0 becoming 50.
int PluginScale(int serverValue);
// A rate, pitch or volume as the server sends it: an integer within
// -100..100; nullopt for anything else.
std::optional<int> ServerNumber(const std::string& text);

}  // namespace sdkavo
