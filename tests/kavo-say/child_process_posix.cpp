#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "child_process.h"
#include "environment_posix.h"

extern char** environ;

namespace kavosaytest {

std::chrono::seconds DefaultChildTimeout() { return std::chrono::seconds(60); }
std::string ExecutableFileName(const std::string& stem) { return stem; }
bool ChildOutputIsAFile() { return false; }
std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& added) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : added) variables[name] = value;
    std::vector<std::string> merged;
    for (const auto& [name, value] : variables) merged.push_back(name + "=" + value);
    return merged;
}

ChildResult RunChild(const ChildSpec& launch) {
    ChildResult result;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;

    // Built before fork: the child only calls async-signal-safe functions.
    std::vector<std::string> environment = MergedEnvironment(launch.environment);
    std::vector<char*> argv, envp;
    for (const std::string& arg : launch.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        return result;
    }
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);  // a child that exits without reading its input

    const auto deadline = std::chrono::steady_clock::now() + launch.timeout;
    std::size_t inputSent = 0;
    int inputFd = in[1];
    if (launch.input.empty()) {
        close(inputFd);
        inputFd = -1;
    }
    bool outOpen = true, errOpen = true, interruptSent = false;
    while (outOpen || errOpen) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fds[3] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}, {inputFd, POLLOUT, 0}};
        if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                (i == 0 ? outOpen : errOpen) = false;
            }
        }
        if (inputFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = write(inputFd, launch.input.data() + inputSent, launch.input.size() - inputSent);
            if (n > 0) inputSent += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || inputSent == launch.input.size()) {
                close(inputFd);
                inputFd = -1;
            }
        }
        if (!interruptSent && !launch.interruptWhenStderrHas.empty() &&
            result.err.find(launch.interruptWhenStderrHas) != std::string::npos) {
            kill(pid, SIGINT);
            interruptSent = true;
        }
    }
    if (inputFd >= 0) close(inputFd);
    close(out[0]);
    close(err[0]);

    // Both streams closed means the child is exiting; otherwise the deadline passed.
    if (outOpen || errOpen) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exited = !(outOpen || errOpen) && WIFEXITED(status);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace kavosaytest
