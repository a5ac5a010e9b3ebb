// A plug-in whose own path does not fit the 260-unit buffer does not know its
// folder: it refuses file mode, and never loads an engine found through the
// DLL search order instead of the one beside it.
#include <windows.h>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

std::filesystem::path FolderPastMaxPath() {
    return std::filesystem::path(std::u16string(120, u'a')) / std::u16string(120, u'b');
}

class FolderPastMaxPathTest : public PluginTestBase {
protected:
    FolderPastMaxPathTest() : PluginTestBase(EngineKind::None, FolderPastMaxPath()) {}
};

TEST_F(FolderPastMaxPathTest, RefusesFileModeForAFolderItCannotKnow) {
    ASSERT_GT(host().folder().native().size(), 260u);
    EXPECT_FALSE(StartWithLogFile());
}

TEST_F(FolderPastMaxPathTest, NeverLoadsAnEngineFromTheSearchOrder) {
    // An engine planted where LoadLibraryW("mscclassic.dll") would find it.
    const std::filesystem::path planted = MakeStageFolder(u"planted");
    std::filesystem::copy_file(BuildOutputFolder() / "fake-mscclassic.dll", planted / "mscclassic.dll");
    ASSERT_TRUE(SetDllDirectoryW(planted.c_str()));
    ASSERT_TRUE(StartWithSink());
    const std::u16string failure = logs().WaitForMessageStartingWith(u"dll加载失败 error: ");
    EXPECT_TRUE(logs().WaitForMessage(u"合成接口初始化失败"));
    ASSERT_TRUE(api().Uninitialize());
    SetDllDirectoryW(nullptr);
    EXPECT_FALSE(failure.empty());
    for (const std::u16string& message : logs().Messages()) EXPECT_NE(message, u"合成线程准备就绪");
}

}  // namespace
}  // namespace kavotest
