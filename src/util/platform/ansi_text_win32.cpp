#include <windows.h>

#include <vector>

#include "util/platform/ansi_text.h"

namespace kavo {

bool WideToAnsi(const std::u16string& input, std::string& output) {
    output.clear();
    const auto* wide = reinterpret_cast<const wchar_t*>(input.c_str());
    const int length = static_cast<int>(input.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, length, buffer.data(), size, nullptr, nullptr);
    if (written <= 0) return false;
    output.assign(buffer.data(), static_cast<std::size_t>(written));
    return true;
}

bool AnsiConversionAvailable() { return true; }

}  // namespace kavo
