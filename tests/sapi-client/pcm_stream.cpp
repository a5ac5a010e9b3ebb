#include "pcm_stream.h"

#include <cstring>

namespace sapiclient {
namespace {

// The wave format data format's identifier, which MinGW's headers declare but
// no library defines.
constexpr GUID kWaveFormatExId = {0xc31adbae, 0x527f, 0x4ff5, {0xa2, 0x30, 0xf6, 0x2b, 0xb6, 0x1f, 0xf7, 0x0c}};

}  // namespace

PcmStream* PcmStream::Create() { return new PcmStream(); }

void PcmStream::Clear() {
    bytes_.clear();
    position_ = 0;
}

HRESULT PcmStream::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream || iid == __uuidof(ISpStreamFormat)) {
        *out = static_cast<ISpStreamFormat*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG PcmStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG PcmStream::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT PcmStream::Write(const void* data, ULONG bytes, ULONG* written) {
    if (!data && bytes > 0) return STG_E_INVALIDPOINTER;
    if (position_ + bytes > bytes_.size()) bytes_.resize(position_ + bytes);
    if (bytes > 0) std::memcpy(bytes_.data() + position_, data, bytes);
    position_ += bytes;
    if (written) *written = bytes;
    return S_OK;
}

HRESULT PcmStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    LONGLONG base = 0;
    switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
        case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_.size()); break;
        default: return STG_E_INVALIDFUNCTION;
    }
    const LONGLONG target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::size_t>(target);
    if (position) position->QuadPart = static_cast<ULONGLONG>(target);
    return S_OK;
}

HRESULT PcmStream::Stat(STATSTG* stat, DWORD) {
    if (!stat) return STG_E_INVALIDPOINTER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = bytes_.size();
    return S_OK;
}

HRESULT PcmStream::GetFormat(GUID* formatId, WAVEFORMATEX** format) {
    if (!formatId || !format) return E_POINTER;
    auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!wave) return E_OUTOFMEMORY;
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = 1;
    wave->nSamplesPerSec = 16000;
    wave->wBitsPerSample = 16;
    wave->nBlockAlign = 2;
    wave->nAvgBytesPerSec = 32000;
    wave->cbSize = 0;
    *formatId = kWaveFormatExId;
    *format = wave;
    return S_OK;
}

}  // namespace sapiclient
