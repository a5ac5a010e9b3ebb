// The tests' own SAPI side: an output site that records what the engine
// writes and announces, with scripted answers, and a voice token that names
// one registry token.
#pragma once
#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sapi_engine_interfaces.h"

namespace kavotest {

class TestSite final : public ISpTTSEngineSite {
public:
    struct Event {
        SPEVENTENUM id;
        ULONGLONG offset;
        WPARAM wParam;
        LPARAM lParam;
        std::wstring text;  // lParam's string, for SPET_LPARAM_IS_STRING
    };

    // Scripted answers.
    std::function<DWORD(TestSite&)> actions;  // GetActions; none: 0
    std::function<void(TestSite&)> onWrite;   // after each Write
    LONG rate = 0;
    USHORT volume = 100;
    HRESULT interestResult = S_OK;
    ULONGLONG interest = ~0ULL;
    LONG skipCount = 0;
    int failingWrite = -1;  // this Write (0-based) answers writeResult, taking writeBytes
    HRESULT writeResult = S_OK;
    ULONG writeBytes = 0;

    // What the engine did.
    std::vector<unsigned char> audio;
    std::vector<ULONG> writeSizes;
    std::vector<Event> events;
    std::vector<LONG> completedSkips;
    int rateReads = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddEvents(const SPEVENT* events, ULONG count) override;
    HRESULT STDMETHODCALLTYPE GetEventInterest(ULONGLONG* interest) override;
    DWORD STDMETHODCALLTYPE GetActions() override { return actions ? actions(*this) : 0; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG bytes, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE GetRate(LONG* rate) override;
    HRESULT STDMETHODCALLTYPE GetVolume(USHORT* volume) override;
    HRESULT STDMETHODCALLTYPE GetSkipInfo(SPVSKIPTYPE* type, LONG* count) override;
    HRESULT STDMETHODCALLTYPE CompleteSkip(LONG skipped) override;
};

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T>
using Com = std::unique_ptr<T, ComRelease>;

// SAPI's own token object (sapi.dll's SpObjectToken) set to a token key,
// e.g. HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Speech\Voices\Tokens\KavoSynth_xiaoyan
// (made empty first when create is true); null when SAPI refuses it.
Com<ISpObjectToken> SapiToken(const std::wstring& id, bool create = false);

// A fragment list as SAPI's XML parser hands it over: the fragments point
// into one text, with their offsets in it.
class FragmentList {
public:
    // Text of an action: spoken text, a bookmark's name, a spelled word.
    FragmentList& Add(SPVACTIONS action, const std::wstring& text, SPVSTATE state = DefaultState());
    FragmentList& Silence(ULONG milliseconds);
    const SPVTEXTFRAG* Head();
    static SPVSTATE DefaultState();

private:
    std::wstring text_;
    std::vector<SPVTEXTFRAG> fragments_;
};

// A new folder holding KavoSynthSapi.dll, the plug-in and the fake engine
// (as mscclassic), copied from the build's bin folder.
std::filesystem::path StageSapiFolder();

}  // namespace kavotest
