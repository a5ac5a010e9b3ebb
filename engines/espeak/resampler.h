// espeak-ng speaks at its own rate (22050 Hz); the plug-in takes 16000 Hz.
// A polyphase FIR resampler between two integer rates, for 16-bit mono
// samples: one Kaiser-windowed sinc low-pass, kTaps input samples long, half
// down at the lower rate's Nyquist frequency, stored as one row of
// coefficients per output phase. The filter is linear-phase and its delay is
// compensated: output sample j is the signal at input time
// j * inputRate / outputRate, and n input samples give ceil(n * outputRate /
// inputRate) output samples once flushed.
//
// Resampling is most of what the engine spends besides espeak-ng itself; a
// short fixed filter in 16-bit integer arithmetic keeps it small, and is
// enough for speech that ends up as 16-bit samples anyway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace espeak_engine {

class Resampler {
public:
    static constexpr std::size_t kTaps = 48;

    Resampler(int inputRate, int outputRate);

    // False for rates it cannot serve (not positive, or with no small common step).
    bool IsValid() const { return !coefficients_.empty(); }
    // Forgets the signal so far, ready for a new one with the same rates.
    void Reset();
    // Appends to output every sample the input so far fully determines.
    void Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output);
    // Ends the signal (as if silence followed) and appends the rest of its samples.
    void Flush(std::vector<std::int16_t>& output);

private:
    // Appends the samples whose filter window lies within window_, stopping at limit in all.
    void Produce(std::vector<std::int16_t>& output, std::uint64_t limit);

    std::uint32_t up_ = 0;    // output samples per step of down_ input samples,
    std::uint32_t down_ = 0;  // the two rates divided by their common divisor
    std::vector<std::int16_t> coefficients_;  // up_ rows of kTaps, scaled by 2^14

    // Input samples from position windowStart_ (which starts before zero:
    // silence precedes the signal) up to the newest.
    std::vector<std::int16_t> window_;
    std::int64_t windowStart_ = 0;
    std::uint64_t inputCount_ = 0;
    // The next output sample: its number, and its input time as whole samples plus phase / up_.
    std::uint64_t outputCount_ = 0;
    std::int64_t nextWhole_ = 0;
    std::uint32_t nextPhase_ = 0;
};

}  // namespace espeak_engine
