// Log levels: single bits, never combined.
#pragma once
#include <cstdint>

namespace kavo {

enum LogLevel : std::int32_t {
    kLogInfo = 1,
    kLogWarning = 2,
    kLogError = 4,
    kLogCritical = 8,
    kLogDebug = 16,
};

// The name written in file entries; null for a value that is not a level.
const char* LogLevelName(std::int32_t level);

}  // namespace kavo
