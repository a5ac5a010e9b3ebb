// Loading the engine from the plug-in's folder, logging in and out, and each start-up failure.
#include "support/plugin_fixture.h"
#include "util/platform/ansi_text.h"
#include "util/platform/module_path.h"
#include "util/wide_builder.h"

namespace kavotest {
namespace {

std::string LoginParamsFor(const std::u16string& folder) {
    std::string workDir;
    kavo::WideToAnsi(folder, workDir);
    return "appid = 7e02c9d4, work_dir = " + workDir + ", timeout = 5000, output = 0, flower_mode = close";
}

using EngineBinding = PluginTest;

TEST_F(EngineBinding, LogsInWithNoCredentialsAndThePluginFolderAsWorkDir) {
    StartAndWaitReady();
    EXPECT_EQ(fake().Logins(), 1);
    EXPECT_TRUE(fake().LoginCredentialsNull());
    EXPECT_EQ(fake().LoginParams(), LoginParamsFor(host().FolderText()));
}

TEST_F(EngineBinding, LogsOutExactlyOnceWhenTheWorkerEnds) {
    StartAndWaitReady();
    EXPECT_EQ(fake().Logouts(), 0);
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_EQ(fake().Logouts(), 1);
}

TEST_F(EngineBinding, ARefusedLoginIsLoggedWithItsSignedCodeAndNothingIsSpoken) {
    fake().SetLoginResult(-1);
    StartAndWaitReady();
    const auto lines = logs().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].level, 4);
    EXPECT_EQ(lines[1].Message(), u"登录失败 error: -1");
    EXPECT_EQ(lines[2].level, 4);
    EXPECT_EQ(lines[2].Message(), u"合成接口初始化失败");
    ASSERT_TRUE(Speak(kXiaoyan, u"unheard", 1));
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_TRUE(play().Calls().empty());
    EXPECT_EQ(fake().Sessions(), 0);
    EXPECT_EQ(fake().Logouts(), 0) << "never logged in, so never logged out";
}

class EngineWithChineseFolder : public PluginTestBase {
protected:
    EngineWithChineseFolder() : PluginTestBase(EngineKind::Fake, u"测试 目录") {}
};

TEST_F(EngineWithChineseFolder, SendsTheFolderInTheAnsiCodePage) {
    StartAndWaitReady();
    const std::string params = fake().LoginParams();
    EXPECT_EQ(params, LoginParamsFor(host().FolderText()));
    EXPECT_NE(params.find("\xb2\xe2\xca\xd4 \xc4\xbf\xc2\xbc, timeout"), std::string::npos) << params;  // GBK
}

TEST_F(EngineWithChineseFolder, WritesTheLogFileThere) {
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_TRUE(std::filesystem::exists(host().LogFile()));
}

using MissingEngine = PluginWithoutEngineTest;

TEST_F(MissingEngine, LogsOneLoadErrorWithCodeAndPathThenTheStartUpFailure) {
    StartAndWaitReady();
    const auto lines = logs().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].level, 4);
    const std::u16string message = lines[1].Message();
    const std::u16string path = kavo::AppendPath(host().FolderText(), EngineFileName());
    const std::u16string head = u"dll加载失败 error: ";
    const std::u16string tail = u" path: " + path;
    ASSERT_GT(message.size(), head.size() + tail.size());
    EXPECT_EQ(message.substr(0, head.size()), head);
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
    const std::u16string code = message.substr(head.size(), message.size() - head.size() - tail.size());
    EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) << "code";
    EXPECT_NE(code, u"0");
    EXPECT_EQ(lines[2].Message(), u"合成接口初始化失败");
}

TEST_F(MissingEngine, StillQueuesRequestsButNeverCallsBackAndShutsDownCleanly) {
    StartAndWaitReady();
    EXPECT_TRUE(Speak(kXiaoyan, u"one", 1));
    EXPECT_TRUE(Speak(kXiaofeng, u"two", 2));
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_TRUE(play().Calls().empty());
    const auto messages = logs().Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2], u"合成线程退出");
}

class EngineWithoutAudioGet : public PluginTestBase {
protected:
    EngineWithoutAudioGet() : PluginTestBase(EngineKind::FakeWithoutAudioGet) {}
};

TEST_F(EngineWithoutAudioGet, WritesNoLineOfItsOwnAndNeverLogsIn) {
    StartAndWaitReady();
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_EQ(logs().Messages(),
              (std::vector<std::u16string>{u"日志模块初始化完成", u"合成接口初始化失败", u"合成线程退出", u"日志模块清理完成"}));
    EXPECT_EQ(fake().Logins(), 0);
    EXPECT_EQ(fake().Logouts(), 0);
}

}  // namespace
}  // namespace kavotest
