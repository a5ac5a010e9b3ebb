// Long runs against a streaming fake engine, as a host would drive the plug-in.
//
//   soak [--seconds N] [--seed S]
//     One host thread queues random requests, stops at random and cycles
//     Initialize/Uninitialize in both log modes while a second thread calls the
//     setters. After each cycle it checks that every request no stop reached
//     delivered exactly its bytes, in order, with exactly one end call; that no
//     request queued before a stop began after it; and that every line logged
//     in the cycle reached the log (file or sink), in order.
//   soak --chaos [--threads N] [--seconds N] [--seed S]
//     N host threads call random exports, lifecycle included; checked for
//     crashes, hangs and (built with ThreadSanitizer) data races, and that no
//     request ever gets two end calls.
//
// Prints one line "RESULT <run> key=value..." and exits non-zero on any fault.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_engine.h"
#include "support/plugin_fixture.h"
#include "support/plugin_host.h"
#include "util/platform/ansi_text.h"
#include "util/utf.h"

using namespace kavotest;
using Clock = std::chrono::steady_clock;

namespace {

const std::u16string kVoices[] = {kXiaoyan, kXiaofeng, kXiaomei, kCatherine};
const char* const kVoiceIds[] = {"xiaoyan", "xiaofeng", "xiaomei", "catherine"};
constexpr char kFailMarker[] = "FAILPUT";
constexpr int kFailError = 10199;

std::atomic<std::uint64_t> sequence{0};
std::uint64_t Tick() { return ++sequence; }

// What the PlayCallback saw, per request value. Not the tests' PlayRecorder: each
// call is stamped on the same sequence as the stops, which the checks compare.
struct Delivery {
    std::vector<unsigned char> audio;
    int blocks = 0;
    int ends = 0;
    bool afterEnd = false;  // a call after the end call
    std::uint64_t endTick = 0;
    std::vector<std::uint64_t> blockTicks;
};

std::mutex deliveriesMutex;
std::map<std::int32_t, Delivery> deliveries;
std::atomic<long> totalCalls{0};

void KAVOSYNTH_CALL OnAudio(const KavoChar*, const void* pcm, std::uint32_t bytes, std::int32_t value) {
    const std::uint64_t tick = Tick();
    ++totalCalls;
    std::lock_guard<std::mutex> lock(deliveriesMutex);
    Delivery& d = deliveries[value];
    if (d.ends > 0) d.afterEnd = true;
    if (!pcm) {
        ++d.ends;
        d.endTick = tick;
        return;
    }
    const auto* data = static_cast<const unsigned char*>(pcm);
    d.audio.insert(d.audio.end(), data, data + bytes);
    ++d.blocks;
    d.blockTicks.push_back(tick);
}

std::mutex sinkMutex;
std::vector<std::u16string> sinkMessages;
void KAVOSYNTH_CALL OnLog(std::int32_t, const KavoChar* text) {
    const std::u16string line(reinterpret_cast<const char16_t*>(text));
    const auto feed = line.find(u'\n');
    std::lock_guard<std::mutex> lock(sinkMutex);
    sinkMessages.push_back(feed == std::u16string::npos ? line : line.substr(feed + 1));
}

struct Request {
    std::int32_t value;
    std::u16string voice;
    std::vector<unsigned char> expected;
    bool failing;  // holds the marker: its text put fails
    std::uint64_t queuedTick;
};

struct Stop {
    std::uint64_t beginTick, endTick;
};

struct Counts {
    long requests = 0, complete = 0, cut = 0, failedOnPurpose = 0, stops = 0, cycles = 0, bytes = 0, logLines = 0;
    long setterCalls = 0;
    long lost = 0, wrongBytes = 0, doubleEnds = 0, begunAfterStop = 0, logMismatches = 0;
};

std::u16string RandomText(std::mt19937& random, bool failing) {
    static const char16_t pool[] = u"abcdefghij klmnopqrstuvwxyz,.你好世界语音合成测试。，！？";
    const std::size_t poolSize = sizeof(pool) / sizeof(pool[0]) - 1;
    std::u16string text;
    const int length = failing ? 5 + random() % 60 : 5 + random() % 700;
    for (int i = 0; i < length; ++i) text.push_back(pool[random() % poolSize]);
    if (failing) text += u"FAILPUT";
    return text;
}

std::string Ansi(const std::u16string& text) {
    std::string bytes;
    kavo::WideToAnsi(text, bytes);
    return bytes;
}

// The log lines the file holds: the second line of every two-line entry.
std::vector<std::string> FileMessages(const std::string& bytes) {
    const std::vector<std::string> lines = LogFileLines(bytes);
    std::vector<std::string> messages;
    for (std::size_t i = 1; i < lines.size(); i += 2) messages.push_back(lines[i]);
    return messages;
}

// Checks one finished cycle; adds what it found to counts.
void CheckCycle(const std::vector<Request>& requests, const std::vector<Stop>& stops, FakeEngine& fake,
                bool fileMode, const PluginHost& host, Counts& counts) {
    std::lock_guard<std::mutex> lock(deliveriesMutex);
    for (const Request& r : requests) {
        ++counts.requests;
        const Delivery d = deliveries.count(r.value) ? deliveries[r.value] : Delivery{};
        counts.bytes += static_cast<long>(d.audio.size());
        // The first stop that began after the request was queued.
        const Stop* reaching = nullptr;
        for (const Stop& s : stops) {
            if (s.beginTick > r.queuedTick && (d.ends == 0 || d.endTick > s.beginTick)) {
                reaching = &s;
                break;
            }
        }
        if (d.ends > 1 || d.afterEnd) ++counts.doubleEnds;
        const bool prefix = d.audio.size() <= r.expected.size() && std::equal(d.audio.begin(), d.audio.end(), r.expected.begin());
        if (!prefix) ++counts.wrongBytes;
        if (d.ends == 1 && d.audio.size() != r.expected.size()) ++counts.wrongBytes;
        if (!reaching) {
            if (d.ends != 1 || d.audio != r.expected) ++counts.lost;
        } else {
            // The request in progress when the stop returned may still hand over
            // the block of the poll under way; one that had not begun hands over nothing.
            const auto later = std::count_if(d.blockTicks.begin(), d.blockTicks.end(),
                                             [&](std::uint64_t t) { return t > reaching->endTick; });
            if (later > 1) ++counts.begunAfterStop;
        }
        if (r.failing && d.ends == 1) ++counts.failedOnPurpose;
        else if (d.ends == 1) ++counts.complete;
        else ++counts.cut;
    }

    // The lines this cycle must have logged, in the ANSI code page: the
    // logger's and the worker's own, and the text put failures in session order.
    std::vector<std::string> want{Ansi(u"日志模块初始化完成"), Ansi(u"合成线程准备就绪")};
    const std::string prefix = Ansi(u"添加合成文本失败 error: " + kavo::Utf8ToUtf16(std::to_string(kFailError)) + u" text: ");
    for (int s = 0; s < fake.Sessions(); ++s) {
        bool put = false;
        const std::string text = fake.SessionText(s, &put);
        if (!put || text.find(kFailMarker) == std::string::npos) continue;
        const std::string params = fake.SessionParams(s);
        std::u16string voice;
        for (int v = 0; v < 4; ++v)
            if (params.find(std::string("voice_name = ") + kVoiceIds[v] + ",") != std::string::npos) voice = kVoices[v];
        want.push_back(prefix + text + Ansi(u" voiceName: " + voice));
    }
    want.push_back(Ansi(u"合成线程退出"));
    want.push_back(Ansi(u"日志模块清理完成"));
    std::vector<std::string> got;
    if (fileMode) {
        got = FileMessages(ReadFileBytes(host.LogFile()));
    } else {
        std::lock_guard<std::mutex> sinkLock(sinkMutex);
        for (const auto& m : InLoggedOrder(sinkMessages)) got.push_back(Ansi(m));
    }
    counts.logLines += static_cast<long>(got.size());
    if (got != want) {
        ++counts.logMismatches;
        std::fprintf(stderr, "cycle in %s mode: %zu lines logged, %zu expected\n", fileMode ? "file" : "sink", got.size(),
                     want.size());
    }
}

int Soak(double seconds, unsigned seed) {
    PluginHost host(EngineKind::Fake, u"soak");
    FakeEngine fake(host);
    const PluginApi& api = host.api();
    std::mt19937 random(seed);
    Counts counts;
    std::atomic<bool> running{true};
    std::atomic<long> setterCalls{0};
    std::thread setter([&] {
        std::mt19937 r(seed + 1);
        while (running) {
            const std::u16string& voice = kVoices[r() % 4];
            const int value = static_cast<int>(r() % 120) - 10;
            switch (r() % 4) {
                case 0: api.SetRate(K(voice), value); break;
                case 1: api.SetVolume(K(voice), value); break;
                case 2: api.SetPitch(K(voice), value); break;
                default: api.PrepareVoice(K(voice)); break;
            }
            ++setterCalls;
            std::this_thread::sleep_for(std::chrono::microseconds(200 + r() % 800));  // a host's pace
        }
    });
    api.SetPlayCallback(&OnAudio);
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    std::int32_t nextValue = 1;
    while (Clock::now() < end) {
        const bool fileMode = random() % 2 == 0;
        fake.Reset();
        fake.TextStreaming(16 + random() % 200, random() % 3);
        fake.FailTextPutContaining(kFailMarker, kFailError);
        {
            std::lock_guard<std::mutex> lock(deliveriesMutex);
            deliveries.clear();
        }
        {
            std::lock_guard<std::mutex> lock(sinkMutex);
            sinkMessages.clear();
        }
        if (!api.Initialize(fileMode ? nullptr : &OnLog)) {
            std::fprintf(stderr, "Initialize failed\n");
            return 2;
        }
        std::vector<Request> requests;
        std::vector<Stop> stops;
        // Queues a request with a random text; false when Speak refuses, which it must not while running.
        auto queue = [&](const std::u16string& voice, bool failing) {
            const std::u16string text = RandomText(random, failing);
            Request r{nextValue++, voice, failing ? std::vector<unsigned char>() : DefaultFakeAudio(Ansi(text)), failing, 0};
            if (!api.Speak(K(r.voice), K(text), r.value)) {
                std::fprintf(stderr, "Speak refused while running\n");
                return false;
            }
            r.queuedTick = Tick();
            requests.push_back(std::move(r));
            return true;
        };
        const int actions = 20 + random() % 200;
        for (int a = 0; a < actions; ++a) {
            const unsigned pick = random() % 100;
            if (pick < 75) {
                const bool failing = random() % 10 == 0;
                if (!queue(kVoices[random() % 4], failing)) return 2;
            } else if (pick < 77) {
                Stop s{Tick(), 0};
                api.Stop();
                s.endTick = Tick();
                stops.push_back(s);
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));  // lets the queue drain a little
            }
        }
        // Half the cycles let the queue empty first; the others shut down mid-speech.
        if (random() % 2 == 0) {
            // A last request queued after every stop: once it ends, the queue is empty.
            if (!queue(kVoices[0], false)) return 2;
            const std::int32_t last = requests.back().value;
            const auto patience = Clock::now() + kPatience;
            for (;;) {
                {
                    std::lock_guard<std::mutex> lock(deliveriesMutex);
                    if (deliveries[last].ends > 0) break;
                }
                if (Clock::now() > patience) {
                    std::fprintf(stderr, "request %d never ended: a hang\n", last);
                    running = false;
                    setter.join();
                    std::printf("RESULT soak hang=1\n");
                    return 1;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        Stop closing{Tick(), 0};
        api.Uninitialize();
        closing.endTick = Tick();
        stops.push_back(closing);
        counts.stops += static_cast<long>(stops.size()) - 1;
        ++counts.cycles;
        CheckCycle(requests, stops, fake, fileMode, host, counts);
    }
    running = false;
    setter.join();
    counts.setterCalls = setterCalls;
    const long faults = counts.lost + counts.wrongBytes + counts.doubleEnds + counts.begunAfterStop + counts.logMismatches;
    std::printf(
        "RESULT soak seconds=%.0f seed=%u requests=%ld complete=%ld cut_by_stop=%ld failed_on_purpose=%ld stops=%ld "
        "cycles=%ld setter_calls=%ld bytes=%ld log_lines=%ld lost=%ld wrong_bytes=%ld double_ends=%ld "
        "begun_after_stop=%ld log_mismatches=%ld\n",
        seconds, seed, counts.requests, counts.complete, counts.cut, counts.failedOnPurpose, counts.stops, counts.cycles,
        counts.setterCalls, counts.bytes, counts.logLines, counts.lost, counts.wrongBytes, counts.doubleEnds,
        counts.begunAfterStop, counts.logMismatches);
    return faults == 0 ? 0 : 1;
}

// Chaos: every thread calls random exports. Only end calls are kept, so memory
// stays flat however long it runs.
std::atomic<long> chaosDoubleEnds{0};
std::mutex chaosMutex;
std::map<std::int32_t, int> chaosEnds;
void KAVOSYNTH_CALL OnChaosAudio(const KavoChar*, const void* pcm, std::uint32_t, std::int32_t value) {
    ++totalCalls;
    if (pcm) return;
    std::lock_guard<std::mutex> lock(chaosMutex);
    if (++chaosEnds[value] > 1) ++chaosDoubleEnds;
}
void KAVOSYNTH_CALL OnChaosLog(std::int32_t, const KavoChar*) {}

int Chaos(int threads, double seconds, unsigned seed) {
    PluginHost host(EngineKind::Fake, u"chaos");
    FakeEngine fake(host);
    fake.TextStreaming(40, 1);
    const PluginApi& api = host.api();
    std::atomic<long> calls{0}, accepted{0}, speaks{0};
    std::atomic<std::int32_t> nextValue{1};
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> hosts;
    for (int t = 0; t < threads; ++t) {
        hosts.emplace_back([&, t] {
            std::mt19937 random(seed + t);
            SynthInfo info{};
            AudioFormat format{};
            while (Clock::now() < end) {
                const std::u16string voice = random() % 8 == 0 ? u"经典科大 小" : kVoices[random() % 4];
                const unsigned pick = random() % 1000;
                bool result = false;
                if (pick < 450) {
                    const std::int32_t value = nextValue++;
                    result = api.Speak(K(voice), K(std::u16string(1 + random() % 60, u'语')), value);
                    if (result) ++speaks;
                } else if (pick < 451) {
                    result = api.Stop();
                } else if (pick < 690) {
                    const int value = static_cast<int>(random() % 140) - 20;
                    result = random() % 3 == 0 ? api.SetRate(K(voice), value)
                                                : random() % 2 ? api.SetVolume(K(voice), value) : api.SetPitch(K(voice), value);
                } else if (pick < 790) {
                    // A buffer for every count asked for, however many voices there are.
                    KavoChar names[6][64] = {};
                    KavoChar* list[6] = {names[0], names[1], names[2], names[3], names[4], names[5]};
                    std::uint32_t count = random() % 6;
                    result = api.GetVoiceList(list, &count);
                } else if (pick < 880) {
                    result = api.GetInfo(&info) && api.GetAudioFormat(&format) && api.PrepareVoice(K(voice));
                } else if (pick < 996) {
                    api.SetPlayCallback(random() % 8 == 0 ? nullptr : &OnChaosAudio);
                } else if (random() % 64 != 0) {
                    result = api.GetInfo(&info);
                } else if (pick < 998) {
                    // Lifecycle calls are rare enough that the worker lives long enough to speak.
                    result = api.Initialize(random() % 2 ? &OnChaosLog : nullptr);
                } else {
                    result = api.Uninitialize();
                }
                ++calls;
                if (result) ++accepted;
            }
        });
    }
    for (auto& h : hosts) h.join();
    api.Uninitialize();
    std::printf("RESULT concurrency threads=%d seconds=%.0f seed=%u calls=%ld accepted=%ld requests=%ld callbacks=%ld "
                "end_calls=%zu double_ends=%ld\n",
                threads, seconds, seed, calls.load(), accepted.load(), speaks.load(), totalCalls.load(), chaosEnds.size(),
                chaosDoubleEnds.load());
    return chaosDoubleEnds == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 3;
    unsigned seed = 1;
    int threads = 8;
    bool chaos = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--chaos") chaos = true;
        else if (arg == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc) seed = static_cast<unsigned>(std::atol(argv[++i]));
        else if (arg == "--threads" && i + 1 < argc) threads = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: soak [--chaos] [--threads N] [--seconds N] [--seed S]\n");
            return 2;
        }
    }
    try {
        return chaos ? Chaos(threads, seconds, seed) : Soak(seconds, seed);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soak: %s\n", e.what());
        return 2;
    }
}
