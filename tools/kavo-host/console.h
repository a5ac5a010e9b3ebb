// What kavo-say needs from the operating system beyond the standard library:
// its arguments, files named in UTF-8, its own folder, the terminal, and Ctrl-C.
// console_posix.cpp and console_win32.cpp implement it.
#pragma once
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavosay {

// The program's arguments after its name, in UTF-8 (on Windows taken from the
// wide command line, whatever the ANSI code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// fopen for a UTF-8 path.
std::FILE* OpenFile(const std::string& path, const char* mode);

// The path a UTF-8 argument names (on POSIX its bytes as they are).
std::filesystem::path PathFromArgument(const std::string& utf8);

// A path for a message, in UTF-8.
std::string DisplayPath(const std::filesystem::path& path);

// The folder that holds the running program.
std::filesystem::path ProgramDirectory();

// Standard input and output carry bytes, not text.
void UseBinaryStandardStreams();

bool IsTerminal(std::FILE* stream);

// True for a stream that can be rewound to patch what was written: a disk file.
bool IsSeekable(std::FILE* stream);

// Writes UTF-8 text; on a Windows console as wide characters, so that Chinese
// reads right whatever the console's code page.
void WriteText(std::FILE* stream, const std::string& text);

// While it exists, Ctrl-C (SIGINT) calls onInterrupt once, on a thread that may
// take locks (never inside a signal handler); a second Ctrl-C ends the program
// the ordinary way. Create it before any other thread starts.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kavosay
