// KavoSynthSapi.dll as SAPI drives it: registered with regsvr32 in the test
// prefix, created from its voice token's CLSID, spoken through the tests' own
// site, with the fake engine staged beside the plug-in.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "registry_rows.h"
#include "support/fake_engine.h"
#include "support/pcm.h"
#include "support/plugin_fixture.h"
#include "support/plugin_host.h"
#include "test_site.h"
#include "util/utf.h"

namespace kavotest {
namespace {

namespace fs = std::filesystem;
using kavo::VoiceFacts;
using Bytes = std::vector<unsigned char>;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using Com = std::unique_ptr<T, ComRelease>;

std::wstring Wide(const std::string& utf8) {
    const std::u16string text = kavo::Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

HKEY Root(kavo::sapi::RegistryRoot root) {
    return root == kavo::sapi::RegistryRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

// A string value, or nullopt when the key or value is not there.
std::optional<std::wstring> ReadString(HKEY root, const std::string& key, const std::string& name) {
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof(buffer);
    const std::wstring valueName = Wide(name);
    if (RegGetValueW(root, Wide(key).c_str(), name.empty() ? nullptr : valueName.c_str(), RRF_RT_REG_SZ, nullptr,
                     buffer, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

DWORD Regsvr32(const std::wstring& arguments) {
    std::wstring command = L"regsvr32.exe /s " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return GetLastError();
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

Bytes Audio(const std::vector<std::string>& sentences) {
    Bytes all;
    for (const std::string& s : sentences) {
        const Bytes one = DefaultFakeAudio(s);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

// GetActions that answers `action` once, after the engine's `writes`-th Write.
std::function<DWORD(TestSite&)> OnceAfterWrites(std::size_t writes, DWORD action, std::function<void(TestSite&)> also = {}) {
    auto fired = std::make_shared<bool>(false);
    return [=](TestSite& site) -> DWORD {
        if (*fired || site.writeSizes.size() < writes) return 0;
        *fired = true;
        if (also) also(site);
        return action;
    };
}

const VoiceFacts& kEnglish = kavo::kVoices[3];

class SapiEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = new fs::path(MakeStageFolder(u"sapi"));
        for (const char16_t* name : {u"KavoSynthSapi", u"KavoSynthXunFeiClassic"}) {
            const fs::path file = kavo::DynamicLibraryFileName(name);
            fs::copy_file(BuildOutputFolder() / file, *stage_ / file);
        }
        fs::copy_file(BuildOutputFolder() / fs::path(kavo::DynamicLibraryFileName(u"fake-mscclassic")),
                      *stage_ / fs::path(EngineFileName()));
        fake_ = new FakeEngine(*stage_);
        ASSERT_EQ(Regsvr32(L"\"" + DllPath() + L"\""), 0u);
    }
    static void TearDownTestSuite() {
        Regsvr32(L"/u \"" + DllPath() + L"\"");
        delete fake_;
        delete stage_;
    }
    static std::wstring DllPath() { return (*stage_ / "KavoSynthSapi.dll").wstring(); }

    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        fake_->Reset();
    }
    void TearDown() override { CoUninitialize(); }

    static std::wstring TokenId(const VoiceFacts& voice) {
        return L"HKEY_LOCAL_MACHINE\\" + Wide(kavo::sapi::TokenKey(voice));
    }

    // The engine SAPI would create for the voice: the class its token names,
    // given the token.
    Com<ISpTTSEngine> CreateEngine(TestToken& token) {
        const std::optional<std::wstring> clsidText =
            ReadString(HKEY_LOCAL_MACHINE, kavo::sapi::TokenKey(kEnglish), "CLSID");
        CLSID clsid{};
        EXPECT_TRUE(clsidText && SUCCEEDED(CLSIDFromString(clsidText->c_str(), &clsid)));
        ISpTTSEngine* engine = nullptr;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ISpTTSEngine),
                                   reinterpret_cast<void**>(&engine)),
                  S_OK);
        if (!engine) return nullptr;
        ISpObjectWithToken* withToken = nullptr;
        EXPECT_EQ(engine->QueryInterface(__uuidof(ISpObjectWithToken), reinterpret_cast<void**>(&withToken)), S_OK);
        if (withToken) {
            EXPECT_EQ(withToken->SetObjectToken(&token), S_OK);
            withToken->Release();
        }
        return Com<ISpTTSEngine>(engine);
    }

    static HRESULT Speak(ISpTTSEngine& engine, TestSite& site, FragmentList& fragments) {
        return engine.Speak(0, kavo::sapi::kFormatIdWaveFormatEx, nullptr, fragments.Head(), &site);
    }

    // The text of every engine session so far, in order.
    static std::vector<std::string> SpokenTexts() {
        std::vector<std::string> texts;
        for (int s = 0; s < fake_->Sessions(); ++s) texts.push_back(fake_->SessionText(s));
        return texts;
    }

    static FakeEngine& fake() { return *fake_; }

    TestToken token_{TokenId(kEnglish)};

private:
    static fs::path* stage_;
    static FakeEngine* fake_;
};

fs::path* SapiEngineTest::stage_ = nullptr;
FakeEngine* SapiEngineTest::fake_ = nullptr;

TEST_F(SapiEngineTest, RegistrationWritesEveryRowAndUnregistrationRemovesOnlyThem) {
    const std::wstring path = DllPath();
    const auto rows = kavo::sapi::AllRows(kavo::Utf16ToUtf8(std::u16string(path.begin(), path.end())));
    for (const kavo::sapi::RegistryRow& row : rows) {
        EXPECT_EQ(ReadString(Root(row.root), row.key, row.name), Wide(row.data)) << row.key << " " << row.name;
    }
    // Another vendor's token beside ours stays.
    const std::string other = std::string(kavo::sapi::kTokensKey) + "\\OtherVendor_voice";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(other).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(Regsvr32(L"/u \"" + DllPath() + L"\""), 0u);
    for (const kavo::sapi::RegistryRow& row : rows) EXPECT_FALSE(KeyExists(Root(row.root), row.key)) << row.key;
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kavo::sapi::kTokensKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other));

    RegDeleteKeyW(HKEY_LOCAL_MACHINE, Wide(other).c_str());
    ASSERT_EQ(Regsvr32(L"\"" + DllPath() + L"\""), 0u);
}

TEST_F(SapiEngineTest, EngineKeepsItsTokenAndAlwaysOffers16kHzMono) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    Com<ISpObjectWithToken> withToken;
    {
        ISpObjectWithToken* raw = nullptr;
        ASSERT_EQ(engine->QueryInterface(__uuidof(ISpObjectWithToken), reinterpret_cast<void**>(&raw)), S_OK);
        withToken.reset(raw);
    }
    ISpObjectToken* got = nullptr;
    EXPECT_EQ(withToken->GetObjectToken(&got), S_OK);
    EXPECT_EQ(got, &token_);
    if (got) got->Release();
    TestToken foreign(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\OtherVendor_voice");
    EXPECT_EQ(withToken->SetObjectToken(&foreign), E_INVALIDARG);

    const WAVEFORMATEX asked{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    const WAVEFORMATEX* const targets[] = {nullptr, &asked};
    for (const WAVEFORMATEX* target : targets) {
        GUID formatId{};
        WAVEFORMATEX* format = nullptr;
        ASSERT_EQ(engine->GetOutputFormat(&kavo::sapi::kFormatIdWaveFormatEx, target, &formatId, &format), S_OK);
        EXPECT_TRUE(formatId == kavo::sapi::kFormatIdWaveFormatEx);
        EXPECT_EQ(format->wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format->nChannels, 1);
        EXPECT_EQ(format->nSamplesPerSec, 16000u);
        EXPECT_EQ(format->wBitsPerSample, 16);
        EXPECT_EQ(format->nBlockAlign, 2);
        EXPECT_EQ(format->nAvgBytesPerSec, 32000u);
        CoTaskMemFree(format);
    }
    withToken.reset();
    engine.reset();
    EXPECT_EQ(token_.References(), 1u);
}

TEST_F(SapiEngineTest, EveryActionIsSpokenSilentSpelledOrLeftOut) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    FragmentList fragments;
    fragments.Add(SPVA_Speak, L"Hello there. How are you?\n")
        .Silence(20)
        .Add(SPVA_SpellOut, L"ab c")
        .Add(SPVA_Section, L"Part two.")
        .Add(SPVA_ParseUnknownTag, L"<odd tag/>")
        .Add(SPVA_Pronounce, L"word");
    TestSite site;
    ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
    EXPECT_EQ(SpokenTexts(), (std::vector<std::string>{"Hello there.", "How are you?\n", "a b c", "Part two.", "word"}));
    Bytes expected = Audio({"Hello there.", "How are you?\n"});
    expected.insert(expected.end(), 20 * 32, 0);
    const Bytes rest = Audio({"a b c", "Part two.", "word"});
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(site.audio, expected);
}

TEST_F(SapiEngineTest, BookmarksAndSentencesComeInOrderAtTheirAudioOffsets) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    FragmentList fragments;
    fragments.Add(SPVA_Speak, L"One. ").Add(SPVA_Bookmark, L"1").Add(SPVA_Speak, L"Two!").Silence(10).Add(
        SPVA_Bookmark, L"42x");
    struct Case {
        HRESULT interestResult;
        ULONGLONG interest;
        bool sentences, bookmarks;
    };
    const ULONGLONG bookmarkBit = kavo::sapi::EventBit(SPEI_TTS_BOOKMARK);
    for (const Case& c : {Case{S_OK, ~0ULL, true, true}, Case{E_NOTIMPL, 0, true, true},
                          Case{S_OK, bookmarkBit, false, true}, Case{S_OK, 0, false, false}}) {
        TestSite site;
        site.interestResult = c.interestResult;
        site.interest = c.interest;
        ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
        // "One." is 4 samples (8 bytes), "Two!" too; 10 ms of silence is 320 bytes.
        std::vector<std::tuple<SPEVENTENUM, ULONGLONG, WPARAM, LPARAM, std::wstring>> expected;
        if (c.sentences) expected.emplace_back(SPEI_SENTENCE_BOUNDARY, 0, 4, 0, L"");
        if (c.bookmarks) expected.emplace_back(SPEI_TTS_BOOKMARK, 8, 1, 0, L"1");
        if (c.sentences) expected.emplace_back(SPEI_SENTENCE_BOUNDARY, 8, 4, 6, L"");
        if (c.bookmarks) expected.emplace_back(SPEI_TTS_BOOKMARK, 336, 42, 0, L"42x");
        std::vector<std::tuple<SPEVENTENUM, ULONGLONG, WPARAM, LPARAM, std::wstring>> got;
        for (const TestSite::Event& e : site.events) {
            got.emplace_back(e.id, e.offset, e.wParam, e.id == SPEI_TTS_BOOKMARK ? 0 : e.lParam, e.text);
        }
        EXPECT_EQ(got, expected) << "interest " << std::hex << c.interest << " result " << c.interestResult;
        EXPECT_EQ(site.audio.size(), 336u);
    }
}

TEST_F(SapiEngineTest, ProsodyMapsOntoThePluginScales) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    struct Case {
        LONG siteRate;
        USHORT siteVolume;
        LONG rateAdj;
        ULONG volume;
        LONG pitchAdj;
        int rate, pluginVolume, pitch;
    };
    const Case cases[] = {
        {0, 100, 0, 100, 0, 50, 100, 50},    {-10, 100, 0, 100, 0, 0, 100, 50}, {10, 100, 0, 100, 0, 100, 100, 50},
        {4, 100, 3, 100, 0, 85, 100, 50},    {8, 100, 5, 100, 0, 100, 100, 50}, {0, 50, 0, 50, 0, 50, 25, 50},
        {0, 0, 0, 100, 0, 50, 0, 50},        {0, 100, 0, 100, -10, 50, 100, 0}, {0, 100, 0, 100, 3, 50, 100, 65},
        {0, 100, 0, 100, 25, 50, 100, 100},
    };
    int session = 0;
    for (const Case& c : cases) {
        SPVSTATE state = FragmentList::DefaultState();
        state.RateAdj = c.rateAdj;
        state.Volume = c.volume;
        state.PitchAdj.MiddleAdj = c.pitchAdj;
        FragmentList fragments;
        fragments.Add(SPVA_Speak, L"Hi.", state);
        TestSite site;
        site.rate = c.siteRate;
        site.volume = c.siteVolume;
        ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
        EXPECT_EQ(fake().SessionParams(session++),
                  SessionParams(kEnglish.engineId, c.rate, c.pluginVolume, c.pitch))
            << c.siteRate << " " << c.siteVolume << " " << c.rateAdj << " " << c.volume << " " << c.pitchAdj;
    }
}

