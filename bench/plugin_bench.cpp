// What the plug-in adds to the engine's own work, with the fake engine, and
// what its logger and text helpers cost. Run it through scripts/bench, or:
//   build/linux/bin/plugin_bench --benchmark_min_time=0.5
// Compare within one run: SpeakToEndOfRequest with DirectEngineSession,
// FirstBlockThroughPlugin with FirstBlockDirect (the same engine work, once
// through the plug-in's queue, worker thread and callbacks, once called
// straight). The latencies of single calls are reported as counters
// (min_us, p50_us, p99_us, max_us).
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "bench_stats.h"
#include "deliveries.h"
#include "engine/engine_contract.h"
#include "engine/synth_session.h"
#include "engine/text_split.h"
#include "log/log_format.h"
#include "log/logger.h"
#include "support/fake_engine.h"
#include "support/plugin_host.h"
#include "util/platform/ansi_text.h"
#include "util/blocking_queue.h"
#include "util/platform/module_path.h"

namespace {

using namespace kavotest;
using namespace kavobench;

const std::u16string kVoice = u"经典科大 小燕";
const std::u16string kShortText = u"你好，世界。";
const std::string kShortTextGbk = "\xc4\xe3\xba\xc3\xa3\xac\xca\xc0\xbd\xe7\xa1\xa3";

// The plug-in with the fake engine, initialised, every callback recorded.
class Plugin {
public:
    explicit Plugin(LogSink sink = &QuietSink) : engine_(host_) {
        host_.api().SetPlayCallback(&RecordDelivery);
        host_.api().Initialize(sink);
    }
    ~Plugin() { host_.api().Uninitialize(); }
    const PluginApi& api() const { return host_.api(); }
    FakeEngine& engine() { return engine_; }

    // Speaks and waits for the request's end-of-request call.
    void SpeakToEnd(const std::u16string& text) {
        const int before = Ends();
        api().Speak(K(kVoice), K(text), 1);
        WaitFor([&] { return deliveries.ends > before; });
    }

private:
    PluginHost host_;
    FakeEngine engine_;
};

// The fake engine's entry points, called straight.
class DirectEngine {
public:
    DirectEngine() {
        std::uint32_t error = 0;
        library_ = kavo::DynamicLibrary::Open((host_.folder() / std::filesystem::path(EngineFileName())).u16string(),
                                              error);
        MSPLoginFn* login = nullptr;
        ResolveOrThrow(library_, "MSPLogin", login);
        ResolveOrThrow(library_, "QTTSSessionBegin", begin);
        ResolveOrThrow(library_, "QTTSTextPut", put);
        ResolveOrThrow(library_, "QTTSAudioGet", get);
        ResolveOrThrow(library_, "QTTSSessionEnd", end);
        login(nullptr, nullptr, "appid = 7e02c9d4");
    }
    // Begins a session of the short text and takes its first block; returns
    // the session's id for End.
    const char* SpeakToFirstBlock() {
        int err = 0;
        const char* id = begin("voice_name = xiaoyan", &err);
        put(id, kShortTextGbk.c_str(), static_cast<unsigned>(kShortTextGbk.size()), nullptr);
        unsigned int length = 0;
        int status = 0;
        benchmark::DoNotOptimize(get(id, &length, &status, &err));
        return id;
    }
    void End(const char* id) { end(id, "Normal"); }

private:
    QTTSSessionBeginFn* begin = nullptr;
    QTTSTextPutFn* put = nullptr;
    QTTSAudioGetFn* get = nullptr;
    QTTSSessionEndFn* end = nullptr;
    PluginHost host_{EngineKind::Fake};
    kavo::DynamicLibrary library_;
};

// One short text, from KavoSynthSpeak to its end-of-request call: queue,
// worker wake-up, one engine session, two callbacks.
void SpeakToEndOfRequest(benchmark::State& state) {
    Plugin plugin;
    for (auto _ : state) plugin.SpeakToEnd(kShortText);
}
BENCHMARK(SpeakToEndOfRequest)->UseRealTime();

// The same engine calls made directly, without the plug-in.
void DirectEngineSession(benchmark::State& state) {
    DirectEngine engine;
    for (auto _ : state) engine.End(engine.SpeakToFirstBlock());
}
BENCHMARK(DirectEngineSession)->UseRealTime();

// The floor of the first figure for any design that speaks on a thread of its
// own: a bare round trip to a waiting thread and back, with the plug-in's
// queue on the way there and a condition variable on the way back, and no work.
void ThreadRoundTrip(benchmark::State& state) {
    kavo::BlockingQueue<std::shared_ptr<const int>> toWorker;
    std::mutex mutex;
    std::condition_variable answered;
    int answers = 0;
    std::thread worker([&] {
        while (toWorker.Pop()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++answers;
            }
            answered.notify_all();
        }
    });
    const auto request = std::make_shared<const int>(1);
    for (auto _ : state) {
        std::unique_lock<std::mutex> lock(mutex);
        const int before = answers;
        lock.unlock();
        toWorker.Push(request);
        lock.lock();
        answered.wait(lock, [&] { return answers > before; });
    }
    toWorker.Close();
    worker.join();
}
BENCHMARK(ThreadRoundTrip)->UseRealTime();

