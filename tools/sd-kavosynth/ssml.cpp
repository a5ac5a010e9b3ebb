#include "ssml.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

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

// The longest entity body worth decoding ("#x10FFFF" is 8; names are shorter).
constexpr std::size_t kMaxEntityBody = 12;

// Appends the text with its entities decoded and its NULs dropped; an
// entity not known stays as written. The search for an entity's ';' never
// goes past its longest body, so the time taken is linear in the text's length.
void DecodeInto(std::string& out, const std::string& text, std::size_t from, std::size_t to) {
    // Decoding never lengthens text; a long run is given its room at once.
    if (out.size() + (to - from) > out.capacity()) out.reserve(std::max(out.size() + (to - from), 2 * out.capacity()));
    for (std::size_t i = from; i < to; ++i) {
        if (text[i] == '\0') continue;  // it would end the text handed to the plug-in
        if (text[i] == '&') {
            const std::size_t limit = std::min(to, i + 2 + kMaxEntityBody);
            std::size_t semicolon = i + 1;
            while (semicolon < limit && text[semicolon] != ';') ++semicolon;
            if (semicolon < limit && DecodeEntity(text.substr(i + 1, semicolon - i - 1), out)) {
                i = semicolon;
                continue;
            }
        }
        out += text[i];
    }
}

