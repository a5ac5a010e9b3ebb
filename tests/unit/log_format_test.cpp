#include "log/log_format.h"

#include <gtest/gtest.h>

#include "log/log_level.h"

namespace {

using kavo::FormatFileEntry;
using kavo::FormatSinkText;
using kavo::LocalTime;
using kavo::LogEntry;

LocalTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
    return LocalTime{std::uint16_t(y), std::uint16_t(mo), std::uint16_t(d), std::uint16_t(h), std::uint16_t(mi),
                     std::uint16_t(s), std::uint16_t(ms)};
}

TEST(SinkText, IsThePrefixTheThreadIdALineFeedAndTheMessage) {
    EXPECT_EQ(FormatSinkText(468, u"abc"), u"语音插件XunFeiClassic tid: 468\nabc");
}

TEST(SinkText, EndsWithTheLineFeedForAnEmptyMessage) {
    EXPECT_EQ(FormatSinkText(7, u""), u"语音插件XunFeiClassic tid: 7\n");
}

TEST(SinkText, WritesLargeThreadIdsUnsignedWithoutGrouping) {
    EXPECT_EQ(FormatSinkText(4000000000u, u"x"), u"语音插件XunFeiClassic tid: 4000000000\nx");
}

TEST(FileEntry, HasAHeaderLineWithZeroFilledTimeAndTheMessageLine) {
    EXPECT_EQ(FormatFileEntry(LogEntry{kavo::kLogInfo, u"abc", At(2026, 3, 4, 5, 6, 7, 89)}),
              "info - 2026-03-04 05:06:07.089\nabc\n");
    EXPECT_EQ(FormatFileEntry(LogEntry{kavo::kLogError, u"e", At(2026, 2, 1, 9, 5, 3, 7)}),
              "error - 2026-02-01 09:05:03.007\ne\n");
    EXPECT_EQ(FormatFileEntry(LogEntry{kavo::kLogDebug, u"d", At(999, 12, 31, 23, 59, 59, 999)}),
              "debug - 999-12-31 23:59:59.999\nd\n");
}

TEST(FileEntry, NamesEveryLevel) {
    const LocalTime t = At(2026, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(FormatFileEntry(LogEntry{2, u"w", t}).substr(0, 10), "warning - ");
    EXPECT_EQ(FormatFileEntry(LogEntry{8, u"c", t}).substr(0, 11), "critical - ");
}

TEST(FileEntry, WritesALevelWithoutANameAsItsNumber) {
    EXPECT_EQ(FormatFileEntry(LogEntry{3, u"x", At(2026, 1, 1, 0, 0, 0, 0)}), "3 - 2026-01-01 00:00:00.000\nx\n");
}

TEST(FileEntry, StoresTheMessageInTheAnsiCodePage) {
    EXPECT_EQ(FormatFileEntry(LogEntry{1, u"你好", At(2026, 1, 1, 0, 0, 0, 0)}),
              "info - 2026-01-01 00:00:00.000\n\xc4\xe3\xba\xc3\n");
}

TEST(FileEntry, KeepsTheHeaderOfAnEmptyMessage) {
    EXPECT_EQ(FormatFileEntry(LogEntry{1, u"", At(2026, 1, 1, 0, 0, 0, 0)}), "info - 2026-01-01 00:00:00.000\n\n");
}

}  // namespace
