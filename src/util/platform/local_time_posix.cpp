#include <time.h>

#include "util/platform/local_time.h"

namespace kavo {

LocalTime GetLocalTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalTime{static_cast<std::uint16_t>(local.tm_year + 1900), static_cast<std::uint16_t>(local.tm_mon + 1),
                     static_cast<std::uint16_t>(local.tm_mday),        static_cast<std::uint16_t>(local.tm_hour),
                     static_cast<std::uint16_t>(local.tm_min),         static_cast<std::uint16_t>(local.tm_sec),
                     static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
}

}  // namespace kavo
