// The COM object SAPI creates from a voice token: ISpObjectWithToken chooses
// the voice, ISpTTSEngine speaks through the shared plug-in.
#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "sapi_engine_interfaces.h"

namespace kavo::sapi {

class TtsEngine final : public ISpTTSEngine, public ISpObjectWithToken {
public:
    TtsEngine();
    TtsEngine(const TtsEngine&) = delete;
    TtsEngine& operator=(const TtsEngine&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // ISpTTSEngine
    HRESULT STDMETHODCALLTYPE Speak(DWORD flags, REFGUID formatId, const WAVEFORMATEX* format,
                                    const SPVTEXTFRAG* fragments, ISpTTSEngineSite* site) override;
    HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* targetFormatId, const WAVEFORMATEX* targetFormat,
                                              GUID* formatId, WAVEFORMATEX** format) override;
    // ISpObjectWithToken
    HRESULT STDMETHODCALLTYPE SetObjectToken(ISpObjectToken* token) override;
    HRESULT STDMETHODCALLTYPE GetObjectToken(ISpObjectToken** token) override;

private:
    ~TtsEngine();

    std::atomic<ULONG> references_{1};
    std::mutex mutex_;  // token_ and voiceName_
    ISpObjectToken* token_ = nullptr;
    std::wstring voiceName_;  // the plug-in's display name of the token's voice
};

}  // namespace kavo::sapi