// From KavoSynthSpeak to the first block in the PlayCallback.
void FirstBlockThroughPlugin(benchmark::State& state) {
    Plugin plugin;
    Samples samples;
    for (auto _ : state) {
        const int before = Blocks();
        const int endsBefore = Ends();
        const Clock::time_point start = Clock::now();
        plugin.api().Speak(K(kVoice), K(kShortText), 1);
        Clock::time_point first;
        WaitFor([&] { return deliveries.blocks > before; });
        {
            std::lock_guard<std::mutex> lock(deliveries.mutex);
            first = deliveries.lastBlockAt;
        }
        const double us = MicrosecondsBetween(start, first);
        samples.AddIteration(state, us);
        WaitFor([&] { return deliveries.ends > endsBefore; });
    }
    samples.Report(state);
}
BENCHMARK(FirstBlockThroughPlugin)->UseManualTime();

// From the session's begin to the first block, calling the engine directly.
void FirstBlockDirect(benchmark::State& state) {
    DirectEngine engine;
    Samples samples;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const char* id = engine.SpeakToFirstBlock();
        const double us = MicrosecondsBetween(start, Clock::now());
        engine.End(id);
        samples.AddIteration(state, us);
    }
    samples.Report(state);
}
BENCHMARK(FirstBlockDirect)->UseManualTime();

std::u16string Text240() {
    std::u16string text;
    while (text.size() < 240) text += u"今天天气很好，我们去公园散步吧。";
    text.resize(240);
    return text;
}

// KavoSynthSpeak on the host's thread, 240 characters, while the worker waits
// for requests: each call wakes it. Between calls the request is spoken.
void SpeakCallWorkerIdle(benchmark::State& state) {
    Plugin plugin;
    const std::u16string text = Text240();
    Samples samples;
    for (auto _ : state) {
        const int before = Ends();
        const Clock::time_point start = Clock::now();
        plugin.api().Speak(K(kVoice), K(text), 1);
        const double us = MicrosecondsBetween(start, Clock::now());
        samples.AddIteration(state, us);
        WaitFor([&] { return deliveries.ends > before; });
    }
    samples.Report(state);
}
BENCHMARK(SpeakCallWorkerIdle)->UseManualTime();

// KavoSynthSpeak, 240 characters, while the worker is busy in a session (the
// engine holds its first poll) and state.range(0) requests are pending; the
// queue is emptied and refilled every 1000 calls.
void SpeakCallWithPending(benchmark::State& state) {
    Plugin plugin;
    const auto pending = static_cast<int>(state.range(0));
    const std::u16string text = Text240();
    plugin.engine().PollEmpty(0, 0, true);
    plugin.api().Speak(K(kVoice), K(kShortText), 1);
    plugin.engine().WaitHeld();
    const auto refill = [&] {
        plugin.api().Stop();
        for (int i = 0; i < pending; ++i) plugin.api().Speak(K(kVoice), K(text), 1);
    };
    refill();
    Samples samples;
    int calls = 0;
    for (auto _ : state) {
        if (++calls % 1000 == 0) refill();
        const Clock::time_point start = Clock::now();
        plugin.api().Speak(K(kVoice), K(text), 1);
        const double us = MicrosecondsBetween(start, Clock::now());
        samples.AddIteration(state, us);
    }
    plugin.api().Stop();
    plugin.engine().Release();
    samples.Report(state);
}
BENCHMARK(SpeakCallWithPending)->Arg(0)->Arg(10000)->Iterations(20000)->UseManualTime();

