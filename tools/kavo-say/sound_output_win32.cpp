// Windows side of sound_output.h: the wave-out API of winmm, a system DLL.
// A few short buffers take turns; the device signals an event as each one
// finishes playing, and Write waits for that event when all are queued.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "sound_output.h"
#include "utf16_text.h"

namespace kavosay {
namespace {

// Three buffers of 20 ms: the device holds at most 60 ms ahead of what is heard.
constexpr int kBufferCount = 3;
constexpr int kBufferMilliseconds = 20;

// The system's message, in UTF-8 whatever the ANSI code page.
std::string Describe(const char* what, MMRESULT code) {
    wchar_t text[MAXERRORLENGTH] = L"";
    if (waveOutGetErrorTextW(code, text, MAXERRORLENGTH) != MMSYSERR_NOERROR || text[0] == L'\0')
        return std::string(what) + ": error " + std::to_string(code);
    const std::wstring wide(text);
    return std::string(what) + ": " + ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace

struct SoundOutput::State {
    HWAVEOUT device = nullptr;
    HANDLE bufferDone = nullptr;  // auto-reset; set by the device as a buffer finishes
    std::vector<std::vector<char>> memory;
    WAVEHDR headers[kBufferCount] = {};
    int next = 0;  // the buffer Write fills next

    bool Queued(const WAVEHDR& header) const { return (header.dwFlags & WHDR_INQUEUE) != 0; }
    void WaitUntilFree(const WAVEHDR& header) const {
        while (Queued(header)) WaitForSingleObject(bufferDone, INFINITE);
    }
};

std::unique_ptr<SoundOutput> SoundOutput::Open(const PcmFormat& format, std::string& error) {
    auto state = std::make_unique<State>();
    state->bufferDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!state->bufferDone) {
        error = "no sound output (cannot create an event)";
        return nullptr;
    }
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = format.channels;
    wave.nSamplesPerSec = format.sampleRate;
    wave.wBitsPerSample = format.bitsPerSample;
    wave.nBlockAlign = static_cast<WORD>(format.channels * format.bitsPerSample / 8);
    wave.nAvgBytesPerSec = format.sampleRate * wave.nBlockAlign;
    const MMRESULT opened = waveOutOpen(&state->device, WAVE_MAPPER, &wave,
                                        reinterpret_cast<DWORD_PTR>(state->bufferDone), 0, CALLBACK_EVENT);
    if (opened != MMSYSERR_NOERROR) {
        CloseHandle(state->bufferDone);
        error = Describe("no sound output (no wave-out device)", opened);
        return nullptr;
    }
    const std::size_t bufferBytes =
        wave.nAvgBytesPerSec * kBufferMilliseconds / 1000 / wave.nBlockAlign * wave.nBlockAlign;
    state->memory.assign(kBufferCount, std::vector<char>(bufferBytes));
    for (int i = 0; i < kBufferCount; ++i) {
        WAVEHDR& header = state->headers[i];
        header.lpData = state->memory[i].data();
        header.dwBufferLength = static_cast<DWORD>(bufferBytes);
        waveOutPrepareHeader(state->device, &header, sizeof header);
    }
    return std::unique_ptr<SoundOutput>(new SoundOutput(std::move(state)));
}

SoundOutput::SoundOutput(std::unique_ptr<State> state) : state_(std::move(state)) {}

SoundOutput::~SoundOutput() {
    waveOutReset(state_->device);
    for (WAVEHDR& header : state_->headers) waveOutUnprepareHeader(state_->device, &header, sizeof header);
    waveOutClose(state_->device);
    CloseHandle(state_->bufferDone);
}

bool SoundOutput::Write(const void* bytes, std::size_t count, std::string& error) {
    const char* data = static_cast<const char*>(bytes);
    while (count > 0) {
        WAVEHDR& header = state_->headers[state_->next];
        state_->WaitUntilFree(header);
        const std::size_t part = std::min(count, state_->memory[state_->next].size());
        std::memcpy(header.lpData, data, part);
        header.dwBufferLength = static_cast<DWORD>(part);
        const MMRESULT written = waveOutWrite(state_->device, &header, sizeof header);
        if (written != MMSYSERR_NOERROR) {
            error = Describe("the sound device failed", written);
            return false;
        }
        state_->next = (state_->next + 1) % kBufferCount;
        data += part;
        count -= part;
    }
    return true;
}

bool SoundOutput::Drain(std::string&) {
    for (const WAVEHDR& header : state_->headers) state_->WaitUntilFree(header);
    return true;
}

void SoundOutput::Discard() { waveOutReset(state_->device); }

}  // namespace kavosay
