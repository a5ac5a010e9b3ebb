// A host that misuses the plug-in: every export called from inside its own
// callbacks, a callback that blocks while another thread stops and shuts down,
// a PlayCallback swapped during speech, a thousand start-stop cycles per log
// mode with the process's threads, descriptors and memory read before and
// after, and a log folder that cannot be written. Each case records what it
// saw as test properties (what scripts/reliability tabulates).
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/plugin_fixture.h"
#include "support/thread_list.h"
#include "util/platform/ansi_text.h"
#include "util/platform/thread_id.h"

namespace kavotest {
namespace {

using HostMisuse = PluginTest;

// Calls each export once, from wherever it is called, and says what each
// returned. Uninitialize comes last but one, Stop after Speak.
std::string CallEveryExport(const PluginApi& api, const std::u16string& voice, PlayCallback callback) {
    std::ostringstream out;
    SynthInfo info{};
    AudioFormat format{};
    KavoChar names[4][64] = {};
    KavoChar* list[4] = {names[0], names[1], names[2], names[3]};
    std::uint32_t count = 4;
    out << "GetInfo " << api.GetInfo(&info);
    out << ", GetAudioFormat " << api.GetAudioFormat(&format);
    out << ", GetVoiceList " << api.GetVoiceList(list, &count);
    out << ", PrepareVoice " << api.PrepareVoice(K(voice));
    out << ", SetRate " << api.SetRate(K(voice), 40);
    out << ", SetVolume " << api.SetVolume(K(voice), 90);
    out << ", SetPitch " << api.SetPitch(K(voice), 60);
    api.SetPlayCallback(callback);
    out << ", Speak " << api.Speak(K(voice), K(u"from a callback"), 99);
    out << ", Stop " << api.Stop();
    out << ", Initialize " << api.Initialize(&LogRecorder::Sink);
    out << ", Uninitialize " << api.Uninitialize();
    return out.str();
}

TEST_F(HostMisuse, EveryExportFromInsideThePlayCallback) {
    StartAndWaitReady();
    std::string results;
    std::once_flag once;
    std::atomic<bool> called{false};
    play().OnCall([&](const PlayCall& call) {
        if (call.value != 1) return;
        std::call_once(once, [&] {
            results = CallEveryExport(api(), kXiaoyan, &PlayRecorder::Callback);
            called = true;
        });
    });
    fake().Streaming(3, 40, 3000, 0);
    ASSERT_TRUE(Speak(kXiaoyan, u"first", 1));
    ASSERT_TRUE(play().WaitForCalls(1));
    ASSERT_TRUE(called);
    // The Stop made inside cut request 1; the worker must still speak the next one.
    ASSERT_TRUE(Speak(kXiaoyan, u"after", 2));
    ASSERT_TRUE(play().WaitForEnd(2));
    play().OnCall(nullptr);
    RecordProperty("outcome", results + "; the worker spoke on and shut down");
    EXPECT_NE(results.find("Uninitialize 0"), std::string::npos) << "the worker cannot wait for itself: " << results;
    EXPECT_EQ(play().EndCalls(1), 0) << "the Stop made inside did not cut the request";
    EXPECT_EQ(play().EndCalls(99), 0) << "the request queued inside was not purged by the Stop after it";
    EXPECT_TRUE(api().Uninitialize());
}

// The sink calls every export on the first line that reaches it from thread `from`.
struct SinkRun {
    std::atomic<bool> done{false};
    std::string results;
};

TEST_F(HostMisuse, EveryExportFromInsideTheLogSinkOnTheHostsAndTheWorkersThread) {
    ListenForAudio();
    SinkRun onHost, onWorker;
    const std::uint32_t host = kavo::CurrentThreadId();
    logs().OnLine([&](const LogLine& line) {
        SinkRun& run = line.threadId == host ? onHost : onWorker;
        if (run.done.exchange(true)) return;
        run.results = CallEveryExport(api(), kXiaoyan, &PlayRecorder::Callback);
    });
    ASSERT_TRUE(StartWithSink());  // the opening line comes on this thread
    ASSERT_TRUE(logs().WaitForMessageStartingWith(u"合成").size() > 0);
    // Whatever those calls left running, a plain cycle still works afterwards.
    api().Uninitialize();
    logs().OnLine(nullptr);
    ASSERT_TRUE(StartWithSink());
    ListenForAudio();
    ASSERT_TRUE(Speak(kXiaoyan, u"afterwards", 5));
    ASSERT_TRUE(play().WaitForEnd(5));
    EXPECT_TRUE(api().Uninitialize());
    RecordProperty("outcome", "host thread (inside Initialize): " + onHost.results + "; worker thread: " +
                                  (onWorker.done ? onWorker.results : std::string("no line")) +
                                  "; a later cycle spoke in full");
    EXPECT_TRUE(onHost.done);
}

TEST_F(HostMisuse, APlayCallbackBlockedForASecondWhileAnotherThreadStopsThenUninitializes) {
    StartAndWaitReady();
    fake().Streaming(5, 40, 3000, 0);
    std::atomic<bool> inside{false}, callbackReturned{false};
    std::atomic<int> callsAfterUninitialize{0};
    std::atomic<bool> uninitialized{false};
    play().OnCall([&](const PlayCall& call) {
        if (uninitialized) ++callsAfterUninitialize;
        if (call.value == 1 && !inside.exchange(true)) {
            std::this_thread::sleep_for(std::chrono::seconds(1));  // the host's slow callback, not a wait on the test
            callbackReturned = true;
        }
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"blocked", 1));
    ASSERT_TRUE(Speak(kXiaoyan, u"queued", 2));
    while (!inside) std::this_thread::yield();
    bool stopReturnedFirst = false, uninitializeResult = false;
    std::thread other([&] {
        api().Stop();
        stopReturnedFirst = !callbackReturned;
        uninitializeResult = api().Uninitialize();
        uninitialized = true;
    });
    other.join();
    play().OnCall(nullptr);
    RecordProperty("outcome", std::string("Stop returned ") + (stopReturnedFirst ? "while the callback still blocked" : "after the callback") +
                                  "; Uninitialize " + (uninitializeResult ? "returned true after it" : "returned false") +
                                  "; calls after Uninitialize: " + std::to_string(callsAfterUninitialize.load()));
    EXPECT_TRUE(stopReturnedFirst) << "Stop waited for the host's callback";
    EXPECT_TRUE(uninitializeResult);
    EXPECT_TRUE(callbackReturned);
    EXPECT_EQ(callsAfterUninitialize.load(), 0);
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_TRUE(play().CallsWithValue(2).empty()) << "the request queued before the Stop was spoken";
}

// The two host callbacks record into the same list, each call tagged by which one ran.
TEST_F(HostMisuse, SetPlayCallbackFlippingBetweenTwoCallbacksAndNullDuringSpeech) {
    StartAndWaitReady();
    fake().TextStreaming(20, 1);  // a block every millisecond or so
    std::atomic<bool> flipping{true};
    std::thread flipper([&] {
        const PlayCallback choices[] = {&PlayRecorder::Callback, &PlayRecorder::SecondCallback, nullptr};
        for (unsigned i = 0; flipping; ++i) {
            api().SetPlayCallback(choices[i % 3]);
            std::this_thread::sleep_for(std::chrono::microseconds(300));  // paces the flips against the blocks
        }
    });
    const int requests = 20;
    std::vector<std::u16string> texts;
    for (int r = 0; r < requests; ++r) {
        texts.push_back(u"request " + std::u16string(40 + r, u'x'));
        while (!Speak(kXiaoyan, texts.back(), r)) std::this_thread::yield();  // refused while the callback is null
    }
    // Flipping goes on until the worker has begun every request (one piece, so one session each).
    const auto begun = std::chrono::steady_clock::now() + kPatience;
    while (fake().Sessions() < requests && std::chrono::steady_clock::now() < begun)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The last request is spoken with the first callback held still, so its end call is certain.
    flipping = false;
    flipper.join();
    api().SetPlayCallback(&PlayRecorder::Callback);
    ASSERT_TRUE(Speak(kXiaoyan, u"last", requests));
    ASSERT_TRUE(play().WaitForEnd(requests));
    ASSERT_TRUE(api().Uninitialize());
    const std::vector<PlayCall> calls = play().Calls();
    ASSERT_TRUE(calls.back().IsEnd() && calls.back().value == requests) << "a call after the last request's end";

    // Every request's blocks, whichever callback got them, are its own blocks in
    // order (some missing: those made while no callback was set), then at most one end call.
    int perCallback[2] = {0, 0}, ends = 0;
    std::vector<std::size_t> offset(requests + 1, 0);
    std::vector<int> endsOf(requests + 1, 0);
    for (const PlayCall& call : calls) {
        ++perCallback[call.callback];
        ASSERT_GE(call.value, 0);
        ASSERT_LE(call.value, requests);
        ASSERT_EQ(endsOf[call.value], 0) << "a call after the end call of request " << call.value;
        if (call.IsEnd()) {
            ++endsOf[call.value];
            ++ends;
            continue;
        }
        std::string bytes;
        kavo::WideToAnsi(call.value == requests ? std::u16string(u"last") : texts[call.value], bytes);
        const auto whole = DefaultFakeAudio(bytes);
        // A block starts at a multiple of 20 samples at or after the last one delivered.
        const auto at = std::search(whole.begin() + offset[call.value], whole.end(), call.bytes.begin(), call.bytes.end());
        ASSERT_NE(at, whole.end()) << "request " << call.value << " got bytes not its own, or out of order";
        offset[call.value] = static_cast<std::size_t>(at - whole.begin()) + call.bytes.size();
    }
    EXPECT_EQ(endsOf[requests], 1);
    RecordProperty("outcome", std::to_string(requests + 1) + " requests: " + std::to_string(perCallback[0]) + " calls to A, " +
                                  std::to_string(perCallback[1]) + " to B, " + std::to_string(ends) +
                                  " end calls; every block its own request's, in order; never two end calls");
}

// The process's own figures.
int CountEntries(const char* folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

struct Figures {
    int threads, descriptors;
    long residentKiB;
};
Figures Now() { return {kavo_test::SettledThreadCount(), CountEntries("/proc/self/fd"), ResidentKiB()}; }

// How many cycles: KAVO_CYCLES (scripts/reliability runs 1000), else 100.
int Cycles() {
    const char* text = std::getenv("KAVO_CYCLES");
    return text && std::atoi(text) > 0 ? std::atoi(text) : 100;
}

class CyclesInOneLogMode : public PluginTestBase, public ::testing::WithParamInterface<bool> {
protected:
    CyclesInOneLogMode() : PluginTestBase(EngineKind::Fake) {}
};

TEST_P(CyclesInOneLogMode, KeepThreadsDescriptorsAndMemoryFlat) {
    const bool fileMode = GetParam();
    ListenForAudio();
    const int cycles = Cycles();
    Figures first{}, last{};
    for (int cycle = 0; cycle < cycles; ++cycle) {
        ASSERT_TRUE(fileMode ? StartWithLogFile() : StartWithSink());
        ASSERT_TRUE(Speak(kXiaomei, u"cycle", cycle));
        ASSERT_TRUE(play().WaitForEnd(cycle));
        ASSERT_TRUE(api().Uninitialize());
        ASSERT_EQ(fake().Logins(), 1);
        ASSERT_EQ(fake().Logouts(), 1);
        // The host's and the engine's own records are emptied, so that only the plug-in's memory counts.
        fake().Reset();
        play().Reset();
        ListenForAudio();
        logs().Reset();
        if (cycle == 0) first = Now();
    }
    last = Now();
    std::ostringstream out;
    out << cycles << " cycles; threads " << first.threads << " -> " << last.threads << ", descriptors "
        << first.descriptors << " -> " << last.descriptors << ", resident memory " << first.residentKiB << " -> "
        << last.residentKiB << " KiB";
    RecordProperty("outcome", out.str());
    EXPECT_EQ(last.threads, first.threads);
    EXPECT_EQ(last.descriptors, first.descriptors);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers keep freed memory aside, so memory is judged in a plain build only.
    EXPECT_LT(last.residentKiB - first.residentKiB, 1024) << out.str();
#endif
}

INSTANTIATE_TEST_SUITE_P(HostMisuse, CyclesInOneLogMode, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "FileMode" : "SinkMode"; });

// A folder nobody may create files in: the immutable flag, since permissions
// do not stop root. False when this machine cannot set it.
bool SetImmutable(const std::filesystem::path& folder, bool on) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

bool CanCreateIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / "probe";
    const bool created = std::ofstream(probe).is_open();
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    return created;
}

bool MakeUnwritable(const std::filesystem::path& folder, bool unwritable) {
    std::error_code ignored;
    if (!unwritable) {
        SetImmutable(folder, false);
        std::filesystem::permissions(folder, std::filesystem::perms(0755), ignored);
        return true;
    }
    std::filesystem::permissions(folder, std::filesystem::perms(0555), ignored);
    if (CanCreateIn(folder)) SetImmutable(folder, true);
    return !CanCreateIn(folder);
}

TEST_F(HostMisuse, AReadOnlyLogFolderLeavesSpeechAndShutdownAlone) {
    if (!MakeUnwritable(host().folder(), true)) {
        MakeUnwritable(host().folder(), false);
        GTEST_SKIP() << "this machine cannot make a folder read-only for this user";
    }
    ListenForAudio();
    const bool started = StartWithLogFile();
    const bool spoke = Speak(kXiaoyan, u"no log", 1) && play().WaitForEnd(1);
    const bool stopped = api().Uninitialize();
    const bool noFile = !std::filesystem::exists(host().LogFile());
    MakeUnwritable(host().folder(), false);
    RecordProperty("outcome", std::string("Initialize ") + (started ? "true" : "false") + ", request " +
                                  (spoke ? "spoken in full" : "not spoken") + ", Uninitialize " + (stopped ? "true" : "false") +
                                  (noFile ? ", no log file" : ", a log file appeared"));
    EXPECT_TRUE(spoke);
    EXPECT_TRUE(noFile);
}

}  // namespace
}  // namespace kavotest
