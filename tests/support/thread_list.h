// The threads of this process as the kernel lists them (Linux), for checking
// that a library joined every thread it started. A joined thread can stay
// listed for a moment after its join returned, since the kernel lets go of
// it last; so counts are read once settled, or waited for, a few seconds at most.
#pragma once

#include <dirent.h>

#include <chrono>
#include <thread>

namespace kavo_test {

inline int ThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return -1;
    int count = 0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(tasks);
    return count;
}

constexpr auto kThreadExitBound = std::chrono::seconds(5);
constexpr auto kThreadListPoll = std::chrono::milliseconds(2);

// The count once it has stayed the same for 50 ms.
inline int SettledThreadCount() {
    const auto giveUp = std::chrono::steady_clock::now() + kThreadExitBound;
    int count = ThreadCount();
    for (int unchanged = 0; unchanged < 25 && std::chrono::steady_clock::now() < giveUp;) {
        std::this_thread::sleep_for(kThreadListPoll);
        const int now = ThreadCount();
        unchanged = now == count ? unchanged + 1 : 0;
        count = now;
    }
    return count;
}

// Whether the count comes to expected within kThreadExitBound.
inline bool ThreadCountReaches(int expected) {
    const auto giveUp = std::chrono::steady_clock::now() + kThreadExitBound;
    while (ThreadCount() != expected) {
        if (std::chrono::steady_clock::now() >= giveUp) return false;
        std::this_thread::sleep_for(kThreadListPoll);
    }
    return true;
}

}  // namespace kavo_test
