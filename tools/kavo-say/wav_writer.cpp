#include "wav_writer.h"

#include <algorithm>

namespace kavosay {
namespace {

void PutU16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void PutU32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

WavWriter::WavWriter(std::FILE* file, bool seekable, PcmFormat format)
    : file_(file), seekable_(seekable), format_(format) {}

bool WavWriter::Begin() { return WriteHeader(kUnknownSize, kUnknownSize); }

bool WavWriter::Append(const void* bytes, std::size_t count) {
    if (count == 0) return true;
    if (std::fwrite(bytes, 1, count, file_) != count) return false;
    dataBytes_ += count;
    return true;
}

bool WavWriter::Finish() {
    // A RIFF chunk of odd length is followed by one pad byte, which the RIFF
    // size counts and the data size does not.
    const bool odd = dataBytes_ % 2 != 0;
    if (odd && std::fputc(0, file_) == EOF) return false;
    if (seekable_) {
        const std::uint64_t limit = kUnknownSize - (kWavHeaderBytes - 8) - 1;
        const auto dataSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(dataBytes_, limit));
        const std::uint32_t riffSize = static_cast<std::uint32_t>(kWavHeaderBytes - 8) + dataSize + (odd ? 1 : 0);
        if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
        if (!WriteHeader(riffSize, dataSize)) return false;
        if (std::fseek(file_, 0, SEEK_END) != 0) return false;
    }
    return std::fflush(file_) == 0;
}

bool WavWriter::WriteHeader(std::uint32_t riffSize, std::uint32_t dataSize) {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(format_.channels * (format_.bitsPerSample / 8));
    unsigned char header[kWavHeaderBytes] = {};
    std::copy_n("RIFF", 4, header);
    PutU32(header + 4, riffSize);
    std::copy_n("WAVEfmt ", 8, header + 8);
    PutU32(header + 16, 16);  // fmt chunk size
    PutU16(header + 20, 1);   // PCM
    PutU16(header + 22, format_.channels);
    PutU32(header + 24, format_.sampleRate);
    PutU32(header + 28, format_.sampleRate * blockAlign);  // bytes per second
    PutU16(header + 32, blockAlign);
    PutU16(header + 34, format_.bitsPerSample);
    std::copy_n("data", 4, header + 36);
    PutU32(header + 40, dataSize);
    return std::fwrite(header, 1, sizeof header, file_) == sizeof header;
}

}  // namespace kavosay
