// The text of a message the server sends: SSML (<speak>...</speak>) with
// entities and the <mark name="..."/> elements the server inserts. What is
// spoken is the text without its tags, entities decoded, cut at each mark.
#pragma once
#include <string>
#include <vector>

namespace sdkavo {

// One stretch of text to speak and the marks reached right after it.
struct Stretch {
    std::string text;  // UTF-8 as received; never empty nor only white space
    std::vector<std::string> marksAfter;
};

struct SpokenMessage {
    std::vector<std::string> leadingMarks;  // marks before any text
    std::vector<Stretch> stretches;
};

// Never fails: a tag left open drops the rest of the message, an entity not
// known is spoken as written, and bytes that are not UTF-8 pass through (the
// plug-in's text conversion turns them into U+FFFD).
SpokenMessage ParseSsml(const std::string& ssml);

}  // namespace sdkavo
