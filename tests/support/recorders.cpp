#include "support/recorders.h"

#include <algorithm>

#include "util/platform/thread_id.h"

namespace kavotest {

namespace {

PlayCall MakeCall(int callback, const KavoChar* voice, const void* pcm, std::uint32_t bytes, std::int32_t value) {
    PlayCall call;
    call.voice = std::u16string(reinterpret_cast<const char16_t*>(voice));
    call.nullBlock = pcm == nullptr;
    if (pcm) {
        const auto* data = static_cast<const unsigned char*>(pcm);
        call.bytes.assign(data, data + bytes);
    }
    call.count = bytes;
    call.value = value;
    call.threadId = kavo::CurrentThreadId();
    call.callback = callback;
    return call;
}

}  // namespace

PlayRecorder& PlayRecorder::Instance() {
    static PlayRecorder& recorder = *new PlayRecorder;
    return recorder;
}

void KAVOSYNTH_CALL PlayRecorder::Callback(const KavoChar* voice, const void* pcm, std::uint32_t bytes,
                                           std::int32_t value) {
    Instance().calls_.Add(MakeCall(0, voice, pcm, bytes, value));
}

void KAVOSYNTH_CALL PlayRecorder::SecondCallback(const KavoChar* voice, const void* pcm, std::uint32_t bytes,
                                                 std::int32_t value) {
    Instance().calls_.Add(MakeCall(1, voice, pcm, bytes, value));
}

std::vector<PlayCall> PlayRecorder::CallsWithValue(std::int32_t value) const {
    std::vector<PlayCall> matching;
    for (const PlayCall& call : Calls()) {
        if (call.value == value) matching.push_back(call);
    }
    return matching;
}

int PlayRecorder::EndCalls(std::int32_t value) const {
    const auto calls = CallsWithValue(value);
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const PlayCall& c) { return c.IsEnd(); }));
}

std::vector<unsigned char> PlayRecorder::AudioOf(std::int32_t value) const {
    std::vector<unsigned char> audio;
    for (const PlayCall& call : CallsWithValue(value)) audio.insert(audio.end(), call.bytes.begin(), call.bytes.end());
    return audio;
}

bool PlayRecorder::WaitForEnd(std::int32_t value, int count) const {
    return calls_.WaitUntil([&](const std::vector<PlayCall>& calls) {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const PlayCall& c) { return c.value == value && c.IsEnd(); }) >= count;
    });
}

bool PlayRecorder::WaitForCalls(std::size_t count) const {
    return calls_.WaitUntil([&](const std::vector<PlayCall>& calls) { return calls.size() >= count; });
}

std::u16string LogLine::Message() const {
    const std::size_t feed = text.find(u'\n');
    return feed == std::u16string::npos ? std::u16string() : text.substr(feed + 1);
}

LogRecorder& LogRecorder::Instance() {
    static LogRecorder& recorder = *new LogRecorder;
    return recorder;
}

void KAVOSYNTH_CALL LogRecorder::Sink(std::int32_t level, const KavoChar* text) {
    Instance().lines_.Add({level, std::u16string(reinterpret_cast<const char16_t*>(text)), kavo::CurrentThreadId()});
}

std::vector<std::u16string> InLoggedOrder(std::vector<std::u16string> messages) {
    PutInLoggedOrder(messages, [](const std::u16string& message) { return message; });
    return messages;
}

std::vector<LogLine> LogRecorder::Lines() const {
    std::vector<LogLine> lines = lines_.Entries();
    PutInLoggedOrder(lines, [](const LogLine& line) { return line.Message(); });
    return lines;
}

std::vector<std::u16string> LogRecorder::Messages() const {
    std::vector<std::u16string> messages;
    for (const LogLine& line : Lines()) messages.push_back(line.Message());
    return messages;
}

bool LogRecorder::WaitForMessage(const std::u16string& message) const {
    return lines_.WaitUntil([&](const std::vector<LogLine>& lines) {
        return std::any_of(lines.begin(), lines.end(), [&](const LogLine& l) { return l.Message() == message; });
    });
}

std::u16string LogRecorder::WaitForMessageStartingWith(const std::u16string& prefix) const {
    std::u16string found;
    lines_.WaitUntil([&](const std::vector<LogLine>& lines) {
        for (const LogLine& line : lines) {
            const std::u16string message = line.Message();
            if (message.compare(0, prefix.size(), prefix) == 0) {
                found = message;
                return true;
            }
        }
        return false;
    });
    return found;
}

}  // namespace kavotest
