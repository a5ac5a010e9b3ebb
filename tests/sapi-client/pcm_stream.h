// An output stream for SpVoice that keeps the PCM it is given: SAPI's own
// file stream cannot be bound to a file under every SAPI (Wine's lacks
// BindToFile), and the test wants the samples anyway.
#pragma once
#include <windows.h>
#include <sapi.h>

#include <cstdint>
#include <vector>

namespace sapiclient {

class PcmStream final : public ISpStreamFormat {
public:
    // 16 kHz, 16-bit, mono: the engine's own format, so SAPI converts nothing.
    static PcmStream* Create();  // one reference, the caller's

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    void Clear();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // ISequentialStream, IStream: writes append at the position; reads are not offered.
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG bytes, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
    // ISpStreamFormat
    HRESULT STDMETHODCALLTYPE GetFormat(GUID* formatId, WAVEFORMATEX** format) override;

private:
    PcmStream() = default;
    ~PcmStream() = default;

    LONG references_ = 1;
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace sapiclient
