#include "session_params.h"

#include <strings.h>

#include "engine_errors.h"
#include "param_string.h"
#include "voice_mapping.h"

namespace espeak_engine {
namespace {

// Reads an optional 0..100 setting; absent keeps the default.
bool ReadPercent(const ParamMap& params, const char* key, int defaultValue, int& value) {
    const auto found = params.find(key);
    if (found == params.end()) {
        value = defaultValue;
        return true;
    }
    return ParseBoundedInt(found->second, 0, 100, value);
}

}  // namespace

int CheckLoginParams(const char* params) {
    if (!params) return kErrNullArgument;
    ParamMap parsed;
    if (!ParseParamString(params, parsed)) return kErrMalformedParams;
    const auto appId = parsed.find("appid");
    if (appId == parsed.end() || appId->second.empty()) return kErrMissingAppId;
    return kOk;
}

int ParseSessionParams(const char* params, SpeechSettings& settings) {
    if (!params) return kErrNullArgument;
    ParamMap parsed;
    if (!ParseParamString(params, parsed)) return kErrMalformedParams;

    const auto voice = parsed.find("voice_name");
    const char* espeakVoice = voice == parsed.end() ? nullptr : EspeakVoiceFor(voice->second);
    if (!espeakVoice) return kErrUnknownVoice;

    const auto rate = parsed.find("sample_rate");
    if (rate != parsed.end()) {
        int sampleRate = 0;
        if (!ParseBoundedInt(rate->second, 1, 1000000, sampleRate)) return kErrInvalidValue;
        if (sampleRate != kServedSampleRate) return kErrUnsupportedSampleRate;
    }
    const auto encoding = parsed.find("text_encoding");
    if (encoding != parsed.end() && strcasecmp(encoding->second.c_str(), "GBK") != 0) {
        return kErrUnsupportedEncoding;
    }

    int speed = 0, volume = 0, pitch = 0;
    if (!ReadPercent(parsed, "speed", 50, speed) || !ReadPercent(parsed, "volume", 100, volume) ||
        !ReadPercent(parsed, "pitch", 50, pitch)) {
        return kErrInvalidValue;
    }
    settings.espeakVoice = espeakVoice;
    settings.rate = EspeakRate(speed);
    settings.amplitude = EspeakAmplitude(volume);
    settings.pitch = EspeakPitch(pitch);
    return kOk;
}

}  // namespace espeak_engine