TEST_F(SapiEngineTest, RateAndVolumeChangesApplyFromTheNextSentence) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    FragmentList fragments;
    fragments.Add(SPVA_Speak, L"One. Two. Three.");
    TestSite site;
    site.actions = OnceAfterWrites(1, SPVES_RATE | SPVES_VOLUME, [](TestSite& s) {
        s.rate = 10;
        s.volume = 40;
    });
    ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
    EXPECT_EQ(fake().SessionParams(0), SessionParams(kEnglish.engineId, 50, 100, 50));
    EXPECT_EQ(fake().SessionParams(1), SessionParams(kEnglish.engineId, 100, 40, 50));
    EXPECT_EQ(fake().SessionParams(2), SessionParams(kEnglish.engineId, 100, 40, 50));
    EXPECT_EQ(site.rateReads, 2);  // at the start, and once after the change
}

TEST_F(SapiEngineTest, AbortMidTextWritesNothingMoreAndLeavesTheNextSpeakClean) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    fake().TextStreaming(4, 5);  // 4 samples a block, one block every 5 ms
    FragmentList fragments;
    fragments.Add(SPVA_Speak, std::wstring(400, L'a') + L". Never spoken.");
    TestSite site;
    site.actions = [](TestSite& s) -> DWORD { return s.writeSizes.size() >= 2 ? SPVES_ABORT : 0; };
    ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
    EXPECT_EQ(site.writeSizes, (std::vector<ULONG>{8, 8}));
    EXPECT_EQ(fake().Sessions(), 1);

    FragmentList next;
    next.Add(SPVA_Speak, L"Next one.");
    TestSite after;
    ASSERT_EQ(Speak(*engine, after, next), S_OK);
    EXPECT_EQ(after.audio, Audio({"Next one."}));
}

