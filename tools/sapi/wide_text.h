// UTF-8 (the registry rows, the voice list) as the wide text Windows takes.
#pragma once
#include <string>

#include "utf16_text.h"

namespace kavo::sapi {

inline std::wstring Wide(const std::string& utf8) {
    const std::u16string text = kavosay::ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

}  // namespace kavo::sapi
