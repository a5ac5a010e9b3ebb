#include "test_site.h"

#include <cstring>

namespace kavotest {

HRESULT TestSite::QueryInterface(REFIID riid, void** object) {
    if (riid == __uuidof(IUnknown) || riid == __uuidof(ISpEventSink) || riid == __uuidof(ISpTTSEngineSite)) {
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TestSite::AddEvents(const SPEVENT* list, ULONG count) {
    for (ULONG i = 0; i < count; ++i) {
        const SPEVENT& e = list[i];
        Event event{static_cast<SPEVENTENUM>(e.eEventId), e.ullAudioStreamOffset, e.wParam, e.lParam, L""};
        if (e.elParamType == SPET_LPARAM_IS_STRING) event.text = reinterpret_cast<const wchar_t*>(e.lParam);
        events.push_back(event);
    }
    return S_OK;
}

HRESULT TestSite::GetEventInterest(ULONGLONG* value) {
    *value = interest;
    return interestResult;
}

HRESULT TestSite::Write(const void* data, ULONG bytes, ULONG* written) {
    const bool failing = static_cast<int>(writeSizes.size()) == failingWrite;
    writeSizes.push_back(bytes);
    const ULONG taken = failing ? writeBytes : bytes;
    const auto* begin = static_cast<const unsigned char*>(data);
    audio.insert(audio.end(), begin, begin + taken);
    if (written) *written = taken;
    return failing ? writeResult : S_OK;
}

HRESULT TestSite::GetRate(LONG* value) {
    ++rateReads;
    *value = rate;
    return S_OK;
}

HRESULT TestSite::GetVolume(USHORT* value) {
    *value = volume;
    return S_OK;
}

HRESULT TestSite::GetSkipInfo(SPVSKIPTYPE* type, LONG* count) {
    *type = SPVST_SENTENCE;
    *count = skipCount;
    return S_OK;
}

HRESULT TestSite::CompleteSkip(LONG skipped) {
    completedSkips.push_back(skipped);
    return S_OK;
}

HRESULT TestToken::QueryInterface(REFIID riid, void** object) {
    if (riid == __uuidof(IUnknown) || riid == __uuidof(ISpDataKey) || riid == __uuidof(ISpObjectToken)) {
        *object = this;
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TestToken::GetId(LPWSTR* id) {
    const std::size_t bytes = (id_.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    std::memcpy(*id, id_.c_str(), bytes);
    return S_OK;
}

SPVSTATE FragmentList::DefaultState() {
    SPVSTATE state{};
    state.eAction = SPVA_Speak;
    state.Volume = 100;
    return state;
}

FragmentList& FragmentList::Add(SPVACTIONS action, const std::wstring& text, SPVSTATE state) {
    state.eAction = action;
    SPVTEXTFRAG fragment{};
    fragment.State = state;
    fragment.ulTextLen = static_cast<ULONG>(text.size());
    fragment.ulTextSrcOffset = static_cast<ULONG>(text_.size());
    text_ += text;
    fragments_.push_back(fragment);
    return *this;
}

FragmentList& FragmentList::Silence(ULONG milliseconds) {
    SPVSTATE state = DefaultState();
    state.SilenceMSecs = milliseconds;
    return Add(SPVA_Silence, L"", state);
}

const SPVTEXTFRAG* FragmentList::Head() {
    // Linked only now: the text no longer moves.
    for (std::size_t i = 0; i < fragments_.size(); ++i) {
        fragments_[i].pTextStart = text_.c_str() + fragments_[i].ulTextSrcOffset;
        fragments_[i].pNext = i + 1 < fragments_.size() ? &fragments_[i + 1] : nullptr;
    }
    return fragments_.empty() ? nullptr : &fragments_[0];
}

}  // namespace kavotest
