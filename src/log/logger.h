// The plug-in's one diagnostic channel. With a host LogSink every message goes
// to the host at once, on the logging thread; without one, messages are stamped
// and queued for the log writer thread, which writes KavoSynthXunFeiClassic.log
// beside the library.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "kavosynth.h"
#include "log/log_entry.h"
#include "util/blocking_queue.h"
#include "util/module_thread.h"

namespace kavo {

class Logger {
public:
    Logger() = default;
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Sink mode for a non-null sink, file mode otherwise. True when ready; false
    // only when the library's folder is unknown or no writer thread can be made.
    // While initialised it changes nothing and returns true.
    bool Init(LogSink sink);
    // The same, with the log file's folder given (file mode) instead of the library's own.
    bool Init(LogSink sink, const std::u16string& folder);
    void Log(std::int32_t level, const std::u16string& message);
    // Closing message, then back to not initialised. In file mode it waits until
    // the writer has written everything queued before it.
    void Cleanup();
    bool SendToSink(std::int32_t level, const std::u16string& message);

    bool IsInitialized() const { return sink_.load() != nullptr || writer_.has_value(); }
    // For tests: whether the writer could not open its file, and what waits in the queue.
    bool WriterFailed() const { return writerFailed_.load(); }
    std::size_t PendingEntries() const { return queue_.Size(); }

private:
    void RunWriter() noexcept;
    static void WriteEntry(std::FILE* file, const LogEntry& entry);

    std::u16string logFilePath_;
    std::atomic<LogSink> sink_{nullptr};
    std::optional<ModuleThread> writer_;
    // Set by a writer that could not open the file: nothing more is queued for it.
    std::atomic<bool> writerFailed_{false};
    BlockingQueue<LogEntryRef> queue_;
};

// The module-wide logger.
Logger& GetLogger();

inline void Log(std::int32_t level, const std::u16string& message) { GetLogger().Log(level, message); }

}  // namespace kavo
