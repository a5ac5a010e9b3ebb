// Runs a program as a child process with bounded waits: its standard input
// given, its standard output and error collected, killed at the deadline.
#pragma once
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace kavosaytest {

// What differs between the platforms' child processes, one file each.
std::chrono::seconds DefaultChildTimeout();  // Wine starts programs slowly
std::string ExecutableFileName(const std::string& stem);
// True where the child's standard output is a file (seekable), false for a pipe.
bool ChildOutputIsAFile();

struct ChildSpec {
    std::vector<std::string> args;  // args[0]: the program's path (UTF-8)
    std::string input;              // standard input
    std::vector<std::pair<std::string, std::string>> environment;  // added to the parent's
    std::chrono::seconds timeout = DefaultChildTimeout();
    // POSIX only: send SIGINT once standard error contains this text.
    std::string interruptWhenStderrHas;
};

struct ChildResult {
    bool exited = false;  // false: still running at the deadline, then killed
    int status = -1;      // the exit status when it exited
    std::string out, err;
};

ChildResult RunChild(const ChildSpec& launch);

}  // namespace kavosaytest
