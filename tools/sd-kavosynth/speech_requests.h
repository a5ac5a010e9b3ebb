// How a message's stretches become requests to the plug-in. Each request
// costs the engine's opening and closing of a phrase: spoken word by word,
// with a mark between each two, a sentence lasts half as long again. So the
// stretches between marks are joined into one request, the marks placed into
// its audio afterwards. A long text comes already cut into stretches
// (kMaxStretchBytes), which the module hands over a few at a time, so that
// neither it nor the plug-in holds copies of all of it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ssml.h"

namespace sdkavo {

struct SpeechRequest {
    std::int32_t value = 0;  // given when it is queued
    std::string text;
    // Marks inside the text, at byte offsets into it: the request's audio is
    // held until it ends and the marks are placed into it in proportion.
    std::vector<std::pair<std::size_t, std::string>> innerMarks;
    std::vector<Boundary> after;
};

// Stretches joined across the marks between them while the request is short
// (never across a pause, nor past a sentence's end, nor taking in a long stretch).
std::vector<SpeechRequest> PlanRequests(std::vector<Stretch> stretches, std::size_t joinedBytes = 100);

}  // namespace sdkavo
