#include "ssml.h"

#include <cstdint>
#include <cstdlib>

namespace sdkavo {
namespace {

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

void AppendUtf8(std::string& out, std::uint32_t code) {
    // Surrogates, NUL and what lies beyond Unicode cannot be spoken.
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Appends the character the entity body (between '&' and ';') stands for;
// false when it names none.
bool DecodeEntity(const std::string& body, std::string& out) {
    static const struct {
        const char* name;
        char value;
    } kNamed[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& named : kNamed) {
        if (body == named.name) {
            out += named.value;
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#') return false;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return false;
    char* end = nullptr;
    const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || digits[0] == '-' || digits[0] == '+') return false;
    AppendUtf8(out, static_cast<std::uint32_t>(code));
    return true;
}

// Text with its entities decoded; one not known stays as written.
std::string DecodeText(const std::string& text, std::size_t from, std::size_t to) {
    std::string out;
    out.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        if (text[i] == '&') {
            const std::size_t semicolon = text.find(';', i);
            if (semicolon != std::string::npos && semicolon < to && semicolon - i <= 12 &&
                DecodeEntity(text.substr(i + 1, semicolon - i - 1), out)) {
                i = semicolon;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The name attribute of a mark tag's inside ("mark name='x'/"); false when the tag is no mark.
bool MarkName(const std::string& tag, std::string& name) {
    if (tag.compare(0, 4, "mark") != 0 || tag.size() == 4 || tag.find_first_of(" \t\r\n/", 4) != 4) return false;
    std::size_t at = tag.find("name", 4);
    while (at != std::string::npos) {
        std::size_t equals = tag.find_first_not_of(" \t\r\n", at + 4);
        if (equals != std::string::npos && tag[equals] == '=') {
            const std::size_t quote = tag.find_first_not_of(" \t\r\n", equals + 1);
            if (quote == std::string::npos || (tag[quote] != '"' && tag[quote] != '\'')) return false;
            const std::size_t close = tag.find(tag[quote], quote + 1);
            if (close == std::string::npos) return false;
            name = DecodeText(tag, quote + 1, close);
            // A mark travels back on one protocol line.
            for (char& c : name)
                if (c == '\n' || c == '\r') c = ' ';
            return true;
        }
        at = tag.find("name", at + 4);
    }
    return false;
}

}  // namespace

SpokenMessage ParseSsml(const std::string& ssml) {
    SpokenMessage message;
    std::string text;  // of the stretch being read
    auto reachMark = [&](std::string name) {
        if (!IsBlank(text)) {
            message.stretches.push_back(Stretch{std::move(text), {}});
        }
        text.clear();
        (message.stretches.empty() ? message.leadingMarks : message.stretches.back().marksAfter)
            .push_back(std::move(name));
    };

    std::size_t i = 0;
    while (i < ssml.size()) {
        const std::size_t open = ssml.find('<', i);
        const std::size_t textEnd = open == std::string::npos ? ssml.size() : open;
        text += DecodeText(ssml, i, textEnd);
        if (open == std::string::npos) break;
        if (ssml.compare(open, 4, "<!--") == 0) {
            const std::size_t close = ssml.find("-->", open + 4);
            if (close == std::string::npos) break;
            i = close + 3;
            continue;
        }
        const std::size_t close = ssml.find('>', open + 1);
        if (close == std::string::npos) break;  // a tag left open: nothing after it is text
        std::string name;
        if (MarkName(ssml.substr(open + 1, close - open - 1), name)) reachMark(std::move(name));
        i = close + 1;
    }
    if (!IsBlank(text)) message.stretches.push_back(Stretch{std::move(text), {}});
    return message;
}

}  // namespace sdkavo
