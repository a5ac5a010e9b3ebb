// The operating system's identifier of the calling thread
// (thread_id_win32.cpp, thread_id_posix.cpp).
#pragma once
#include <cstdint>

namespace kavo {

std::uint32_t CurrentThreadId();

}  // namespace kavo
