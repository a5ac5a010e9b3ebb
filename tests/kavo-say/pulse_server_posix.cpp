#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "environment_posix.h"
#include "pulse_server.h"

namespace kavosaytest {
namespace {

constexpr std::int16_t kNoiseFloor = 200;
constexpr std::size_t kSamplesBeforeStart = kRecordingRate / 10;  // the recorder runs before kavo-say starts
constexpr std::size_t kSamplesAfterExit = kRecordingRate / 2;     // what the recorder still held at the exit
constexpr auto kRunLimit = std::chrono::seconds(60);


// argv and envp for execve, built before fork.
struct ExecArgs {
    std::vector<std::string> args, environment;
    std::vector<char*> argv, envp;
    ExecArgs(std::vector<std::string> arguments, const std::vector<std::pair<std::string, std::string>>& added)
        : args(std::move(arguments)), environment(MergedEnvironment(added)) {
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
    }
};

struct Recorder {
    pid_t pid = -1;
    int audio = -1;  // its standard output
    std::string bytes;
    bool ended = false;

    // Reads what is there; false at its end.
    bool Read() {
        char buffer[8192];
        const ssize_t n = read(audio, buffer, sizeof buffer);
        if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) ended = true;
        return !ended;
    }
    std::size_t SampleCount() const { return bytes.size() / 2; }
    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        if (audio >= 0) close(audio);
    }
};

int WaitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

std::vector<std::int16_t> Samples(const std::string& bytes) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                                    static_cast<unsigned char>(bytes[i + 1]) << 8));
    return samples;
}

std::pair<std::size_t, std::size_t> SpeechSpan(const std::vector<std::int16_t>& samples, std::size_t from) {
    std::size_t first = 0, end = 0;
    bool found = false;
    for (std::size_t i = from; i < samples.size(); ++i) {
        if (std::abs(static_cast<int>(samples[i])) <= kNoiseFloor) continue;
        if (!found) first = i;
        found = true;
        end = i + 1;
    }
    return {first, end};
}

