// Initialize / Uninitialize cycles, and the calls a host must not make but may.
#include <atomic>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

std::atomic<int> otherSinkCalls{0};
void KAVOSYNTH_CALL OtherSink(std::int32_t, const KavoChar*) { ++otherSinkCalls; }

using Lifecycle = PluginTest;

TEST_F(Lifecycle, SecondInitializeWhileRunningStartsNoSecondWorkerAndKeepsTheSink) {
    StartAndWaitReady();
    otherSinkCalls = 0;
    EXPECT_TRUE(api().Initialize(&OtherSink));
    EXPECT_TRUE(api().Initialize(nullptr));
    WaitUntilWorkerIdle();
    EXPECT_EQ(fake().Logins(), 1);
    EXPECT_EQ(otherSinkCalls.load(), 0);
    EXPECT_FALSE(std::filesystem::exists(host().LogFile())) << "the second call switched to file mode";
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_EQ(logs().Messages().back(), u"日志模块清理完成");
}

TEST_F(Lifecycle, UninitializeJoinsTheWorkerWhichLogsOutAndSaysSo) {
    StartAndWaitReady();
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_EQ(fake().Logouts(), 1);
    EXPECT_EQ(logs().Messages(),
              (std::vector<std::u16string>{u"日志模块初始化完成", u"合成线程准备就绪", u"合成线程退出", u"日志模块清理完成"}));
}

TEST_F(Lifecycle, ANewCycleLogsInAgainAndSpeaksItsFirstRequestInFull) {
    StartAndWaitReady();
    ASSERT_TRUE(api().Stop());  // leaves the stop flag raised while idle
    ASSERT_TRUE(api().Uninitialize());
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(Speak(kXiaoyan, u"again", 5));
    ASSERT_TRUE(play().WaitForEnd(5));
    EXPECT_EQ(play().AudioOf(5), DefaultFakeAudio("again"));
    EXPECT_EQ(fake().Logins(), 2);
}

TEST_F(Lifecycle, PlayCallbackAndSettingsSurviveACycle) {
    StartAndWaitReady();
    ASSERT_TRUE(api().SetRate(K(kXiaofeng), 80));
    ASSERT_TRUE(api().Uninitialize());
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(Speak(kXiaofeng, u"kept", 1));  // refused if the callback were lost
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(fake().SessionParams(0), SessionParams("xiaofeng", 80, 100, 50));
}

TEST_F(Lifecycle, UninitializeFromInsideThePlayCallbackIsRefusedWithoutDeadlock) {
    StartAndWaitReady();
    std::atomic<int> answers{-1};
    play().OnCall([&](const PlayCall& call) {
        if (call.IsEnd() && call.value == 1) answers = api().Uninitialize() ? 1 : 0;
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"inside", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    play().OnCall(nullptr);
    WaitUntilWorkerIdle();  // still running: the refused call changed nothing
    EXPECT_EQ(answers.load(), 0);
    EXPECT_TRUE(api().Uninitialize());
}

TEST_F(Lifecycle, ClearingThePlayCallbackMakesSpeakRefuse) {
    StartAndWaitReady();
    api().SetPlayCallback(nullptr);
    EXPECT_FALSE(Speak(kXiaoyan, u"nobody listens", 1));
    ListenForAudio();
    EXPECT_TRUE(Speak(kXiaoyan, u"listening", 2));
    ASSERT_TRUE(play().WaitForEnd(2));
}

TEST_F(Lifecycle, ManyCyclesInBothLoggerModes) {
    ListenForAudio();
    for (int cycle = 0; cycle < 6; ++cycle) {
        const bool sinkMode = cycle % 2 == 0;
        ASSERT_TRUE(sinkMode ? StartWithSink() : StartWithLogFile());
        ASSERT_TRUE(Speak(kXiaomei, u"cycle", cycle));
        ASSERT_TRUE(play().WaitForEnd(cycle));
        ASSERT_TRUE(api().Uninitialize());
    }
    EXPECT_EQ(fake().Logins(), 6);
    EXPECT_EQ(fake().Logouts(), 6);
}

}  // namespace
}  // namespace kavotest
