// The text-to-speech engine side of SAPI 5 that MinGW-w64's sapi.h leaves out:
// the engine and its output site, the text fragment list, the actions a site
// announces, and the GUIDs the engine needs. Methods are in the interfaces'
// documented (SAPI 5.3 IDL) order: the vtable layout is the contract.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <sapi.h>

// What a site asks of a speaking engine (GetActions), as flags.
typedef enum SPVESACTIONS {
    SPVES_CONTINUE = 0,
    SPVES_ABORT = 1 << 0,
    SPVES_SKIP = 1 << 1,
    SPVES_RATE = 1 << 2,
    SPVES_VOLUME = 1 << 3
} SPVESACTIONS;

typedef enum SPVSKIPTYPE { SPVST_SENTENCE = 1 << 0 } SPVSKIPTYPE;

// One run of text with one state, as SAPI's XML parser hands it over.
typedef struct SPVTEXTFRAG {
    struct SPVTEXTFRAG* pNext;
    SPVSTATE State;
    LPCWSTR pTextStart;
    ULONG ulTextLen;
    ULONG ulTextSrcOffset;  // where the text starts in the client's text
} SPVTEXTFRAG;

// Write's success code when the client has stopped the audio (a purge).
// The engine could not start (its plug-in or speech engine did not load).
#ifndef SPERR_UNINITIALIZED
#define SPERR_UNINITIALIZED MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x5001)
#endif
#ifndef SP_AUDIO_STOPPED
#define SP_AUDIO_STOPPED MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_ITF, 0x5065)
#endif

MIDL_INTERFACE("9880499B-CCE9-11D2-B503-00C04F797396")
ISpTTSEngineSite : public ISpEventSink {
    virtual DWORD STDMETHODCALLTYPE GetActions() = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* pBuff, ULONG cb, ULONG* pcbWritten) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRate(LONG* pRateAdjust) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVolume(USHORT* pusVolume) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* peType, LONG* plNumItems) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompleteSkip(LONG ulNumSkipped) = 0;
};
__CRT_UUID_DECL(ISpTTSEngineSite, 0x9880499b, 0xcce9, 0x11d2, 0xb5, 0x03, 0x00, 0xc0, 0x4f, 0x79, 0x73, 0x96)

MIDL_INTERFACE("A74D7C8E-4CC5-4F2F-A6EB-804DEE18500E")
ISpTTSEngine : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Speak(DWORD dwSpeakFlags, REFGUID rguidFormatId,
                                            const WAVEFORMATEX* pWaveFormatEx, const SPVTEXTFRAG* pTextFragList,
                                            ISpTTSEngineSite* pOutputSite) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(const GUID* pTargetFmtId,
                                                      const WAVEFORMATEX* pTargetWaveFormatEx,
                                                      GUID* pOutputFormatId,
                                                      WAVEFORMATEX** ppCoMemOutputWaveFormatEx) = 0;
};
__CRT_UUID_DECL(ISpTTSEngine, 0xa74d7c8e, 0x4cc5, 0x4f2f, 0xa6, 0xeb, 0x80, 0x4d, 0xee, 0x18, 0x50, 0x0e)

namespace kavo::sapi {

// The stream format ids (SPDFID_WaveFormatEx, SPDFID_Text): sapi.h declares
// them, but no MinGW library defines them.
inline constexpr GUID kFormatIdWaveFormatEx = {0xc31adbae, 0x527f, 0x4ff5, {0xa2, 0x30, 0xf6, 0x2b, 0xb6, 0x1f, 0xf7, 0x0c}};
inline constexpr GUID kFormatIdText = {0x7ceef9f9, 0x3d13, 0x11d2, {0x9e, 0xe7, 0x00, 0xc0, 0x4f, 0x79, 0x73, 0x96}};

// An event's bit in an event interest mask (SPFEI).
inline constexpr ULONGLONG EventBit(SPEVENTENUM id) { return 1ULL << id; }

}  // namespace kavo::sapi
