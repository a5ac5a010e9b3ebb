#include "resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace espeak_engine {
namespace {

constexpr std::size_t kHalf = Resampler::kTaps / 2;
// The filter's -6 dB point, as a fraction of the lower rate's Nyquist
// frequency: for 16 kHz output, the passband reaches about 7 kHz and what lies
// above 9 kHz is at least 70 dB down; only 8 to 9 kHz may fold back, onto the
// top of the band, well above the speech formants.
constexpr double kCutoff = 1.0;
constexpr double kKaiserBeta = 6.8;  // about 70 dB of stopband attenuation
// Coefficients in units of 2^-14: a window of full-scale samples times a row
// (whose magnitudes add up to about 2) stays within a 32-bit sum.
constexpr int kCoefficientBits = 14;
// Rates whose ratio needs more phases than this are refused: the table would not be small.
constexpr std::uint32_t kMaxPhases = 4096;

constexpr double kPi = 3.14159265358979323846;

// The zeroth-order modified Bessel function of the first kind, by its series.
double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; term > sum * 1e-12; ++k) {
        const double factor = x / (2.0 * k);
        term *= factor * factor;
        sum += term;
    }
    return sum;
}

// The low-pass's impulse response t input samples from its centre.
double Kernel(double t, double cutoff) {
    const double x = 2.0 * cutoff * t;
    const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
    const double edge = t / static_cast<double>(kHalf);
    const double window = BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - edge * edge))) / BesselI0(kKaiserBeta);
    return 2.0 * cutoff * sinc * window;
}

// One phase's coefficients, rounded so that they sum to exactly 1.0: every
// phase passes a constant unchanged, so no phase pattern rides on the signal.
void FillRow(double phase, double cutoff, std::int16_t* row) {
    double taps[Resampler::kTaps];
    double sum = 0.0;
    for (std::size_t k = 0; k < Resampler::kTaps; ++k) {
        // Tap k weighs input sample (whole - kHalf + 1 + k) for output time whole + phase.
        taps[k] = Kernel(phase + static_cast<double>(kHalf) - 1.0 - static_cast<double>(k), cutoff);
        sum += taps[k];
    }
    const double scale = static_cast<double>(1 << kCoefficientBits) / sum;
    int total = 0;
    std::size_t largest = 0;
    for (std::size_t k = 0; k < Resampler::kTaps; ++k) {
        row[k] = static_cast<std::int16_t>(std::lround(taps[k] * scale));
        total += row[k];
        if (row[k] > row[largest]) largest = k;
    }
    row[largest] = static_cast<std::int16_t>(row[largest] + ((1 << kCoefficientBits) - total));
}

// One output sample from kTaps input samples and one row of coefficients.
// A row's magnitudes add up to less than 2^16 (checked when the table is
// made), so the 32-bit sum of products of at most 2^15 cannot overflow.
std::int16_t Convolve(const std::int16_t* input, const std::int16_t* row) {
    std::int32_t sum = 0;
    for (std::size_t k = 0; k < Resampler::kTaps; ++k) sum += static_cast<std::int32_t>(input[k]) * row[k];
    sum = (sum + (1 << (kCoefficientBits - 1))) >> kCoefficientBits;
    // The filter rings past a full-scale step: clip instead of wrapping round.
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(sum, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

Resampler::Resampler(int inputRate, int outputRate) {
    if (inputRate <= 0 || outputRate <= 0) return;
    const int common = std::gcd(inputRate, outputRate);
    const auto up = static_cast<std::uint32_t>(outputRate / common);
    const auto down = static_cast<std::uint32_t>(inputRate / common);
    if (up > kMaxPhases) return;
    // The cut-off in cycles per input sample: below both Nyquist frequencies.
    const double cutoff = kCutoff * 0.5 * std::min(1.0, static_cast<double>(up) / down);
    std::vector<std::int16_t> table(up * kTaps);
    for (std::uint32_t phase = 0; phase < up; ++phase) {
        std::int16_t* row = table.data() + phase * kTaps;
        FillRow(static_cast<double>(phase) / up, cutoff, row);
        int magnitude = 0;
        for (std::size_t k = 0; k < kTaps; ++k) magnitude += std::abs(row[k]);
        if (magnitude >= 1 << 16) return;  // Convolve's sum could overflow
    }
    up_ = up;
    down_ = down;
    coefficients_ = std::move(table);
    Reset();
}

void Resampler::Reset() {
    // The first output sample's window reaches kHalf - 1 samples before the signal: silence.
    window_.assign(kHalf - 1, 0);
    windowStart_ = -static_cast<std::int64_t>(kHalf - 1);
    inputCount_ = 0;
    outputCount_ = 0;
    nextWhole_ = 0;
    nextPhase_ = 0;
}

void Resampler::Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output) {
    if (!IsValid() || count == 0) return;
    window_.insert(window_.end(), input, input + count);
    inputCount_ += count;
    Produce(output, std::numeric_limits<std::uint64_t>::max());
}

void Resampler::Flush(std::vector<std::int16_t>& output) {
    if (!IsValid()) return;
    // Silence after the end, enough for the last window; then exactly the
    // samples whose time lies within the signal.
    window_.insert(window_.end(), kHalf, 0);
    const std::uint64_t total = (inputCount_ * up_ + down_ - 1) / down_;
    Produce(output, total);
    // Whatever comes next is a new signal.
    Reset();
}

void Resampler::Produce(std::vector<std::int16_t>& output, std::uint64_t limit) {
    const auto windowEnd = windowStart_ + static_cast<std::int64_t>(window_.size());
    const std::int64_t firstTapOffset = 1 - static_cast<std::int64_t>(kHalf);
    std::int64_t whole = nextWhole_;
    std::uint32_t phase = nextPhase_;
    std::uint64_t produced = outputCount_;
    // Each output sample lies down_ / up_ input samples after the one before.
    const std::int64_t wholeStep = down_ / up_;
    const std::uint32_t phaseStep = down_ % up_;
    while (produced < limit && whole + static_cast<std::int64_t>(kHalf) < windowEnd) {
        const std::int16_t* taps = window_.data() + (whole + firstTapOffset - windowStart_);
        output.push_back(Convolve(taps, coefficients_.data() + phase * kTaps));
        ++produced;
        whole += wholeStep;
        phase += phaseStep;
        if (phase >= up_) {
            phase -= up_;
            ++whole;
        }
    }
    nextWhole_ = whole;
    nextPhase_ = phase;
    outputCount_ = produced;
    // Keep only what the next output's window still needs.
    const std::int64_t keepFrom = std::min(whole + firstTapOffset, windowEnd) - windowStart_;
    if (keepFrom > 0) {
        window_.erase(window_.begin(), window_.begin() + keepFrom);
        windowStart_ += keepFrom;
    }
}

}  // namespace espeak_engine