std::string DecodeText(const std::string& text, std::size_t from, std::size_t to) {
    std::string out;
    DecodeInto(out, text, from, to);
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The index of the '>' that closes the tag opened at `open`, quoted attribute
// values skipped; npos when the tag is left open.
std::size_t TagEnd(const std::string& ssml, std::size_t open) {
    char quote = 0;
    for (std::size_t i = open + 1; i < ssml.size(); ++i) {
        const char c = ssml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string::npos;
}

// A tag's inside ("mark name='x'/"): its element name, whether it closes one
// ("/s"), and its attributes, values decoded.
struct Tag {
    std::string name;
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;

    const std::string* Attribute(const char* key) const {
        for (const auto& attribute : attributes)
            if (attribute.first == key) return &attribute.second;
        return nullptr;
    }
};

Tag ReadTag(const std::string& inside) {
    Tag tag;
    std::size_t i = 0;
    if (i < inside.size() && inside[i] == '/') {
        tag.closing = true;
        ++i;
    }
    const auto word = [&] {
        const std::size_t start = i;
        while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '/' && inside[i] != '=') ++i;
        return inside.substr(start, i - start);
    };
    const auto skipSpace = [&] {
        while (i < inside.size() && IsSpace(inside[i])) ++i;
    };
    tag.name = word();
    for (;;) {
        skipSpace();
        if (i < inside.size() && inside[i] == '/') ++i;  // the end of an empty element
        skipSpace();
        if (i >= inside.size()) break;
        std::string key = word();
        if (key.empty()) {
            ++i;  // a stray '=': skipped
            continue;
        }
        skipSpace();
        std::string value;
        if (i < inside.size() && inside[i] == '=') {
            ++i;
            skipSpace();
            if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
                const std::size_t close = inside.find(inside[i], i + 1);  // TagEnd saw it closed
                value = DecodeText(inside, i + 1, close);
                i = close + 1;
            } else {
                value = word();
            }
        }
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    return tag;
}

// A break's time ("500ms", "1.5s"), in milliseconds; -1 when it is not one.
int BreakTime(const std::string& time) {
    char* end = nullptr;
    const double number = std::strtod(time.c_str(), &end);
    const std::string unit = end;
    if (end == time.c_str() || !(number >= 0)) return -1;
    const double ms = unit == "ms" ? number : unit == "s" ? number * 1000 : -1;
    if (ms < 0) return -1;
    return ms > kMaxSilenceMs ? kMaxSilenceMs : static_cast<int>(ms);
}

// The pause of each break strength; a sentence ends with a strong one, a paragraph with an x-strong one.
int StrengthMs(const std::string& strength) {
    static const struct {
        const char* name;
        int ms;
    } kStrengths[] = {{"none", 0}, {"x-weak", 50}, {"weak", 150}, {"medium", 300}, {"strong", 500}, {"x-strong", 800}};
    for (const auto& s : kStrengths)
        if (strength == s.name) return s.ms;
    return 300;  // medium, the default
}
constexpr int kSentencePauseMs = 500;
constexpr int kParagraphPauseMs = 800;

// A mark name travels back on one protocol line.
std::string OneLine(std::string name) {
    for (char& c : name)
        if (c == '\n' || c == '\r') c = ' ';
    return name;
}

// Where to cut text to at most maxBytes: after the last line end, sentence
// end or space of its second half, else at a character's start.
std::size_t CutAt(const std::string& text, std::size_t maxBytes) {
    for (const char* separators : {"\n", ".!?;", " \t"}) {
        for (std::size_t at = maxBytes; at > maxBytes / 2; --at)
            if (std::strchr(separators, text[at - 1])) return at;
    }
    std::size_t at = maxBytes;
    while (at > 1 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

class Parser {
public:
    // The text of ssml[from, to), decoded straight into the stretch being
    // read, a window at a time, so that a long text is cut into stretches of
    // at most kMaxStretchBytes as it is read, never held whole twice.
    void Text(const std::string& ssml, std::size_t from, std::size_t to) {
        const bool blank = std::all_of(ssml.begin() + from, ssml.begin() + to, IsSpace);
        if (!blank) {
            // A sentence or paragraph boundary separates texts; before the first or after the last it is nothing.
            if (pendingPauseMs_ > 0 && (!message_.stretches.empty() || !IsBlank(text_))) Silence(pendingPauseMs_);
            pendingPauseMs_ = 0;
        }
        while (from < to) {
            std::size_t end = std::min(to, from + kMaxStretchBytes);
            // An entity is not split between two windows.
            for (std::size_t i = end; end < to && i > from && end - i <= kMaxEntityBody + 1; --i) {
                if (ssml[i - 1] == '&') {
                    if (i - 1 > from) end = i - 1;
                    break;
                }
            }
            DecodeInto(text_, ssml, from, end);
            from = end;
            while (text_.size() > kMaxStretchBytes) {
                const std::size_t at = CutAt(text_, kMaxStretchBytes);
                if (!IsBlank(text_.substr(0, at))) message_.stretches.push_back(Stretch{text_.substr(0, at), {}});
                text_.erase(0, at);
            }
        }
    }
    void Mark(std::string name) {
        Boundary mark;
        mark.isMark = true;
        mark.mark = OneLine(std::move(name));
        Reach(std::move(mark));
    }
    void Silence(int ms) {
        if (ms <= 0) return;
        Boundary silence;
        silence.silenceMs = ms;
        Reach(std::move(silence));
    }
    void Pause(int ms) { pendingPauseMs_ = std::max(pendingPauseMs_, ms); }

    SpokenMessage Finish() {
        if (!IsBlank(text_)) message_.stretches.push_back(Stretch{std::move(text_), {}});
        return std::move(message_);
    }

private:
    void Reach(Boundary boundary) {
        if (!IsBlank(text_)) message_.stretches.push_back(Stretch{std::move(text_), {}});
        text_.clear();
        std::vector<Boundary>& list = message_.stretches.empty() ? message_.leading : message_.stretches.back().after;
        // Pauses in a row are one pause, the longest.
        if (!boundary.isMark && !list.empty() && !list.back().isMark) {
            list.back().silenceMs = std::max(list.back().silenceMs, boundary.silenceMs);
            return;
        }
        list.push_back(std::move(boundary));
    }

    SpokenMessage message_;
    std::string text_;  // of the stretch being read
    int pendingPauseMs_ = 0;
};

}  // namespace

SpokenMessage ParseSsml(const std::string& ssml) {
    Parser parser;
    std::size_t i = 0;
    while (i < ssml.size()) {
        const std::size_t open = ssml.find('<', i);
        const std::size_t textEnd = open == std::string::npos ? ssml.size() : open;
        parser.Text(ssml, i, textEnd);
        if (open == std::string::npos) break;
        if (ssml.compare(open, 4, "<!--") == 0) {
            const std::size_t close = ssml.find("-->", open + 4);
            if (close == std::string::npos) break;
            i = close + 3;
            continue;
        }
        const std::size_t close = TagEnd(ssml, open);
        if (close == std::string::npos) break;  // a tag left open: nothing after it is text
        const Tag tag = ReadTag(ssml.substr(open + 1, close - open - 1));
        if (tag.name == "mark" && !tag.closing) {
            if (const std::string* name = tag.Attribute("name")) parser.Mark(*name);
        } else if (tag.name == "break" && !tag.closing) {
            const std::string* time = tag.Attribute("time");
            const int timeMs = time ? BreakTime(*time) : -1;
            const std::string* strength = tag.Attribute("strength");
            parser.Silence(timeMs >= 0 ? timeMs : StrengthMs(strength ? *strength : std::string()));
        } else if (tag.name == "s") {
            parser.Pause(kSentencePauseMs);
        } else if (tag.name == "p") {
            parser.Pause(kParagraphPauseMs);
        }
        i = close + 1;
    }
    return parser.Finish();
}

}  // namespace sdkavo
