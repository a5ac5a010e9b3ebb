// The audio itself: its rate and block layout, what the settings and voices
// change, and stopping synthesis part-way through a text.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine_client.h"
#include "support/thread_list.h"
#include "engine_errors.h"
#include "plugin/voice_list.h"

namespace espeak_test {
namespace {

using namespace espeak_engine;
using kavo_test::SettledThreadCount;
using kavo_test::ThreadCount;
using kavo_test::ThreadCountReaches;

constexpr char kChinese[] = "你好，欢迎使用语音合成。";
constexpr char kEnglish[] = "Hello, welcome to speech synthesis.";
constexpr unsigned int kBlockBytes = 640 * 2;  // 40 ms at 16 kHz
// Only a bound against a hang, not a speed requirement.
constexpr auto kHangBound = std::chrono::seconds(20);

class EngineAudio : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Engine().login(nullptr, nullptr, LoginParams().c_str()), kOk); }
    void TearDown() override { EXPECT_EQ(Engine().logout(), kOk); }
};

void ExpectCompleteSpeech(const SpokenAudio& audio) {
    EXPECT_EQ(audio.beginError, kOk);
    EXPECT_EQ(audio.putError, kOk);
    EXPECT_EQ(audio.getError, kOk);
    EXPECT_TRUE(audio.complete);
    ASSERT_FALSE(audio.blockBytes.empty());
    // Whole 40 ms blocks, only the last one shorter.
    for (std::size_t i = 0; i + 1 < audio.blockBytes.size(); ++i) ASSERT_EQ(audio.blockBytes[i], kBlockBytes) << i;
    EXPECT_GT(audio.blockBytes.back(), 0u);
    EXPECT_LE(audio.blockBytes.back(), kBlockBytes);
    EXPECT_GT(audio.Peak(), 5000);
}

// The upper bounds lie below what espeak-ng's 22050 Hz samples would measure if
// they were handed out unresampled.
TEST_F(EngineAudio, SpeaksChineseAndEnglishAt16kHz) {
    const SpokenAudio chinese = Speak(SessionParams("xiaoyan"), kChinese);
    ExpectCompleteSpeech(chinese);
    EXPECT_GT(chinese.Seconds(), 2.5);
    EXPECT_LT(chinese.Seconds(), 4.8);

    const SpokenAudio english = Speak(SessionParams("catherine"), kEnglish);
    ExpectCompleteSpeech(english);
    EXPECT_GT(english.Seconds(), 1.5);
    EXPECT_LT(english.Seconds(), 3.0);
}

TEST_F(EngineAudio, SettingsMoveSpeedLoudnessAndPitch) {
    const SpokenAudio slow = Speak(SessionParams("xiaoyan", {0, 100, 50}), kChinese);
    const SpokenAudio fast = Speak(SessionParams("xiaoyan", {100, 100, 50}), kChinese);
    ExpectCompleteSpeech(fast);
    EXPECT_LT(fast.Seconds() * 2, slow.Seconds());

    const SpokenAudio silent = Speak(SessionParams("xiaoyan", {50, 0, 50}), kChinese);
    const SpokenAudio loud = Speak(SessionParams("xiaoyan", {50, 100, 50}), kChinese);
    EXPECT_TRUE(silent.complete);
    EXPECT_GT(silent.Seconds(), 1.0);  // still the whole text, only quiet
    EXPECT_LE(silent.Peak(), 50);
    EXPECT_GT(loud.Peak(), 5000);

    const SpokenAudio low = Speak(SessionParams("xiaoyan", {50, 100, 0}), kChinese);
    const SpokenAudio high = Speak(SessionParams("xiaoyan", {50, 100, 100}), kChinese);
    EXPECT_GT(high.ZeroCrossingsPerSecond(), low.ZeroCrossingsPerSecond() * 1.1);
}

// Two voices differ when their length or their pitch (by zero crossings) is
// more than 10% apart; the same voice repeats within about 2%.
TEST_F(EngineAudio, VoicesSoundDifferent) {
    constexpr std::size_t kCount = kavo::kVoiceCount;
    const auto& voices = kavo::kVoices;
    SpokenAudio audio[kCount];
    for (std::size_t i = 0; i < kCount; ++i) {
        audio[i] = Speak(SessionParams(voices[i].engineId), kChinese);
        ExpectCompleteSpeech(audio[i]);
    }
    const auto apart = [](double a, double b) { return a > b * 1.1 || b > a * 1.1; };
    for (std::size_t i = 0; i < kCount; ++i) {
        for (std::size_t j = i + 1; j < kCount; ++j) {
            EXPECT_TRUE(apart(audio[i].Seconds(), audio[j].Seconds()) ||
                        apart(audio[i].ZeroCrossingsPerSecond(), audio[j].ZeroCrossingsPerSecond()))
                << voices[i].engineId << " and " << voices[j].engineId;
        }
    }
}

// Hours of speech: far more than the engine buffers ahead, so synthesis is
// still under way when the session is cut off, and so long that speaking it
// whole would overrun kHangBound if a stop did not reach espeak-ng.
std::string LongText() {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "今天天气很好，我们一起去公园散步吧。";
    return Utf8ToGbk(text);
}

// Begins a long text and waits for its first block; returns the session id.
std::string StartLongSpeech() {
    int error = -1;
    const char* id = Engine().sessionBegin(SessionParams("xiaofeng").c_str(), &error);
    if (error != kOk || !id) return "";
    const std::string sessionId = id;
    const std::string text = LongText();
    EXPECT_EQ(Engine().textPut(sessionId.c_str(), text.data(), static_cast<unsigned int>(text.size()), nullptr), kOk);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    unsigned int bytes = 0;
    int status = 0;
    while (!Engine().audioGet(sessionId.c_str(), &bytes, &status, &error) && error == kOk &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the plug-in's polling pace
    }
    EXPECT_EQ(error, kOk);
    EXPECT_EQ(bytes, kBlockBytes);
    EXPECT_NE(status, kEngineSynthComplete);
    return sessionId;
}

// Either end of a session stops its synthesis at once and joins its thread.
TEST_F(EngineAudio, SessionEndAndLogoutStopSynthesisAndJoinItsThread) {
    // A whole text first, so that espeak-ng's own threads are up before counting.
    ExpectCompleteSpeech(Speak(SessionParams("xiaoyan"), kChinese));
    const int threadsBefore = SettledThreadCount();
    std::string id = StartLongSpeech();
    ASSERT_FALSE(id.empty());
    EXPECT_TRUE(ThreadCountReaches(threadsBefore + 1)) << ThreadCount();  // the session's synthesis thread
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Engine().sessionEnd(id.c_str(), "Normal"), kOk);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangBound);
    EXPECT_TRUE(ThreadCountReaches(threadsBefore)) << ThreadCount() << " threads, " << threadsBefore << " before";

    id = StartLongSpeech();
    ASSERT_FALSE(id.empty());
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(Engine().logout(), kOk);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangBound);
    EXPECT_TRUE(ThreadCountReaches(threadsBefore)) << ThreadCount() << " threads, " << threadsBefore << " before";
    EXPECT_EQ(Engine().sessionEnd(id.c_str(), "Normal"), kErrUnknownSession);

    // espeak-ng is left fit to speak a whole text after a new login.
    ASSERT_EQ(Engine().login(nullptr, nullptr, LoginParams().c_str()), kOk);
    const SpokenAudio next = Speak(SessionParams("xiaoyan"), kChinese);
    ExpectCompleteSpeech(next);
    EXPECT_GT(next.Seconds(), 2.5);
}

}  // namespace
}  // namespace espeak_test
