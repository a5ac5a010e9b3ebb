#include "utf16_text.h"

#include <cwchar>
#include <locale>

namespace kavosay {
namespace {

// The standard's own UTF-8/UTF-16 converter, present in every locale.
using Converter = std::codecvt<char16_t, char, std::mbstate_t>;

const Converter& Utf() { return std::use_facet<Converter>(std::locale::classic()); }

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The converter lets a surrogate written out in UTF-8 through as a lone unit.
void ReplaceLoneSurrogates(std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            text[i] = u'\uFFFD';
        }
    }
}

}  // namespace

std::u16string ToUtf16(const std::string& utf8) {
    std::u16string out(utf8.size(), u'\0');  // never more units than bytes, even with replacements
    const char* from = utf8.data();
    const char* const end = from + utf8.size();
    char16_t* to = &out[0];
    while (from != end) {
        std::mbstate_t state{};
        const char* fromNext = from;
        char16_t* toNext = to;
        const auto result = Utf().in(state, from, end, fromNext, to, &out[0] + out.size(), toNext);
        from = fromNext;
        to = toNext;
        if (result == Converter::ok || from == end) break;
        // A byte that starts no well-formed sequence, or a sequence cut short.
        *to++ = u'\uFFFD';
        ++from;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    ReplaceLoneSurrogates(out);
    return out;
}

std::string ToUtf8(const std::u16string& utf16) {
    std::string out(utf16.size() * 3, '\0');  // three bytes per unit at most; a pair takes four for two
    const char16_t* from = utf16.data();
    const char16_t* const end = from + utf16.size();
    char* to = &out[0];
    while (from != end) {
        std::mbstate_t state{};
        const char16_t* fromNext = from;
        char* toNext = to;
        const auto result = Utf().out(state, from, end, fromNext, to, &out[0] + out.size(), toNext);
        from = fromNext;
        to = toNext;
        if (result == Converter::ok || from == end) break;
        // A lone surrogate.
        for (const char byte : {'\xEF', '\xBF', '\xBD'}) *to++ = byte;
        ++from;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

}  // namespace kavosay