// From KavoSynthStop returning to the last PlayCallback call after it, with an
// engine that delivers 640-sample (40 ms) blocks in real time. A stop lands at
// a varying point of a block's 40 ms.
void StopToLastBlock(benchmark::State& state) {
    Plugin plugin;
    Samples samples;
    unsigned seed = 12345;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (auto _ : state) {
        plugin.engine().Reset();
        plugin.engine().Streaming(10000, 640, 2000, 40);
        const int before = Blocks();
        plugin.api().Speak(K(kVoice), K(kShortText), 1);
        WaitFor([&] { return deliveries.blocks > before + static_cast<int>(next(3)); });
        std::this_thread::sleep_for(std::chrono::milliseconds(next(40)));
        plugin.api().Stop();
        const Clock::time_point stopped = Clock::now();
        // The session's end follows its last callback.
        while (plugin.engine().SessionEnds(0) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Clock::time_point last;
        {
            std::lock_guard<std::mutex> lock(deliveries.mutex);
            last = deliveries.lastBlockAt;
        }
        const double us = last > stopped ? MicrosecondsBetween(stopped, last) : 0.0;
        state.SetIterationTime(std::max(us, 1.0) / 1e6);
        samples.Add(us);
    }
    samples.Report(state);
}
BENCHMARK(StopToLastBlock)->Iterations(200)->UseManualTime();

// Context switches of one thread of this process, voluntary plus involuntary.
long ContextSwitches(const std::string& tid) {
    std::ifstream status("/proc/self/task/" + tid + "/status");
    std::string line;
    long total = 0;
    while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
            total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

std::vector<std::string> Threads() {
    std::vector<std::string> tids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') tids.push_back(entry->d_name);
        }
        closedir(dir);
    }
    return tids;
}

// Wake-ups of the plug-in's own threads while it sits idle for 10 s after a
// request: state.range(0) 1 is sink mode (the worker), 0 file mode (the
// worker and the log writer).
void IdleWakeups(benchmark::State& state) {
    const std::vector<std::string> before = Threads();
    Plugin plugin(state.range(0) ? &QuietSink : nullptr);
    plugin.SpeakToEnd(kShortText);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::vector<std::string> own;
    for (const std::string& tid : Threads()) {
        if (std::find(before.begin(), before.end(), tid) == before.end()) own.push_back(tid);
    }
    long wakeups = 0;
    for (auto _ : state) {
        std::vector<long> start;
        for (const std::string& tid : own) start.push_back(ContextSwitches(tid));
        std::this_thread::sleep_for(std::chrono::seconds(10));
        for (std::size_t i = 0; i < own.size(); ++i) wakeups += ContextSwitches(own[i]) - start[i];
    }
    state.counters["threads"] = static_cast<double>(own.size());
    state.counters["wakeups"] = static_cast<double>(wakeups);
}
BENCHMARK(IdleWakeups)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// 100,000 short requests in a row; resident memory after the first 1,000
// against the end. The fake engine's own records of its sessions are cleared
// every 1,000 requests, so that what grows is the plug-in's.
void ResidentGrowthOver100kRequests(benchmark::State& state) {
    Plugin plugin;
    long warm = 0, end = 0;
    for (auto _ : state) {
        for (int i = 1; i <= 100000; ++i) {
            plugin.SpeakToEnd(kShortText);
            if (i % 1000 == 0) plugin.engine().Reset();
            if (i == 1000) warm = ResidentKiB();
        }
        end = ResidentKiB();
    }
    state.counters["rss_after_1k_KiB"] = static_cast<double>(warm);
    state.counters["rss_growth_KiB"] = static_cast<double>(end - warm);
}
BENCHMARK(ResidentGrowthOver100kRequests)->Iterations(1)->Unit(benchmark::kMillisecond);

