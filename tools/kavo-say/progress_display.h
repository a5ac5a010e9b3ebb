// One self-overwriting status line on a terminal's standard error.
#pragma once
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace kavosay {

struct Progress {
    std::size_t done = 0;   // paragraphs finished
    std::size_t total = 0;
    double audioSeconds = 0;
    double elapsedSeconds = 0;
    std::optional<double> spokenSeconds;  // heard so far, when the speech is played
};

// Into a file: "paragraphs 3/10, 12.4 s of audio, real-time factor 0.21": the
// factor is the time taken per second of audio (below 1 is faster than real
// time). Played: "paragraphs 3/10, 4.2 s of 12.4 s spoken".
std::string FormatProgress(const Progress& progress);

class ProgressDisplay {
public:
    explicit ProgressDisplay(bool enabled) : enabled_(enabled) {}
    // Redraws at most a few times a second, and always when final is true.
    void Show(const Progress& progress, bool final = false);
    // Ends the line so that later messages start on their own.
    void Close();

private:
    bool enabled_;
    bool shown_ = false;
    std::size_t width_ = 0;
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace kavosay
