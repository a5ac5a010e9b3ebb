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

}  // namespace

std::vector<SpeechRequest> PlanRequests(std::vector<Stretch> stretches, std::size_t joinedBytes) {
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
        requests.push_back(std::move(open));
        open = SpeechRequest();
    }
    return requests;
}

}  // namespace sdkavo
