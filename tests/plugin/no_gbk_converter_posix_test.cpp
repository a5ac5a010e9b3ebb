// A system without a GBK converter: this program's own iconv_open, exported
// to the plug-in it loads, refuses every conversion. Every text would reach the
// engine empty, so the plug-in says so once, at error level, when it starts.
#include <errno.h>
#include <iconv.h>

#include "support/plugin_fixture.h"

extern "C" __attribute__((visibility("default"))) iconv_t iconv_open(const char*, const char*) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
}

namespace kavotest {
namespace {

const std::u16string kNoConverter = u"文本转换不可用 error: GBK";

using WithoutGbkConverter = PluginTest;

TEST_F(WithoutGbkConverter, TheMissingConverterIsLoggedOnceAtErrorLevelWhenThePluginStarts) {
    StartAndWaitReady();
    ASSERT_TRUE(Speak(kXiaoyan, u"你好", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    ASSERT_TRUE(Speak(kXiaoyan, u"再见", 2));
    ASSERT_TRUE(play().WaitForEnd(2));
    int said = 0;
    for (const LogLine& line : logs().Lines()) {
        if (line.Message() != kNoConverter) continue;
        ++said;
        EXPECT_EQ(line.level, KAVOSYNTH_LOG_ERROR);
    }
    EXPECT_EQ(said, 1);
    EXPECT_EQ(fake().SessionText(0), "") << "the converter was not missing after all";
}

}  // namespace
}  // namespace kavotest
