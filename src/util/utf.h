// UTF-8 <-> UTF-16 for file names and program arguments on POSIX, and for
// tools and tests. Ill-formed input becomes U+FFFD, never an error.
#pragma once
#include <string>

namespace kavo {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace kavo
