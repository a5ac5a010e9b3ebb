// What the plug-in adds to the engine's own work. Run:
//   build/linux/bin/plugin_bench --benchmark_min_time=0.5
// and compare, within one run, SpeakToEndOfRequest with DirectEngineSession:
// the same engine work, once through the plug-in's queue, worker thread and
// callbacks, once called straight.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

#include "util/blocking_queue.h"
#include "engine/engine_contract.h"
#include "engine/synth_session.h"
#include "engine/text_split.h"
#include "log/log_format.h"
#include "support/fake_engine.h"
#include "support/plugin_host.h"
#include "util/module_path.h"

namespace {

using namespace kavotest;

std::mutex endMutex;
std::condition_variable endSeen;
int ends = 0;

void KAVOSYNTH_CALL CountEnds(const KavoChar*, const void* pcm, std::uint32_t bytes, std::int32_t) {
    if (pcm == nullptr && bytes == 0) {
        std::lock_guard<std::mutex> lock(endMutex);
        ++ends;
        endSeen.notify_all();
    }
}

const std::u16string kVoice = u"经典科大 小燕";
const std::u16string kShortText = u"你好，世界。";

// Speak one short text and wait for its end-of-request call: queue, worker
// wake-up, one engine session, two callbacks.
void SpeakToEndOfRequest(benchmark::State& state) {
    PluginHost host(EngineKind::Fake);
    host.api().SetPlayCallback(&CountEnds);
    host.api().Initialize([](std::int32_t, const KavoChar*) {});
    for (auto _ : state) {
        int before;
        {
            std::lock_guard<std::mutex> lock(endMutex);
            before = ends;
        }
        host.api().Speak(K(kVoice), K(kShortText), 1);
        std::unique_lock<std::mutex> lock(endMutex);
        endSeen.wait(lock, [&] { return ends > before; });
    }
    host.api().Uninitialize();
}
BENCHMARK(SpeakToEndOfRequest)->UseRealTime();

// The same engine calls made directly, without the plug-in.
void DirectEngineSession(benchmark::State& state) {
    PluginHost host(EngineKind::Fake);
    std::uint32_t error = 0;
    const kavo::DynamicLibrary engine =
        kavo::DynamicLibrary::Open((host.folder() / std::filesystem::path(EngineFileName())).u16string(), error);
    MSPLoginFn* login = nullptr;
    QTTSSessionBeginFn* begin = nullptr;
    QTTSTextPutFn* put = nullptr;
    QTTSAudioGetFn* get = nullptr;
    QTTSSessionEndFn* end = nullptr;
    ResolveOrThrow(engine, "MSPLogin", login);
    ResolveOrThrow(engine, "QTTSSessionBegin", begin);
    ResolveOrThrow(engine, "QTTSTextPut", put);
    ResolveOrThrow(engine, "QTTSAudioGet", get);
    ResolveOrThrow(engine, "QTTSSessionEnd", end);
    login(nullptr, nullptr, "appid = 7e02c9d4");
    const std::string text = "\xc4\xe3\xba\xc3\xa3\xac\xca\xc0\xbd\xe7\xa1\xa3";
    for (auto _ : state) {
        int err = 0;
        const char* id = begin("voice_name = xiaoyan", &err);
        put(id, text.c_str(), static_cast<unsigned>(text.size()), nullptr);
        unsigned int length = 0;
        int status = 0;
        benchmark::DoNotOptimize(get(id, &length, &status, &err));
        end(id, "Normal");
    }
}
BENCHMARK(DirectEngineSession)->UseRealTime();

void SplitTenThousandCharacters(benchmark::State& state) {
    std::u16string text;
    for (int i = 0; i < 10000; ++i) text.push_back(i % 29 == 0 ? u'，' : u'字');
    std::vector<std::u16string> pieces;
    for (auto _ : state) {
        pieces.clear();
        kavo::SplitText(text, pieces);
        benchmark::DoNotOptimize(pieces.data());
    }
}
BENCHMARK(SplitTenThousandCharacters);

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

void FormatLogFileEntry(benchmark::State& state) {
    const kavo::LogEntry entry{4, u"获取合成音频失败 error: 10111 text: 你好，世界。 voiceName: 经典科大 小燕",
                               kavo::LocalTime{2026, 12, 8, 1, 2, 3, 4}};
    for (auto _ : state) benchmark::DoNotOptimize(kavo::FormatFileEntry(entry));
}
BENCHMARK(FormatLogFileEntry);

}  // namespace

BENCHMARK_MAIN();
