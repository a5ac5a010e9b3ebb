// The text of a message the server sends: SSML (<speak>...</speak>) with
// entities, the <mark name="..."/> elements the server inserts, and the
// <break>, <s> and <p> elements clients write. What is spoken is the text
// without its tags, entities decoded, cut at each mark and each pause.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace sdkavo {

// What lies between two stretches of text: a mark reached, or a silence.
struct Boundary {
    bool isMark = false;
    std::string mark;   // the mark's name
    int silenceMs = 0;  // when not a mark
};

// One stretch of text to speak and what follows it, in order.
struct Stretch {
    std::string text;  // UTF-8 as received; never empty, only white space, nor holding a NUL
    std::vector<Boundary> after;
};

struct SpokenMessage {
    std::vector<Boundary> leading;  // before any text
    std::vector<Stretch> stretches;
};

// The longest silence one break or pause gives.
constexpr int kMaxSilenceMs = 10000;
// The longest stretch: a longer text is cut (at a line end, sentence end or
// space in the second half, else between UTF-8 characters) into several, so
// that neither the module nor the plug-in holds copies of all of it at once.
constexpr std::size_t kMaxStretchBytes = 32768;

// Never fails, and takes time in proportion to the message's length: a tag
// left open drops the rest of the message, an entity not known is spoken as
// written, a NUL is not spoken, and bytes that are not UTF-8 pass through
// (the plug-in's text conversion turns them into U+FFFD). A sentence (<s>) or
// paragraph (<p>) boundary between two texts is a pause; <break> gives the
// silence its time or strength asks for.
SpokenMessage ParseSsml(const std::string& ssml);

}  // namespace sdkavo
