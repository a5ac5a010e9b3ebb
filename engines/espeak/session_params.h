// What the engine takes from its login and session parameter strings.
#pragma once

#include <string>

namespace espeak_engine {

// The one sample rate every session serves, in Hz.
constexpr int kServedSampleRate = 16000;

// A session's voice and prosody, already in espeak-ng's units.
struct SpeechSettings {
    std::string espeakVoice;
    int rate = 0;
    int amplitude = 0;
    int pitch = 0;
};

// The login string must parse and carry an appid; work_dir, timeout and the
// rest are accepted as sent (espeak-ng finds its data by itself).
int CheckLoginParams(const char* params);

// Reads voice_name (required), speed, volume, pitch (0..100; 50, 100, 50 when
// absent), sample_rate (16000 only) and text_encoding (GBK only). Other keys,
// such as tts_res_path, mean nothing to espeak-ng and are ignored.
int ParseSessionParams(const char* params, SpeechSettings& settings);

}  // namespace espeak_engine
