// Sink mode: every line goes to the host's LogSink, on the logging thread or,
// for the lines of a lifecycle call, on that call's thread once its lock is released.
#include <atomic>
#include <future>
#include <thread>

#include "support/plugin_fixture.h"
#include "util/platform/thread_id.h"
#include "util/utf.h"

namespace kavotest {
namespace {

using SinkLog = PluginTest;

std::u16string Prefix(std::uint32_t tid) {
    return u"语音插件XunFeiClassic tid: " + kavo::Utf8ToUtf16(std::to_string(tid)) + u"\n";
}

TEST_F(SinkLog, OpeningAndClosingLinesComeAtInfoOnTheHostThread) {
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(api().Uninitialize());
    const auto lines = logs().Lines();
    ASSERT_GE(lines.size(), 2u);
    const std::uint32_t host = kavo::CurrentThreadId();
    EXPECT_EQ(lines.front().level, 1);
    EXPECT_EQ(lines.front().text, Prefix(host) + u"日志模块初始化完成");
    EXPECT_EQ(lines.front().threadId, host);
    EXPECT_EQ(lines.back().level, 1);
    EXPECT_EQ(lines.back().text, Prefix(host) + u"日志模块清理完成");
    EXPECT_EQ(lines.back().threadId, host);
}

TEST_F(SinkLog, WorkerLinesCarryTheWorkerThreadId) {
    StartAndWaitReady();
    ASSERT_TRUE(api().Uninitialize());
    const auto lines = logs().Lines();
    ASSERT_EQ(lines.size(), 4u);
    const LogLine& ready = lines[1];
    ASSERT_EQ(ready.Message(), u"合成线程准备就绪");
    const std::u16string prefix = ready.text.substr(0, ready.text.find(u'\n') + 1);
    const std::size_t digits = prefix.find(u": ") + 2;
    const auto worker = static_cast<std::uint32_t>(std::stoul(kavo::Utf16ToUtf8(prefix.substr(digits))));
    EXPECT_NE(worker, kavo::CurrentThreadId());
    EXPECT_EQ(prefix, Prefix(worker));
    // The exit line is logged by the worker while Uninitialize waits for it,
    // and handed over by Uninitialize on its own thread.
    EXPECT_EQ(lines[2].text, Prefix(worker) + u"合成线程退出");
    EXPECT_EQ(lines[2].threadId, kavo::CurrentThreadId());
}

// A host that logs through another thread (as a GUI does through its UI
// thread): its sink hands the line over and waits until that thread has taken
// it, while that thread is itself starting or stopping the plug-in.
struct HandOver {
    const char* name;
    bool runningBefore;
    bool initializeHere;     // the call on this thread: Initialize, else Uninitialize
    std::u16string trigger;  // the line whose sink call waits for the other thread
};

void PrintTo(const HandOver& handOver, std::ostream* out) { *out << handOver.name; }

class SinkWaitingForAThreadInALifecycleCall : public PluginTest, public ::testing::WithParamInterface<HandOver> {};

TEST_P(SinkWaitingForAThreadInALifecycleCall, IsNeverStuck) {
    const HandOver& c = GetParam();
    if (c.runningBefore) StartAndWaitReady();
    std::atomic<bool> triggered{false};
    std::promise<bool> otherCall;
    std::future<bool> otherAnswer = otherCall.get_future();
    std::thread other;
    bool answeredWhileTheSinkWaited = false;
    logs().OnLine([&](const LogLine& line) {
        if (line.Message() != c.trigger || triggered.exchange(true)) return;
        other = std::thread([&] {
            otherCall.set_value(c.initializeHere ? api().Uninitialize() : api().Initialize(&LogRecorder::Sink));
        });
        answeredWhileTheSinkWaited = otherAnswer.wait_for(kPatience) == std::future_status::ready;
    });
    EXPECT_TRUE(c.initializeHere ? api().Initialize(&LogRecorder::Sink) : api().Uninitialize());
    logs().OnLine(nullptr);
    ASSERT_TRUE(triggered.load()) << "no line " << kavo::Utf16ToUtf8(c.trigger);
    other.join();
    EXPECT_TRUE(answeredWhileTheSinkWaited) << "the other thread's call waited for the sink that waited for it";
    EXPECT_TRUE(otherAnswer.get());
}

INSTANTIATE_TEST_SUITE_P(
    SinkLog, SinkWaitingForAThreadInALifecycleCall,
    ::testing::Values(HandOver{"InitializesWhileItsOpeningLineWaits", false, true, u"日志模块初始化完成"},
                      HandOver{"UninitializesWhileItsClosingLineWaits", true, false, u"日志模块清理完成"},
                      HandOver{"UninitializesWhileTheWorkersLastLineWaits", true, false, u"合成线程退出"}),
    [](const ::testing::TestParamInfo<HandOver>& info) { return std::string(info.param.name); });

TEST_F(SinkLog, NoFileIsWrittenInSinkMode) {
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_FALSE(std::filesystem::exists(host().LogFile()));
}

TEST_F(SinkLog, AfterCleanupANullSinkSwitchesToFileMode) {
    ASSERT_TRUE(StartWithSink());
    ASSERT_TRUE(api().Uninitialize());
    logs().Reset();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_TRUE(logs().Lines().empty());
    EXPECT_TRUE(std::filesystem::exists(host().LogFile()));
}

}  // namespace
}  // namespace kavotest
