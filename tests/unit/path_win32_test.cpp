#include <gtest/gtest.h>

#include "util/dynamic_library.h"
#include "util/module_path.h"

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

TEST(LibraryFileName, IsTheDllName) { EXPECT_EQ(kavo::DynamicLibraryFileName(u"mscclassic"), u"mscclassic.dll"); }

}  // namespace
