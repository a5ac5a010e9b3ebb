#include "param_string.h"

#include <cstring>

namespace espeak_engine {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return std::string(begin, end);
}

}  // namespace

bool ParseParamString(const char* text, ParamMap& params) {
    params.clear();
    const char* const end = text + std::strlen(text);
    for (const char* item = text; item <= end;) {
        const char* itemEnd = static_cast<const char*>(std::memchr(item, ',', end - item));
        if (!itemEnd) itemEnd = end;
        const char* equals = static_cast<const char*>(std::memchr(item, '=', itemEnd - item));
        if (equals) {
            std::string key = Trim(item, equals);
            if (key.empty()) return false;
            params[key] = Trim(equals + 1, itemEnd);
        } else if (!Trim(item, itemEnd).empty()) {
            return false;
        }
        item = itemEnd + 1;
    }
    return true;
}

bool ParseBoundedInt(const std::string& text, int minimum, int maximum, int& value) {
    if (text.empty() || text.size() > 9) return false;
    int parsed = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        parsed = parsed * 10 + (c - '0');
    }
    if (parsed < minimum || parsed > maximum) return false;
    value = parsed;
    return true;
}

}  // namespace espeak_engine
