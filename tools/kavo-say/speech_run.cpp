#include "speech_run.h"

#include <cerrno>
#include <cstring>

#include "console.h"
#include "kavosynth.h"
#include "progress_display.h"

namespace kavosay {
namespace {

using Clock = std::chrono::steady_clock;

bool IsErrorLevel(std::int32_t level) { return level == KAVOSYNTH_LOG_ERROR || level == KAVOSYNTH_LOG_CRITICAL; }

const char* LevelName(std::int32_t level) {
    switch (level) {
        case KAVOSYNTH_LOG_INFO: return "info";
        case KAVOSYNTH_LOG_WARNING: return "warning";
        case KAVOSYNTH_LOG_ERROR: return "error";
        case KAVOSYNTH_LOG_CRITICAL: return "critical";
        case KAVOSYNTH_LOG_DEBUG: return "debug";
        default: return "log";
    }
}

// The state of one run as the batches come in.
struct RunState {
    Progress progress;
    std::string failure;  // the first reason to give up; empty while all is well
    bool interrupted = false;

    bool Over() const { return !failure.empty() || interrupted || progress.done >= progress.total; }
    void Fail(const std::string& reason) {
        if (failure.empty() && !interrupted) failure = reason;
    }
};

}  // namespace

std::string DescribeLogLine(const LogLine& line) {
    return std::string("kavo-say: plug-in ") + LevelName(line.level) + ": " + line.message + "\n";
}

int RunSpeech(PluginSession& session, SpeechEvents& events, const std::string& voice,
              const std::vector<std::string>& paragraphs, WavWriter& wav, const PcmFormat& format,
              const RunSettings& settings) {
    const double bytesPerSecond = static_cast<double>(format.sampleRate) * format.channels * (format.bitsPerSample / 8);
    ProgressDisplay display(settings.showProgress);
    RunState state;
    state.progress.total = paragraphs.size();
    const Clock::time_point started = Clock::now();

    auto absorb = [&](const EventBatch& batch) {
        if (!batch.audio.empty() && !wav.Append(batch.audio.data(), batch.audio.size()))
            state.Fail(std::string("cannot write the WAV file: ") + std::strerror(errno));
        for (const LogLine& line : batch.logLines) {
            if (settings.verbose) {
                display.Close();
                WriteText(stderr, DescribeLogLine(line));
            }
            if (IsErrorLevel(line.level)) state.Fail(line.message);
        }
        for (std::int32_t value : batch.finished) {
            ++state.progress.done;
            if (settings.verbose) {
                display.Close();
                WriteText(stderr, "kavo-say: paragraph " + std::to_string(static_cast<long long>(value) + 1) + "/" +
                                      std::to_string(state.progress.total) + " done\n");
            }
        }
        if (batch.interrupted && !state.interrupted && state.failure.empty()) state.interrupted = true;
        state.progress.audioSeconds = static_cast<double>(wav.DataBytes()) / bytesPerSecond;
        state.progress.elapsedSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    };

    for (std::size_t i = 0; i < paragraphs.size() && state.failure.empty(); ++i) {
        if (!session.Speak(voice, paragraphs[i], static_cast<std::int32_t>(i)))
            state.Fail("the plug-in refused paragraph " + std::to_string(i + 1));
    }

    Clock::time_point lastDelivery = Clock::now();
    while (!state.Over()) {
        const EventBatch batch = events.Wait(lastDelivery + settings.idleTimeout);
        const Clock::time_point now = Clock::now();
        if (!batch.audio.empty() || !batch.finished.empty()) lastDelivery = now;
        absorb(batch);
        if (!state.Over() && now - lastDelivery >= settings.idleTimeout)
            state.Fail("the plug-in delivered nothing for " + std::to_string(settings.idleTimeout.count()) +
                       " s; giving up");
        display.Show(state.progress);
    }

    if (state.progress.done < state.progress.total) session.Stop();
    session.Shutdown();
    // Audio delivered before the stop took hold was heard too.
    absorb(events.Take());
    if (!wav.Finish()) state.Fail(std::string("cannot write the WAV file: ") + std::strerror(errno));
    display.Show(state.progress, true);
    display.Close();

    if (!state.failure.empty()) {
        WriteText(stderr, "kavo-say: " + state.failure + "\n");
        return kExitFailure;
    }
    if (state.interrupted) {
        WriteText(stderr, "kavo-say: interrupted; the WAV file holds what was spoken so far\n");
        return kExitInterrupted;
    }
    return kExitSuccess;
}

}  // namespace kavosay
