#include "engine_client.h"

#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace espeak_test {
namespace {

EngineLibrary LoadEngine() {
    std::uint32_t error = 0;
    EngineLibrary engine;
    engine.library = kavo::DynamicLibrary::Open(kavo::Utf8ToUtf16(ESPEAK_ENGINE_FILE), error);
    if (!engine.library) throw std::runtime_error("cannot load the engine, error " + std::to_string(error));
    const bool complete =
        engine.library.Find("MSPLogin", engine.login) && engine.library.Find("MSPLogout", engine.logout) &&
        engine.library.Find("QTTSSessionBegin", engine.sessionBegin) &&
        engine.library.Find("QTTSTextPut", engine.textPut) && engine.library.Find("QTTSAudioGet", engine.audioGet) &&
        engine.library.Find("QTTSSessionEnd", engine.sessionEnd);
    if (!complete) throw std::runtime_error("the engine lacks an entry point");
    return engine;  // stays loaded for the program's life, as the library itself asks
}

}  // namespace

const EngineLibrary& Engine() {
    static const EngineLibrary engine = LoadEngine();
    return engine;
}

std::string LoginParams(const std::string& workDir) {
    return "appid = 7e02c9d4, work_dir = " + workDir + ", timeout = 5000, output = 0, flower_mode = close";
}

std::string SessionParams(const std::string& voice, Prosody prosody, const std::string& encoding,
                          const std::string& sampleRate) {
    return "engine_type = local, tts_res_path = fo|res\\ttss\\dict.jet;fo|res\\ttss\\" + voice +
           ".jet, voice_name = " + voice + ", speed = " + std::to_string(prosody.speed) +
           ", speed_increase = 2, volume = " + std::to_string(prosody.volume) +
           ", rcn = 1, pitch = " + std::to_string(prosody.pitch) + ", text_encoding = " + encoding +
           ", sample_rate = " + sampleRate + ", rdn = 1, engine_start = tts";
}

std::string Utf8ToGbk(const std::string& utf8) {
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv lacks GBK");
    std::string gbk(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* out = &gbk[0];
    std::size_t outLeft = gbk.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) throw std::runtime_error("text has no GBK form");
    gbk.resize(gbk.size() - outLeft);
    return gbk;
}

int SpokenAudio::Peak() const {
    int peak = 0;
    for (std::int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

double SpokenAudio::ZeroCrossingsPerSecond() const {
    // Only samples clearly away from zero count, so that quiet noise does not.
    constexpr int kThreshold = 300;
    int crossings = 0, lastSign = 0;
    for (std::int16_t sample : samples) {
        const int sign = sample > kThreshold ? 1 : sample < -kThreshold ? -1 : 0;
        if (sign != 0 && lastSign != 0 && sign != lastSign) ++crossings;
        if (sign != 0) lastSign = sign;
    }
    return Seconds() > 0 ? crossings / Seconds() : 0;
}

SpokenAudio Speak(const std::string& params, const std::string& utf8Text) {
    const EngineLibrary& engine = Engine();
    SpokenAudio audio;
    const char* id = engine.sessionBegin(params.c_str(), &audio.beginError);
    if (audio.beginError != 0 || !id) return audio;
    const std::string sessionId = id;
    const std::string gbk = Utf8ToGbk(utf8Text);
    audio.putError = engine.textPut(sessionId.c_str(), gbk.data(), static_cast<unsigned int>(gbk.size()), nullptr);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (audio.putError == 0 && std::chrono::steady_clock::now() < giveUp) {
        unsigned int bytes = 0;
        int status = 0;
        const void* block = engine.audioGet(sessionId.c_str(), &bytes, &status, &audio.getError);
        if (audio.getError != 0) break;
        if (block) {
            // Little-endian bytes, read as such whatever the host's order.
            const auto* data = static_cast<const unsigned char*>(block);
            for (unsigned int i = 0; i + 1 < bytes; i += 2) {
                audio.samples.push_back(static_cast<std::int16_t>(data[i] | (data[i + 1] << 8)));
            }
            audio.blockBytes.push_back(bytes);
        } else {
            // The plug-in's own pace when nothing is ready.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (status == kEngineSynthComplete) {
            audio.complete = true;
            break;
        }
    }
    engine.sessionEnd(sessionId.c_str(), "Normal");
    return audio;
}

}  // namespace espeak_test
