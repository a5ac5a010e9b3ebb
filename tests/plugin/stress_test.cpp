// Several host threads call Speak, Stop, the setters and SetPlayCallback at
// once against a streaming engine. Run under the sanitizers, this is where
// races and lifetime faults show.
#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

constexpr int kThreads = 4;
constexpr int kChaosRounds = 150;
constexpr int kFinalRequests = 5;
constexpr int kBlocks = 3;
constexpr int kSamplesPerBlock = 80;

// Each thread's requests carry values thread * 100000 + n, n counting up.
std::int32_t ValueOf(int thread, int n) { return thread * 100000 + n; }

using Stress = PluginTest;

TEST_F(Stress, ConcurrentHostsNeverLoseOrReorderAnUnstoppedRequest) {
    fake().Streaming(kBlocks, kSamplesPerBlock, 3000, /*delayMs=*/1);
    StartAndWaitReady();

    const std::u16string voices[] = {kXiaoyan, kXiaofeng, kXiaomei, kCatherine};
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
        hosts.emplace_back([&, t] {
            for (int n = 0; n < kChaosRounds; ++n) {
                const std::u16string& voice = voices[(t + n) % 4];
                switch ((n * 7 + t) % 10) {
                    case 0: api().Stop(); break;
                    case 1: api().SetRate(K(voice), n % 120 - 10); break;
                    case 2: api().SetVolume(K(voice), n); break;
                    case 3: api().SetPitch(K(voice), -n); break;
                    case 4: api().SetPlayCallback(n % 2 ? nullptr : &PlayRecorder::Callback); break;
                    default: Speak(voice, u"chaos, text.", ValueOf(t, n)); break;
                }
            }
        });
    }
    for (auto& h : hosts) h.join();

    // The chaos is over: from here on nobody stops, so every request must be heard whole.
    ListenForAudio();
    hosts.clear();
    for (int t = 0; t < kThreads; ++t) {
        hosts.emplace_back([&, t] {
            for (int n = kChaosRounds; n < kChaosRounds + kFinalRequests; ++n) {
                EXPECT_TRUE(Speak(voices[t], u"final words", ValueOf(t, n)));
            }
        });
    }
    for (auto& h : hosts) h.join();
    for (int t = 0; t < kThreads; ++t) ASSERT_TRUE(play().WaitForEnd(ValueOf(t, kChaosRounds + kFinalRequests - 1)));

    const auto calls = play().Calls();
    std::map<std::int32_t, int> ends;
    std::map<std::int32_t, std::size_t> bytes;
    std::vector<std::int32_t> lastEndOfThread(kThreads, -1);
    for (const PlayCall& call : calls) {
        EXPECT_EQ(ends[call.value], 0) << "a call after the end of request " << call.value;
        const int thread = call.value / 100000;
        if (call.IsEnd()) {
            ++ends[call.value];
            EXPECT_GT(call.value, lastEndOfThread[thread]) << "requests of one thread ended out of order";
            lastEndOfThread[thread] = call.value;
        } else {
            bytes[call.value] += call.count;
        }
    }
    for (int t = 0; t < kThreads; ++t) {
        for (int n = kChaosRounds; n < kChaosRounds + kFinalRequests; ++n) {
            EXPECT_EQ(ends[ValueOf(t, n)], 1) << ValueOf(t, n);
            EXPECT_EQ(bytes[ValueOf(t, n)], std::size_t{kBlocks * kSamplesPerBlock * 2}) << ValueOf(t, n);
        }
    }
    ASSERT_TRUE(api().Uninitialize());
}

}  // namespace
}  // namespace kavotest
