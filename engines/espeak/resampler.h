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
// enough for speech that ends up as 16-bit samples anyway. The filter is
// designed once per process for each pair of rates and shared by every
// resampler of that pair. Its rows are stored in the order the output
// samples use them, so a run of outputs walks the table front to back; each
// output sample is six SSE2 multiply-adds of eight taps. Input is read where
// it lies: only the few samples a window shares with the previous input are
// kept between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace espeak_engine {

class Resampler {
public:
    static constexpr std::size_t kTaps = 48;
    struct Filter;

    Resampler(int inputRate, int outputRate);

    // False for rates it cannot serve (not positive, or with no small common step).
    bool IsValid() const { return filter_ != nullptr; }
    // Forgets the signal so far, ready for a new one with the same rates.
    void Reset();
    // Appends to output every sample the input so far fully determines.
    void Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output);
    // Ends the signal (as if silence followed) and appends the rest of its samples.
    void Flush(std::vector<std::int16_t>& output);

private:
    // How many output samples, counted from the signal's start, have their
    // whole window before input position end.
    std::uint64_t OutputsBefore(std::int64_t end) const;
    // Input position of the first sample the next output's window covers.
    std::int64_t NextWindowStart() const;
    // Writes the next count output samples, whose windows all lie in input,
    // which holds the signal from input position inputStart on.
    void Run(const std::int16_t* input, std::int64_t inputStart, std::size_t count, std::int16_t* output);

    std::shared_ptr<const Filter> filter_;
    // The signal from position historyStart_ (before zero: silence precedes
    // the signal) to the newest input sample, as far as the next output's
    // window still needs it.
    std::vector<std::int16_t> history_;
    std::int64_t historyStart_ = 0;
    std::int64_t inputCount_ = 0;
    std::uint64_t outputCount_ = 0;
    // The filter repeats every up output samples (one row each) and down
    // input samples: the next output is number cycleOutput_ of the cycle that
    // begins at input position cycleStart_.
    std::uint32_t cycleOutput_ = 0;
    std::int64_t cycleStart_ = 0;
};

}  // namespace espeak_engine