TEST_F(SapiEngineTest, SkipMovesBySentencesAndReportsHowFar) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    struct Case {
        LONG count;
        std::vector<std::string> spoken;
        LONG skipped;
    };
    const Case cases[] = {
        {1, {"One.", "Two.", "Three."}, 1},  // during One's end: on to the next sentence
        {2, {"One.", "Three."}, 2},
        {9, {"One."}, 3},                    // past the end: nothing more
        {0, {"One.", "One.", "Two.", "Three."}, 0},
        {-1, {"One.", "One.", "Two.", "Three."}, 0},  // before the first: the first again
    };
    for (const Case& c : cases) {
        fake().Reset();
        FragmentList fragments;
        fragments.Add(SPVA_Speak, L"One. Two. Three.");
        TestSite site;
        site.skipCount = c.count;
        site.actions = OnceAfterWrites(1, SPVES_SKIP);
        ASSERT_EQ(Speak(*engine, site, fragments), S_OK);
        EXPECT_EQ(SpokenTexts(), c.spoken) << "skip " << c.count;
        EXPECT_EQ(site.completedSkips, std::vector<LONG>{c.skipped}) << "skip " << c.count;
    }
}

TEST_F(SapiEngineTest, AWriteThatFailsStopsOrTakesNothingEndsTheCall) {
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    struct Case {
        HRESULT result;
        ULONG taken;
        HRESULT speak;
    };
    for (const Case& c : {Case{E_FAIL, 0, E_FAIL}, Case{SP_AUDIO_STOPPED, 0, S_OK}, Case{SP_AUDIO_STOPPED, 10, S_OK},
                          Case{S_OK, 0, S_OK}}) {
        fake().Reset();
        FragmentList fragments;
        fragments.Add(SPVA_Speak, L"One. Two.");
        TestSite site;
        site.failingWrite = 0;
        site.writeResult = c.result;
        site.writeBytes = c.taken;
        EXPECT_EQ(Speak(*engine, site, fragments), c.speak) << std::hex << c.result;
        EXPECT_EQ(site.writeSizes.size(), 1u) << std::hex << c.result;
        EXPECT_EQ(fake().Sessions(), 1) << std::hex << c.result;
    }
}

