// Every voice there is, in one place: the plug-in's voice table, the espeak
// engine's choice of espeak-ng voice and the host tools' names all read this
// list, so a voice added here reaches each of them.
#pragma once
#include <cstddef>
#include <iterator>

namespace kavo {

struct VoiceFacts {
    const char* displayName;  // UTF-8; what the plug-in lists to the host (as UTF-16)
    const char* engineId;     // the engine's voice_name
    const char* shortName;    // what users and clients choose the voice by (lower-case ASCII)
    const char* language;     // as espeak-ng names it: cmn, yue, en-us
    const char* gender;       // female or male
    const char* espeakVoice;  // the espeak-ng voice the espeak engine speaks it with
};

// The espeak-ng voices are ones every espeak-ng data set carries; the "+fN"
// variants give the female voices, plain "cmn" is espeak-ng's default (male).
inline constexpr VoiceFacts kVoices[] = {
    {"经典科大 小燕", "xiaoyan", "xiaoyan", "cmn", "female", "cmn+f3"},
    {"经典科大 小峰", "xiaofeng", "xiaofeng", "cmn", "male", "cmn"},
    {"经典科大 小美", "xiaomei", "xiaomei", "yue", "female", "yue+f4"},
    {"经典科大 Catherine", "catherine", "catherine", "en-us", "female", "en-us+f2"},
};
inline constexpr std::size_t kVoiceCount = std::size(kVoices);

// The voice hosts speak with when none is chosen (kavo-say, sd_kavosynth).
inline constexpr const VoiceFacts& kDefaultVoice = kVoices[0];

}  // namespace kavo
