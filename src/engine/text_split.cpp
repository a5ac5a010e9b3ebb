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
    std::size_t start = 0;
    std::size_t lastBreak = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i - start >= kMaxPieceLength) {
            std::size_t end = lastBreak != start ? lastBreak : i;
            // A forced cut must not separate the halves of a surrogate pair.
            if (end == i && IsSurrogatePairAt(text, i - 1)) --end;
            pieces.push_back(text.substr(start, end - start));
            start = end;
            lastBreak = end;
        }
        if (IsBreak(text[i])) lastBreak = i;
    }
    // Whatever remains is spoken, even a single character.
    if (start < n) pieces.push_back(text.substr(start));
}

}  // namespace kavo
