#include "log/log_format.h"

#include <cstdio>

#include "log/log_level.h"
#include "util/platform/ansi_text.h"
#include "util/wide_builder.h"

namespace kavo {

std::u16string FormatSinkText(std::uint32_t threadId, const std::u16string& message) {
    WideBuilder text;
    text << u"语音插件XunFeiClassic tid: " << threadId << u"\n" << message;
    return text.str();
}

std::string FormatFileEntry(const LogEntry& entry) {
    std::string text;
    if (const char* name = LogLevelName(entry.level)) {
        text = name;
    } else {
        text = std::to_string(entry.level);
    }
    const LocalTime& t = entry.time;
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, " - %u-%02u-%02u %02u:%02u:%02u.%03u\n", unsigned{t.year}, unsigned{t.month},
                  unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute}, unsigned{t.second},
                  unsigned{t.milliseconds});
    text += stamp;
    std::string message;
    WideToAnsi(entry.message, message);  // a message with no narrow form stays an empty line
    text += message;
    text += '\n';
    return text;
}

}  // namespace kavo
