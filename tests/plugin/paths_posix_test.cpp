// POSIX folders as users have them: names that are not UTF-8, paths of any
// length, and a named pipe where the log file would go.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "support/plugin_fixture.h"
#include "util/ansi_text.h"

namespace kavotest {
namespace {

// "语音" in GBK bytes, as copied from an old archive: not UTF-8.
const std::filesystem::path kGbkFolder(std::string("\xd3\xef\xd2\xf4"));

std::filesystem::path LongFolder() {
    return std::filesystem::path(std::string(200, 'a')) / std::string(200, 'b');
}

class GbkNamedFolder : public PluginTestBase {
protected:
    GbkNamedFolder() : PluginTestBase(EngineKind::Fake, kGbkFolder) {}
};

TEST_F(GbkNamedFolder, FindsItsEngineAndWritesItsLogFile) {
    ListenForAudio();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, u"bytes", 1));
    ASSERT_TRUE(play().WaitForEnd(1)) << "the engine beside the plug-in was not found";
    ASSERT_TRUE(api().Uninitialize());
    std::string ready;
    ASSERT_TRUE(kavo::WideToAnsi(u"合成线程准备就绪", ready));
    EXPECT_NE(ReadFileBytes(host().LogFile()).find(ready), std::string::npos) << "the worker's line is not in the log";
}

class LongFolderPath : public PluginTestBase {
protected:
    LongFolderPath() : PluginTestBase(EngineKind::Fake, LongFolder()) {}
};

TEST_F(LongFolderPath, FindsItsEngineAndWritesItsLogFile) {
    ASSERT_GT(host().folder().native().size(), 400u);
    ListenForAudio();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, u"far away", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    ASSERT_TRUE(api().Uninitialize());
    EXPECT_TRUE(std::filesystem::is_regular_file(host().LogFile()));
}

class LongFolderWithoutEngine : public PluginTestBase {
protected:
    LongFolderWithoutEngine() : PluginTestBase(EngineKind::None, LongFolder()) {}
};

// Run with LD_LIBRARY_PATH naming a folder that holds an engine: a plug-in
// that loaded its engine by bare name would log in to that one.
TEST_F(LongFolderWithoutEngine, NeverLoadsAnEngineFromTheSearchPath) {
    ASSERT_TRUE(StartWithSink());
    const std::u16string failure = logs().WaitForMessageStartingWith(u"dll加载失败 error: ");
    ASSERT_FALSE(failure.empty());
    EXPECT_NE(failure.find(u" path: /"), std::u16string::npos) << "not a full path";
    EXPECT_TRUE(logs().WaitForMessage(u"合成接口初始化失败"));
    ASSERT_TRUE(api().Uninitialize());
    for (const std::u16string& message : logs().Messages()) EXPECT_NE(message, u"合成线程准备就绪");
}

using NamedPipeLog = PluginTest;

TEST_F(NamedPipeLog, ANamedPipeAtTheLogPathNeverHoldsUpUninitialize) {
    const std::string pipe = host().LogFile().native();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ListenForAudio();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, u"piped", 1));
    ASSERT_TRUE(play().WaitForEnd(1));

    std::mutex mutex;
    std::condition_variable done;
    bool returned = false;
    std::thread closer([&] {
        api().Uninitialize();
        std::lock_guard<std::mutex> lock(mutex);
        returned = true;
        done.notify_all();
    });
    bool inTime = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        inTime = done.wait_for(lock, kPatience, [&] { return returned; });
    }
    if (!inTime) close(open(pipe.c_str(), O_RDONLY | O_NONBLOCK));  // a reader lets the stuck writer go
    closer.join();
    EXPECT_TRUE(inTime) << "Uninitialize waited for a reader of the named pipe";
}

}  // namespace
}  // namespace kavotest
