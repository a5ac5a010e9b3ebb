#include <sys/syscall.h>
#include <unistd.h>

#include "util/platform/thread_id.h"

namespace kavo {

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(syscall(SYS_gettid)); }

}  // namespace kavo
