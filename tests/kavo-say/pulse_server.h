// A PulseAudio daemon of a test's own, in a private runtime folder, with a
// null sink as its default sink, and kavo-say run on a pseudo-terminal while
// that sink's monitor is recorded. POSIX only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kavo_say_harness.h"

namespace kavosaytest {

constexpr int kRecordingRate = 16000;  // the plug-in's rate, so that no resampling blurs the edges

class PulseServer {
public:
    // Starts the daemon; Problem() holds its own message when it could not.
    PulseServer();
    ~PulseServer();  // stops the daemon
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    const std::string& Problem() const { return problem_; }
    // What the daemon logged, to explain a failure.
    std::string Log() const { return ReadFileBytes(folder_.File("daemon.log")); }
    // The environment that leads a client to this server and no other.
    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const;
    static std::string Monitor() { return "kavo_test_sink.monitor"; }

private:
    std::vector<std::pair<std::string, std::string>> DaemonEnvironment() const;

    TempFolder folder_;
    bool started_ = false;
    std::string problem_;
};

struct TerminalRun {
    ChildResult run;                 // out: all the terminal showed
    std::vector<std::int16_t> recording;  // the monitor, from before kavo-say started
    std::optional<std::size_t> ctrlCAt;   // where in the recording Ctrl-C was typed
    std::string problem;             // the recorder failed
    // The recorder ended on its own before its planned stop, so the recording
    // may miss the end; what it wrote to its standard error.
    bool recorderEndedEarly = false;
    std::string recorderErrors;
};

// Records the server's monitor, starts kavo-say with args on a new pseudo-
// terminal (its standard input, output and error), and records until a moment
// after it exits. ctrlCAfterSpeech: types Ctrl-C once the recording has held
// speech for that many samples.
TerminalRun SpeakOnTerminal(const PulseServer& server, const std::vector<std::string>& args,
                            std::optional<std::size_t> ctrlCAfterSpeech = std::nullopt);
// The same for any program (command[0], a full path), with these variables
// added to the server's client environment.
TerminalRun RunOnTerminal(const PulseServer& server, const std::vector<std::string>& command,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          std::optional<std::size_t> ctrlCAfterSpeech = std::nullopt);
// A program on the search path; empty when there is none.
std::string FindOnPath(const std::string& name);

// Where speech is in 16-bit samples: first and one past the last sample
// louder than the noise floor; {0, 0} for silence.
std::pair<std::size_t, std::size_t> SpeechSpan(const std::vector<std::int16_t>& samples, std::size_t from = 0);
std::vector<std::int16_t> Samples(const std::string& bytes);

}  // namespace kavosaytest
