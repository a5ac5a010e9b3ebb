// How one run of kavo-say stands as the events come in: paragraphs ended, the
// first reason to give up, Ctrl-C. It shows the progress line and the verbose
// messages, and decides the exit status.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio_sink.h"
#include "progress_display.h"
#include "speech_events.h"
#include "wav_writer.h"

namespace kavosay {

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitInterrupted = 130 };

class RunState {
public:
    RunState(std::size_t paragraphCount, AudioSink& sink, const PcmFormat& format, bool showProgress, bool verbose);

    // Audio to the sink; log lines, ends of requests and Ctrl-C to the state.
    void Absorb(const EventBatch& batch);
    // Keeps the first reason; after Ctrl-C, none.
    void Fail(const std::string& reason);

    bool AllSpoken() const { return progress_.done >= progress_.total; }
    bool Stopping() const { return !failure_.empty() || interrupted_; }

    // Redraws the progress line (at most a few times a second unless final).
    void ShowProgress(bool final = false);
    // Ends the progress line, says on standard error why the run ended when it
    // ended badly, and returns the exit status.
    int Finish();

private:
    void Say(const std::string& line);

    AudioSink& sink_;
    double bytesPerSecond_;
    bool verbose_;
    ProgressDisplay display_;
    Progress progress_;
    std::chrono::steady_clock::time_point started_;
    std::uint64_t deliveredBytes_ = 0;
    std::string failure_;  // empty while all is well
    bool interrupted_ = false;
};

// The verbose form of a plug-in log line.
std::string DescribeLogLine(const LogLine& line);

}  // namespace kavosay
