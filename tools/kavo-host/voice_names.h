// The short names users know the voices by, and what else the voice list tells
// of a voice by its display name.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavosay {

// The short name of a display name; empty for a name the tool does not know.
std::string ShortNameOf(const std::string& displayName);

struct VoiceTraits {
    std::string language;  // as espeak-ng names it: cmn, yue, en-us
    std::string gender;    // female or male
};
// What the tool knows of a voice by its display name; "-" for what it does not.
VoiceTraits TraitsOf(const std::string& displayName);

// The display name, among those the plug-in listed, that a --voice argument
// means: the argument itself when it is one of them, else the display name
// of the short name it spells (ASCII letters in any case). Empty when neither.
std::optional<std::string> ResolveVoice(const std::string& requested, const std::vector<std::string>& listed);

// Every voice's short name, in the voice list's order.
std::vector<std::string> ShortNames();

}  // namespace kavosay
