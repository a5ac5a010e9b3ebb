#include <gtest/gtest.h>

#include "util/dynamic_library.h"
#include "util/module_path.h"

namespace {

using kavo::AppendPath;

TEST(AppendPathPosix, PutsOneSlashBetweenFolderAndName) {
    EXPECT_EQ(AppendPath(u"/opt/voices", u"libmscclassic.so"), u"/opt/voices/libmscclassic.so");
    EXPECT_EQ(AppendPath(u"/opt/voices/", u"libmscclassic.so"), u"/opt/voices/libmscclassic.so");
    EXPECT_EQ(AppendPath(u"/opt/voices", u"/libmscclassic.so"), u"/opt/voices/libmscclassic.so");
}

TEST(AppendPathPosix, AddsNoSecondSlashToTheRoot) { EXPECT_EQ(AppendPath(u"/", u"x.so"), u"/x.so"); }

TEST(ModuleDirectoryPosix, IsAnAbsolutePath) {
    const std::u16string folder = kavo::GetModuleDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), u'/');
}

TEST(LibraryFileName, IsTheSharedObjectName) {
    EXPECT_EQ(kavo::DynamicLibraryFileName(u"mscclassic"), u"libmscclassic.so");
}

}  // namespace
