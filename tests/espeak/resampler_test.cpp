// The resampler on its own: what it passes and what it stops, where its
// samples fall in time, how many there are, and that how the input is cut up
// does not change them.
#include "resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace espeak_test {
namespace {

using espeak_engine::Resampler;
using Samples = std::vector<std::int16_t>;

constexpr int kEspeakRate = 22050;
constexpr int kServedRate = 16000;
constexpr double kPi = 3.14159265358979323846;

Samples Tone(double frequency, double amplitude, double seconds, int rate) {
    Samples tone(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * kPi * frequency * i / rate)));
    }
    return tone;
}

// The whole signal through a fresh resampler, chunk samples at a time, flushed.
Samples Resample(const Samples& input, std::size_t chunk, int from = kEspeakRate, int to = kServedRate) {
    Resampler resampler(from, to);
    EXPECT_TRUE(resampler.IsValid());
    Samples output;
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        resampler.Process(input.data() + at, std::min(chunk, input.size() - at), output);
    }
    resampler.Flush(output);
    return output;
}

// Output level over input level, in dB, away from both ends (the filter's edges).
double GainDb(double frequency, int from = kEspeakRate, int to = kServedRate) {
    constexpr double kAmplitude = 10000;
    const Samples output = Resample(Tone(frequency, kAmplitude, 1.0, from), 4096, from, to);
    double energy = 0;
    const std::size_t margin = output.size() / 10;
    for (std::size_t i = margin; i + margin < output.size(); ++i) energy += double(output[i]) * output[i];
    const double rms = std::sqrt(energy / (output.size() - 2 * margin));
    return 20 * std::log10(std::max(rms, 1e-3) / (kAmplitude / std::sqrt(2.0)));
}

std::size_t ExpectedCount(std::size_t inputCount, int from = kEspeakRate, int to = kServedRate) {
    return static_cast<std::size_t>(std::ceil(static_cast<double>(inputCount) * to / from - 1e-9));
}

TEST(Resampler, PassesTheSpeechBandUnchanged) {
    for (double frequency : {100.0, 300.0, 1000.0, 3000.0, 5000.0, 6500.0}) {
        EXPECT_NEAR(GainDb(frequency), 0.0, 0.1) << frequency << " Hz";
    }
}

// What lies above 8 kHz would fold back below it at 16 kHz; only the first
// kilohertz above may reach the top of the band, attenuated.
TEST(Resampler, StopsWhatWouldFoldBackIntoTheBand) {
    EXPECT_LT(GainDb(8800), -30.0);
    for (double frequency : {9200.0, 9600.0, 10000.0, 10500.0, 11000.0}) {
        EXPECT_LT(GainDb(frequency), -60.0) << frequency << " Hz";
    }
}

// Each output sample is the signal at its own time: no delay, no drift.
TEST(Resampler, KeepsPitchAndTiming) {
    constexpr double kFrequency = 1000, kAmplitude = 10000;
    const Samples output = Resample(Tone(kFrequency, kAmplitude, 2.0, kEspeakRate), 1000);
    ASSERT_EQ(output.size(), 32000u);
    for (std::size_t j = 100; j + 100 < output.size(); ++j) {
        const double expected = kAmplitude * std::sin(2 * kPi * kFrequency * j / kServedRate);
        ASSERT_NEAR(output[j], expected, 0.002 * kAmplitude) << j;
    }
}

TEST(Resampler, GivesOneSampleForEveryOutputTimeWithinTheSignal) {
    for (std::size_t count : {0, 1, 2, 440, 441, 442, 1000, 12345, 22050}) {
        EXPECT_EQ(Resample(Samples(count, 100), 4096).size(), ExpectedCount(count)) << count;
    }
    // Upward too: 8 kHz to 16 kHz doubles.
    EXPECT_EQ(Resample(Samples(777, 100), 100, 8000, 16000).size(), 1554u);
    EXPECT_NEAR(GainDb(1000, 8000, 16000), 0.0, 0.1);
}

TEST(Resampler, GivesTheSameSamplesHoweverTheInputIsCut) {
    Samples speechLike = Tone(440, 6000, 0.5, kEspeakRate);
    const Samples overtone = Tone(2900, 3000, 0.5, kEspeakRate);
    for (std::size_t i = 0; i < speechLike.size(); ++i) speechLike[i] = static_cast<std::int16_t>(speechLike[i] + overtone[i]);
    const Samples whole = Resample(speechLike, speechLike.size());
    for (std::size_t chunk : {1, 7, 24, 441, 882, 7056}) EXPECT_EQ(Resample(speechLike, chunk), whole) << chunk;
}

TEST(Resampler, KeepsSilenceSilentAndAConstantConstant) {
    for (std::int16_t sample : Resample(Samples(5000, 0), 333)) ASSERT_EQ(sample, 0);
    // Every phase's coefficients sum to exactly one: no pattern rides on a constant.
    const Samples constant = Resample(Samples(5000, -1234), 333);
    for (std::size_t j = 50; j + 50 < constant.size(); ++j) ASSERT_EQ(constant[j], -1234) << j;
}

// The filter overshoots a step by several percent: near full scale those
// samples must clip, not wrap round to the other sign.
TEST(Resampler, ClipsOvershootInsteadOfWrappingRound) {
    Samples square(22050);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 == 0 ? 31000 : -31000;
    const Samples output = Resample(square, 4096);
    bool clipped = false;
    for (std::size_t j = 100; j + 100 < output.size(); ++j) {
        const double inputTime = static_cast<double>(j) * kEspeakRate / kServedRate;
        const double intoHalf = std::fmod(inputTime, 50.0);
        if (intoHalf < 1.5 || intoHalf > 48.5) continue;  // the edges themselves
        const bool high = static_cast<std::size_t>(inputTime / 50) % 2 == 0;
        ASSERT_TRUE(high ? output[j] > 16000 : output[j] < -16000) << j << ": " << output[j];
        clipped = clipped || output[j] == 32767 || output[j] == -32768;
    }
    EXPECT_TRUE(clipped);
}

TEST(Resampler, ResetStartsANewSignal) {
    const Samples tone = Tone(700, 8000, 0.2, kEspeakRate);
    Resampler resampler(kEspeakRate, kServedRate);
    Samples first;
    resampler.Process(tone.data(), 1000, first);  // left unfinished
    resampler.Reset();
    Samples second;
    resampler.Process(tone.data(), tone.size(), second);
    resampler.Flush(second);
    EXPECT_EQ(second, Resample(tone, tone.size()));
}

TEST(Resampler, RefusesRatesItCannotServe) {
    EXPECT_FALSE(Resampler(0, kServedRate).IsValid());
    EXPECT_FALSE(Resampler(kEspeakRate, -16000).IsValid());
    EXPECT_FALSE(Resampler(44101, 16000).IsValid());  // 16000 steps per 44101: no small table
    EXPECT_TRUE(Resampler(kEspeakRate, kServedRate).IsValid());
    Resampler refused(0, kServedRate);
    Samples output;
    const Samples input(100, 5);
    refused.Process(input.data(), input.size(), output);
    refused.Flush(output);
    EXPECT_TRUE(output.empty());
}

}  // namespace
}  // namespace espeak_test
