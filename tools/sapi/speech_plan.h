// A Speak call's fragment list as a flat list of things to do in order:
// sentences to speak (one plug-in request each), silences and bookmarks.
#pragma once
#include <string>
#include <vector>

#include "sapi_engine_interfaces.h"

namespace kavo::sapi {

struct SpeechItem {
    enum class Kind { Sentence, Silence, Bookmark };
    Kind kind = Kind::Sentence;
    std::wstring text;          // the sentence, or the bookmark's name
    ULONG sourceOffset = 0;     // where it starts in the client's text (characters)
    ULONG sourceLength = 0;
    LONG rateAdjust = 0;        // the fragment's prosody
    ULONG volume = 100;
    LONG pitchAdjust = 0;
    ULONG silenceMs = 0;
};

// The sentences of text: each ends after a run of sentence-ending punctuation
// (。！？；!?; and a '.' that ends a word) or at a line break, and starts at
// its first character that is not white space; pieces holding only white
// space are left out. {offset, length} in UTF-16 units.
struct TextSpan {
    std::size_t offset;
    std::size_t length;
};
std::vector<TextSpan> SplitSentences(const std::wstring& text);

std::vector<SpeechItem> PlanSpeech(const SPVTEXTFRAG* fragments);

}  // namespace kavo::sapi
