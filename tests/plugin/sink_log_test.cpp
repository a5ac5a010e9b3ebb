// Sink mode: every line goes to the host's LogSink at once, on the logging thread.
#include "support/plugin_fixture.h"
#include "util/thread_id.h"
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
    EXPECT_EQ(ready.Message(), u"合成线程准备就绪");
    EXPECT_NE(ready.threadId, kavo::CurrentThreadId());
    EXPECT_EQ(ready.text, Prefix(ready.threadId) + u"合成线程准备就绪");
    EXPECT_EQ(lines[2].threadId, ready.threadId);
}

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
