// A log file that something else holds open without sharing (as a second
// process would, with share mode 0): the plug-in cannot open it, and speaks
// and shuts down as without a log.
#include <windows.h>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

using LogHeldOpen = PluginTest;

TEST_F(LogHeldOpen, ALogFileHeldOpenWithoutSharingLeavesSpeechAndShutdownAlone) {
    const HANDLE held = CreateFileW(host().LogFile().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ListenForAudio();
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(Speak(kXiaoyan, u"held log", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_TRUE(api().Uninitialize());
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(held, &size));
    EXPECT_EQ(size.QuadPart, 0) << "the plug-in wrote into a file it could not share";
    CloseHandle(held);
}

}  // namespace
}  // namespace kavotest
