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

// The hold in place on this thread, whose lines wait for it to deliver them.
thread_local Logger::SinkHold* tHold = nullptr;
// Set while this thread hands a hold's lines to the sink.
thread_local bool tDelivering = false;

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
    std::u16string text = FormatSinkText(CurrentThreadId(), message);
    if (tHold) {
        tHold->lines_.push_back(SinkHold::Line{sink, level, std::move(text)});
        return true;
    }
    CallHost(sink, level, reinterpret_cast<const KavoChar*>(text.c_str()));
    return true;
}

Logger::SinkHold::SinkHold() noexcept { tHold = this; }

Logger::SinkHold::~SinkHold() {
    if (tHold == this) tHold = nullptr;
}

void Logger::SinkHold::Deliver() noexcept {
    tHold = nullptr;
    tDelivering = true;
    for (const Line& line : lines_) CallHost(line.sink, line.level, reinterpret_cast<const KavoChar*>(line.text.c_str()));
    tDelivering = false;
    lines_.clear();
}

bool Logger::DeliveringOnThisThread() { return tDelivering; }

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
