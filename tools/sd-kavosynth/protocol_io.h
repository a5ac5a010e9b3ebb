// The module's two pipes to the server: commands and the lines they carry
// come in on standard input; replies and events go out on standard output,
// one writer at a time, each reply or event written whole.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sdkavo {

class CommandInput {
public:
    explicit CommandInput(int fd) : fd_(fd) {}
    // One line without its line end; false at the end of input.
    bool ReadLine(std::string& line);
    // The lines up to the one holding a single dot, a doubled leading dot
    // undone; false when the input ends first.
    bool ReadBlock(std::vector<std::string>& lines);
    // The same lines joined with line ends into one text, read without a copy
    // of each line, for a message that may be megabytes long.
    bool ReadText(std::string& text);

private:
    // The next line (with its '\r', if any), valid until the next call;
    // false at the end of input. A long line may be appended to spill
    // before its end has come, and only the rest of it is given.
    bool NextLine(std::string_view& line, std::string* spill = nullptr);
    static void Append(std::string& text, std::string_view more);

    int fd_;
    char chunk_[65536];
    std::string buffer_;
    std::size_t start_ = 0;    // where the unread lines begin
    std::size_t scanned_ = 0;  // how far the search for a line end has gone
};

class Output {
public:
    explicit Output(int fd) : fd_(fd) {}
    // One lock for two things: the output, and the speech state
    // (ModuleSpeech's message and engine state), so that a message's events
    // and the replies never interleave and a STOP cannot fall between a
    // block's check and its write. It is held across blocking write()s: a
    // server that stops reading holds up STOP and the plug-in's callbacks
    // with it, which is what a server that reads nothing more asks for.
    std::mutex& Mutex() { return mutex_; }
    void Write(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        WriteHeld(text);
    }
    // With Mutex() held. A server that went away is not an error here: the
    // end of standard input ends the module.
    void WriteHeld(const std::string& text);

private:
    int fd_;
    std::mutex mutex_;
};

// One audio event of 16-bit mono samples (little-endian bytes, an even count):
// its header lines, the samples escaped so that they hold no line end, and its
// closing line.
std::string AudioEvent(const unsigned char* pcm, std::size_t bytes, std::int32_t sampleRate);

}  // namespace sdkavo
