// Shared by the benchmarks that drive the plug-in: a PlayCallback that counts
// and times what it is given without keeping the audio (the tests' recorder
// copies every block, which would weigh on what is measured), and a log sink
// that drops every line.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "bench_stats.h"
#include "kavosynth.h"

namespace kavobench {

// What the PlayCallback saw, for one benchmark at a time.
struct Deliveries {
    std::mutex mutex;
    std::condition_variable changed;
    int ends = 0;
    int blocks = 0;  // a benchmark may set it back to 0, under the mutex
    Clock::time_point firstBlockAt;  // of the block that took blocks from 0 to 1
    Clock::time_point lastBlockAt;
};
inline Deliveries deliveries;

inline void KAVOSYNTH_CALL RecordDelivery(const KavoChar*, const void* pcm, std::uint32_t bytes, std::int32_t) {
    const Clock::time_point now = Clock::now();
    {
        std::lock_guard<std::mutex> lock(deliveries.mutex);
        if (pcm == nullptr && bytes == 0) {
            ++deliveries.ends;
        } else {
            if (deliveries.blocks++ == 0) deliveries.firstBlockAt = now;
            deliveries.lastBlockAt = now;
        }
    }
    deliveries.changed.notify_all();
}

inline void KAVOSYNTH_CALL QuietSink(std::int32_t, const KavoChar*) {}

template <typename Predicate>
void WaitFor(Predicate predicate) {
    std::unique_lock<std::mutex> lock(deliveries.mutex);
    deliveries.changed.wait(lock, predicate);
}

inline int Ends() {
    std::lock_guard<std::mutex> lock(deliveries.mutex);
    return deliveries.ends;
}

inline int Blocks() {
    std::lock_guard<std::mutex> lock(deliveries.mutex);
    return deliveries.blocks;
}

}  // namespace kavobench
