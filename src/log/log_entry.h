// One message waiting in file mode for the log writer thread.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "util/platform/local_time.h"

namespace kavo {

struct LogEntry {
    std::int32_t level;
    std::u16string message;
    LocalTime time;
};

using LogEntryRef = std::shared_ptr<const LogEntry>;

}  // namespace kavo
