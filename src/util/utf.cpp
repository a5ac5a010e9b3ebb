#include "util/utf.h"

namespace kavo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes the UTF-8 sequence at s[i]: its code point and how many bytes it
// spans; false (with the bytes of the broken sequence in length) when it is
// not well-formed.
bool DecodeSequence(const unsigned char* s, std::size_t n, std::size_t i, char32_t& cp, std::size_t& length) {
    const unsigned char lead = s[i];
    int extra = 0;
    char32_t minimum = 0;
    length = 1;
    if (lead < 0x80) {
        cp = lead;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1; cp = lead & 0x1F; minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2; cp = lead & 0x0F; minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3; cp = lead & 0x07; minimum = 0x10000;
    } else {
        return false;
    }
    int taken = 0;
    while (taken < extra && i + 1 + taken < n && (s[i + 1 + taken] & 0xC0) == 0x80) {
        cp = (cp << 6) | (s[i + 1 + taken] & 0x3F);
        ++taken;
    }
    length = 1 + static_cast<std::size_t>(taken);
    const bool surrogate = cp <= 0xFFFF && IsSurrogate(static_cast<char16_t>(cp));
    return taken == extra && cp >= minimum && cp <= 0x10FFFF && !surrogate;
}

// Lone low surrogates that stand for the bytes 0x80..0xFF of a file name.
constexpr char16_t kEscapedByteBase = 0xDC00;

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD, unless escapedBytes and it
// stands for a file name's byte.
std::string EncodeUtf8(const std::u16string& text, bool escapedBytes) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (escapedBytes && unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF) {
            out.push_back(static_cast<char>(unit - kEscapedByteBase));
        } else if (IsSurrogatePairAt(text, i)) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, IsSurrogate(unit) ? kReplacement : unit);
        }
    }
    return out;
}

// UTF-8 to UTF-16; a broken sequence becomes one U+FFFD, unless escapedBytes,
// when each of its bytes becomes the lone surrogate that stands for it.
std::u16string DecodeUtf8(const std::string& text, bool escapedBytes) {
    std::u16string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        char32_t cp = 0;
        if (DecodeSequence(s, text.size(), i, cp, length)) {
            AppendUtf16(out, cp);
        } else if (escapedBytes) {
            out.push_back(static_cast<char16_t>(kEscapedByteBase + s[i]));
            length = 1;
        } else {
            AppendUtf16(out, kReplacement);
        }
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(const std::string& text) { return DecodeUtf8(text, false); }

std::u16string PathBytesToUtf16(const std::string& bytes) { return DecodeUtf8(bytes, true); }

std::string Utf16ToUtf8(const std::u16string& text) { return EncodeUtf8(text, false); }

std::string Utf16ToPathBytes(const std::u16string& path) { return EncodeUtf8(path, true); }

}  // namespace kavo
