#include "voice_mapping.h"

#include "plugin/voice_list.h"

namespace espeak_engine {
namespace {

constexpr int kNaturalRate = 175;
constexpr int kSlowestRate = 80;
constexpr int kFastestRate = 2 * kNaturalRate;

}  // namespace

const char* EspeakVoiceFor(const std::string& voiceId) {
    for (const kavo::VoiceFacts& voice : kavo::kVoices) {
        if (voiceId == voice.engineId) return voice.espeakVoice;
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
