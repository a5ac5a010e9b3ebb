#include "speech_run.h"

#include <functional>

namespace kavosay {
namespace {

using Clock = std::chrono::steady_clock;

void QueueParagraphs(const PluginSession& session, const std::string& voice, const std::vector<std::string>& paragraphs,
                     RunState& run) {
    for (std::size_t i = 0; i < paragraphs.size() && !run.Stopping(); ++i) {
        if (!session.Speak(voice, paragraphs[i], static_cast<std::int32_t>(i)))
            run.Fail("the plug-in refused paragraph " + std::to_string(i + 1));
    }
}

// Takes batches until reached() or the run stops; gives up, naming what
// stalled, when nothing moves for the idle time-out.
void WaitUntil(SpeechEvents& events, RunState& run, const RunSettings& settings, const std::function<bool()>& reached,
               const std::string& stalled) {
    Clock::time_point lastMove = Clock::now();
    while (!run.Stopping() && !reached()) {
        const EventBatch batch = events.Wait(lastMove + settings.idleTimeout);
        const Clock::time_point now = Clock::now();
        if (!batch.audio.empty() || !batch.finished.empty() || batch.playbackMoved) lastMove = now;
        run.Absorb(batch);
        if (!run.Stopping() && !reached() && now - lastMove >= settings.idleTimeout)
            run.Fail(stalled + " for " + std::to_string(settings.idleTimeout.count()) + " s; giving up");
        run.ShowProgress();
    }
}

}  // namespace

int RunSpeech(PluginSession& session, SpeechEvents& events, const std::string& voice,
              const std::vector<std::string>& paragraphs, AudioSink& sink, const PcmFormat& format,
              const RunSettings& settings) {
    RunState run(paragraphs.size(), sink, format, settings.showProgress, settings.verbose);
    QueueParagraphs(session, voice, paragraphs, run);
    WaitUntil(events, run, settings, [&run] { return run.AllSpoken(); }, "the plug-in delivered nothing");
    if (!run.Stopping()) {
        sink.EndOfAudio();
        WaitUntil(events, run, settings, [&sink] { return sink.Done(); }, "the sound output played nothing");
    }
    if (run.Stopping()) {
        sink.Abort();  // first, so that the sound stops while the plug-in winds down
        if (!run.AllSpoken()) session.Stop();
    }
    session.Shutdown();
    // Audio delivered before the stop took hold was spoken too.
    run.Absorb(events.Take());
    if (!sink.Close()) run.Fail(sink.Problem());
    return run.Finish();
}

}  // namespace kavosay
