// The local wall-clock time with milliseconds (local_time_win32.cpp, local_time_posix.cpp).
#pragma once
#include <cstdint>

namespace kavo {

struct LocalTime {
    std::uint16_t year;
    std::uint16_t month;
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint16_t milliseconds;
};

LocalTime GetLocalTimeNow();

}  // namespace kavo
