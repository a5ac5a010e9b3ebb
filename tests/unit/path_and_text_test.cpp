// Platform-neutral checks of the path and text helpers; the platform's own
// separator rules are in path_win32_test.cpp / path_posix_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>

#include "util/platform/ansi_text.h"
#include "util/platform/module_path.h"
#include "util/utf.h"
#include "util/wide_builder.h"

namespace {

using kavo::AppendPath;
using kavo::WideToAnsi;

TEST(ModuleDirectory, IsTheExistingFolderOfThisProgramWithoutTrailingSeparator) {
    const std::u16string folder = kavo::GetModuleDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder)));
    EXPECT_NE(folder.back(), u'/');
    EXPECT_NE(folder.back(), u'\\');
}

TEST(WideToAnsi, FailsOnEmptyInputAndClearsTheOutput) {
    std::string out = "stale";
    EXPECT_FALSE(WideToAnsi(u"", out));
    EXPECT_EQ(out, "");
}

TEST(WideToAnsi, GivesAsciiUnchanged) {
    std::string out;
    ASSERT_TRUE(WideToAnsi(u"Hello, world. 123", out));
    EXPECT_EQ(out, "Hello, world. 123");
}

// The test programs run with GBK as the ANSI code page (Wine: zh_CN.UTF-8).
TEST(WideToAnsi, GivesGbkBytesForChinese) {
    std::string out;
    ASSERT_TRUE(WideToAnsi(u"你好，世界。", out));
    EXPECT_EQ(out, "\xc4\xe3\xba\xc3\xa3\xac\xca\xc0\xbd\xe7\xa1\xa3");
}

TEST(WideToAnsi, ReplacesCharactersTheCodePageLacksWithItsDefaultCharacter) {
    std::string out;
    ASSERT_TRUE(WideToAnsi(u"a\u0E01b", out));  // Thai: not in GBK
    EXPECT_EQ(out, "a?b");
}

TEST(WideToAnsi, SurvivesAnUnpairedSurrogate) {
    std::string out;
    const std::u16string text{u'x', char16_t(0xD800), u'y'};
    ASSERT_TRUE(WideToAnsi(text, out));
    EXPECT_EQ(out.front(), 'x');
    EXPECT_EQ(out.back(), 'y');
}

// A long text converts in one go exactly as its characters do one by one:
// every character the code page lacks, wherever it falls, costs one default
// character and nothing of its neighbours.
TEST(WideToAnsi, ConvertsALongMixedTextAsItsCharactersOneByOne) {
    const std::u16string unit = std::u16string(u"语音合成，Hello. \u0E01") + char16_t(0xD800) + u"x" +
                                u"\U0001F600" + char16_t(0xDC00) + u"。";
    // Plain text long enough that a surrogate pair falls on every likely
    // boundary of the converter's work, then the mixed text.
    std::u16string text;
    for (std::size_t run = 250; run < 260; ++run) text += std::u16string(run, u'a') + u"\U0001F600";
    while (text.size() < 8000) text += unit;
    text += char16_t(0xD83D);  // a high surrogate cut off at the very end
    std::string expected;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t units = kavo::IsSurrogatePairAt(text, i) ? 2 : 1;
        std::string one;
        ASSERT_TRUE(WideToAnsi(text.substr(i, units), one));
        expected += one;
        i += units;
    }
    std::string out;
    ASSERT_TRUE(WideToAnsi(text, out));
    EXPECT_EQ(out, expected);
}

TEST(Utf, RoundTripsAndReplacesIllFormedInput) {
    const std::u16string text = u"语音 \U0001F600 voice";
    EXPECT_EQ(kavo::Utf8ToUtf16(kavo::Utf16ToUtf8(text)), text);
    EXPECT_EQ(kavo::Utf8ToUtf16("a\xff" "b"), u"a\uFFFDb");
    EXPECT_EQ(kavo::Utf8ToUtf16("\xe4\xbd"), u"\uFFFD");  // cut short
    EXPECT_EQ(kavo::Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\xef\xbf\xbd");
}

TEST(WideBuilder, WritesTextAndDecimalNumbers) {
    kavo::WideBuilder b;
    b << u"e: " << -1 << u" " << 4294967295u << u" " << std::int32_t(INT32_MIN) << u" " << 0;
    EXPECT_EQ(b.str(), u"e: -1 4294967295 -2147483648 0");
}

}  // namespace
