// A RIFF WAVE file of PCM audio, written as the audio arrives.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kavosay {

struct PcmFormat {
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 16000;
    std::uint16_t bitsPerSample = 16;
};

// The canonical 44-byte header: RIFF, fmt (16 bytes, PCM), data.
constexpr std::size_t kWavHeaderBytes = 44;
// What the header gives as sizes while the length is unknown.
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

class WavWriter {
public:
    // file: open for binary writing, not owned. seekable: whether Finish may
    // rewind it to write the real sizes.
    WavWriter(std::FILE* file, bool seekable, PcmFormat format);

    // Each false result means a write failed; the file is then unusable.
    bool Begin();  // the header, sizes unknown
    bool Append(const void* bytes, std::size_t count);
    // Pads the data to an even length, then writes the real sizes when the file
    // is seekable (else they stay unknown), and flushes.
    bool Finish();

    std::uint64_t DataBytes() const { return dataBytes_; }

private:
    bool WriteHeader(std::uint32_t riffSize, std::uint32_t dataSize);

    std::FILE* file_;
    bool seekable_;
    PcmFormat format_;
    std::uint64_t dataBytes_ = 0;
};

}  // namespace kavosay
