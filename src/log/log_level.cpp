#include "log/log_level.h"

namespace kavo {

const char* LogLevelName(std::int32_t level) {
    switch (level) {
        case kLogInfo: return "info";
        case kLogWarning: return "warning";
        case kLogError: return "error";
        case kLogCritical: return "critical";
        case kLogDebug: return "debug";
        default: return nullptr;
    }
}

}  // namespace kavo
