// Cuts a long text into pieces the engine takes in one session each.
#pragma once
#include <string>
#include <vector>

namespace kavo {

constexpr std::size_t kMaxPieceLength = 240;

// Appends the pieces of text to pieces, in order. Texts of up to 240 UTF-16
// units stay whole; longer ones are cut just before the last comma, full stop
// or space of each 240-unit window, or after 240 units when the window has
// none. Joined in order the pieces give back the text.
void SplitText(const std::u16string& text, std::vector<std::u16string>& pieces);

}  // namespace kavo
