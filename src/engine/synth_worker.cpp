#include "engine/synth_worker.h"

#include "engine/synth_session.h"
#include "engine/text_split.h"
#include "log/log_level.h"
#include "log/logger.h"

namespace kavo {

bool SynthWorker::Start() {
    try {
        thread_.emplace([this] { Run(); });
    } catch (...) {
        return false;  // the platform refused a thread
    }
    running_.exchange(true);
    return true;
}

bool SynthWorker::Shutdown() {
    if (!running_.load()) return true;
    // The worker cannot wait for itself (a host calling from inside its callback).
    if (thread_ && thread_->IsCurrentThread()) return false;
    StopSpeech();
    requests_.Push(nullptr);
    if (thread_) thread_->Join();
    thread_.reset();
    running_.exchange(false);
    return true;
}

void SynthWorker::StopSpeech() {
    requests_.RemoveIf([](const SpeakRequestRef& request) { return request != nullptr; });
    stop_.exchange(true);
}

void SynthWorker::Run() noexcept {
    try {
        if (engine_.Load()) {
            Log(kLogInfo, u"合成线程准备就绪");
        } else {
            Log(kLogError, u"合成接口初始化失败");
        }
    } catch (...) {
        // Out of memory while loading: the engine stays unusable and requests are skipped.
    }
    for (;;) {
        const SpeakRequestRef request = requests_.Pop();
        if (!request) break;
        try {
            Serve(*request);
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
    // Lowered as soon as the request is taken, so that a stop made while it is
    // being prepared (a long text takes a while to split) still reaches it.
    stop_.exchange(false);
    if (request.kind != SpeakRequest::kSpeak || !engine_.IsLoggedIn()) return;

    const VoiceSettings settings = settings_.Read(request.voice);
    pieces_.clear();
    SplitText(request.text, pieces_);

    for (const std::u16string& piece : pieces_) {
        SynthSession session(engine_, playCallback_);
        // An engine that refuses a piece ends the request, silently toward the host.
        if (!session.Begin(request.voice, request.engineVoice, piece, settings)) return;
        const SpeakResult result = session.Speak(piece, request.value, stop_);
        session.End();
        if (result == SpeakResult::Finished) continue;
        if (result == SpeakResult::Aborted) return;  // stopped: no end-of-request call
        break;                                       // text put or audio get failed: the request ends here
    }
    EndOfRequest(request);
}

void SynthWorker::EndOfRequest(const SpeakRequest& request) const {
    if (const PlayCallback callback = playCallback_.load()) {
        callback(reinterpret_cast<const KavoChar*>(request.voice.c_str()), nullptr, 0, request.value);
    }
}

}  // namespace kavo
