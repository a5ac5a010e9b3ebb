// kavo-say with the plug-in and the fake engine: the audio it writes is
// exactly what the engine delivered, and a failing engine ends the run.
#include <gtest/gtest.h>

#include "kavo_say_harness.h"

namespace kavosaytest {
namespace {

constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

// Sizes written after the data, as on a file that can be rewound.
void ExpectExactSizes(const WavFile& wav) {
    EXPECT_EQ(wav.dataSize, wav.data.size());
    EXPECT_EQ(wav.riffSize, 36 + wav.data.size());
}

class KavoSayWithFakeEngine : public ::testing::Test {
protected:
    StagedPlugin staged{std::string("fake-mscclassic")};
};

TEST_F(KavoSayWithFakeEngine, WritesExactlyTheDeliveredAudio) {
    const std::string text = "Hello, kavo-say";
    const std::string out = staged.File("hello.wav");
    const ChildResult run = RunKavoSay({"--plugin", staged.PluginPath(), "-o", out, text});
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    const WavFile wav = ParseWav(ReadFileBytes(out));
    ExpectPcm16kMono(wav);
    ExpectExactSizes(wav);
    EXPECT_EQ(wav.data, FakeEngineAudio({text}));
}

TEST_F(KavoSayWithFakeEngine, ParagraphsFromStandardInputAreSpokenInOrder) {
    const std::string input = "first line\n  wrapped\n\n\nsecond\r\n \t\r\nthird, with more words\n";
    const std::string out = staged.File("paragraphs.wav");
    const ChildResult run = RunKavoSay({"--plugin", staged.PluginPath(), "-q", "-o", out}, input);
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    const WavFile wav = ParseWav(ReadFileBytes(out));
    ExpectExactSizes(wav);
    EXPECT_EQ(wav.data, FakeEngineAudio({"first line wrapped", "second", "third, with more words"}));
}

TEST_F(KavoSayWithFakeEngine, StandardOutputCarriesTheWav) {
    const ChildResult run =
        RunKavoSay({"--plugin", staged.PluginPath(), "-o", "-", "-v", "经典科大 Catherine", "a b"});
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    const WavFile wav = ParseWav(run.out);
    ExpectPcm16kMono(wav);
    EXPECT_EQ(wav.data, FakeEngineAudio({"a b"}));
    if (ChildOutputIsAFile()) {
        ExpectExactSizes(wav);
    } else {
        EXPECT_EQ(wav.dataSize, kUnknownSize);  // a pipe cannot be rewound
        EXPECT_EQ(wav.riffSize, kUnknownSize);
    }
}

TEST_F(KavoSayWithFakeEngine, TextFileAndEmptyText) {
    const std::string textFile = staged.File("text.txt");
    {
        std::FILE* file = std::fopen(textFile.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("\xEF\xBB\xBF" "from a file\n\nand on", file);
        std::fclose(file);
    }
    const std::string out = staged.File("file.wav");
    ChildResult run = RunKavoSay({"--plugin", staged.PluginPath(), "-f", textFile, "-o", out});
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ParseWav(ReadFileBytes(out)).data, FakeEngineAudio({"from a file", "and on"}));

    // Nothing to say is no failure: an empty but valid WAV file.
    run = RunKavoSay({"--plugin", staged.PluginPath(), "-o", out}, " \n\n");
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 0) << run.err;
    const WavFile empty = ParseWav(ReadFileBytes(out));
    ExpectPcm16kMono(empty);
    ExpectExactSizes(empty);
    EXPECT_EQ(empty.data, "");
}

// Engine failures are logged, never returned: kavo-say learns of them through
// its LogSink and must fail with the plug-in's message instead of waiting.
struct EngineFailure {
    const char* name;
    std::optional<std::string> engine;  // empty: no engine beside the plug-in
    std::vector<std::pair<std::string, std::string>> environment;
    const char* expectedMessage;
};

void PrintTo(const EngineFailure& failure, std::ostream* out) { *out << failure.name; }

class KavoSayWithFailingEngine : public ::testing::TestWithParam<EngineFailure> {};

TEST_P(KavoSayWithFailingEngine, ExitsWithThePluginsMessage) {
    const EngineFailure& failure = GetParam();
    StagedPlugin staged(failure.engine);
    const std::string out = staged.File("failed.wav");
    const ChildResult run =
        RunKavoSay({"--plugin", staged.PluginPath(), "-o", out, "one\n\ntwo"}, "", failure.environment);
    ASSERT_TRUE(run.exited) << "kavo-say did not end: " << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(std::string("kavo-say: ") + failure.expectedMessage), std::string::npos) << run.err;
    // What was written is still a valid WAV file, here without audio.
    const WavFile wav = ParseWav(ReadFileBytes(out));
    ExpectExactSizes(wav);
    EXPECT_EQ(wav.data, "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, KavoSayWithFailingEngine,
    ::testing::Values(EngineFailure{"NoEngine", std::nullopt, {}, "dll加载失败 error: "},
                      EngineFailure{"LoginRefused", std::string("fake-mscclassic"), {{"KAVO_FAKE_LOGIN_RESULT", "-1"}},
                                    "登录失败 error: -1"},
                      EngineFailure{"SessionRefused", std::string("fake-mscclassic"),
                                    {{"KAVO_FAKE_BEGIN_ERROR", "10111"}},
                                    "开始合成会话失败 error: 10111 voiceName: 经典科大 小燕 text: one"}),
    [](const ::testing::TestParamInfo<EngineFailure>& info) { return std::string(info.param.name); });

TEST(KavoSayUsage, BadUsageExits2BeforeLoadingAnything) {
    const TempFolder folder;
    const std::string out = folder.File("never.wav");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--rate", "101", "-o", out, "x"},
             {"-p", "-1", "-o", out, "x"},
             {"--no-such-option", "-o", out, "x"},
             {"-f", folder.File("missing.txt"), "-o", out},
         }) {
        // No plug-in in this folder: a run that got past the arguments would exit 1.
        std::vector<std::string> withPlugin = {"--plugin", folder.File("absent-plugin")};
        withPlugin.insert(withPlugin.end(), args.begin(), args.end());
        const ChildResult run = RunKavoSay(withPlugin);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.status, 2) << args[0] << ": " << run.err;
        EXPECT_EQ(run.err.rfind("kavo-say: ", 0), 0u) << run.err;
        EXPECT_EQ(ReadFileBytes(out), "");
    }
}

TEST_F(KavoSayWithFakeEngine, UnknownVoiceExits2AndCreatesNoFile) {
    const std::string out = staged.File("unknown.wav");
    const ChildResult run = RunKavoSay({"--plugin", staged.PluginPath(), "-v", "nobody", "-o", out, "x"});
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("unknown voice 'nobody'"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(out)));
}

}  // namespace
}  // namespace kavosaytest