const std::u16string kLogMessage = u"获取合成音频失败 error: 10111 text: 你好，世界。 voiceName: 经典科大 小燕";

// Logger::Log in file mode, on the calling thread, and how fast the writer
// empties the queue: 100,000 entries logged at once, each written and flushed.
void LogFileMode(benchmark::State& state) {
    const std::filesystem::path folder = MakeStageFolder(u"log");
    Samples samples;
    double entriesPerSecond = 0;
    for (auto _ : state) {
        kavo::Logger logger;
        logger.Init(nullptr, PluginPathText(folder));
        constexpr int kEntries = 100000;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kEntries; ++i) {
            const Clock::time_point before = Clock::now();
            logger.Log(4, kLogMessage);
            samples.Add(MicrosecondsBetween(before, Clock::now()));
        }
        logger.Cleanup();  // returns once the writer has written and flushed every entry
        entriesPerSecond = kEntries / (MicrosecondsBetween(start, Clock::now()) / 1e6);
    }
    samples.Report(state, "log_call");
    state.counters["writer_entries_per_s"] = entriesPerSecond;
    std::error_code ignored;
    std::filesystem::remove_all(folder.parent_path(), ignored);
}
BENCHMARK(LogFileMode)->Iterations(1)->Unit(benchmark::kMillisecond);

void FormatLogFileEntry(benchmark::State& state) {
    const kavo::LogEntry entry{4, kLogMessage, kavo::LocalTime{2026, 12, 8, 1, 2, 3, 4}};
    for (auto _ : state) benchmark::DoNotOptimize(kavo::FormatFileEntry(entry));
}
BENCHMARK(FormatLogFileEntry);

// Chinese text with a break character every 29 characters, state.range(0) MB of UTF-16.
std::u16string MixedText(std::int64_t megabytes) {
    std::u16string text(static_cast<std::size_t>(megabytes) * 1000000 / 2, u'字');
    for (std::size_t i = 0; i < text.size(); i += 29) text[i] = u'，';
    for (std::size_t i = 7; i < text.size(); i += 13) text[i] = u'a';
    return text;
}

void SplitText(benchmark::State& state) {
    const std::u16string text = MixedText(state.range(0));
    std::vector<std::u16string> pieces;
    for (auto _ : state) {
        pieces.clear();
        kavo::SplitText(text, pieces);
        benchmark::DoNotOptimize(pieces.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}
BENCHMARK(SplitText)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void ConvertToGbk(benchmark::State& state) {
    const std::u16string text = MixedText(state.range(0));
    std::string out;
    for (auto _ : state) {
        kavo::WideToAnsi(text, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size() * 2));
}
BENCHMARK(ConvertToGbk)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// One 240-character piece, as the worker converts it for every session.
void ConvertPieceToGbk(benchmark::State& state) {
    const std::u16string text = Text240();
    std::string out;
    for (auto _ : state) {
        kavo::WideToAnsi(text, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(ConvertPieceToGbk);

// The short text of one keystroke: mostly the converter's set-up.
void ConvertShortTextToGbk(benchmark::State& state) {
    std::string out;
    for (auto _ : state) {
        kavo::WideToAnsi(kShortText, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(ConvertShortTextToGbk);

void TrimLeadInOf40msBlock(benchmark::State& state) {
    std::vector<unsigned char> block(1280, 0);  // 640 quiet samples: the whole block is scanned
    for (auto _ : state) {
        benchmark::DoNotOptimize(kavo::FindFirstAudibleByte(block.data(), static_cast<std::uint32_t>(block.size())));
    }
}
BENCHMARK(TrimLeadInOf40msBlock);

void QueuePushPop(benchmark::State& state) {
    kavo::BlockingQueue<std::shared_ptr<int>> queue;
    const auto item = std::make_shared<int>(1);
    for (auto _ : state) {
        queue.Push(item);
        benchmark::DoNotOptimize(queue.Pop());
    }
}
BENCHMARK(QueuePushPop);

}  // namespace

BENCHMARK_MAIN();
