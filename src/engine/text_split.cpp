#include "engine/text_split.h"

#include "util/utf.h"

namespace kavo {
namespace {

bool IsBreak(char16_t c) { return c == u',' || c == u'，' || c == u'。' || c == u'.' || c == u' '; }

}  // namespace

void SplitText(const std::u16string& text, std::vector<std::u16string>& pieces) {
    const std::size_t n = text.size();
    if (n <= kMaxPieceLength) {
        pieces.push_back(text);
        return;
    }
    // Each full window is searched backwards from its end for its last break
    // character (one at the window's first position does not count), which
    // in ordinary text is a few characters away: far fewer looks than a scan
    // of every character.
    pieces.reserve(pieces.size() + n / kMaxPieceLength + 1);
    std::size_t start = 0;
    while (n - start > kMaxPieceLength) {
        const std::size_t windowEnd = start + kMaxPieceLength;
        std::size_t end = windowEnd - 1;
        while (end > start && !IsBreak(text[end])) --end;
        if (end == start) {
            end = windowEnd;
            // A forced cut must not separate the halves of a surrogate pair.
            if (IsSurrogatePairAt(text, end - 1)) --end;
        }
        pieces.emplace_back(text, start, end - start);
        start = end;
    }
    // Whatever remains is spoken, even a single character.
    if (start < n) pieces.emplace_back(text, start, n - start);
}

}  // namespace kavo
