// The plug-in's one diagnostic channel. With a host LogSink every message goes
// to the host at once, on the logging thread; without one, messages are stamped
// and queued for the log writer thread, which writes KavoSynthXunFeiClassic.log
// beside the library.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
    // Sink mode: formats the line and hands it to the sink, in the order lines
    // were logged. False in file mode.
    bool SendToSink(std::int32_t level, const std::u16string& message);

    // While a hold lasts, sink lines logged on any thread wait: the caller
    // holds a lock across the hold that no call into the host may run under.
    // The hold ends with this thread claiming delivery, and DeliverSinkLines,
    // called after that lock is released, delivers what waited.
    class SinkHold {
    public:
        explicit SinkHold(Logger& logger) noexcept;
        ~SinkHold();
        SinkHold(const SinkHold&) = delete;
        SinkHold& operator=(const SinkHold&) = delete;

    private:
        Logger& logger_;
    };
    // Delivers the waiting sink lines if this thread claimed them at the end of a hold.
    void DeliverSinkLines() noexcept;
    // True while this thread is inside a sink call the logger makes.
    bool DeliveringOnThisThread() const { return deliverer_.load() == std::this_thread::get_id(); }

    bool IsInitialized() const { return sink_.load() != nullptr || writer_.has_value(); }
    // For tests: whether the writer could not open its file, and what waits in the queue.
    bool WriterFailed() const { return writerFailed_.load(); }
    std::size_t PendingEntries() const { return queue_.Size(); }

private:
    struct SinkLine {
        LogSink sink;  // the sink registered when the line was logged
        std::int32_t level;
        std::u16string text;
        std::uint64_t number;
    };
    bool NextLineDeliverable() const;
    void RunDelivery() noexcept;
    void RunWriter() noexcept;
    static void WriteEntry(std::FILE* file, const LogEntry& entry);

    std::u16string logFilePath_;
    std::atomic<LogSink> sink_{nullptr};
    std::optional<ModuleThread> writer_;
    // Set by a writer that could not open the file: nothing more is queued for it.
    std::atomic<bool> writerFailed_{false};
    BlockingQueue<LogEntryRef> queue_;

    // Sink lines not yet handed over, in the order they were logged. One thread
    // at a time delivers them, with no lock held; lines logged meanwhile on
    // other threads join the queue and that thread delivers them too.
    std::mutex sinkLinesMutex_;
    std::deque<SinkLine> sinkLines_;
    std::uint64_t nextLineNumber_ = 0;
    std::optional<std::uint64_t> heldFrom_;  // lines numbered from here wait for the hold's end
    bool delivering_ = false;
    std::atomic<std::thread::id> deliverer_{};
};

// The module-wide logger.
Logger& GetLogger();

inline void Log(std::int32_t level, const std::u16string& message) { GetLogger().Log(level, message); }

}  // namespace kavo
