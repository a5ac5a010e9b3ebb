// UTF-16 code units and UTF-8 <-> UTF-16 for file names, program arguments,
// tools and tests. Ill-formed input becomes U+FFFD, never an error.
#pragma once
#include <cstddef>
#include <string>

namespace kavo {

constexpr bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// True when text[i] and text[i + 1] are the two halves of one surrogate pair.
inline bool IsSurrogatePairAt(const std::u16string& text, std::size_t i) {
    return i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]);
}

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// File names on POSIX are bytes, which need not be UTF-8. They travel as UTF-16
// without loss: well-formed UTF-8 is decoded, and every other byte is kept as
// a lone low surrogate U+DC80..U+DCFF and turned back into that byte.
std::u16string PathBytesToUtf16(const std::string& bytes);
std::string Utf16ToPathBytes(const std::u16string& path);

}  // namespace kavo
