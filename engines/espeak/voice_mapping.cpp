#include "voice_mapping.h"

#include <cstring>

namespace espeak_engine {
namespace {

struct VoiceEntry {
    const char* voiceId;
    const char* espeakVoice;
};

// Chosen from the voices every espeak-ng data set carries; the "+fN" variants
// give the female voices.
constexpr VoiceEntry kVoices[] = {
    {"xiaoyan", "cmn+f3"},      // Mandarin, female
    {"xiaofeng", "cmn"},        // Mandarin, male (espeak-ng's default variant)
    {"xiaomei", "yue+f4"},      // Cantonese, female
    {"catherine", "en-us+f2"},  // American English, female
};

constexpr int kNaturalRate = 175;
constexpr int kSlowestRate = 80;
constexpr int kFastestRate = 2 * kNaturalRate;

}  // namespace

const char* EspeakVoiceFor(const std::string& voiceId) {
    for (const VoiceEntry& entry : kVoices) {
        if (voiceId == entry.voiceId) return entry.espeakVoice;
    }
    return nullptr;
}

int EspeakRate(int speed) {
    // Two straight lines meeting at the natural rate, so 50 is exactly 175.
    if (speed <= 50) return kSlowestRate + (kNaturalRate - kSlowestRate) * speed / 50;
    return kNaturalRate + (kFastestRate - kNaturalRate) * (speed - 50) / 50;
}

int EspeakAmplitude(int volume) { return volume; }

int EspeakPitch(int pitch) { return pitch; }

}  // namespace espeak_engine
