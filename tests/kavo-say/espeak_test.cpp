// kavo-say as users run it on POSIX: the plug-in and the espeak engine in
// bin/, found beside kavo-say without being named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "kavo_say_harness.h"
#include "plugin/voice_list.h"

namespace kavosaytest {
namespace {

int PeakSample(const std::string& data) {
    int peak = 0;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(data[i]) |
                                                      static_cast<unsigned char>(data[i + 1]) << 8);
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

class KavoSayWithEspeak : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(BinFolder() / "libmscclassic.so")) << "the espeak engine is not built";
    }
    // Speaks and returns the WAV file, checked for a consistent layout.
    WavFile Say(std::vector<std::string> args, const std::string& input = std::string()) {
        const std::string out = folder.File("speech-" + std::to_string(runs++) + ".wav");
        args.insert(args.begin(), {"-q", "-o", out});
        const ChildResult run = RunKavoSay(args, input);
        EXPECT_TRUE(run.exited) << run.err;
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string bytes = ReadFileBytes(out);
        WavFile wav = ParseWav(bytes);
        EXPECT_EQ(wav.problem, "");
        EXPECT_EQ(wav.riffSize, bytes.size() - 8);
        EXPECT_EQ(wav.dataSize, bytes.size() - 44);
        return wav;
    }

    TempFolder folder;
    int runs = 0;
};

TEST_F(KavoSayWithEspeak, WritesSpeechAsPcmWav) {
    const WavFile wav = Say({"Hello world.", "This is kavo say."});
    ExpectPcm16kMono(wav);
    // Well over half a second of audio that is not silence.
    EXPECT_GT(wav.dataSize, 16000u);
    EXPECT_EQ(wav.dataSize % 2, 0u);
    EXPECT_GT(PeakSample(wav.data), 1000);
}

TEST_F(KavoSayWithEspeak, StandardInputSpeaksLikeArguments) {
    const WavFile fromArguments = Say({"Hello", "world"});
    const WavFile fromInput = Say({}, "Hello\nworld\n");
    EXPECT_GT(fromInput.dataSize, 0u);
    EXPECT_EQ(fromInput.data, fromArguments.data);
}

TEST_F(KavoSayWithEspeak, VoiceAndRateReachTheEngine) {
    const std::string text = "The quick brown fox jumps over the lazy dog.";
    const WavFile slow = Say({"-v", "catherine", "-r", "0", text});
    const WavFile fast = Say({"--voice=经典科大 Catherine", "--rate=100", text});
    EXPECT_GT(fast.dataSize, 0u);
    EXPECT_LT(fast.dataSize, slow.dataSize);
}

TEST_F(KavoSayWithEspeak, VoicesListsEveryVoice) {
    const ChildResult run = RunKavoSay({"--voices"});
    ASSERT_TRUE(run.exited);
    ASSERT_EQ(run.status, 0) << run.err;
    std::set<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.insert(run.out.substr(start, end - start));
    EXPECT_EQ(start, run.out.size()) << "the last line is not ended";
    std::set<std::string> expected;
    for (const kavo::VoiceFacts& voice : kavo::kVoices)
        expected.insert(std::string(voice.shortName) + "\t" + voice.displayName);
    EXPECT_EQ(lines, expected);
}

TEST_F(KavoSayWithEspeak, InterruptStopsPromptlyAndKeepsAValidWav) {
    std::string input;
    for (int i = 0; i < 1000; ++i)
        input += "Paragraph " + std::to_string(i) + " goes on for a while, so that there is plenty left to say.\n\n";
    const std::string out = folder.File("interrupted.wav");
    ChildSpec launch;
    launch.args = {KavoSayPath(), "--verbose", "-o", out};
    launch.input = input;
    launch.interruptWhenStderrHas = "paragraph 1/1000 done";
    const ChildResult run = RunChild(launch);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("kavo-say: interrupted"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("paragraph 1000/1000 done"), std::string::npos);

    const std::string bytes = ReadFileBytes(out);
    const WavFile wav = ParseWav(bytes);
    ASSERT_EQ(wav.problem, "");
    EXPECT_EQ(wav.riffSize, bytes.size() - 8);
    EXPECT_EQ(wav.dataSize, bytes.size() - 44);
    EXPECT_GT(wav.dataSize, 0u);  // at least the first paragraph
}

}  // namespace
}  // namespace kavosaytest
