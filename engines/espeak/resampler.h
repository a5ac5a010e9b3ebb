// espeak-ng speaks at its own rate (22050 Hz); the plug-in takes 16000 Hz.
// A thin owner of one libsoxr stream of 16-bit mono samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

namespace espeak_engine {

class Resampler {
public:
    Resampler(double inputRate, double outputRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool IsValid() const { return stream_ != nullptr; }
    // Forgets the signal so far, ready for a new one with the same rates.
    bool Reset();
    // Appends to output what the samples so far yield; false on a soxr error.
    bool Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output);
    // Drains the filter's delay at the end of the input.
    bool Flush(std::vector<std::int16_t>& output);

private:
    bool Run(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output);

    soxr* stream_ = nullptr;
    double ratio_;
};

}  // namespace espeak_engine
