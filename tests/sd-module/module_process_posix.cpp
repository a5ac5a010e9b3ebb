#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include <gtest/gtest.h>

#include "environment_posix.h"
#include "module_process.h"
#include "pulse_server.h"

namespace sdtest {

std::vector<Event> ParseEvents(std::string& rest) {
    std::vector<Event> events;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = rest.find('\n', at);
        if (end == std::string::npos) break;
        if (rest.compare(at, 4, "705-") != 0) {
            events.push_back(Event{rest.substr(at, end - at), {}, {}});
            at = end + 1;
            continue;
        }
        // An audio block: header lines, "705-AUDIO", a NUL, escaped samples, "\n705 AUDIO\n".
        const std::size_t audio = rest.find(std::string("705-AUDIO\0", 10), at);
        if (audio == std::string::npos) break;
        const std::size_t dataEnd = rest.find('\n', audio + 10);
        if (dataEnd == std::string::npos || rest.size() < dataEnd + 11) break;
        Event event{"705 AUDIO", {}, {}};
        const std::string header = rest.substr(at, audio - at);
        for (const char* line : {"705-bits=16\n", "705-num_channels=1\n", "705-sample_rate=16000\n", "705-big_endian=0\n"})
            if (header.find(line) == std::string::npos) event.problem += std::string("no ") + line;
        std::string bytes;
        for (std::size_t i = audio + 10; i < dataEnd; ++i) {
            const unsigned char b = static_cast<unsigned char>(rest[i]);
            if (b == 0x7D && i + 1 < dataEnd) {
                bytes += static_cast<char>(static_cast<unsigned char>(rest[++i]) ^ 0x20);
            } else {
                bytes += static_cast<char>(b);
            }
        }
        event.samples = kavosaytest::Samples(bytes);
        const std::size_t count = header.find("705-num_samples=");
        if (count == std::string::npos || std::stoul(header.substr(count + 16)) != event.samples.size())
            event.problem += "num_samples differs from the samples sent";
        if (rest.compare(dataEnd, 11, "\n705 AUDIO\n") != 0) event.problem += "no closing 705 AUDIO";
        events.push_back(std::move(event));
        at = dataEnd + 11;
    }
    rest.erase(0, at);
    return events;
}

std::string SpokenBytes(const std::vector<std::int16_t>& samples) {
    std::string bytes;
    for (std::int16_t sample : samples) bytes += static_cast<char>(sample - 1000);
    return bytes;
}

StagedModule::StagedModule(const std::optional<std::string>& engineStem, const std::string& pluginLine)
    : plugin_(engineStem), config_(plugin_.File("kavosynth.conf")) {
    std::ofstream(config_) << "# written by the test\n"
                           << (pluginLine.empty() ? "KavoSynthPlugin \"" + plugin_.PluginPath() + "\"" : pluginLine)
                           << "\nDebug 0\n";
}

ModuleProcess::ModuleProcess(const std::string& configFile, const Environment& environment) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    const std::string program = kavosaytest::Utf8(kavosaytest::BinFolder() / "sd_kavosynth");
    const std::string errors = errors_.File("stderr");
    std::vector<std::string> variables = kavosaytest::MergedEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(configFile.c_str()), nullptr};
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) dup2(err, 2);
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
    signal(SIGPIPE, SIG_IGN);
}

ModuleProcess::~ModuleProcess() {
    CloseInput();
    if (out_ >= 0) close(out_);
    if (pid_ > 0 && !WaitForExit(std::chrono::seconds(10))) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ModuleProcess::Send(const std::string& text) {
    std::size_t done = 0;
    while (in_ >= 0 && done < text.size()) {
        const ssize_t n = write(in_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void ModuleProcess::CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

bool ModuleProcess::ReadMore(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd fd{out_, POLLIN, 0};
    if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[65536];
    const ssize_t n = read(out_, chunk, sizeof chunk);
    if (n <= 0) return false;
    pending_.append(chunk, static_cast<std::size_t>(n));
    for (Event& event : ParseEvents(pending_)) unread_.push_back(std::move(event));
    return true;
}

std::vector<Event> ModuleProcess::ReadUntil(const std::function<bool(const Event&)>& done,
                                            std::chrono::seconds limit) {
    std::vector<Event> events;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        while (!unread_.empty()) {
            events.push_back(std::move(unread_.front()));
            unread_.pop_front();
            if (done(events.back())) return events;
        }
    } while (ReadMore(deadline));
    ADD_FAILURE() << "the awaited event did not come; log:\n" << Log();
    return events;
}

std::optional<int> ModuleProcess::WaitForExit(std::chrono::seconds limit) {
    if (pid_ <= 0) return std::nullopt;
    // Its standard output closes when it exits.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadMore(deadline)) {
    }
    pollfd fd{out_, POLLIN, 0};
    if (poll(&fd, 1, 0) != 1) return std::nullopt;  // still open: the time ran out
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ExpectInit(ModuleProcess& module) {
    module.Send("INIT\n");
    const std::vector<Event> events = module.ReadUntil([](const Event& e) { return e.line.compare(0, 4, "299 ") == 0 || e.line.compare(0, 4, "399 ") == 0; });
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().line, "299 OK LOADED SUCCESSFULLY") << module.Log();
}

}  // namespace sdtest
