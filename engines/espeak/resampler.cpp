#include "resampler.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <mutex>
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
    static const double windowCentre = BesselI0(kKaiserBeta);  // the same for every tap
    const double window = BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - edge * edge))) / windowCentre;
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

// One table row, aligned so that its taps load eight at a time.
struct alignas(16) Row {
    std::int16_t taps[Resampler::kTaps];
};
static_assert(sizeof(Row) == Resampler::kTaps * sizeof(std::int16_t));

// The helpers below are always inlined: a call per output sample would cost a
// quarter of its work.
//
// The four partial sums of one output sample: input[k] * row[k] over kTaps
// taps, eight at a time. A row's magnitudes add up to less than 2^16 (checked
// when the table is made), so no 32-bit sum of products of at most 2^15 can
// overflow.
[[gnu::always_inline]] inline __m128i Dot(const std::int16_t* input, const Row& row) {
    static_assert(Resampler::kTaps == 48, "six groups of eight taps, written out");
    const auto* in = reinterpret_cast<const __m128i*>(input);
    const auto* taps = reinterpret_cast<const __m128i*>(row.taps);
    __m128i sum = _mm_madd_epi16(_mm_loadu_si128(in), _mm_load_si128(taps));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_loadu_si128(in + 1), _mm_load_si128(taps + 1)));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_loadu_si128(in + 2), _mm_load_si128(taps + 2)));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_loadu_si128(in + 3), _mm_load_si128(taps + 3)));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_loadu_si128(in + 4), _mm_load_si128(taps + 4)));
    return _mm_add_epi32(sum, _mm_madd_epi16(_mm_loadu_si128(in + 5), _mm_load_si128(taps + 5)));
}

// Whole sums in units of 2^-14, rounded to samples. The filter rings past a
// full-scale step: saturation clips those samples instead of wrapping round.
[[gnu::always_inline]] inline __m128i Rounded(__m128i sums) {
    return _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(1 << (kCoefficientBits - 1))), kCoefficientBits);
}

// Two outputs' partial sums, interleaved and half added up.
[[gnu::always_inline]] inline __m128i Pair(__m128i a, __m128i b) {
    return _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
}

// Four consecutive outputs, rounded: their windows start at window +
// offsets[0..3], their rows are rows[0..3].
[[gnu::always_inline]] inline __m128i Four(const std::int16_t* window, const Row* rows, const std::uint32_t* offsets) {
    const __m128i ab = Pair(Dot(window + offsets[0], rows[0]), Dot(window + offsets[1], rows[1]));
    const __m128i cd = Pair(Dot(window + offsets[2], rows[2]), Dot(window + offsets[3], rows[3]));
    return Rounded(_mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd)));
}

// One output sample alone, for the last few of a run.
[[gnu::always_inline]] inline void StoreOne(__m128i a, std::int16_t* output) {
    const __m128i pairs = _mm_add_epi32(a, _mm_unpackhi_epi64(a, a));
    const __m128i sum = _mm_add_epi32(pairs, _mm_shufflelo_epi16(pairs, _MM_SHUFFLE(1, 0, 3, 2)));
    const __m128i sample = Rounded(sum);
    *output = static_cast<std::int16_t>(_mm_cvtsi128_si32(_mm_packs_epi32(sample, sample)));
}

}  // namespace

// The coefficients for one pair of rates, one row per output sample of a cycle.
struct Resampler::Filter {
    int inputRate = 0;
    int outputRate = 0;
    std::uint32_t up = 0;    // output samples per cycle of down input samples,
    std::uint32_t down = 0;  // the two rates divided by their common divisor
    std::vector<Row> rows;   // row j: output j's phase, scaled by 2^14
    // Output j's input sample from the cycle's start: its window begins kHalf - 1 before it.
    std::vector<std::uint32_t> offsets;
};

namespace {

// The filter for the two rates, or null when they cannot be served.
std::shared_ptr<const Resampler::Filter> Design(int inputRate, int outputRate) {
    if (inputRate <= 0 || outputRate <= 0) return nullptr;
    const int common = std::gcd(inputRate, outputRate);
    const auto up = static_cast<std::uint32_t>(outputRate / common);
    const auto down = static_cast<std::uint32_t>(inputRate / common);
    if (up > kMaxPhases) return nullptr;
    // The cut-off in cycles per input sample: below both Nyquist frequencies.
    const double cutoff = kCutoff * 0.5 * std::min(1.0, static_cast<double>(up) / down);
    auto filter = std::make_shared<Resampler::Filter>();
    filter->inputRate = inputRate;
    filter->outputRate = outputRate;
    filter->up = up;
    filter->down = down;
    filter->rows.resize(up);
    filter->offsets.resize(up);
    for (std::uint32_t j = 0; j < up; ++j) {
        // Output j lies at input time j * down / up from the cycle's start.
        const std::uint64_t time = static_cast<std::uint64_t>(j) * down;
        filter->offsets[j] = static_cast<std::uint32_t>(time / up);
        std::int16_t* row = filter->rows[j].taps;
        FillRow(static_cast<double>(time % up) / up, cutoff, row);
        int magnitude = 0;
        for (std::size_t k = 0; k < Resampler::kTaps; ++k) magnitude += std::abs(row[k]);
        if (magnitude >= 1 << 16) return nullptr;  // Dot's sum could overflow
    }
    return filter;
}

// Designs each pair of rates once per process; resamplers share the result.
std::shared_ptr<const Resampler::Filter> SharedFilter(int inputRate, int outputRate) {
    static std::mutex mutex;
    static std::vector<std::shared_ptr<const Resampler::Filter>> designed;
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& filter : designed) {
        if (filter->inputRate == inputRate && filter->outputRate == outputRate) return filter;
    }
    auto filter = Design(inputRate, outputRate);
    if (filter) designed.push_back(filter);
    return filter;
}

}  // namespace

