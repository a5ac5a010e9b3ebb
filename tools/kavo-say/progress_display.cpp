#include "progress_display.h"

#include <cstdio>

#include "console.h"

namespace kavosay {

std::string FormatProgress(const Progress& progress) {
    char number[64];
    std::string line = "paragraphs " + std::to_string(progress.done) + "/" + std::to_string(progress.total);
    if (progress.spokenSeconds) {
        std::snprintf(number, sizeof number, "%.1f s of %.1f s", *progress.spokenSeconds, progress.audioSeconds);
        return line + ", " + number + " spoken";
    }
    std::snprintf(number, sizeof number, "%.1f", progress.audioSeconds);
    line += std::string(", ") + number + " s of audio";
    if (progress.audioSeconds > 0) {
        std::snprintf(number, sizeof number, "%.2f", progress.elapsedSeconds / progress.audioSeconds);
        line += std::string(", real-time factor ") + number;
    }
    return line;
}

void ProgressDisplay::Show(const Progress& progress, bool final) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!final && shown_ && now - lastDrawn_ < std::chrono::milliseconds(200)) return;
    std::string line = FormatProgress(progress);
    const std::size_t width = line.size();
    // Blank out what is left of a longer earlier line.
    if (width < width_) line.append(width_ - width, ' ');
    WriteText(stderr, "\r" + line);
    width_ = width;
    shown_ = true;
    lastDrawn_ = now;
}

void ProgressDisplay::Close() {
    if (shown_) WriteText(stderr, "\n");
    shown_ = false;
}

}  // namespace kavosay
