// KavoSynthSapi.dll against the plug-in alone, the same fake engine behind
// both, under Wine. One mode per run, its figures as one JSON object:
//   sapi_bench first   Speak to the first Write, KavoSynthSpeak to the first
//                      PlayCallback; 200 of each, alternating; medians (µs)
//   sapi_bench abort   SPVES_ABORT raised by another thread at a random point
//                      of 40 ms blocks coming in real time, to Speak returning;
//                      100 aborts (ms)
//   sapi_bench cpu     the process's CPU time for one minute of audio through
//                      the SAPI engine and through the plug-in alone (ms)
// scripts/bench runs it (see bench/RESULTS.md).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "registry_rows.h"
#include "support/fake_engine.h"
#include "support/plugin_host.h"
#include "test_site.h"

namespace {

using namespace kavotest;
using Clock = std::chrono::steady_clock;

const std::wstring kVoiceName = L"经典科大 Catherine";
const std::wstring kTokenId =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\KavoSynth_catherine";
constexpr int kBlockSamples = 640;  // 40 ms at 16 kHz

double Microseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// The plug-in alone, as a host drives it: each request timed to its first block and awaited to its end.
struct Direct {
    PluginHost host;
    FakeEngine fake{host};
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline int ends = 0;
    static inline bool gotBlock = false;
    static inline Clock::time_point firstBlock;

    static void KAVOSYNTH_CALL OnAudio(const KavoChar*, const void* pcm, std::uint32_t, std::int32_t) {
        std::lock_guard<std::mutex> lock(mutex);
        if (pcm == nullptr) {
            ++ends;
        } else if (!gotBlock) {
            gotBlock = true;
            firstBlock = Clock::now();
        }
        changed.notify_all();
    }
    static void KAVOSYNTH_CALL Quiet(std::int32_t, const KavoChar*) {}

    Direct() {
        host.api().SetPlayCallback(&OnAudio);
        host.api().Initialize(&Quiet);
    }
    // Speaks each text as one request and waits for every end; the time to the first block.
    double Speak(const std::vector<std::wstring>& texts) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ends = 0;
            gotBlock = false;
        }
        const Clock::time_point start = Clock::now();
        for (const std::wstring& text : texts) host.api().Speak(kVoiceName.c_str(), text.c_str(), 1);
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return ends == static_cast<int>(texts.size()); });
        return Microseconds(start, firstBlock);
    }
};

// The SAPI engine, created through the DLL's class factory as COM would.
struct Sapi {
    std::filesystem::path stage = StageSapiFolder();
    FakeEngine fake{stage};
    // The DLL is not registered here: the token's key is made, empty, in the bench's prefix.
    Com<ISpObjectToken> token = SapiToken(kTokenId, true);
    ISpTTSEngine* engine = nullptr;

    Sapi() {
        HMODULE dll = LoadLibraryW((stage / "KavoSynthSapi.dll").c_str());
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        const std::string text = kavo::sapi::kEngineClsid;
        CLSID clsid{};
        CLSIDFromString(std::wstring(text.begin(), text.end()).c_str(), &clsid);
        IClassFactory* factory = nullptr;
        if (!get || FAILED(get(clsid, __uuidof(IClassFactory), reinterpret_cast<void**>(&factory)))) {
            std::fprintf(stderr, "sapi_bench: no class factory\n");
            std::exit(1);
        }
        factory->CreateInstance(nullptr, __uuidof(ISpTTSEngine), reinterpret_cast<void**>(&engine));
        factory->Release();
        ISpObjectWithToken* withToken = nullptr;
        engine->QueryInterface(__uuidof(ISpObjectWithToken), reinterpret_cast<void**>(&withToken));
        if (!token || withToken->SetObjectToken(token.get()) != S_OK) {
            std::fprintf(stderr, "sapi_bench: the engine refused the voice token\n");
            std::exit(1);
        }
        withToken->Release();
    }
    ~Sapi() { engine->Release(); }

