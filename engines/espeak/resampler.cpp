#include "resampler.h"

#include <soxr.h>

namespace espeak_engine {

Resampler::Resampler(double inputRate, double outputRate) : ratio_(outputRate / inputRate) {
    // No dither: the same text gives the same samples, and silence stays zero.
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread: soxr would otherwise be free to use OpenMP workers of its own.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    stream_ = soxr_create(inputRate, outputRate, 1, &error, &io, &quality, &runtime);
    if (error) {
        soxr_delete(stream_);
        stream_ = nullptr;
    }
}

Resampler::~Resampler() { soxr_delete(stream_); }

bool Resampler::Reset() { return stream_ && !soxr_clear(stream_); }

bool Resampler::Process(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output) {
    return count == 0 || Run(input, count, output);
}

bool Resampler::Flush(std::vector<std::int16_t>& output) { return Run(nullptr, 0, output); }

bool Resampler::Run(const std::int16_t* input, std::size_t count, std::vector<std::int16_t>& output) {
    if (!stream_) return false;
    // With null input soxr drains; keep asking until it yields nothing more.
    for (;;) {
        const std::size_t room = static_cast<std::size_t>(count * ratio_) + 1024;
        const std::size_t start = output.size();
        output.resize(start + room);
        std::size_t consumed = 0, produced = 0;
        if (soxr_process(stream_, input, count, &consumed, output.data() + start, room, &produced)) {
            output.resize(start);
            return false;
        }
        output.resize(start + produced);
        if (input) {
            if (consumed == 0 && produced == 0) return false;  // soxr made no progress
            input += consumed;
            count -= consumed;
            if (count == 0) return true;
        } else if (produced < room) {
            return true;
        }
    }
}

}  // namespace espeak_engine
