#include "protocol_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sdkavo {
namespace {

constexpr std::size_t kKeptBuffer = 1 << 20;

}  // namespace

bool CommandInput::NextLine(std::string_view& line, std::string* spill) {
    for (;;) {
        const std::size_t end = buffer_.find('\n', std::max(start_, scanned_));
        if (end != std::string::npos) {
            line = std::string_view(buffer_).substr(start_, end - start_);
            start_ = scanned_ = end + 1;
            return true;
        }
        if (spill && buffer_.size() - start_ > sizeof chunk_) {
            // A long line goes where it is wanted piece by piece, not into the buffer first.
            Append(*spill, std::string_view(buffer_).substr(start_));
            start_ = buffer_.size();
        }
        scanned_ = buffer_.size();
        if (start_ > 0) {
            buffer_.erase(0, start_);
            scanned_ -= start_;
            start_ = 0;
        }
        // A long message's buffer is not kept once it has been read.
        if (buffer_.empty() && buffer_.capacity() > kKeptBuffer) std::string().swap(buffer_);
        const ssize_t n = read(fd_, chunk_, sizeof chunk_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer_.append(chunk_, static_cast<std::size_t>(n));
    }
}

bool CommandInput::ReadLine(std::string& line) {
    std::string_view view;
    if (!NextLine(view)) return false;
    if (!view.empty() && view.back() == '\r') view.remove_suffix(1);
    line.assign(view);
    return true;
}

bool CommandInput::ReadBlock(std::vector<std::string>& lines) {
    lines.clear();
    std::string line;
    while (ReadLine(line)) {
        if (line == ".") return true;
        if (line.compare(0, 2, "..") == 0) line.erase(0, 1);
        lines.push_back(std::move(line));
    }
    return false;
}

bool CommandInput::ReadText(std::string& text) {
    text.clear();
    for (;;) {
        // What a long line spilled before its end, then the rest of it.
        const std::size_t lineStart = text.size();
        std::string_view line;
        if (!NextLine(line, &text)) return false;
        Append(text, line);
        if (text.size() > lineStart && text.back() == '\r') text.pop_back();
        const std::string_view whole = std::string_view(text).substr(lineStart);
        if (whole == ".") {
            text.resize(lineStart == 0 ? 0 : lineStart - 1);  // and the line end before it
            return true;
        }
        if (whole.substr(0, 2) == "..") text.erase(lineStart, 1);
        text += '\n';
    }
}

void CommandInput::Append(std::string& text, std::string_view more) {
    // Grown by a quarter at a time: a message of megabytes leaves little unused.
    if (text.size() + more.size() > text.capacity()) text.reserve(text.size() + text.size() / 4 + more.size());
    text += more;
}

void Output::WriteHeld(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

std::string AudioEvent(const unsigned char* pcm, std::size_t bytes, std::int32_t sampleRate) {
    std::string event = "705-bits=16\n705-num_channels=1\n705-sample_rate=" + std::to_string(sampleRate) +
                        "\n705-num_samples=" + std::to_string(bytes / 2) + "\n705-big_endian=0\n705-AUDIO";
    event.reserve(event.size() + bytes + bytes / 64 + 16);
    event += '\0';
    // Line ends and the escape byte itself become the escape byte and the byte
    // with bit 5 flipped; the runs between them are copied whole.
    const unsigned char* const end = pcm + bytes;
    for (const unsigned char* run = pcm; run < end;) {
        const unsigned char* special = run;
        while (special < end && *special != 0x0A && *special != 0x7D) ++special;
        event.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(special - run));
        if (special == end) break;
        event += static_cast<char>(0x7D);
        event += static_cast<char>(*special ^ 0x20);
        run = special + 1;
    }
    event += "\n705 AUDIO\n";
    return event;
}

}  // namespace sdkavo
