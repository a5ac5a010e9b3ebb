#include "log/logger.h"

#include <memory>

#include "log/log_format.h"
#include "log/log_level.h"
#include "util/host_call.h"
#include "util/module_object.h"
#include "util/platform/module_path.h"
#include "util/platform/text_file.h"
#include "util/platform/thread_id.h"

namespace kavo {
namespace {

constexpr char16_t kLogFileName[] = u"KavoSynthXunFeiClassic.log";
constexpr char16_t kOpeningMessage[] = u"日志模块初始化完成";
constexpr char16_t kClosingMessage[] = u"日志模块清理完成";

ModuleObject<Logger> theLogger;

}  // namespace

Logger& GetLogger() { return theLogger.Get(); }

bool Logger::Init(LogSink sink) { return Init(sink, sink ? std::u16string() : GetModuleDirectory()); }

bool Logger::Init(LogSink sink, const std::u16string& folder) {
    if (IsInitialized()) return true;
    if (sink) {
        sink_.store(sink);
        SendToSink(kLogInfo, kOpeningMessage);
        return true;
    }
    if (folder.empty()) return false;
    logFilePath_ = AppendPath(folder, kLogFileName);
    writerFailed_.store(false);
    try {
        writer_.emplace([this] { RunWriter(); });
    } catch (...) {
        return false;  // the platform refused a thread
    }
    return true;
}

void Logger::Log(std::int32_t level, const std::u16string& message) {
    if (SendToSink(level, message)) return;
    // Refused while the queue is closed: after a writer that failed, and while
    // Cleanup waits for the writer.
    queue_.Push(std::make_shared<LogEntry>(LogEntry{level, message, GetLocalTimeNow()}));
}

void Logger::Cleanup() {
    if (sink_.load()) {
        SendToSink(kLogInfo, kClosingMessage);
        sink_.store(nullptr);
        return;
    }
    if (!writer_) return;
    // The writer writes what was queued before the close, then ends; lines
    // logged after it has gone wait for the next writer.
    queue_.Close();
    writer_->Join();
    writer_.reset();
    queue_.Open();
    writerFailed_.store(false);
}

bool Logger::SendToSink(std::int32_t level, const std::u16string& message) {
    const LogSink sink = sink_.load();
    if (!sink) return false;
    SinkLine line{sink, level, FormatSinkText(CurrentThreadId(), message), 0};
    {
        std::lock_guard<std::mutex> lock(sinkLinesMutex_);
        line.number = nextLineNumber_++;
        sinkLines_.push_back(std::move(line));
        // Another thread delivering takes this line in its turn; a held one waits.
        if (delivering_ || !NextLineDeliverable()) return true;
        delivering_ = true;
        deliverer_.store(std::this_thread::get_id());
    }
    RunDelivery();
    return true;
}

Logger::SinkHold::SinkHold(Logger& logger) noexcept : logger_(logger) {
    std::lock_guard<std::mutex> lock(logger_.sinkLinesMutex_);
    logger_.heldFrom_ = logger_.nextLineNumber_;
}

Logger::SinkHold::~SinkHold() {
    std::lock_guard<std::mutex> lock(logger_.sinkLinesMutex_);
    logger_.heldFrom_.reset();
    // Claimed here, before the caller's lock is released, so that no other
    // thread delivers what this one logged and the order stays.
    if (!logger_.delivering_ && logger_.NextLineDeliverable()) {
        logger_.delivering_ = true;
        logger_.deliverer_.store(std::this_thread::get_id());
    }
}

void Logger::DeliverSinkLines() noexcept {
    if (DeliveringOnThisThread()) RunDelivery();
}

bool Logger::NextLineDeliverable() const {
    return !sinkLines_.empty() && !(heldFrom_ && sinkLines_.front().number >= *heldFrom_);
}

void Logger::RunDelivery() noexcept {
    for (;;) {
        SinkLine line{};
        {
            std::lock_guard<std::mutex> lock(sinkLinesMutex_);
            if (!NextLineDeliverable()) {
                delivering_ = false;
                deliverer_.store(std::thread::id());
                return;
            }
            line = std::move(sinkLines_.front());
            sinkLines_.pop_front();
        }
        CallHost(line.sink, line.level, reinterpret_cast<const KavoChar*>(line.text.c_str()));
    }
}

void Logger::RunWriter() noexcept {
    std::FILE* file = OpenTextFileForWriting(logFilePath_);
    if (!file) {
        // Nothing more is queued for a writer that has ended.
        writerFailed_.store(true);
        queue_.Close();
        return;
    }
    try {
        WriteEntry(file, LogEntry{kLogInfo, kOpeningMessage, GetLocalTimeNow()});
        while (const std::optional<LogEntryRef> entry = queue_.Pop()) WriteEntry(file, **entry);
        WriteEntry(file, LogEntry{kLogInfo, kClosingMessage, GetLocalTimeNow()});
    } catch (...) {
        // Out of memory while formatting: stop writing, and queueing; what is
        // left waits for the next writer.
        writerFailed_.store(true);
        queue_.Close();
    }
    std::fclose(file);
}

void Logger::WriteEntry(std::FILE* file, const LogEntry& entry) {
    const std::string text = FormatFileEntry(entry);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}

}  // namespace kavo
