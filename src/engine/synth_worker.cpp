#include "engine/synth_worker.h"

#include "engine/synth_session.h"
#include "engine/text_split.h"
#include "log/log_level.h"
#include "log/logger.h"
#include "util/module_reference.h"

namespace kavo {

bool SynthWorker::Start() {
    // The module stays loaded while the thread runs, even if the host unloads it.
    moduleReference_ = AcquireModuleReference();
    try {
        thread_ = std::thread(&SynthWorker::Run, this);
    } catch (...) {
        ReleaseModuleReference(moduleReference_);
        moduleReference_ = nullptr;
        return false;
    }
    running_.exchange(true);
    return true;
}

bool SynthWorker::Shutdown() {
    if (!running_.load()) return true;
    // The worker cannot wait for itself (a host calling from inside its callback).
    if (IsWorkerThread()) return false;
    StopSpeech();
    requests_.Push(nullptr);
    if (thread_.joinable()) thread_.join();
    workerId_.store(std::thread::id());
    ReleaseModuleReference(moduleReference_);
    moduleReference_ = nullptr;
    running_.exchange(false);
    return true;
}

void SynthWorker::StopSpeech() {
    requests_.RemoveIf([](const SpeakRequestRef& request) { return request != nullptr; });
    stop_.exchange(true);
}

void SynthWorker::Run() noexcept {
    workerId_.store(std::this_thread::get_id());
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
        SynthSession session(engine_, voices_, playCallback_);
        session.Begin(request.voice, piece, settings);
        const SpeakResult result = session.Speak(piece, request.value, stop_);
        session.End();
        if (result == SpeakResult::Finished) continue;
        if (result == SpeakResult::Aborted) return;  // stopped, or the engine refused the session
        break;                                       // text put or audio get failed: the request ends here
    }
    if (const PlayCallback callback = playCallback_.load()) {
        callback(reinterpret_cast<const KavoChar*>(request.voice.c_str()), nullptr, 0, request.value);
    }
}

}  // namespace kavo
