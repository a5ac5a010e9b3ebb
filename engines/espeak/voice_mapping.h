// How the engine's voices and 0..100 settings become espeak-ng's.
#pragma once

#include <string>

namespace espeak_engine {

// espeak-ng voice name (language plus variant) for the engine identifier of a
// voice of the voice list, or null for any other.
const char* EspeakVoiceFor(const std::string& voiceId);

// 0..100 onto espeak-ng's scales, so that speed 50, volume 100 and pitch 50
// are espeak-ng's own defaults.
int EspeakRate(int speed);        // 80 (espeak-ng's minimum) .. 175 .. 350 words per minute
int EspeakAmplitude(int volume);  // 0 (silent) .. 100
int EspeakPitch(int pitch);       // 0 .. 100

}  // namespace espeak_engine
