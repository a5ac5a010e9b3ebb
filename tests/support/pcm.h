// 16-bit little-endian PCM bytes, as engines hand them out.
#pragma once
#include <cstdint>
#include <vector>

namespace kavotest {

inline std::vector<unsigned char> Pcm(const std::vector<int>& samples) {
    std::vector<unsigned char> bytes;
    for (int s : samples) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
        bytes.push_back(static_cast<unsigned char>(u & 0xFF));
        bytes.push_back(static_cast<unsigned char>(u >> 8));
    }
    return bytes;
}

}  // namespace kavotest
