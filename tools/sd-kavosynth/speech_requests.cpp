#include "speech_requests.h"

#include <algorithm>
#include <cstring>

namespace sdkavo {
namespace {

bool EndsSentence(const std::string& text) {
    const std::size_t last = text.find_last_not_of(" \t\r\n\"'");
    if (last == std::string::npos) return false;
    if (std::strchr(".!?;:", text[last])) return true;
    // 。！？；： in UTF-8
    for (const char* mark : {"\xe3\x80\x82", "\xef\xbc\x81", "\xef\xbc\x9f", "\xef\xbc\x9b", "\xef\xbc\x9a"})
        if (last >= 2 && text.compare(last - 2, 3, mark) == 0) return true;
    return false;
}

// Where to cut text[from...] to at most maxBytes: after the last line end,
// sentence end or space of the window's second half, else at a character's start.
std::size_t CutAt(const std::string& text, std::size_t from, std::size_t maxBytes) {
    const std::size_t limit = from + maxBytes;
    for (const char* separators : {"\n", ".!?;", " \t"}) {
        for (std::size_t at = limit; at > from + maxBytes / 2; --at)
            if (text[at - 1] != '\0' && std::strchr(separators, text[at - 1])) return at;
    }
    std::size_t at = limit;
    while (at > from + 1 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
}

// A request whose text is too long, as several; its marks follow the last.
void Cut(SpeechRequest request, std::size_t maxBytes, std::vector<SpeechRequest>& requests) {
    std::size_t from = 0;
    while (request.text.size() - from > maxBytes) {
        const std::size_t to = CutAt(request.text, from, maxBytes);
        requests.push_back(SpeechRequest{0, request.text.substr(from, to - from), {}, {}});
        from = to;
    }
    request.text.erase(0, from);
    request.text.shrink_to_fit();
    requests.push_back(std::move(request));
}

}  // namespace

std::vector<SpeechRequest> PlanRequests(std::vector<Stretch> stretches, std::size_t joinedBytes,
                                        std::size_t maxBytes) {
    std::vector<SpeechRequest> requests;
    SpeechRequest open;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        Stretch& stretch = stretches[i];
        if (open.text.empty()) open.text = std::move(stretch.text);
        else open.text += stretch.text;
        std::string().swap(stretch.text);
        const bool onlyMarks =
            std::all_of(stretch.after.begin(), stretch.after.end(), [](const Boundary& b) { return b.isMark; });
        const bool join = onlyMarks && i + 1 < stretches.size() && open.text.size() < joinedBytes &&
                          stretches[i + 1].text.size() < joinedBytes && !EndsSentence(open.text);
        if (join) {
            for (Boundary& mark : stretch.after) open.innerMarks.emplace_back(open.text.size(), std::move(mark.mark));
            continue;
        }
        open.after = std::move(stretch.after);
        Cut(std::move(open), maxBytes, requests);
        open = SpeechRequest();
    }
    return requests;
}

}  // namespace sdkavo
