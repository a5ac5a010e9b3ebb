#include <windows.h>

#include "util/platform/thread_id.h"

namespace kavo {

std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace kavo
