// POSIX folders as users have them: names that are not UTF-8, paths of any
// length, and a named pipe where the log file would go.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "support/plugin_fixture.h"
#include "util/platform/ansi_text.h"
#include "util/platform/module_path.h"
#include "util/utf.h"

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
    ASSERT_NO_FATAL_FAILURE(SpeakOneRequestInFileMode(u"far away", 1));
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

// A host that names the plug-in relative to its current folder and then moves
// to another one (here the test program's own, where an engine lies too).
class RelativelyLoadedPlugin : public ::testing::Test {
protected:
    ~RelativelyLoadedPlugin() override {
        if (handle_) {
            uninitialize_();
            dlclose(handle_);
        }
        // Too deep to be removed by its full path: down by name, then up.
        std::filesystem::current_path(stage_);
        for (int level = 0; level < depth_; ++level) std::filesystem::current_path(DeepName());
        std::error_code ignored;
        std::filesystem::remove_all(Leaf(), ignored);
        for (int level = 0; level < depth_; ++level) {
            std::filesystem::current_path("..");
            std::filesystem::remove(DeepName(), ignored);
        }
        std::filesystem::current_path(before_);
        std::filesystem::remove_all(stage_.parent_path(), ignored);
    }

    static std::string DeepName() { return std::string(250, 'd'); }
    // The loader takes a relative name it has seen before for the library it
    // loaded then: each test's copy has a name of its own.
    std::string Leaf() const { return stage_.parent_path().filename().native(); }

    // Stages the plug-in and the fake engine `levels` folders below the stage
    // folder and loads it by a name relative to the folder above it.
    void LoadRelatively(int levels) {
        std::filesystem::current_path(stage_);
        for (; depth_ < levels; ++depth_) {
            ASSERT_EQ(mkdir(DeepName().c_str(), 0700), 0);
            std::filesystem::current_path(DeepName());
        }
        ASSERT_EQ(mkdir(Leaf().c_str(), 0700), 0);
        const std::string plugin = Leaf() + "/" + PluginFileInBuild().filename().native();
        std::filesystem::copy_file(PluginFileInBuild(), plugin);
        std::filesystem::copy_file(BuildOutputFolder() / "libfake-mscclassic.so", Leaf() + "/libmscclassic.so");
        handle_ = dlopen(("./" + plugin).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        std::filesystem::current_path(BuildOutputFolder());
        initialize_ = reinterpret_cast<decltype(initialize_)>(dlsym(handle_, "KavoSynthInitialize"));
        uninitialize_ = reinterpret_cast<decltype(uninitialize_)>(dlsym(handle_, "KavoSynthUninitialize"));
        ASSERT_TRUE(initialize_ && uninitialize_);
    }

    const std::filesystem::path before_ = std::filesystem::current_path();
    const std::filesystem::path stage_ = MakeStageFolder(u"relative");
    int depth_ = 0;
    void* handle_ = nullptr;
    bool(KAVOSYNTH_CALL* initialize_)(LogSink) = nullptr;
    bool(KAVOSYNTH_CALL* uninitialize_)() = nullptr;
};

TEST_F(RelativelyLoadedPlugin, FindsItsEngineAndWritesItsLogBesideItself) {
    LoadRelatively(0);
    ASSERT_TRUE(initialize_(nullptr));
    ASSERT_TRUE(uninitialize_());
    std::string ready;
    ASSERT_TRUE(kavo::WideToAnsi(u"合成线程准备就绪", ready));
    const std::string log = ReadFileBytes(stage_ / Leaf() / "KavoSynthXunFeiClassic.log");
    EXPECT_NE(log.find(ready), std::string::npos) << "no log with the engine's login beside the plug-in:\n" << log;
    EXPECT_EQ(log.find("dll"), std::string::npos) << log;
}

// Deeper than PATH_MAX, its folder cannot be named: no file log, and no engine
// from anywhere else.
TEST_F(RelativelyLoadedPlugin, DeeperThanAPathCanNameLoadsNothingAndWritesNoLog) {
    LoadRelatively(PATH_MAX / 250 + 1);
    EXPECT_FALSE(initialize_(nullptr)) << "file mode started without a folder for its log";
    LogRecorder::Instance().Reset();
    ASSERT_TRUE(initialize_(&LogRecorder::Sink));
    EXPECT_TRUE(LogRecorder::Instance().WaitForMessage(u"合成接口初始化失败"));
    ASSERT_TRUE(uninitialize_());
    for (const std::u16string& message : LogRecorder::Instance().Messages()) {
        EXPECT_NE(message, u"合成线程准备就绪") << "an engine was loaded from some other folder";
    }
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

// A file that is there but is no library for this machine: the code alone
// ("file not found") would mislead, so the loader's own words follow the path.
using UnloadableEngine = PluginWithoutEngineTest;

TEST_F(UnloadableEngine, TheLoadErrorCarriesTheLoadersReason) {
    const std::u16string path = kavo::AppendPath(host().FolderText(), EngineFileName());
    std::ofstream(host().folder() / EngineFileName(), std::ios::binary) << std::string(256, 'x');
    ASSERT_TRUE(StartWithSink());
    const std::u16string failure = logs().WaitForMessageStartingWith(u"dll加载失败 error: ");
    const std::u16string tail = u" path: " + path + u" reason: " + path + u": invalid ELF header";
    EXPECT_NE(failure.find(tail), std::u16string::npos) << kavo::Utf16ToUtf8(failure);
    ASSERT_TRUE(api().Uninitialize());
}

}  // namespace
}  // namespace kavotest
