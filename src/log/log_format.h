// The two text layouts of log lines: the text handed to the host's LogSink and
// the two-line entry of the log file.
#pragma once
#include <cstdint>
#include <string>

#include "log/log_entry.h"

namespace kavo {

// "语音插件XunFeiClassic tid: <threadId>\n<message>", nothing after it.
std::u16string FormatSinkText(std::uint32_t threadId, const std::u16string& message);

// "<level> - YYYY-MM-DD hh:mm:ss.mmm\n<message in the ANSI code page>\n".
// A level without a name is written as its number, so the entry is not lost.
std::string FormatFileEntry(const LogEntry& entry);

}  // namespace kavo
