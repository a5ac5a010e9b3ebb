// File mode: KavoSynthXunFeiClassic.log beside the library, written by the log
// writer thread in the ANSI code page, one two-line entry per message.
#include <ctime>
#include <regex>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

// GBK bytes of the lines the plug-in writes in a plain cycle.
const std::string kOpening = "\xc8\xd5\xd6\xbe\xc4\xa3\xbf\xe9\xb3\xf5\xca\xbc\xbb\xaf\xcd\xea\xb3\xc9";  // 日志模块初始化完成
const std::string kClosing = "\xc8\xd5\xd6\xbe\xc4\xa3\xbf\xe9\xc7\xe5\xc0\xed\xcd\xea\xb3\xc9";          // 日志模块清理完成
const std::string kReady = "\xba\xcf\xb3\xc9\xcf\xdf\xb3\xcc\xd7\xbc\xb1\xb8\xbe\xcd\xd0\xf7";            // 合成线程准备就绪
const std::string kStartFailed = "\xba\xcf\xb3\xc9\xbd\xd3\xbf\xda\xb3\xf5\xca\xbc\xbb\xaf\xca\xa7\xb0\xdc";  // 合成接口初始化失败
const std::string kExit = "\xba\xcf\xb3\xc9\xcf\xdf\xb3\xcc\xcd\xcb\xb3\xf6";                            // 合成线程退出

struct FileEntry {
    std::string level;
    std::string message;
};

// Splits the file into entries, checking every header line and line ending on the way.
std::vector<FileEntry> ParseLog(const std::string& bytes) {
    const std::regex header(R"(^([a-z]+) - (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3})$)");
    std::string unended;
    const std::vector<std::string> lines = LogFileLines(bytes, &unended);
    EXPECT_EQ(unended, "") << "last line is not ended by the platform's line ending";
    EXPECT_EQ(lines.size() % 2, 0u) << "entries are two lines each";
    std::vector<FileEntry> entries;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(lines[i], m, header)) << "bad header: " << lines[i];
        EXPECT_EQ(lines[i].find('\r'), std::string::npos);
        entries.push_back(FileEntry{m.size() > 1 ? m[1].str() : std::string(), lines[i + 1]});
    }
    return entries;
}

std::vector<std::string> Messages(const std::vector<FileEntry>& entries) {
    std::vector<std::string> messages;
    for (const auto& e : entries) messages.push_back(e.message);
    return messages;
}

using FileLog = PluginTest;

TEST_F(FileLog, HoldsTheOpeningAndClosingEntriesOfACycleInGbk) {
    ListenForAudio();
    ASSERT_NO_FATAL_FAILURE(SpeakOneRequestInFileMode(u"x", 1));
    const auto entries = ParseLog(ReadFileBytes(host().LogFile()));
    EXPECT_EQ(Messages(entries), (std::vector<std::string>{kOpening, kReady, kExit, kClosing}));
    for (const auto& e : entries) EXPECT_EQ(e.level, "info");
}

TEST_F(FileLog, HeaderShowsTheLocalTimeOfTheEntry) {
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    const std::string bytes = ReadFileBytes(host().LogFile());
    const std::time_t now = std::time(nullptr);
    char today[16];
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    // Allows for a test run across midnight: the year at least must match.
    EXPECT_TRUE(bytes.compare(0, 17, std::string("info - ") + today) == 0 ||
                bytes.compare(7, 4, std::string(today, 4)) == 0)
        << bytes.substr(0, 40);
}

TEST_F(FileLog, EveryStartTruncatesTheFile) {
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    const std::string first = ReadFileBytes(host().LogFile());
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    const auto entries = ParseLog(ReadFileBytes(host().LogFile()));
    EXPECT_EQ(Messages(entries).front(), kOpening);
    EXPECT_EQ(entries.size(), ParseLog(first).size());
}

TEST_F(FileLog, UninitializeWithoutAWriterLeavesNoMarkerToCutTheNextFileShort) {
    // Cleanup with no writer thread: nothing may be queued that ends the next writer early.
    ASSERT_TRUE(api().Uninitialize());
    ListenForAudio();
    ASSERT_NO_FATAL_FAILURE(SpeakOneRequestInFileMode(u"x", 1));
    EXPECT_EQ(Messages(ParseLog(ReadFileBytes(host().LogFile()))),
              (std::vector<std::string>{kOpening, kReady, kExit, kClosing}));
}

// Log paths that cannot be written as files: the plug-in speaks on, and
// shutting down never waits for the log.
using LogPath = PluginTest;

TEST_F(LogPath, ADirectoryAtTheLogFilesPathLeavesSpeechAndShutdownAlone) {
    // A directory in the file's place: opening the file fails on every platform, root or not.
    std::filesystem::create_directory(host().LogFile());
    ListenForAudio();
    ASSERT_NO_FATAL_FAILURE(SpeakOneRequestInFileMode(u"x", 1));
    EXPECT_TRUE(std::filesystem::is_directory(host().LogFile()));

    // Once the file can be written, the next cycle's file is whole.
    std::filesystem::remove(host().LogFile());
    ASSERT_NO_FATAL_FAILURE(SpeakOneRequestInFileMode(u"y", 2));
    const auto messages = Messages(ParseLog(ReadFileBytes(host().LogFile())));
    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages.front(), kOpening);
    EXPECT_EQ(messages[messages.size() - 3], kReady);
    EXPECT_EQ(messages[messages.size() - 2], kExit);
    EXPECT_EQ(messages.back(), kClosing);
}

using FileLogWithoutEngine = PluginWithoutEngineTest;

TEST_F(FileLogWithoutEngine, AnErrorLoggedJustBeforeUninitializeIsWrittenBeforeTheClosingEntry) {
    ASSERT_TRUE(StartWithLogFile());
    ASSERT_TRUE(api().Uninitialize());
    const auto entries = ParseLog(ReadFileBytes(host().LogFile()));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].level, "error");
    EXPECT_EQ(entries[1].message.compare(0, 19, "dll\xbc\xd3\xd4\xd8\xca\xa7\xb0\xdc error: "), 0) << entries[1].message;
    EXPECT_EQ(entries[2].level, "error");
    EXPECT_EQ(entries[2].message, kStartFailed);
    EXPECT_EQ(entries[3].message, kExit);
    EXPECT_EQ(entries[4].message, kClosing);
}

}  // namespace
}  // namespace kavotest