TEST_F(SapiEngineTest, TwoInstancesTakeTurnsAndAnAbortStopsOnlyItsOwn) {
    fake().TextStreaming(4, 2);
    TestToken chinese(TokenId(kavo::kVoices[0]));
    Com<ISpTTSEngine> aborted = CreateEngine(chinese);
    Com<ISpTTSEngine> whole = CreateEngine(token_);
    ASSERT_TRUE(aborted && whole);
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"KavoSynthSapi.dll"), "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_FALSE);

    FragmentList longText;
    longText.Add(SPVA_Speak, std::wstring(200, L'b') + L". " + std::wstring(200, L'c') + L".");
    TestSite abortedSite;
    abortedSite.actions = [](TestSite& s) -> DWORD { return s.writeSizes.size() >= 3 ? SPVES_ABORT : 0; };
    FragmentList sentences;
    sentences.Add(SPVA_Speak, L"One. Two. Three. Four.");
    TestSite wholeSite;
    HRESULT abortedResult = E_FAIL;
    HRESULT wholeResult = E_FAIL;
    std::thread first([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        abortedResult = Speak(*aborted, abortedSite, longText);
        CoUninitialize();
    });
    std::thread second([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        wholeResult = Speak(*whole, wholeSite, sentences);
        CoUninitialize();
    });
    first.join();
    second.join();
    EXPECT_EQ(abortedResult, S_OK);
    EXPECT_EQ(wholeResult, S_OK);
    EXPECT_EQ(abortedSite.writeSizes.size(), 3u);
    EXPECT_EQ(wholeSite.audio, Audio({"One.", "Two.", "Three.", "Four."}));

    aborted.reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    whole.reset();
    EXPECT_EQ(canUnload(), S_OK);
}

TEST_F(SapiEngineTest, AnEngineThatCannotLogInFailsSpeakWithTheReason) {
    fake().SetLoginResult(10106);
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    FragmentList fragments;
    fragments.Add(SPVA_Speak, L"Hello.");
    TestSite site;
    EXPECT_EQ(Speak(*engine, site, fragments), SPERR_UNINITIALIZED);
    EXPECT_TRUE(site.audio.empty());
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_NE(std::wstring(description).find(L"10106"), std::wstring::npos) << description;
    SysFreeString(description);
    info->Release();
}

TEST_F(SapiEngineTest, ASentenceTheEngineRefusesIsLeftOutAndTheRestSpoken) {
    fake().FailBegin(0, 10111);
    Com<ISpTTSEngine> engine = CreateEngine(token_);
    ASSERT_TRUE(engine);
    FragmentList fragments;
    fragments.Add(SPVA_Speak, L"One. Two.");
    TestSite site;
    EXPECT_EQ(Speak(*engine, site, fragments), S_OK);
    EXPECT_EQ(site.audio, Audio({"Two."}));
}

}  // namespace
}  // namespace kavotest
