#include <gtest/gtest.h>

#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"

namespace {

using kavo::AppendPath;

TEST(AppendPathWindows, PutsOneBackslashBetweenFolderAndName) {
    EXPECT_EQ(AppendPath(u"C:\\Voices", u"mscclassic.dll"), u"C:\\Voices\\mscclassic.dll");
    EXPECT_EQ(AppendPath(u"C:\\Voices\\", u"mscclassic.dll"), u"C:\\Voices\\mscclassic.dll");
}

TEST(AppendPathWindows, AddsNoSecondBackslashToADriveRoot) {
    EXPECT_EQ(AppendPath(u"C:\\", u"mscclassic.dll"), u"C:\\mscclassic.dll");
}

TEST(ModuleDirectoryWindows, IsADrivePath) {
    const std::u16string folder = kavo::GetModuleDirectory();
    ASSERT_GE(folder.size(), 3u);
    EXPECT_EQ(folder.substr(1, 2), u":\\");
}

TEST(AppendPathWindows, RefusesABaseOf260UnitsOrMore) {
    EXPECT_EQ(AppendPath(std::u16string(260, u'a'), u"x"), u"");
    EXPECT_EQ(AppendPath(std::u16string(300, u'a'), u"x"), u"");
    EXPECT_FALSE(AppendPath(std::u16string(200, u'a'), u"x").empty());
}

TEST(DynamicLibraryWindows, LoadsOnlyByFullPathNeverThroughTheSearchOrder) {
    std::uint32_t error = 0;
    EXPECT_FALSE(kavo::DynamicLibrary::Open(std::u16string(u"kernel32.dll"), error));
    EXPECT_EQ(error, 3u);  // ERROR_PATH_NOT_FOUND
    EXPECT_FALSE(kavo::DynamicLibrary::Open(std::u16string(u"system32\\kernel32.dll"), error));
    EXPECT_TRUE(kavo::DynamicLibrary::Open(std::u16string(u"C:\\windows\\system32\\kernel32.dll"), error));
}

TEST(LibraryFileName, IsTheDllName) { EXPECT_EQ(kavo::DynamicLibraryFileName(u"mscclassic"), u"mscclassic.dll"); }

}  // namespace
