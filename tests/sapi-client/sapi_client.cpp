// A SAPI 5 client, as speech applications are: it finds the voices of the
// voice list among SAPI's voice tokens, speaks with each through SpVoice into a
// stream of its own, and checks the audio against kavo-say's for the same
// voice and text (same plug-in and engine, from the folder it runs in).
//   sapi_client --list    lists SAPI's voices; fails unless each listed voice is there once
//   sapi_client           the whole check; ends with "N passed, N failed"
// Exit status: 0 when every check passed.
#include <windows.h>
#include <sapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pcm_stream.h"
#include "plugin/voice_list.h"

namespace {

using sapiclient::PcmStream;

const wchar_t* const kTexts[][2] = {
    {L"zh", L"今天天气很好，我们一起去公园散步吧。"},
    {L"en", L"The weather is fine today. Let us take a walk in the park."},
};
constexpr double kTolerance = 0.05;    // SAPI's audio against kavo-say's, relative
constexpr double kFasterAtMost = 0.95;  // SetRate(5) against SetRate(0)

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { if (p) p->Release(); }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

std::wstring Wide(const char* utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

struct Tally {
    int passed = 0;
    int failed = 0;
    void Check(bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        std::fflush(stdout);
        ++(ok ? passed : failed);
    }
};

std::string Hex(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(hr));
    return buf;
}

struct FoundToken {
    std::wstring id;
    std::wstring name;  // the Attributes' Name
    ISpObjectToken* token = nullptr;
};

// Every voice token SAPI lists, with the name its attributes give.
HRESULT ListVoices(std::vector<FoundToken>& found) {
    ComPtr<ISpObjectTokenCategory> category;
    HRESULT hr = CoCreateInstance(__uuidof(SpObjectTokenCategory), nullptr, CLSCTX_ALL, __uuidof(ISpObjectTokenCategory),
                                  reinterpret_cast<void**>(&category));
    if (FAILED(hr)) return hr;
    if (FAILED(hr = category->SetId(SPCAT_VOICES, FALSE))) return hr;
    ComPtr<IEnumSpObjectTokens> tokens;
    if (FAILED(hr = category->EnumTokens(nullptr, nullptr, &tokens))) return hr;
    ISpObjectToken* token = nullptr;
    while (tokens->Next(1, &token, nullptr) == S_OK) {
        FoundToken entry;
        entry.token = token;
        wchar_t* text = nullptr;
        if (SUCCEEDED(token->GetId(&text)) && text) entry.id = text;
        CoTaskMemFree(text);
        text = nullptr;
        ComPtr<ISpDataKey> attributes;
        if (SUCCEEDED(token->OpenKey(L"Attributes", &attributes)) && SUCCEEDED(attributes->GetStringValue(L"Name", &text)) && text)
            entry.name = text;
        CoTaskMemFree(text);
        found.push_back(entry);
    }
    return S_OK;
}

// The tokens of the voice list's voices, in its order; null where a voice is
// missing or listed more than once.
std::vector<ISpObjectToken*> MatchVoices(const std::vector<FoundToken>& found, Tally& tally) {
    std::vector<ISpObjectToken*> matched;
    for (const kavo::VoiceFacts& voice : kavo::kVoices) {
        const std::wstring name = Wide(voice.displayName);
        ISpObjectToken* token = nullptr;
        int count = 0;
        for (const FoundToken& entry : found) {
            if (entry.name != name) continue;
            ++count;
            token = entry.token;
        }
        tally.Check(count == 1, std::string("voice ") + voice.shortName + " (" + voice.displayName + ") listed " +
                                    std::to_string(count) + " time(s)");
        matched.push_back(count == 1 ? token : nullptr);
    }
    return matched;
}

// The folder this program runs from, with a trailing backslash.
std::wstring OwnFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// The PCM bytes of a WAV file's data chunk; -1 when it has none.
long long WavDataBytes(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return -1;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(file);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return -1;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (std::memcmp(bytes.data() + at, "data", 4) == 0) return size <= bytes.size() - at - 8 ? size : -1;
        at += 8 + size + (size & 1);
    }
    return -1;
}

// What kavo-say makes of the text with the voice: the PCM bytes of its WAV
// file, or -1 when it failed.
long long KavoSayBytes(const std::wstring& folder, const char* shortName, const wchar_t* text, const wchar_t* tag) {
    const std::wstring base = folder + L"sapi-client-" + Wide(shortName) + L"-" + tag;
    const std::wstring textPath = base + L".txt", wavPath = base + L".wav";
    FILE* file = _wfopen(textPath.c_str(), L"wb");
    if (!file) return -1;
    const std::string utf8 = Utf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fclose(file);
    std::wstring command = L"\"" + folder + L"kavo-say.exe\" -v " + Wide(shortName) + L" -o \"" + wavPath + L"\" -f \"" +
                           textPath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD status = 1;
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 124);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status == 0 ? WavDataBytes(wavPath) : -1;
}

