// The tests' own SAPI side: an output site that records what the engine
// writes and announces, with scripted answers, and a voice token that names
// one registry token.
#pragma once
#include <climits>
#include <cstdint>
#include <functional>
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

// A token whose id is that of a voice token: all the engine may ask of it.
class TestToken final : public ISpObjectToken {
public:
    explicit TestToken(std::wstring id) : id_(std::move(id)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    ULONG References() const { return references_; }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override;

    HRESULT STDMETHODCALLTYPE SetData(LPCWSTR, ULONG, const BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(LPCWSTR, ULONG*, BYTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStringValue(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStringValue(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDWORD(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDWORD(LPCWSTR, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateKey(LPCWSTR, ISpDataKey**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteKey(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumKeys(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumValues(ULONG, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetId(LPCWSTR, LPCWSTR, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCategory(ISpObjectTokenCategory**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, DWORD, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStorageFileName(REFCLSID, LPCWSTR, LPCWSTR, ULONG, LPWSTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveStorageFileName(REFCLSID, LPCWSTR, WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(const CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsUISupported(LPCWSTR, void*, ULONG, IUnknown*, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DisplayUI(HWND, LPCWSTR, LPCWSTR, void*, ULONG, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MatchesAttributes(LPCWSTR, WINBOOL*) override { return E_NOTIMPL; }

private:
    std::wstring id_;
    ULONG references_ = 1;
};

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

}  // namespace kavotest
