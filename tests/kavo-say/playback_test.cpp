// kavo-say speaking aloud on a pseudo-terminal, heard at a PulseAudio daemon
// of the test's own: the null sink's monitor is recorded while it speaks.
#include <gtest/gtest.h>

#include <iostream>
#include <optional>

#include "pulse_server.h"

namespace kavosaytest {
namespace {

constexpr std::size_t kMillisecond = kRecordingRate / 1000;

double Seconds(std::size_t samples) { return static_cast<double>(samples) / kRecordingRate; }

class KavoSayAloud : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(server.Problem(), ""); }

    // The WAV file kavo-say writes for the same arguments.
    WavFile SpokenIntoFile(std::vector<std::string> args) {
        const std::string out = folder.File("reference.wav");
        args.insert(args.begin(), {"-q", "-o", out});
        const ChildResult run = RunKavoSay(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return ParseWav(ReadFileBytes(out));
    }

    PulseServer server;
    TempFolder folder;
};

TEST_F(KavoSayAloud, OnATerminalTheServerHearsWhatTheWavFileHolds) {
    const std::vector<std::string> args{"-r", "60", "今天天气很好。我们去公园散步吧。"};
    const TerminalRun aloud = SpeakOnTerminal(server, args);
    ASSERT_EQ(aloud.problem, "") << server.Log();
    ASSERT_TRUE(aloud.run.exited) << aloud.run.out;
    EXPECT_EQ(aloud.run.status, 0) << aloud.run.out;
    EXPECT_NE(aloud.run.out.find(" s spoken"), std::string::npos) << "no progress line: " << aloud.run.out;

    const WavFile wav = SpokenIntoFile(args);
    const auto [wavStart, wavEnd] = SpeechSpan(Samples(wav.data));
    const auto [heardStart, heardEnd] = SpeechSpan(aloud.recording);
    ASSERT_GT(wavEnd - wavStart, 500 * kMillisecond) << "the WAV file holds no speech";
    ASSERT_GT(heardEnd, heardStart) << "the server heard nothing";
    const double wavSeconds = Seconds(wavEnd - wavStart), heardSeconds = Seconds(heardEnd - heardStart);
    EXPECT_NEAR(heardSeconds, wavSeconds, 0.05 * wavSeconds);
}

TEST_F(KavoSayAloud, CtrlCSilencesTheSpeechWithin100Milliseconds) {
    std::vector<std::string> args;
    for (int i = 0; i < 12; ++i) args.push_back("This sentence goes on long enough to be cut short by Control C.");
    // Ctrl-C half a second into the speech, of which there is much more to come.
    TerminalRun aloud = SpeakOnTerminal(server, args, 500 * kMillisecond);
    // The recorder has been seen to end as kavo-say exits, on a loaded machine:
    // a recording that stops there cannot show the silence after Ctrl-C, so the
    // run is heard once more, at a fresh server.
    std::optional<PulseServer> spare;
    const PulseServer* heard = &server;
    if (aloud.recorderEndedEarly) {
        std::cerr << "parec ended early: " << aloud.recorderErrors << server.Log() << "hearing it again\n";
        heard = &spare.emplace();
        ASSERT_EQ(spare->Problem(), "");
        aloud = SpeakOnTerminal(*spare, args, 500 * kMillisecond);
    }
    ASSERT_EQ(aloud.problem, "") << heard->Log();
    ASSERT_TRUE(aloud.ctrlCAt) << "the server heard no speech: " << aloud.run.out;
    ASSERT_TRUE(aloud.run.exited) << aloud.run.out;
    EXPECT_EQ(aloud.run.status, 130) << aloud.run.out;
    EXPECT_NE(aloud.run.out.find("kavo-say: interrupted"), std::string::npos) << aloud.run.out;

    // The recording's own clock: the samples it held when Ctrl-C was typed.
    const auto [heardStart, heardEnd] = SpeechSpan(aloud.recording);
    ASSERT_GT(aloud.recording.size(), *aloud.ctrlCAt + 500 * kMillisecond) << "too little recorded after Ctrl-C";
    EXPECT_LE(heardEnd, *aloud.ctrlCAt + 100 * kMillisecond)
        << "speech went on for " << Seconds(heardEnd - *aloud.ctrlCAt) << " s after Ctrl-C, starting at "
        << Seconds(heardStart);
}

TEST_F(KavoSayAloud, VoicesOnATerminalShowLanguageAndGenderInColumns) {
    const TerminalRun listing = SpeakOnTerminal(server, {"--voices"});
    ASSERT_TRUE(listing.run.exited);
    EXPECT_EQ(listing.run.status, 0) << listing.run.out;
    // The terminal turns each line end into CR LF.
    EXPECT_NE(listing.run.out.find("Voice      Language  Gender  Name\r\n"), std::string::npos) << listing.run.out;
    EXPECT_NE(listing.run.out.find("xiaomei    yue       female  经典科大 小美\r\n"), std::string::npos)
        << listing.run.out;
}

TEST(KavoSayWithoutSound, NoServerIsAOneLineErrorAndStatus1) {
    // No server at the address given, and ALSA (the fall-back) without a device.
    const ChildResult run = RunKavoSayWithoutSound();
    ASSERT_TRUE(run.exited) << run.err;
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("kavo-say: no sound output", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "more than one line: " << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace kavosaytest
