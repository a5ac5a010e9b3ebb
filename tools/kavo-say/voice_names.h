// The engine identifiers users know the voices by, and their display names.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavosay {

// The identifier of a display name; empty for a name the tool does not know.
std::string IdentifierOf(const std::string& displayName);

struct VoiceTraits {
    std::string language;  // as espeak-ng names it: cmn, yue, en-us
    std::string gender;    // female or male
};
// What the tool knows of a voice by its display name; "-" for what it does not.
VoiceTraits TraitsOf(const std::string& displayName);

// The display name, among those the plug-in listed, that a --voice argument
// means: the argument itself when it is one of them, else the name of the
// identifier it spells (ASCII letters in any case). Empty when neither.
std::optional<std::string> ResolveVoice(const std::string& requested, const std::vector<std::string>& listed);

}  // namespace kavosay
