// A stop that lands while the worker takes a request from the queue must still
// cut that request. Stops are timed at random against an idle worker, whose
// wake-up takes about as long, so some land just as it takes the request.
#include <chrono>
#include <mutex>
#include <random>
#include <vector>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

constexpr int kRounds = 1500;
constexpr int kBlocks = 5;  // more than a stopped request may still deliver

// Spins for a random time of up to 100 µs: the span of a worker's wake-up.
void WaitAtRandom(std::mt19937& random) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::nanoseconds(std::uniform_int_distribution<int>(0, 100000)(random));
    while (std::chrono::steady_clock::now() < until) {
    }
}

using StopRace = PluginTest;

TEST_F(StopRace, AStopCutsTheRequestQueuedBeforeItEvenWhenTheWorkerHasJustTakenIt) {
    fake().Streaming(kBlocks, 40, 3000, /*delayMs=*/0);
    StartAndWaitReady();
    std::mutex mutex;
    std::vector<std::int32_t> order;  // the value of every PlayCallback call, in call order
    play().OnCall([&](const PlayCall& call) {
        std::lock_guard<std::mutex> lock(mutex);
        order.push_back(call.value);
    });
    std::vector<std::size_t> stopMark(kRounds);  // calls made before each round's Stop returned
    std::mt19937 random(12345);
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(Speak(kXiaoyan, u"cut me", round));
        WaitAtRandom(random);
        ASSERT_TRUE(api().Stop());
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopMark[round] = order.size();
        }
        WaitUntilWorkerIdle(-1 - round);
    }
    play().OnCall(nullptr);

    // After its Stop returned, a request may finish the block of the poll in
    // progress and, if that was its last, make its end call: two calls at most.
    std::vector<int> callsAfterStop(kRounds, 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::int32_t value = order[i];
        if (value >= 0 && i >= stopMark[value]) ++callsAfterStop[value];
    }
    int playedOn = 0;
    for (int round = 0; round < kRounds; ++round) playedOn += callsAfterStop[round] > 2 ? 1 : 0;
    EXPECT_EQ(playedOn, 0) << "requests that went on playing after their Stop had returned";
}

}  // namespace
}  // namespace kavotest
