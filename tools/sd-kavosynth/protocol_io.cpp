#include "protocol_io.h"

#include <unistd.h>

#include <cerrno>

namespace sdkavo {
namespace {

constexpr std::size_t kKeptBuffer = 1 << 20;

}  // namespace

bool CommandInput::ReadLine(std::string& line) {
    for (;;) {
        const std::size_t end = buffer_.find('\n', start_);
        if (end != std::string::npos) {
            line.assign(buffer_, start_, end - start_);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            start_ = end + 1;
            return true;
        }
        if (start_ > 0) {
            buffer_.erase(0, start_);
            start_ = 0;
            // A long message's buffer is not kept once it has been read.
            if (buffer_.empty() && buffer_.capacity() > kKeptBuffer) std::string().swap(buffer_);
        }
        char chunk[65536];
        const ssize_t n = read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
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
