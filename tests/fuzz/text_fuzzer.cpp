// Fuzz target for the text the host hands over: any UTF-16 (unpaired
// surrogates, NULs, break characters anywhere) must split into pieces that
// join back to the text, stay within the window and keep surrogate pairs
// whole, and must convert without failing. Built for libFuzzer with clang
// (-DKAVO_FUZZ=ON), and into a replay program that CTest runs on every build.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/text_split.h"
#include "util/platform/ansi_text.h"
#include "util/utf.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two bytes a unit; small inputs are stretched so that long texts get cut too.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    if (!text.empty() && size % 2 == 1) {
        const std::size_t repeat = data[size - 1] % 8;
        const std::u16string once = text;
        for (std::size_t r = 0; r < repeat * 40; ++r) text += once;
    }

    std::vector<std::u16string> pieces;
    kavo::SplitText(text, pieces);
    std::u16string joined;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        Check(pieces[p].size() <= kavo::kMaxPieceLength);
        if (text.size() > kavo::kMaxPieceLength) Check(!pieces[p].empty());
        if (p > 0) Check(!(IsHigh(joined.back()) && IsLow(pieces[p].front())));
        joined += pieces[p];
    }
    Check(joined == text);

    std::string narrow = "stale";
    Check(kavo::WideToAnsi(text, narrow) == !text.empty());
    Check(!text.empty() || narrow.empty());

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string decoded = kavo::Utf8ToUtf16(bytes);
    Check(kavo::Utf8ToUtf16(kavo::Utf16ToUtf8(decoded)) == decoded);
    return 0;
}
