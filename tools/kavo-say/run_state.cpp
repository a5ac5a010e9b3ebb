#include "run_state.h"

#include <chrono>

#include "console.h"
#include "kavosynth.h"
#include "plugin_library.h"

namespace kavosay {
namespace {

bool IsErrorLevel(std::int32_t level) { return level == KAVOSYNTH_LOG_ERROR || level == KAVOSYNTH_LOG_CRITICAL; }

}  // namespace

std::string DescribeLogLine(const LogLine& line) {
    return std::string("kavo-say: plug-in ") + LogLevelName(line.level) + ": " + line.message + "\n";
}

RunState::RunState(std::size_t paragraphCount, AudioSink& sink, const PcmFormat& format, bool showProgress,
                   bool verbose)
    : sink_(sink),
      bytesPerSecond_(static_cast<double>(format.sampleRate) * format.channels * (format.bitsPerSample / 8)),
      verbose_(verbose),
      display_(showProgress) {
    progress_.total = paragraphCount;
    started_ = std::chrono::steady_clock::now();
}

void RunState::Absorb(const EventBatch& batch) {
    if (!batch.audio.empty()) {
        deliveredBytes_ += batch.audio.size();
        if (!sink_.Append(batch.audio.data(), batch.audio.size())) Fail(sink_.Problem());
    }
    for (const LogLine& line : batch.logLines) {
        if (verbose_) Say(DescribeLogLine(line));
        if (IsErrorLevel(line.level)) Fail(line.message);
    }
    for (std::int32_t value : batch.finished) {
        ++progress_.done;
        if (verbose_)
            Say("kavo-say: paragraph " + std::to_string(static_cast<long long>(value) + 1) + "/" +
                std::to_string(progress_.total) + " done\n");
    }
    if (batch.interrupted && failure_.empty()) interrupted_ = true;
}

void RunState::Fail(const std::string& reason) {
    if (failure_.empty() && !interrupted_) failure_ = reason;
}

void RunState::ShowProgress(bool final) {
    progress_.audioSeconds = static_cast<double>(deliveredBytes_) / bytesPerSecond_;
    progress_.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (sink_.Plays()) progress_.spokenSeconds = sink_.SecondsDone();
    display_.Show(progress_, final);
}

int RunState::Finish() {
    ShowProgress(true);
    display_.Close();
    if (!failure_.empty()) {
        WriteText(stderr, "kavo-say: " + failure_ + "\n");
        return kExitFailure;
    }
    if (interrupted_) {
        WriteText(stderr, sink_.Plays() ? "kavo-say: interrupted\n"
                                        : "kavo-say: interrupted; the WAV file holds what was spoken so far\n");
        return kExitInterrupted;
    }
    return kExitSuccess;
}

void RunState::Say(const std::string& line) {
    display_.Close();
    WriteText(stderr, line);
}

}  // namespace kavosay
