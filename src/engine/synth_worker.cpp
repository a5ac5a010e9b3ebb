#include "engine/synth_worker.h"

#include "engine/log_texts.h"
#include "engine/synth_session.h"
#include "engine/text_split.h"
#include "log/log_level.h"
#include "log/logger.h"

namespace kavo {

bool SynthWorker::Start() {
    // The last worker drained its queue before it ended.
    requests_.Open();
    // Running before the thread exists: its first log line may already reach
    // a host that calls back in.
    running_.exchange(true);
    accepting_.exchange(true);
    try {
        thread_.emplace([this] { Run(); });
    } catch (...) {
        requests_.Close();
        accepting_.exchange(false);
        running_.exchange(false);
        return false;  // the platform refused a thread
    }
    return true;
}

void SynthWorker::Shutdown() {
    if (!running_.load()) return;
    accepting_.exchange(false);
    // Closed after the stop has emptied it: the worker ends once it has taken
    // whatever a racing Queue slipped in between, and drops that unheard.
    StopSpeech();
    requests_.Close();
    thread_->Join();
    thread_.reset();
    running_.exchange(false);
}

bool SynthWorker::Queue(SpeakRequest request) {
    if (!accepting_.load()) return false;
    request.stopGeneration = stopGeneration_.load();
    return requests_.Push(std::make_shared<const SpeakRequest>(std::move(request)));
}

void SynthWorker::StopSpeech() {
    requests_.Clear();
    stopGeneration_.fetch_add(1);
}

void SynthWorker::Run() noexcept {
    try {
        if (engine_.Load()) {
            Log(kLogInfo, kLogEngineReady);
        } else {
            Log(kLogError, kLogEngineFailed);
        }
    } catch (...) {
        // Out of memory while loading: the engine stays unusable and requests are skipped.
    }
    while (const std::optional<SpeakRequestRef> request = requests_.Pop()) {
        try {
            Serve(**request);
        } catch (...) {
            // A request that cannot be served (out of memory) is dropped; the next one is not affected.
        }
    }
    try {
        engine_.Unload();
        Log(kLogInfo, u"合成线程退出");
    } catch (...) {
    }
}

void SynthWorker::Serve(const SpeakRequest& request) {
    const StopCheck stop(stopGeneration_, request.stopGeneration);
    // A request stopped before it was taken, or taken while the worker shuts
    // down, is dropped unheard.
    if (stop.Stopped() || !accepting_.load()) return;
    if (!engine_.IsLoggedIn()) return;

    const VoiceSettings settings = settings_.Read(request.voice);
    pieces_.clear();
    SplitText(request.text, pieces_);

    for (const std::u16string& piece : pieces_) {
        // Stopped after the last piece: the next is not begun (an engine's
        // refusal of it would be logged after the stop, while the host may
        // already be speaking its next request).
        if (stop.Stopped()) return;
        SynthSession session(engine_, audio_);
        // An engine that refuses a piece ends the request, silently toward the host.
        if (!session.Begin(request.voice, request.engineVoice, piece, settings)) return;
        const SpeakResult result = session.Speak(piece, request.value, stop);
        session.End();
        if (result == SpeakResult::Finished) continue;
        if (result == SpeakResult::Aborted) return;  // stopped: no end-of-request call
        break;                                       // text put or audio get failed: the request ends here
    }
    EndOfRequest(request);
}

void SynthWorker::EndOfRequest(const SpeakRequest& request) const {
    audio_(request.voice, nullptr, 0, request.value);
}

}  // namespace kavo