Resampler::Resampler(int inputRate, int outputRate) : filter_(SharedFilter(inputRate, outputRate)) {
    // Room for the history and the input a window may share with it, so that it never grows.
    if (filter_) history_.reserve(3 * kTaps + filter_->down / filter_->up);
    Reset();
}

void Resampler::Reset() {
    // The first output sample's window reaches kHalf - 1 samples before the signal: silence.
    history_.assign(kHalf - 1, 0);
    historyStart_ = -static_cast<std::int64_t>(kHalf - 1);
    inputCount_ = 0;
    outputCount_ = 0;
    cycleOutput_ = 0;
    cycleStart_ = 0;
}

std::uint64_t Resampler::OutputsBefore(std::int64_t end) const {
    // Output n's window ends kHalf after its input sample floor(n * down / up),
    // which must be at most last; so n * down < (last + 1) * up.
    const std::int64_t last = end - 1 - static_cast<std::int64_t>(kHalf);
    if (last < 0) return 0;
    const auto bound = static_cast<std::uint64_t>(last + 1) * filter_->up;
    return (bound + filter_->down - 1) / filter_->down;
}

std::int64_t Resampler::NextWindowStart() const {
    return cycleStart_ + filter_->offsets[cycleOutput_] - static_cast<std::int64_t>(kHalf - 1);
}

void Resampler::Run(const std::int16_t* input, std::int64_t inputStart, std::size_t count, std::int16_t* output) {
    const Filter& filter = *filter_;
    outputCount_ += count;
    while (count > 0) {
        // The rest of this cycle, or of count.
        const std::size_t run = std::min<std::size_t>(count, filter.up - cycleOutput_);
        const std::int16_t* window = input + (cycleStart_ - static_cast<std::int64_t>(kHalf - 1) - inputStart);
        const Row* rows = filter.rows.data() + cycleOutput_;
        const std::uint32_t* offsets = filter.offsets.data() + cycleOutput_;
        std::size_t i = 0;
        // Eight at a time, stored at once; then one at a time.
        for (; i + 8 <= run; i += 8) {
            const __m128i first = Four(window, rows + i, offsets + i);
            const __m128i second = Four(window, rows + i + 4, offsets + i + 4);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(output + i), _mm_packs_epi32(first, second));
        }
        for (; i < run; ++i) StoreOne(Dot(window + offsets[i], rows[i]), output + i);
        output += run;
        count -= run;
        cycleOutput_ += static_cast<std::uint32_t>(run);
        if (cycleOutput_ == filter.up) {
            cycleOutput_ = 0;
            cycleStart_ += filter.down;
        }
    }
}

void Resampler::Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output) {
    if (!IsValid() || count == 0) return;
    const std::int64_t inputStart = inputCount_;
    const std::int64_t inputEnd = inputStart + static_cast<std::int64_t>(count);
    std::size_t at = output.size();
    output.resize(at + (OutputsBefore(inputEnd) - outputCount_));
    // Windows that begin in the history end within the input's first kTaps - 1
    // samples: made from the history with those appended.
    const std::size_t head = std::min(count, kTaps - 1);
    history_.insert(history_.end(), input, input + head);
    const auto fromHistory =
        static_cast<std::size_t>(OutputsBefore(historyStart_ + static_cast<std::int64_t>(history_.size())) - outputCount_);
    Run(history_.data(), historyStart_, fromHistory, output.data() + at);
    at += fromHistory;
    // Every later window begins within the input: made where it lies.
    inputCount_ = inputEnd;
    Run(input, inputStart, output.size() - at, output.data() + at);
    // Keep what the next window needs (nothing yet, if it begins past the input).
    const std::int64_t keepFrom = std::min(NextWindowStart(), inputEnd);
    if (keepFrom >= inputStart) {
        history_.assign(input + (keepFrom - inputStart), input + count);
    } else {  // the input was short: all of it is in the history already
        history_.erase(history_.begin(), history_.begin() + (keepFrom - historyStart_));
    }
    historyStart_ = keepFrom;
}

void Resampler::Flush(std::vector<std::int16_t>& output) {
    if (!IsValid()) return;
    // Silence after the end, enough for the last window; then exactly the
    // samples whose time lies within the signal.
    history_.insert(history_.end(), kHalf, 0);
    const std::uint64_t total =
        (static_cast<std::uint64_t>(inputCount_) * filter_->up + filter_->down - 1) / filter_->down;
    const std::uint64_t end =
        std::min(total, OutputsBefore(historyStart_ + static_cast<std::int64_t>(history_.size())));
    const std::size_t at = output.size();
    output.resize(at + (end - outputCount_));
    Run(history_.data(), historyStart_, output.size() - at, output.data() + at);
    // Whatever comes next is a new signal.
    Reset();
}

}  // namespace espeak_engine
