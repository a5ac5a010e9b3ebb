// Log files that cannot be written as files: the plug-in speaks on, and
// shutting down never waits for the log.
#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

using LogPath = PluginTest;

TEST_F(LogPath, ADirectoryAtTheLogFilesPathLeavesSpeechAndShutdownAlone) {
    std::filesystem::create_directory(host().LogFile());
    ListenForAudio();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, u"no log", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_TRUE(api().Uninitialize());
    EXPECT_TRUE(std::filesystem::is_directory(host().LogFile()));
}

}  // namespace
}  // namespace kavotest