// Speaks the text synchronously into the stream; its PCM bytes, or the failure.
HRESULT SpeakInto(ISpVoice* voice, PcmStream* stream, const wchar_t* text, long long& bytes) {
    stream->Clear();
    const HRESULT hr = voice->Speak(text, SPF_DEFAULT, nullptr);
    bytes = static_cast<long long>(stream->Bytes().size());
    return hr;
}

// Speech, not silence: a tenth of the samples or more stand out of the noise floor.
bool Audible(const std::vector<std::uint8_t>& pcm) {
    const std::size_t samples = pcm.size() / 2;
    std::size_t loud = 0;
    for (std::size_t i = 0; i < samples; ++i) {
        std::int16_t v;
        std::memcpy(&v, pcm.data() + 2 * i, 2);
        if (v > 200 || v < -200) ++loud;
    }
    return samples > 0 && loud * 10 >= samples;
}

std::string Ms(long long bytes) { return std::to_string(bytes / 32) + " ms"; }

void SpeakWithEachVoice(const std::vector<ISpObjectToken*>& tokens, Tally& tally) {
    ComPtr<ISpVoice> voice;
    HRESULT hr = CoCreateInstance(__uuidof(SpVoice), nullptr, CLSCTX_ALL, __uuidof(ISpVoice), reinterpret_cast<void**>(&voice));
    tally.Check(SUCCEEDED(hr), "CoCreateInstance(SpVoice) " + Hex(hr));
    if (FAILED(hr)) return;
    PcmStream* stream = PcmStream::Create();
    hr = voice->SetOutput(static_cast<ISpStreamFormat*>(stream), FALSE);
    tally.Check(SUCCEEDED(hr), "SetOutput(a stream of the client's own) " + Hex(hr));
    const std::wstring folder = OwnFolder();
    for (std::size_t i = 0; i < tokens.size() && SUCCEEDED(hr); ++i) {
        if (!tokens[i]) continue;
        const char* shortName = kavo::kVoices[i].shortName;
        const HRESULT set = voice->SetVoice(tokens[i]);
        tally.Check(SUCCEEDED(set), std::string(shortName) + ": SetVoice " + Hex(set));
        if (FAILED(set)) continue;
        for (const auto& [tag, text] : kTexts) {
            const std::string what = std::string(shortName) + " " + Utf8(tag) + ": ";
            voice->SetRate(0);
            long long bytes = 0;
            HRESULT spoke = SpeakInto(voice.p, stream, text, bytes);
            tally.Check(SUCCEEDED(spoke) && Audible(stream->Bytes()),
                        what + "Speak " + Hex(spoke) + ", " + Ms(bytes) + (Audible(stream->Bytes()) ? ", audible" : ", silent"));
            const long long expected = KavoSayBytes(folder, shortName, text, tag);
            const double off = expected > 0 ? (bytes - expected) / static_cast<double>(expected) : 1.0;
            tally.Check(expected > 0 && off <= kTolerance && off >= -kTolerance,
                        what + "as long as kavo-say's " + (expected > 0 ? Ms(expected) : std::string("(kavo-say failed)")));
            long long faster = 0;
            voice->SetRate(5);
            spoke = SpeakInto(voice.p, stream, text, faster);
            voice->SetRate(0);
            tally.Check(SUCCEEDED(spoke) && bytes > 0 && faster > 0 && faster <= bytes * kFasterAtMost,
                        what + "SetRate(5): " + Ms(faster) + " against " + Ms(bytes) + " " + Hex(spoke));
        }
    }
    voice->SetOutput(nullptr, FALSE);
    stream->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool listOnly = argc > 1 && std::wcscmp(argv[1], L"--list") == 0;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        std::printf("CoInitializeEx failed: %s\n", Hex(hr).c_str());
        return 1;
    }
    Tally tally;
    std::vector<FoundToken> found;
    hr = ListVoices(found);
    tally.Check(SUCCEEDED(hr), "SAPI lists " + std::to_string(found.size()) + " voice(s) " + Hex(hr));
    for (const FoundToken& entry : found) std::printf("     %s: %s\n", Utf8(entry.id).c_str(), Utf8(entry.name).c_str());
    const std::vector<ISpObjectToken*> tokens = MatchVoices(found, tally);
    if (!listOnly) SpeakWithEachVoice(tokens, tally);
    for (FoundToken& entry : found) entry.token->Release();
    CoUninitialize();
    std::printf("%d passed, %d failed\n", tally.passed, tally.failed);
    return tally.failed == 0 ? 0 : 1;
}
