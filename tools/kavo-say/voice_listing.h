// The two forms of kavo-say --voices: columns with a heading for people, and
// one tab-separated line per voice (identifier, display name) for scripts.
#pragma once
#include <string>
#include <vector>

namespace kavosay {

std::string VoiceColumns(const std::vector<std::string>& displayNames);
std::string VoiceLines(const std::vector<std::string>& displayNames);

}  // namespace kavosay
