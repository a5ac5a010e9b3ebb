// POSIX side of console.h. Ctrl-C: the SIGINT handler only writes one byte to
// a pipe; a watcher thread reads it and calls back. SIGINT is blocked in every
// other thread (they inherit the mask), so the handler always runs on the
// watcher and no system call of the plug-in's threads is interrupted.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "console.h"

namespace kavosay {
namespace {

constexpr char kInterruptByte = 'i';
constexpr char kQuitByte = 'q';

int interruptPipeWriteEnd = -1;

extern "C" void OnSigint(int) {
    const int savedErrno = errno;
    const ssize_t written = write(interruptPipeWriteEnd, &kInterruptByte, 1);
    (void)written;  // a full pipe already holds a wake-up
    errno = savedErrno;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::filesystem::path PathFromArgument(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string DisplayPath(const std::filesystem::path& path) { return path.native(); }

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

void UseBinaryStandardStreams() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

bool IsSeekable(std::FILE* stream) {
    struct stat info {};
    return fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode);
}

void WriteText(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

struct InterruptWatch::State {
    std::function<void()> onInterrupt;
    int pipeEnds[2] = {-1, -1};
    struct sigaction previousAction {};
    sigset_t previousMask{};
    std::thread watcher;

    void Watch() {
        sigset_t sigint;
        sigemptyset(&sigint);
        sigaddset(&sigint, SIGINT);
        pthread_sigmask(SIG_UNBLOCK, &sigint, nullptr);
        bool interrupted = false;
        for (;;) {
            char byte = 0;
            const ssize_t n = read(pipeEnds[0], &byte, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || byte == kQuitByte) return;
            if (interrupted) continue;
            interrupted = true;
            // The next Ctrl-C ends the program, should the orderly stop hang.
            struct sigaction defaultAction {};
            defaultAction.sa_handler = SIG_DFL;
            sigemptyset(&defaultAction.sa_mask);
            sigaction(SIGINT, &defaultAction, nullptr);
            onInterrupt();
        }
    }
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : state_(new State) {
    state_->onInterrupt = std::move(onInterrupt);
    if (pipe(state_->pipeEnds) != 0) return;  // without a pipe, Ctrl-C keeps its default effect
    for (int end : state_->pipeEnds) fcntl(end, F_SETFD, FD_CLOEXEC);
    fcntl(state_->pipeEnds[1], F_SETFL, fcntl(state_->pipeEnds[1], F_GETFL) | O_NONBLOCK);
    interruptPipeWriteEnd = state_->pipeEnds[1];

    sigset_t sigint;
    sigemptyset(&sigint);
    sigaddset(&sigint, SIGINT);
    pthread_sigmask(SIG_BLOCK, &sigint, &state_->previousMask);

    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the watcher's read returns, so that a runtime which defers
    // handlers to its next call (ThreadSanitizer does) still runs this one.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &state_->previousAction);

    state_->watcher = std::thread([state = state_.get()] { state->Watch(); });
}

InterruptWatch::~InterruptWatch() {
    if (state_->watcher.joinable()) {
        // Restore the handler first, so that no Ctrl-C from here on writes to the pipe.
        sigaction(SIGINT, &state_->previousAction, nullptr);
        while (write(state_->pipeEnds[1], &kQuitByte, 1) < 0 && errno == EINTR) {
        }
        state_->watcher.join();
        pthread_sigmask(SIG_SETMASK, &state_->previousMask, nullptr);
    }
    interruptPipeWriteEnd = -1;
    for (int end : state_->pipeEnds)
        if (end >= 0) close(end);
}

}  // namespace kavosay
