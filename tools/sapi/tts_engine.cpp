#include "tts_engine.h"

#include <cwctype>
#include <exception>
#include <new>

#include "com_module.h"
#include "registry_rows.h"
#include "shared_plugin.h"
#include "speak_call.h"
#include "utf16_text.h"

namespace kavo::sapi {
namespace {

std::wstring Wide(const std::string& utf8) {
    const std::u16string text = kavosay::ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// The display name of the voice whose token key ends the token's id; empty
// for a token of another engine.
std::wstring VoiceOfToken(ISpObjectToken& token) {
    LPWSTR id = nullptr;
    if (FAILED(token.GetId(&id)) || id == nullptr) return std::wstring();
    std::wstring key(id);
    CoTaskMemFree(id);
    key = Lower(key.substr(key.find_last_of(L'\\') + 1));
    for (const VoiceFacts& voice : kVoices) {
        if (key == Lower(Wide(TokenKeyName(voice)))) return Wide(voice.displayName);
    }
    return std::wstring();
}

// The reason a call failed, for the debugger's output and the client's
// IErrorInfo.
void ReportFailure(const std::string& reason) {
    const std::wstring text = L"KavoSynthSapi: " + Wide(reason);
    OutputDebugStringW((text + L"\n").c_str());
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return;
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetGUID(__uuidof(ISpTTSEngine));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

}  // namespace

TtsEngine::TtsEngine() : voiceName_(Wide(kVoices[0].displayName)) {
    LockModule();
    SharedPlugin::Instance().Acquire();
}

TtsEngine::~TtsEngine() {
    if (token_) token_->Release();
    SharedPlugin::Instance().Release();
    UnlockModule();
}

HRESULT TtsEngine::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(ISpTTSEngine)) {
        *object = static_cast<ISpTTSEngine*>(this);
    } else if (riid == __uuidof(ISpObjectWithToken)) {
        *object = static_cast<ISpObjectWithToken*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TtsEngine::AddRef() { return ++references_; }

ULONG TtsEngine::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT TtsEngine::SetObjectToken(ISpObjectToken* token) {
    if (token == nullptr) return E_INVALIDARG;
    try {
        const std::wstring voice = VoiceOfToken(*token);
        if (voice.empty()) return E_INVALIDARG;
        token->AddRef();
        std::lock_guard<std::mutex> lock(mutex_);
        if (token_) token_->Release();
        token_ = token;
        voiceName_ = voice;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TtsEngine::GetObjectToken(ISpObjectToken** token) {
    if (token == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    *token = token_;
    if (token_ == nullptr) return S_FALSE;
    token_->AddRef();
    return S_OK;
}

HRESULT TtsEngine::GetOutputFormat(const GUID*, const WAVEFORMATEX*, GUID* formatId, WAVEFORMATEX** format) {
    if (formatId == nullptr || format == nullptr) return E_POINTER;
    // Always the plug-in's own format; SAPI converts to what its client asked.
    auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (wave == nullptr) return E_OUTOFMEMORY;
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = 1;
    wave->nSamplesPerSec = 16000;
    wave->wBitsPerSample = 16;
    wave->nBlockAlign = 2;
    wave->nAvgBytesPerSec = 32000;
    wave->cbSize = 0;
    *formatId = kFormatIdWaveFormatEx;
    *format = wave;
    return S_OK;
}

HRESULT TtsEngine::Speak(DWORD, REFGUID, const WAVEFORMATEX*, const SPVTEXTFRAG* fragments,
                         ISpTTSEngineSite* site) {
    if (site == nullptr) return E_INVALIDARG;
    try {
        std::wstring voice;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            voice = voiceName_;
        }
        const std::vector<SpeechItem> items = PlanSpeech(fragments);
        SpeakCall call(*site, SharedPlugin::Instance(), voice);
        const HRESULT result = call.Run(items);
        if (FAILED(result)) ReportFailure(call.FailureReason());
        return result;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace kavo::sapi
