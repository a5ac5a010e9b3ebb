// The local wall-clock time with milliseconds, laid out as the Windows record.
#pragma once
#include <cstdint>

namespace kavo {

struct LocalTime {
    std::uint16_t year;
    std::uint16_t month;
    std::uint16_t dayOfWeek;
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint16_t milliseconds;
};

LocalTime GetLocalTimeNow();

}  // namespace kavo
