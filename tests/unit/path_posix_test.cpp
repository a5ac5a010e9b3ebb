#include <gtest/gtest.h>

#include "util/platform/dynamic_library.h"
#include "util/platform/module_path.h"
#include "util/utf.h"

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

TEST(AppendPathPosix, TakesPathsOfAnyLength) {
    const std::u16string deep = u"/" + std::u16string(300, u'a') + u"/" + std::u16string(300, u'b');
    EXPECT_EQ(AppendPath(deep, u"x.so"), deep + u"/x.so");
}

TEST(PathBytes, KeepEveryByteOfANameThatIsNotUtf8) {
    const std::string gbkName = "/tmp/\xd3\xef\xd2\xf4/\xff\x80 plain";
    const std::u16string carried = kavo::PathBytesToUtf16(gbkName);
    EXPECT_EQ(carried.substr(0, 5), u"/tmp/");
    EXPECT_EQ(kavo::Utf16ToPathBytes(carried), gbkName);
    EXPECT_EQ(kavo::PathBytesToUtf16("/opt/\xe8\xaf\xad\xe9\x9f\xb3"), u"/opt/语音") << "UTF-8 is decoded";
}

TEST(DynamicLibraryPosix, LoadsOnlyByFullPathNeverThroughTheSearchPath) {
    std::uint32_t error = 0;
    EXPECT_FALSE(kavo::DynamicLibrary::Open(std::u16string(u"libc.so.6"), error));
    EXPECT_EQ(error, 2u);  // ENOENT
    EXPECT_FALSE(kavo::DynamicLibrary::Open(std::u16string(u"./libc.so.6"), error));
}

TEST(LibraryFileName, IsTheSharedObjectName) {
    EXPECT_EQ(kavo::DynamicLibraryFileName(u"mscclassic"), u"libmscclassic.so");
}

}  // namespace
