// Sink mode: every line goes to the host's LogSink on the thread that logged
// it: at once, or, for the lines a lifecycle call logs, once that call has
// released its lock.
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
    const std::uint32_t host = kavo::CurrentThreadId();
    std::vector<LogLine> onHost;
    for (const LogLine& line : logs().Lines())
        if (line.threadId == host) onHost.push_back(line);
    ASSERT_EQ(onHost.size(), 2u);
    EXPECT_EQ(onHost.front().level, 1);
    EXPECT_EQ(onHost.front().text, Prefix(host) + u"日志模块初始化完成");
    EXPECT_EQ(onHost.back().level, 1);
    EXPECT_EQ(onHost.back().text, Prefix(host) + u"日志模块清理完成");
    EXPECT_EQ(logs().Lines().back().text, onHost.back().text) << "the closing line comes last";
}

// The thread identifier a line's text carries.
std::uint32_t NamedThread(const LogLine& line) {
    const std::u16string prefix = line.text.substr(0, line.text.find(u'\n'));
    return static_cast<std::uint32_t>(std::stoul(kavo::Utf16ToUtf8(prefix.substr(prefix.find(u": ") + 2))));
}

TEST_F(SinkLog, EveryLineArrivesOnTheThreadItsTextNamesAndTheWorkersOnThePlayCallbacksThread) {
    constexpr int kCycles = 3;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        StartAndWaitReady();
        ASSERT_TRUE(Speak(kXiaoyan, u"你好", cycle));
        ASSERT_TRUE(play().WaitForEnd(cycle));
        ASSERT_TRUE(Speak(kXiaoyan, u"再见", kCycles + cycle));
        ASSERT_TRUE(api().Stop());
        ASSERT_TRUE(api().Uninitialize());
    }
    std::vector<std::uint32_t> workerLineThreads;
    for (const LogLine& line : logs().Lines()) {
        EXPECT_EQ(line.threadId, NamedThread(line)) << kavo::Utf16ToUtf8(line.text);
        if (line.Message() == u"合成线程准备就绪" || line.Message() == u"合成线程退出")
            workerLineThreads.push_back(line.threadId);
    }
    ASSERT_EQ(workerLineThreads.size(), 2u * kCycles);
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const std::vector<PlayCall> calls = play().CallsWithValue(cycle);
        ASSERT_FALSE(calls.empty());
        EXPECT_NE(calls.front().threadId, kavo::CurrentThreadId());
        EXPECT_EQ(workerLineThreads[2 * cycle], calls.front().threadId) << "ready line, cycle " << cycle;
        EXPECT_EQ(workerLineThreads[2 * cycle + 1], calls.front().threadId) << "exit line, cycle " << cycle;
    }
}

// A host that logs through another thread (as a GUI does through its UI
// thread): its sink hands the line over and waits until that thread has made
// its call, while this thread is starting or stopping the plug-in. Waiting for
// a lifecycle call is safe on the lines of a lifecycle call; on the worker's
// lines only a call that does not wait for the worker is (Uninitialize waits
// for it).
enum class Call { Initialize, Uninitialize, Stop };

bool Make(const PluginApi& api, Call call) {
    switch (call) {
        case Call::Initialize: return api.Initialize(&LogRecorder::Sink);
        case Call::Uninitialize: return api.Uninitialize();
        case Call::Stop: return api.Stop();
    }
    return false;
}

struct HandOver {
    const char* name;
    bool runningBefore;
    Call here;               // the call on this thread
    Call there;              // the call the sink waits for, on the other thread
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
        other = std::thread([&] { otherCall.set_value(Make(api(), c.there)); });
        answeredWhileTheSinkWaited = otherAnswer.wait_for(kPatience) == std::future_status::ready;
    });
    EXPECT_TRUE(Make(api(), c.here));
    logs().OnLine(nullptr);
    ASSERT_TRUE(triggered.load()) << "no line " << kavo::Utf16ToUtf8(c.trigger);
    other.join();
    EXPECT_TRUE(answeredWhileTheSinkWaited) << "the other thread's call waited for the sink that waited for it";
    EXPECT_TRUE(otherAnswer.get());
}

INSTANTIATE_TEST_SUITE_P(
    SinkLog, SinkWaitingForAThreadInALifecycleCall,
    ::testing::Values(
        HandOver{"InitializesWhileItsOpeningLineWaits", false, Call::Initialize, Call::Uninitialize, u"日志模块初始化完成"},
        HandOver{"UninitializesWhileItsClosingLineWaits", true, Call::Uninitialize, Call::Initialize, u"日志模块清理完成"},
        HandOver{"UninitializesWhileTheWorkersLastLineWaits", true, Call::Uninitialize, Call::Stop, u"合成线程退出"}),
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
