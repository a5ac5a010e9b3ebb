// The Logger linked in directly, with the log file in a folder of the test's own.
#include "log/logger.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "log/log_level.h"
#include "support/file_bytes.h"

namespace {

namespace fs = std::filesystem;

fs::path FreshFolder(const char* name) {
    const fs::path folder = fs::temp_directory_path() / "kavo-logger-test" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

TEST(Logger, StopsQueueingOnceItsWriterCouldNotOpenTheFile) {
    const fs::path folder = FreshFolder("unwritable");
    fs::create_directory(folder / "KavoSynthXunFeiClassic.log");  // the file cannot be opened
    kavo::Logger logger;
    ASSERT_TRUE(logger.Init(nullptr, folder.u16string()));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!logger.WriterFailed() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(logger.WriterFailed());
    for (int i = 0; i < 100; ++i) logger.Log(kavo::kLogError, u"nobody will write this");
    EXPECT_EQ(logger.PendingEntries(), 0u) << "entries pile up for a writer that has ended";
    logger.Cleanup();
    EXPECT_FALSE(logger.IsInitialized());
}

TEST(Logger, WritesEverythingLoggedBeforeCleanupBetweenItsOpeningAndClosingEntries) {
    const fs::path folder = FreshFolder("writable");
    kavo::Logger logger;
    ASSERT_TRUE(logger.Init(nullptr, folder.u16string()));
    for (int i = 0; i < 100; ++i) logger.Log(kavo::kLogError, u"line " + std::u16string(1, u'0' + i % 10));
    logger.Cleanup();
    EXPECT_EQ(logger.PendingEntries(), 0u);
    const std::string text = kavotest::ReadFileBytes(folder / "KavoSynthXunFeiClassic.log");
    auto count = [&](const std::string& header) {
        std::size_t n = 0;
        for (std::size_t at = text.find(header); at != std::string::npos; at = text.find(header, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("error - "), 100u);
    EXPECT_EQ(count("info - "), 2u) << "the opening and the closing entry";
    EXPECT_EQ(text.find("info - "), 0u);
    EXPECT_GT(text.rfind("info - "), text.rfind("error - "));
}

}  // namespace
