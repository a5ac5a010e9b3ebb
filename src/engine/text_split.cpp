#include "engine/text_split.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/utf.h"

namespace kavo {
namespace {

// The ASCII break characters, as bits of a mask indexed by the character.
constexpr std::uint64_t kAsciiBreaks = (1ull << u',') | (1ull << u'.') | (1ull << u' ');

bool IsBreak(char16_t c) {
    if (c < 64) return (kAsciiBreaks >> c) & 1u;
    return c == u'，' || c == u'。';
}

// The position of the last break character in chars[from, to), or lastBreak
// when there is none; every character is looked at once, in order.
std::size_t LastBreakIn(const char16_t* chars, std::size_t from, std::size_t to, std::size_t lastBreak) {
    std::size_t i = from;
#if defined(__SSE2__)
    // Eight characters at a time, where the processor is known to have SSE2.
    const __m128i comma = _mm_set1_epi16(static_cast<short>(u','));
    const __m128i fullStop = _mm_set1_epi16(static_cast<short>(u'.'));
    const __m128i space = _mm_set1_epi16(static_cast<short>(u' '));
    const __m128i wideComma = _mm_set1_epi16(static_cast<short>(u'，'));
    const __m128i ideographicStop = _mm_set1_epi16(static_cast<short>(u'。'));
    for (; to - i >= 8; i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        const __m128i breaks = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(eight, comma), _mm_cmpeq_epi16(eight, fullStop)),
                         _mm_cmpeq_epi16(eight, space)),
            _mm_or_si128(_mm_cmpeq_epi16(eight, wideComma), _mm_cmpeq_epi16(eight, ideographicStop)));
        // Two mask bits per character; the highest set one is the last break.
        const auto mask = static_cast<unsigned int>(_mm_movemask_epi8(breaks));
        if (mask != 0) lastBreak = i + static_cast<std::size_t>(31 - __builtin_clz(mask)) / 2;
    }
#endif
    for (; i < to; ++i) {
        if (IsBreak(chars[i])) lastBreak = i;
    }
    return lastBreak;
}

}  // namespace

void SplitText(const std::u16string& text, std::vector<std::u16string>& pieces) {
    const std::size_t n = text.size();
    if (n <= kMaxPieceLength) {
        pieces.push_back(text);
        return;
    }
    // At least one piece per window: room for them at once, not by doubling.
    pieces.reserve(pieces.size() + n / kMaxPieceLength + 1);
    std::size_t start = 0;
    std::size_t lastBreak = 0;
    std::size_t i = 0;
    for (;;) {
        // Every position before start + 240 only updates the last break; the
        // one at start + 240 first cuts, then is looked at in the next window.
        const std::size_t windowEnd = n - start > kMaxPieceLength ? start + kMaxPieceLength : n;
        lastBreak = LastBreakIn(text.data(), i, windowEnd, lastBreak);
        i = windowEnd;
        if (i == n) break;
        std::size_t end = lastBreak != start ? lastBreak : i;
        // A forced cut must not separate the halves of a surrogate pair.
        if (end == i && IsSurrogatePairAt(text, i - 1)) --end;
        pieces.emplace_back(text, start, end - start);
        start = end;
        lastBreak = end;
    }
    // Whatever remains is spoken, even a single character.
    if (start < n) pieces.emplace_back(text, start, n - start);
}

}  // namespace kavo
