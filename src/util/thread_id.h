// The operating system's identifier of the calling thread.
#pragma once
#include <cstdint>

namespace kavo {

std::uint32_t CurrentThreadId();

}  // namespace kavo
