#include "text_input.h"

namespace kavosay {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

std::string Trim(const std::string& line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && IsBlank(line[begin])) ++begin;
    while (end > begin && IsBlank(line[end - 1])) --end;
    return line.substr(begin, end - begin);
}

}  // namespace

bool ReadAll(std::FILE* stream, std::string& text) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, n);
    return std::ferror(stream) == 0;
}

std::string JoinWords(const std::vector<std::string>& words) {
    std::string joined;
    for (const std::string& word : words) {
        if (!joined.empty()) joined.push_back(' ');
        joined += word;
    }
    return joined;
}

std::vector<std::string> SplitParagraphs(const std::string& text) {
    static const std::string kByteOrderMark = "\xEF\xBB\xBF";
    const std::size_t start = text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;

    std::vector<std::string> paragraphs;
    std::string current;
    auto closeParagraph = [&] {
        if (!current.empty()) paragraphs.push_back(std::move(current));
        current.clear();
    };
    for (std::size_t lineStart = start; lineStart <= text.size();) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        const std::string line = Trim(text.substr(lineStart, lineEnd - lineStart));
        if (line.empty()) {
            closeParagraph();
        } else {
            if (!current.empty()) current.push_back(' ');
            current += line;
        }
        lineStart = lineEnd + 1;
    }
    closeParagraph();
    return paragraphs;
}

}  // namespace kavosay
