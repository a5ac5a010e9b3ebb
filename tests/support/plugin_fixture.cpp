#include "support/plugin_fixture.h"

namespace kavotest {

std::vector<std::string> LogFileLines(const std::string& bytes, std::string* unended) {
    const std::string end = kLogLineEnd;
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t next; (next = bytes.find(end, at)) != std::string::npos; at = next + end.size())
        lines.push_back(bytes.substr(at, next - at));
    if (unended) *unended = bytes.substr(at);
    return lines;
}

std::vector<unsigned char> DefaultFakeAudio(const std::string& engineText) {
    std::vector<int> samples;
    for (unsigned char b : engineText) samples.push_back(1000 + b);
    return Pcm(samples);
}

std::string SessionParams(const std::string& voiceId, int rate, int volume, int pitch) {
    return "engine_type = local, tts_res_path = fo|res\\ttss\\dict.jet;fo|res\\ttss\\" + voiceId +
           ".jet, voice_name = " + voiceId + ", speed = " + std::to_string(rate) +
           ", speed_increase = 2, volume = " + std::to_string(volume) + ", rcn = 1, pitch = " + std::to_string(pitch) +
           ", text_encoding = GBK, sample_rate = 16000, rdn = 1, engine_start = tts";
}

PluginTestBase::PluginTestBase(EngineKind engine, const std::filesystem::path& folderName)
    : host_(std::make_unique<PluginHost>(engine, folderName)) {
    PlayRecorder::Instance().Reset();
    LogRecorder::Instance().Reset();
    if (engine != EngineKind::None) {
        fake_.emplace(*host_);
        fake_->Reset();
    }
}

PluginTestBase::~PluginTestBase() {
    // Stop the worker before the engine handle and the plug-in go away.
    api().Uninitialize();
    PlayRecorder::Instance().Reset();
    fake_.reset();
    host_.reset();
}

void PluginTestBase::StartAndWaitReady() {
    ASSERT_TRUE(StartWithSink());
    ListenForAudio();
    // The worker reports either "合成线程准备就绪" or "合成接口初始化失败".
    ASSERT_FALSE(logs().WaitForMessageStartingWith(u"合成").empty());
}

void PluginTestBase::SpeakOneRequestInFileMode(const std::u16string& text, std::int32_t value) {
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, text, value));
    ASSERT_TRUE(play().WaitForEnd(value));
    ASSERT_TRUE(api().Uninitialize());
}

void PluginTestBase::WaitUntilWorkerIdle(std::int32_t markerValue) {
    ASSERT_TRUE(Speak(kXiaoyan, u"idle", markerValue));
    ASSERT_TRUE(play().WaitForEnd(markerValue)) << "the worker did not finish in time";
}

}  // namespace kavotest
