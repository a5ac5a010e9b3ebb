// The module under a Speech Dispatcher server of the test's own (its own
// configuration, module folder and socket), which plays through a PulseAudio
// daemon of the test's own: what spd-say says is heard at the null sink's
// monitor, and a screen reader's client library gets its callbacks.
#include <signal.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "kavo_say_harness.h"
#include "pulse_server.h"

namespace sdtest {
namespace {

using namespace kavosaytest;
namespace fs = std::filesystem;

class PrivateSpeechDispatcher {
public:
    explicit PrivateSpeechDispatcher(const PulseServer& pulse) {
        const fs::path root = folder_.Path();
        // The user configuration folder is where a client's autospawn would
        // look too: DisableAutoSpawn there keeps any other server away.
        const fs::path config = root / "config" / "speech-dispatcher";
        fs::create_directories(config / "modules");
        fs::create_directories(root / "modules");
        fs::create_directories(root / "log");
        // The module as built, in a module folder of its own; it finds the
        // plug-in and the espeak engine beside the file it links to.
        fs::create_symlink(BinFolder() / "sd_kavosynth", root / "modules" / "sd_kavosynth");
        std::ofstream(config / "modules" / "kavosynth.conf") << "# defaults\n";
        // 100 ms of latency at the sound server rather than 10: a test machine
        // busy with other tests must not starve the server's playback into gaps.
        std::ofstream(config / "speechd.conf") << "AudioOutputMethod \"pulse\"\nAudioPulseMinLength 100\n"
                                               << "DefaultModule kavosynth\nDisableAutoSpawn\nLogLevel 4\n";
        environment_ = pulse.ClientEnvironment();
        environment_.emplace_back("HOME", Utf8(root));
        environment_.emplace_back("XDG_RUNTIME_DIR", Utf8(root));
        environment_.emplace_back("XDG_CONFIG_HOME", Utf8(root / "config"));
        environment_.emplace_back("SPEECHD_ADDRESS", "unix_socket:" + folder_.File("speech-dispatcher/speechd.sock"));
        // As a daemon it returns once its socket is ready. It is stopped at
        // the end; should the test die first, it leaves a minute after its last client.
        ChildSpec launch;
        launch.args = {FindOnPath("speech-dispatcher"), "-d", "-t", "60", "-C", Utf8(config),
                       "-m", folder_.File("modules"), "-L", folder_.File("log")};
        launch.environment = environment_;
        const ChildResult run = RunChild(launch);
        if (launch.args[0].empty() || !run.exited || run.status != 0)
            problem_ = "speech-dispatcher did not start: " + run.err;

    }
    ~PrivateSpeechDispatcher() {
        const std::string pid = ReadFileBytes(folder_.File("speech-dispatcher/pid/speech-dispatcher.pid"));
        if (std::atoi(pid.c_str()) > 0) kill(std::atoi(pid.c_str()), SIGTERM);
    }
    const std::string& Problem() const { return problem_; }
    const std::vector<std::pair<std::string, std::string>>& Environment() const { return environment_; }
    std::string Log() const {
        return ReadFileBytes(folder_.File("log/speech-dispatcher.log")) + ReadFileBytes(folder_.File("log/kavosynth.log"));
    }

private:
    TempFolder folder_;
    std::vector<std::pair<std::string, std::string>> environment_;
    std::string problem_;
};

class SpeechDispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pulse.Problem(), "");
        ASSERT_EQ(server.Problem(), "") << server.Log();
    }
    PulseServer pulse;
    PrivateSpeechDispatcher server{pulse};
};

TEST_F(SpeechDispatcher, SpdSayIsHeardForAsLongAsKavoSaysWav) {
    const std::string text = "今天天气很好。我们去公园散步吧。";
    const TerminalRun aloud =
        RunOnTerminal(pulse, {FindOnPath("spd-say"), "-o", "kavosynth", "-y", "xiaoyan", "-w", text}, server.Environment());
    ASSERT_EQ(aloud.problem, "") << pulse.Log();
    ASSERT_TRUE(aloud.run.exited) << aloud.run.out;
    EXPECT_EQ(aloud.run.status, 0) << aloud.run.out;

    TempFolder folder;
    const ChildResult reference = RunKavoSay({"-q", "-v", "xiaoyan", "-o", folder.File("reference.wav"), text});
    ASSERT_EQ(reference.status, 0) << reference.err;
    const auto [wavStart, wavEnd] = SpeechSpan(Samples(ParseWav(ReadFileBytes(folder.File("reference.wav"))).data));
    const auto [heardStart, heardEnd] = SpeechSpan(aloud.recording);
    ASSERT_GT(wavEnd - wavStart, std::size_t{kRecordingRate / 2}) << "the WAV file holds no speech";
    ASSERT_GT(heardEnd, heardStart) << "nothing was heard\n" << server.Log();
    const double wav = static_cast<double>(wavEnd - wavStart), heard = static_cast<double>(heardEnd - heardStart);
    EXPECT_NEAR(heard, wav, 0.05 * wav) << server.Log();
}

TEST_F(SpeechDispatcher, AScreenReadersClientGetsBeginMarksEndAndCancel) {
    ChildSpec client;
    client.args = {"/usr/bin/python3",  // Debian's, which python3-speechd extends
                    std::string(KAVO_SD_TEST_SOURCE_DIR) + "/speechd_events.py"};
    client.environment = server.Environment();
    const ChildResult run = RunChild(client);
    ASSERT_EQ(run.status, 0) << run.out << run.err << server.Log();
    EXPECT_EQ(run.out,
              "begin\nindex_marks m0\nindex_marks m1\nindex_marks m2\nindex_marks m3\nindex_marks m4\nend\n"
              "begin\ncancel\n")
        << server.Log();
}

}  // namespace
}  // namespace sdtest
