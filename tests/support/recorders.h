// What the plug-in hands to the host's callbacks, recorded for tests. The
// callbacks are plain functions (the contract has no user pointer), so each
// recorder is one process-wide instance, never destroyed (a plug-in thread may
// still call it while the process exits); fixtures reset them per test.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kavosynth.h"
#include "support/recorded_list.h"

namespace kavotest {

struct PlayCall {
    std::u16string voice;
    std::vector<unsigned char> bytes;
    bool nullBlock = false;
    std::uint32_t count = 0;
    std::int32_t value = 0;
    std::uint32_t threadId = 0;
    int callback = 0;  // which one received it: 0 Callback, 1 SecondCallback

    bool IsEnd() const { return nullBlock && count == 0; }
};

class PlayRecorder {
public:
    static PlayRecorder& Instance();
    static void KAVOSYNTH_CALL Callback(const KavoChar* voice, const void* pcm, std::uint32_t bytes, std::int32_t value);
    // Records into the same list, for a host that switches between two callbacks.
    static void KAVOSYNTH_CALL SecondCallback(const KavoChar* voice, const void* pcm, std::uint32_t bytes,
                                              std::int32_t value);

    void Reset() { calls_.Reset(); }
    // Runs inside the callback, on the worker thread, before the call is recorded.
    void OnCall(std::function<void(const PlayCall&)> hook) { calls_.SetHook(std::move(hook)); }

    std::vector<PlayCall> Calls() const { return calls_.Entries(); }
    std::vector<PlayCall> CallsWithValue(std::int32_t value) const;
    int EndCalls(std::int32_t value) const;
    // Audio bytes delivered for the value, concatenated.
    std::vector<unsigned char> AudioOf(std::int32_t value) const;
    bool WaitForEnd(std::int32_t value, int count = 1) const;
    bool WaitForCalls(std::size_t count) const;

private:
    RecordedList<PlayCall> calls_;
};

struct LogLine {
    std::int32_t level = 0;
    std::u16string text;
    std::uint32_t threadId = 0;
    // The message: the text after the first line feed.
    std::u16string Message() const;
};

// Sink lines put back in the order they were logged: the opening line of
// Initialize reaches the sink when the call ends, possibly after lines that the
// worker it started has logged meanwhile, so each opening line goes back to
// where its cycle began (the start, or just after the previous closing line).
template <typename Entry, typename MessageOf>
void PutInLoggedOrder(std::vector<Entry>& entries, MessageOf messageOf) {
    std::size_t cycleStart = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::u16string message = messageOf(entries[i]);
        if (message == u"日志模块初始化完成") {
            const auto at = entries.begin() + static_cast<std::ptrdiff_t>(i);
            std::rotate(entries.begin() + static_cast<std::ptrdiff_t>(cycleStart), at, at + 1);
        } else if (message == u"日志模块清理完成") {
            cycleStart = i + 1;
        }
    }
}
std::vector<std::u16string> InLoggedOrder(std::vector<std::u16string> messages);

class LogRecorder {
public:
    static LogRecorder& Instance();
    static void KAVOSYNTH_CALL Sink(std::int32_t level, const KavoChar* text);

    void Reset() { lines_.Reset(); }
    // Runs inside the sink, on the logging thread, before the line is recorded.
    void OnLine(std::function<void(const LogLine&)> hook) { lines_.SetHook(std::move(hook)); }
    // The lines, and their messages, in the order they were logged (see PutInLoggedOrder).
    std::vector<LogLine> Lines() const;
    std::vector<std::u16string> Messages() const;
    bool WaitForMessage(const std::u16string& message) const;
    // Waits for a message that begins with prefix; returns it (empty on time-out).
    std::u16string WaitForMessageStartingWith(const std::u16string& prefix) const;

private:
    RecordedList<LogLine> lines_;
};

}  // namespace kavotest