PulseServer::PulseServer() {
    const std::string daemon = FindOnPath("pulseaudio");
    if (daemon.empty()) {
        problem_ = "pulseaudio is not installed (scripts/install-deps installs it)";
        return;
    }
    const std::string log = folder_.File("daemon.log");
    ChildSpec launch;
    // Only these modules (-n: no startup script): the null sink is the one
    // sink, so the default; a 16 kHz mono sink takes the speech unchanged.
    // No real-time scheduling and no CPU limit: on a busy machine either may
    // end the daemon in the middle of a test.
    launch.args = {daemon,
                   "--daemonize=yes",
                   "-n",
                   "--exit-idle-time=-1",
                   "--realtime=no",
                   "--high-priority=no",
                   "--no-cpu-limit=yes",
                   "--log-level=info",
                   "--log-target=file:" + log,
                   "--load=module-null-sink sink_name=kavo_test_sink format=s16le rate=16000 channels=1",
                   "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder_.File("native")};
    launch.environment = DaemonEnvironment();
    // The daemon's first process returns once the daemon is ready, or failed.
    const ChildResult run = RunChild(launch);
    if (!run.exited || run.status != 0) {
        problem_ =
            "pulseaudio did not start (status " + std::to_string(run.status) + "): " + run.err + ReadFileBytes(log);
        return;
    }
    started_ = true;
}

PulseServer::~PulseServer() {
    if (!started_) return;
    ChildSpec kill;
    kill.args = {FindOnPath("pulseaudio"), "--kill"};
    kill.environment = DaemonEnvironment();
    RunChild(kill);
}

std::vector<std::pair<std::string, std::string>> PulseServer::DaemonEnvironment() const {
    const std::string folder = Utf8(folder_.Path());
    return {{"HOME", folder}, {"XDG_RUNTIME_DIR", folder}, {"XDG_CONFIG_HOME", folder}, {"PULSE_SERVER", ""}};
}

std::vector<std::pair<std::string, std::string>> PulseServer::ClientEnvironment() const {
    return {{"PULSE_SERVER", "unix:" + folder_.File("native")}, {"HOME", Utf8(folder_.Path())}};
}

TerminalRun SpeakOnTerminal(const PulseServer& server, const std::vector<std::string>& args,
                            std::optional<std::size_t> ctrlCAfterSpeech) {
    std::vector<std::string> command{KavoSayPath()};
    command.insert(command.end(), args.begin(), args.end());
    return RunOnTerminal(server, command, {}, ctrlCAfterSpeech);
}

TerminalRun RunOnTerminal(const PulseServer& server, const std::vector<std::string>& command,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          std::optional<std::size_t> ctrlCAfterSpeech) {
    TerminalRun result;
    const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
    auto left = [&] {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, ms.count()));
    };

    int audioPipe[2];
    if (pipe2(audioPipe, O_CLOEXEC) != 0) {
        result.problem = "no pipe";
        return result;
    }
    TempFolder scratch;
    const std::string recorderErrors = scratch.File("recorder.err");
    ExecArgs recorderExec({FindOnPath("parec"), "--device=" + PulseServer::Monitor(), "--raw", "--format=s16le",
                           "--rate=16000", "--channels=1", "--latency-msec=10"},
                          server.ClientEnvironment());
    Recorder recorder;
    recorder.pid = fork();
    if (recorder.pid == 0) {
        dup2(audioPipe[1], 1);
        const int errors = open(recorderErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (errors >= 0) dup2(errors, 2);
        execve(recorderExec.argv[0], recorderExec.argv.data(), recorderExec.envp.data());
        _exit(127);
    }
    close(audioPipe[1]);
    recorder.audio = audioPipe[0];
    auto recorderFailed = [&](const std::string& what) {
        recorder.Stop();
        result.problem = what + ": " + ReadFileBytes(recorderErrors);
        return result;
    };
    if (recorder.pid < 0) return recorderFailed("parec did not start");

    // The monitor of a running null sink delivers silence all the time.
    while (recorder.SampleCount() < kSamplesBeforeStart) {
        pollfd audio{recorder.audio, POLLIN, 0};
        if (poll(&audio, 1, left()) <= 0 || !recorder.Read()) return recorderFailed("parec recorded nothing");
    }

    std::vector<std::pair<std::string, std::string>> programEnvironment = server.ClientEnvironment();
    programEnvironment.insert(programEnvironment.end(), environment.begin(), environment.end());
    ExecArgs kavoExec(command, programEnvironment);
    int terminal = -1;
    const pid_t kavo = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (kavo == 0) {
        execve(kavoExec.argv[0], kavoExec.argv.data(), kavoExec.envp.data());
        _exit(127);
    }
    if (kavo < 0) return recorderFailed("no pseudo-terminal");

    bool terminalOpen = true;
    std::optional<std::size_t> stopRecordingAt;
    std::optional<std::size_t> firstSpeech;
    std::size_t scanned = 0;
    while (!stopRecordingAt || recorder.SampleCount() < *stopRecordingAt) {
        pollfd fds[2] = {{recorder.audio, POLLIN, 0}, {terminalOpen ? terminal : -1, POLLIN, 0}};
        if (left() == 0) break;
        if (poll(fds, 2, left()) < 0 && errno != EINTR) break;
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !recorder.Read()) break;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[4096];
            const ssize_t n = read(terminal, buffer, sizeof buffer);
            if (n > 0) result.run.out.append(buffer, static_cast<std::size_t>(n));
            // EIO: kavo-say has exited and the terminal has no one left on it.
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                terminalOpen = false;
                stopRecordingAt = recorder.SampleCount() + kSamplesAfterExit;
            }
        }
        if (ctrlCAfterSpeech && !result.ctrlCAt && terminalOpen) {
            // Only the samples not looked at yet, for the first one of speech.
            const std::size_t count = recorder.SampleCount();
            if (!firstSpeech) {
                const std::vector<std::int16_t> fresh =
                    Samples(recorder.bytes.substr(scanned * 2, (count - scanned) * 2));
                const auto [first, end] = SpeechSpan(fresh);
                if (end > 0) firstSpeech = scanned + first;
                scanned = count;
            }
            if (firstSpeech && count >= *firstSpeech + *ctrlCAfterSpeech) {
                const char ctrlC = 0x03;
                if (write(terminal, &ctrlC, 1) == 1) result.ctrlCAt = count;
            }
        }
    }
    if (terminalOpen) kill(kavo, SIGKILL);
    close(terminal);
    result.run.status = WaitForExit(kavo);
    result.run.exited = !terminalOpen;
    recorder.Stop();
    result.recorderEndedEarly = recorder.ended && (!stopRecordingAt || recorder.SampleCount() < *stopRecordingAt);
    if (result.recorderEndedEarly) result.recorderErrors = ReadFileBytes(recorderErrors);
    if (recorder.ended && !stopRecordingAt) result.problem = "parec ended early: " + result.recorderErrors;
    result.recording = Samples(recorder.bytes);
    return result;
}

}  // namespace kavosaytest