    HRESULT Speak(TestSite& site, const std::wstring& text) {
        FragmentList fragments;
        fragments.Add(SPVA_Speak, text);
        return engine->Speak(0, kavo::sapi::kFormatIdWaveFormatEx, nullptr, fragments.Head(), &site);
    }
};

void First() {
    Direct direct;
    Sapi sapi;
    std::vector<double> viaSapi, viaPlugin;
    for (int i = 0; i < 200; ++i) {
        TestSite site;
        Clock::time_point firstWrite;
        site.onWrite = [&](TestSite& s) {
            if (s.writeSizes.size() == 1) firstWrite = Clock::now();
        };
        const Clock::time_point start = Clock::now();
        sapi.Speak(site, L"Hello, world.");
        viaSapi.push_back(Microseconds(start, firstWrite));
        viaPlugin.push_back(direct.Speak({L"Hello, world."}));
    }
    std::printf("{\"sapi_p50_us\": %.1f, \"plugin_p50_us\": %.1f}\n", Percentile(viaSapi, 50),
                Percentile(viaPlugin, 50));
}

void Abort() {
    Sapi sapi;
    sapi.fake.Streaming(100, kBlockSamples, 3000, 40);  // 4 s of audio, each block after 40 ms
    std::mt19937 random(27);
    std::uniform_int_distribution<int> wait(50, 1000);
    std::vector<double> latencies;
    for (int i = 0; i < 100; ++i) {
        std::atomic<bool> abort{false};
        Clock::time_point abortAt;
        TestSite site;
        site.actions = [&](TestSite&) -> DWORD { return abort.load() ? SPVES_ABORT : 0; };
        const int ms = wait(random);
        std::thread aborter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));  // the moment of the abort, not a handshake
            abortAt = Clock::now();
            abort.store(true);
        });
        sapi.Speak(site, L"One long sentence.");
        const Clock::time_point returned = Clock::now();
        aborter.join();
        latencies.push_back(Microseconds(abortAt, returned) / 1000.0);
    }
    std::printf("{\"p50_ms\": %.2f, \"p99_ms\": %.2f, \"max_ms\": %.2f, \"block_ms\": 40}\n",
                Percentile(latencies, 50), Percentile(latencies, 99), Percentile(latencies, 100));
}

void Cpu() {
    constexpr int kSentences = 10, kBlocks = 150;  // 10 x 150 x 40 ms = one minute
    constexpr int kRuns = 20;                      // averaged: the CPU clock ticks coarsely
    Direct direct;
    Sapi sapi;
    direct.fake.Streaming(kBlocks, kBlockSamples, 3000, 0);
    sapi.fake.Streaming(kBlocks, kBlockSamples, 3000, 0);
    std::wstring text;
    std::vector<std::wstring> texts;
    for (int i = 0; i < kSentences; ++i) {
        texts.push_back(L"Sentence " + std::to_wstring(i) + L".");
        text += texts.back() + L" ";
    }
    double sapiMs = 0, pluginMs = 0;
    for (int run = 0; run < kRuns; ++run) {
        double start = ProcessCpuMs();
        TestSite site;
        sapi.Speak(site, text);
        sapiMs += ProcessCpuMs() - start;
        start = ProcessCpuMs();
        direct.Speak(texts);
        pluginMs += ProcessCpuMs() - start;
    }
    std::printf("{\"sapi_cpu_ms\": %.1f, \"plugin_cpu_ms\": %.1f, \"audio_s\": 60}\n", sapiMs / kRuns, pluginMs / kRuns);
}

}  // namespace

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "first") {
        First();
    } else if (mode == "abort") {
        Abort();
    } else if (mode == "cpu") {
        Cpu();
    } else {
        std::fprintf(stderr, "usage: sapi_bench first|abort|cpu\n");
        return 2;
    }
    CoUninitialize();
    return 0;
}
