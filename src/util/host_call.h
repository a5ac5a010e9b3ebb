// Calls into the host (its PlayCallback or LogSink), and the host's function
// types. Whatever the host's function throws stays with it: the plug-in's
// thread goes on as if the call had returned, so its own state (an open engine
// session, a lock-free queue) stays consistent.
#pragma once
#include <utility>

#include "kavosynth.h"

namespace kavo {

template <typename Function, typename... Args>
void CallHost(Function function, Args&&... args) noexcept {
    try {
        function(std::forward<Args>(args)...);
    } catch (...) {
    }
}

}  // namespace kavo
