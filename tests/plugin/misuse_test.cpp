// What a careless or hostile host does: lifecycle calls from inside callbacks
// and from two threads at once, requests queued while the plug-in shuts down,
// and callbacks that throw.
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

using Clock = std::chrono::steady_clock;

using Misuse = PluginTest;

// Speaks from the calling thread until Speak refuses; false when it still
// accepted after the time limit.
bool SpeakUntilRefused(const PluginApi& api, std::int32_t firstValue) {
    const auto deadline = Clock::now() + kPatience;
    for (std::int32_t value = firstValue; Clock::now() < deadline; ++value) {
        if (!api.Speak(K(kXiaoyan), K(u"late"), value)) return true;
        std::this_thread::yield();
    }
    return false;
}

TEST_F(Misuse, SpeakIsRefusedOnceUninitializeHasBegunOnAnyThread) {
    fake().PollBlock(0, {3000, 3000}, /*status=*/0, -1, /*hold=*/true);
    StartAndWaitReady();
    std::atomic<int> insideCallback{-1};
    play().OnCall([&](const PlayCall& call) {
        if (call.value == 1) insideCallback = api().Speak(K(kXiaoyan), K(u"from inside"), 2) ? 1 : 0;
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"held", 1));
    ASSERT_TRUE(fake().WaitHeld());
    std::thread closer([&] { EXPECT_TRUE(api().Uninitialize()); });  // waits for the held poll
    const bool refused = SpeakUntilRefused(api(), 1000);
    fake().Release();
    closer.join();
    EXPECT_TRUE(refused) << "Speak from a second thread still accepted while Uninitialize ran";
    EXPECT_EQ(insideCallback.load(), 0) << "Speak from inside the PlayCallback accepted while Uninitialize ran";
}

TEST_F(Misuse, ANewWorkerStartsFromAnEmptyQueue) {
    fake().PollBlock(0, {3000, 3000}, /*status=*/0, -1, /*hold=*/true);
    StartAndWaitReady();
    ASSERT_TRUE(Speak(kXiaoyan, u"held", 1));
    ASSERT_TRUE(fake().WaitHeld());
    std::thread closer([&] { EXPECT_TRUE(api().Uninitialize()); });
    SpeakUntilRefused(api(), 1000);  // whatever was accepted meanwhile belongs to the old worker
    fake().Release();
    closer.join();
    const int sessionsBefore = fake().Sessions();

    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(Speak(kXiaoyan, u"first of the new worker", 7));
    ASSERT_TRUE(play().WaitForEnd(7));
    EXPECT_EQ(fake().Sessions(), sessionsBefore + 1) << "the new worker spoke requests of the old one";
    for (const PlayCall& call : play().Calls()) EXPECT_LT(call.value, 1000) << "a late request was spoken";
}

TEST_F(Misuse, TheWorkersFirstLineCanStopButNotStartAnotherWorker) {
    ListenForAudio();
    for (int cycle = 0; cycle < 50; ++cycle) {
        std::atomic<int> stopAnswer{-1};
        std::atomic<int> initializeAnswer{-1};
        logs().OnLine([&](const LogLine& line) {
            if (line.Message() != u"合成线程准备就绪") return;
            stopAnswer = api().Stop() ? 1 : 0;
            initializeAnswer = api().Initialize(&LogRecorder::Sink) ? 1 : 0;
        });
        ASSERT_TRUE(StartWithSink());
        ASSERT_TRUE(logs().WaitForMessage(u"合成线程准备就绪"));
        logs().OnLine(nullptr);
        EXPECT_EQ(stopAnswer.load(), 1) << "Stop refused from the worker's first line, cycle " << cycle;
        EXPECT_EQ(initializeAnswer.load(), 0) << "Initialize accepted on the worker thread, cycle " << cycle;
        ASSERT_TRUE(api().Uninitialize());
        logs().Reset();
    }
    EXPECT_EQ(fake().Logins(), 50);
}

TEST_F(Misuse, InitializeFromTheClosingLineIsRefusedAndThePluginStaysDown) {
    StartAndWaitReady();
    std::atomic<int> answer{-1};
    logs().OnLine([&](const LogLine& line) {
        if (line.Message() == u"日志模块清理完成") answer = api().Initialize(&LogRecorder::Sink) ? 1 : 0;
    });
    ASSERT_TRUE(api().Uninitialize());
    logs().OnLine(nullptr);
    EXPECT_EQ(answer.load(), 0);
    EXPECT_FALSE(Speak(kXiaoyan, u"nobody runs", 1)) << "the plug-in was left running";
    std::uint32_t count = 0;
    EXPECT_FALSE(api().GetVoiceList(nullptr, &count));
    EXPECT_EQ(fake().Logins(), 1);
}

TEST_F(Misuse, InitializeAndUninitializeFromTwoThreadsAtOnceStayConsistent) {
    ListenForAudio();
    std::atomic<bool> go{false};
    auto cycles = [&](bool fileMode) {
        while (!go) std::this_thread::yield();
        for (int i = 0; i < 100; ++i) {
            api().Initialize(fileMode ? nullptr : &LogRecorder::Sink);
            api().Uninitialize();
        }
    };
    std::thread a(cycles, false);
    std::thread b(cycles, true);
    go = true;
    a.join();
    b.join();
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(Speak(kXiaoyan, u"still sound", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_EQ(fake().Logins(), fake().Logouts()) << "a worker was left behind";
}

TEST_F(Misuse, APlayCallbackThatThrowsLosesNothingAndEveryBegunSessionEnds) {
    fake().Streaming(3, 40, 3000, 0);
    StartAndWaitReady();
    play().OnCall([](const PlayCall& call) {
        if (!call.IsEnd() && call.value == 1) throw std::runtime_error("the host's own fault");
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"thrown at", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    play().OnCall(nullptr);
    EXPECT_EQ(fake().SessionEnds(0), 1);
    WaitUntilWorkerIdle();
    EXPECT_EQ(fake().Sessions(), 2);
    EXPECT_EQ(fake().SessionEnds(1), 1);
}

std::atomic<int> throwingSinkCalls{0};
void KAVOSYNTH_CALL ThrowingSink(std::int32_t, const KavoChar*) {
    ++throwingSinkCalls;
    throw std::runtime_error("the host's own fault");
}

TEST_F(Misuse, ALogSinkThatThrowsDoesNotUndoInitializeNorStickAfterUninitialize) {
    throwingSinkCalls = 0;
    EXPECT_TRUE(api().Initialize(&ThrowingSink));
    EXPECT_TRUE(api().Uninitialize());
    const int thrown = throwingSinkCalls.load();
    EXPECT_GE(thrown, 2);  // its opening and closing lines at least

    ASSERT_TRUE(StartWithSink());
    EXPECT_TRUE(logs().WaitForMessage(u"日志模块初始化完成"));
    EXPECT_TRUE(api().Uninitialize());
    EXPECT_EQ(throwingSinkCalls.load(), thrown) << "the throwing sink outlived its cycle";
}

}  // namespace
}  // namespace kavotest
