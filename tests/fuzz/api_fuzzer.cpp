// Fuzz target for the plug-in's exported API: the input is a script of export
// calls with their arguments, split between two host threads, run against a
// loaded copy of the plug-in with the scriptable fake engine beside it and
// engine faults chosen by the input. Whatever the script does, the plug-in must
// not crash or hang, no request gets a call after its end call, no refused
// request gets any call, nothing is called back once Uninitialize has
// returned, and no plug-in thread outlives Uninitialize.
// Built for libFuzzer with clang (-DKAVO_FUZZ=ON), and into a replay program
// that CTest runs on the corpus in tests/fuzz/corpus/api.

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_engine.h"
#include "support/plugin_host.h"
#include "support/thread_list.h"

using namespace kavotest;

namespace {

void Fail(const char* what, int line) {
    std::fprintf(stderr, "api_fuzzer: check failed at line %d: %s\n", line, what);
    std::abort();
}
#define CHECK(condition) ((condition) ? (void)0 : Fail(#condition, __LINE__))

// Reads the input a byte at a time; past its end, zeros.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t Unit() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

const std::u16string kVoiceArgs[] = {
    u"经典科大 小燕", u"经典科大 小峰", u"经典科大 小美", u"经典科大 Catherine",
    // Near misses: none of these is a voice.
    u"经典科大 小", u"经典科大 小燕燕", u"经典科大小燕", u"经典科大 小燕 ", u" 经典科大 小燕", u"经典科大 catherine",
    u"xiaoyan", u"经典科大 Catherine\u200b", u"经典科大\u3000小燕"};
constexpr int kVoiceArgCount = sizeof(kVoiceArgs) / sizeof(kVoiceArgs[0]);

// A voice argument: null, empty, a name or a near miss.
struct VoiceArg {
    bool null = false;
    std::u16string text;
    const KavoChar* get() const { return null ? nullptr : K(text); }
};
VoiceArg ReadVoice(Reader& in) {
    const std::uint8_t b = in.Byte();
    VoiceArg arg;
    if (b % 16 == 15) arg.null = true;
    else if (b % 16 == 14) arg.text = u"";
    else arg.text = kVoiceArgs[b % kVoiceArgCount];
    return arg;
}

// A text argument: null, empty, units from the input (surrogates and NULs
// included), one unit repeated into a huge text, or break characters only.
VoiceArg ReadText(Reader& in) {
    const std::uint8_t b = in.Byte();
    VoiceArg arg;
    switch (b % 8) {
        case 0: arg.null = true; break;
        case 1: break;
        case 2: arg.text = std::u16string(20000 + in.Byte() * 400, static_cast<char16_t>(in.Unit() | 1)); break;
        case 3: arg.text = std::u16string(1 + in.Byte() * 4, u'，'); break;
        default: {
            const int units = in.Byte() % 64;
            for (int i = 0; i < units; ++i) arg.text.push_back(static_cast<char16_t>(in.Unit()));
            break;
        }
    }
    return arg;
}

std::int32_t ReadNumber(Reader& in) {
    static const std::int32_t picks[] = {0, 1, 50, 99, 100, 101, -1, -100, INT_MIN, INT_MAX, 1000, 255, 256};
    const std::uint8_t b = in.Byte();
    if (b < 13 * 16) return picks[b % 13];
    return static_cast<std::int32_t>(in.Unit() | static_cast<std::uint32_t>(in.Unit()) << 16);
}

// What the callbacks saw, checked after every input. Not the tests' PlayRecorder:
// keeping no audio keeps the fuzzer fast and its memory flat over millions of inputs.
struct Seen {
    std::mutex mutex;
    std::map<std::int32_t, int> ends;
    std::set<std::int32_t> called;
    bool callAfterEnd = false;
    std::atomic<bool> closed{false};  // the final Uninitialize returned
    std::atomic<bool> lateCall{false};
};
Seen* seen = new Seen;  // outlives every plug-in thread

void KAVOSYNTH_CALL OnAudio(const KavoChar*, const void* pcm, std::uint32_t bytes, std::int32_t value) {
    if (seen->closed) seen->lateCall = true;
    CHECK(pcm != nullptr || bytes == 0);
    std::lock_guard<std::mutex> lock(seen->mutex);
    seen->called.insert(value);
    if (seen->ends[value] > 0) seen->callAfterEnd = true;
    if (!pcm) ++seen->ends[value];
}
void KAVOSYNTH_CALL OnOtherAudio(const KavoChar* voice, const void* pcm, std::uint32_t bytes, std::int32_t value) {
    OnAudio(voice, pcm, bytes, value);
}
void KAVOSYNTH_CALL OnLog(std::int32_t, const KavoChar* text) { CHECK(text != nullptr); }

struct Plugin {
    PluginHost host{EngineKind::Fake, u"api-fuzz"};
    FakeEngine fake{host};
};

struct Op {
    std::uint8_t code;
    VoiceArg voice, text;
    std::int32_t number;
    std::uint8_t extra;
};

void Run(const PluginApi& api, const std::vector<Op>& ops, std::atomic<std::int32_t>& nextValue,
         std::set<std::int32_t>& accepted) {
    for (const Op& op : ops) {
        switch (op.code % 14) {
            case 0: api.Initialize(op.extra % 2 ? &OnLog : nullptr); break;
            case 1: api.Uninitialize(); break;
            case 2:
            case 13: {
                const int count = op.code % 14 == 13 ? 1 + op.extra % 16 : 1;
                for (int i = 0; i < count; ++i) {
                    const std::int32_t value = nextValue++;
                    if (api.Speak(op.voice.get(), op.text.get(), value)) accepted.insert(value);
                }
                break;
            }
            case 3: api.Stop(); break;
            case 4: api.SetRate(op.voice.get(), op.number); break;
            case 5: api.SetVolume(op.voice.get(), op.number); break;
            case 6: api.SetPitch(op.voice.get(), op.number); break;
            case 7: {
                KavoChar names[6][64] = {};
                KavoChar* list[6] = {names[0], names[1], names[2], names[3], names[4], names[5]};
                std::uint32_t count = op.extra % 7;
                api.GetVoiceList(op.extra & 0x40 ? nullptr : list, op.extra & 0x80 ? nullptr : &count);
                break;
            }
            case 8: {
                SynthInfo info{};
                api.GetInfo(op.extra % 2 ? nullptr : &info);
                break;
            }
            case 9: {
                AudioFormat format{};
                api.GetAudioFormat(op.extra % 2 ? nullptr : &format);
                break;
            }
            case 10: api.PrepareVoice(op.voice.get()); break;
            case 11: {
                const PlayCallback choices[] = {&OnAudio, &OnOtherAudio, nullptr};
                api.SetPlayCallback(choices[op.extra % 3]);
                break;
            }
            case 12:
                for (int i = 0; i < op.extra % 64; ++i) std::this_thread::yield();
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Plugin* plugin = new Plugin;  // one loaded copy for the whole run
    // The sanitizers start a thread of their own with the process's first new
    // thread: one made and joined here keeps it out of the comparison.
    static const int baseline = [] {
        std::thread([] {}).join();
        return kavo_test::SettledThreadCount();
    }();
    const PluginApi& api = plugin->host.api();
    FakeEngine& fake = plugin->fake;
    Reader in(data, size);

    // Engine faults: the login result, then up to eight scripted sessions.
    fake.Reset();
    const std::uint8_t setup = in.Byte();
    if (setup % 8 == 7) fake.SetLoginResult(-static_cast<int>(in.Byte()) - 1);
    if (setup & 0x08) fake.TextStreaming(1 + in.Byte(), in.Byte() % 2);
    const int faulty = (setup >> 4) % 8;
    for (int f = 0; f < faulty; ++f) {
        const int session = in.Byte() % 8;
        const std::uint8_t kind = in.Byte();
        switch (kind % 5) {
            case 0: fake.FailBegin(session, 10000 + kind); break;
            case 1: fake.BeginWithNullIdentifier(session); break;
            case 2: fake.FailTextPut(session, -kind); break;
            case 3: fake.FailAudioGet(session, kind % 4, 10100 + kind); break;
            default: fake.PollDelay(session, kind % 3); break;
        }
    }

    // The two threads' scripts.
    std::vector<Op> ops[2];
    while (in.More() && ops[0].size() + ops[1].size() < 200) {
        Op op;
        const std::uint8_t head = in.Byte();
        op.code = head >> 1;
        op.voice = ReadVoice(in);
        op.text = (op.code % 14 == 2 || op.code % 14 == 13) ? ReadText(in) : VoiceArg{};
        op.number = ReadNumber(in);
        op.extra = in.Byte();
        ops[head & 1].push_back(std::move(op));
    }

    {
        std::lock_guard<std::mutex> lock(seen->mutex);
        seen->ends.clear();
        seen->called.clear();
        seen->callAfterEnd = false;
    }
    seen->closed = false;
    std::atomic<std::int32_t> nextValue{1};
    std::set<std::int32_t> accepted[2];
    std::thread second([&] { Run(api, ops[1], nextValue, accepted[1]); });
    Run(api, ops[0], nextValue, accepted[0]);
    second.join();
    api.Uninitialize();
    seen->closed = true;
    api.SetPlayCallback(nullptr);

    std::lock_guard<std::mutex> lock(seen->mutex);
    CHECK(!seen->callAfterEnd);
    CHECK(!seen->lateCall);
    for (const auto& [value, count] : seen->ends) CHECK(count <= 1);
    for (std::int32_t value : seen->called) CHECK(accepted[0].count(value) + accepted[1].count(value) == 1);
    CHECK(kavo_test::ThreadCountReaches(baseline));
    return 0;
}
