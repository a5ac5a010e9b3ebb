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
#include <vector>

#include "log/log_entry.h"
#include "util/blocking_queue.h"
#include "util/host_call.h"
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
    // Sink mode: formats the line and hands it to the sink on this thread, at
    // once or, while this thread keeps a SinkHold, when the hold delivers.
    // False in file mode.
    bool SendToSink(std::int32_t level, const std::u16string& message);

    // Keeps the sink lines that this thread logs while the hold is in place: the
    // thread is about to take a lock under which no call into the host may run.
    // Deliver, called once that lock is released, hands them to the sink on this
    // thread, in order. Lines of other threads are never held.
    class SinkHold {
    public:
        SinkHold() noexcept;
        ~SinkHold();
        SinkHold(const SinkHold&) = delete;
        SinkHold& operator=(const SinkHold&) = delete;
        // Ends the hold and hands what it kept to the sink.
        void Deliver() noexcept;

    private:
        struct Line {
            LogSink sink;  // the sink registered when the line was logged
            std::int32_t level;
            std::u16string text;
        };
        friend class Logger;
        std::vector<Line> lines_;
    };
    // True while this thread hands a hold's lines to the sink.
    static bool DeliveringOnThisThread();

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
