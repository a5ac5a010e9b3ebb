// What a session polls to learn that its request was stopped: every stop moves
// the worker's stop generation on, past the one the request was queued with.
#pragma once
#include <atomic>
#include <cstdint>

namespace kavo {

class StopCheck {
public:
    StopCheck(const std::atomic<std::uint64_t>& generation, std::uint64_t requestGeneration)
        : generation_(generation), requestGeneration_(requestGeneration) {}
    bool Stopped() const { return generation_.load() != requestGeneration_; }

private:
    const std::atomic<std::uint64_t>& generation_;
    const std::uint64_t requestGeneration_;
};

}  // namespace kavo
