// The espeak engine library as the plug-in drives it: loaded with dlopen, its
// six entry points called with the plug-in's strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_contract.h"
#include "util/platform/dynamic_library.h"
#include "util/utf.h"

namespace espeak_test {

struct EngineLibrary {
    kavo::DynamicLibrary library;
    MSPLoginFn* login = nullptr;
    MSPLogoutFn* logout = nullptr;
    QTTSSessionBeginFn* sessionBegin = nullptr;
    QTTSTextPutFn* textPut = nullptr;
    QTTSAudioGetFn* audioGet = nullptr;
    QTTSSessionEndFn* sessionEnd = nullptr;
};

// Loaded once per test program; throws (failing the test) if it cannot be.
const EngineLibrary& Engine();

// The login string of the plug-in, for a given work_dir.
std::string LoginParams(const std::string& workDir = "/opt/kavosynth");

struct Prosody {
    int speed = 50;
    int volume = 100;
    int pitch = 50;
};

// The session string exactly as the plug-in builds it; the last two items
// can be swapped to test refusals.
std::string SessionParams(const std::string& voice, Prosody prosody = {}, const std::string& encoding = "GBK",
                          const std::string& sampleRate = "16000");

std::string Utf8ToGbk(const std::string& utf8);

// Everything one session yields for a text, polled as the plug-in polls.
struct SpokenAudio {
    int beginError = 0;
    int putError = 0;
    int getError = 0;
    bool complete = false;  // status 2 was seen
    std::vector<std::int16_t> samples;
    std::vector<unsigned int> blockBytes;

    double Seconds() const { return samples.size() / 16000.0; }
    int Peak() const;
    // Sign changes per second: higher for higher voices.
    double ZeroCrossingsPerSecond() const;
};

SpokenAudio Speak(const std::string& params, const std::string& utf8Text);

}  // namespace espeak_test
