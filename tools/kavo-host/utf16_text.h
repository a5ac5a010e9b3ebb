// UTF-8 <-> UTF-16 for kavo-say's text: the words it speaks, voice names and
// messages. What cannot be converted becomes U+FFFD, so odd input is still
// spoken rather than refused.
#pragma once
#include <string>

namespace kavosay {

std::u16string ToUtf16(const std::string& utf8);
std::string ToUtf8(const std::u16string& utf16);

}  // namespace kavosay
