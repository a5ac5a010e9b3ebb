// The plug-in's worker thread: owns the engine for its whole life and speaks
// queued requests one at a time, in order, delivering audio through the host's
// PlayCallback.
#pragma once
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_binding.h"
#include "engine/speak_request.h"
#include "engine/voice_settings.h"
#include "kavosynth.h"
#include "util/blocking_queue.h"
#include "util/module_thread.h"

namespace kavo {

class SynthWorker {
public:
    // settings: read once per request; playCallback: re-read before every call.
    SynthWorker(VoiceSettingsMap& settings, const std::atomic<PlayCallback>& playCallback)
        : settings_(settings), playCallback_(playCallback) {}
    SynthWorker(const SynthWorker&) = delete;
    SynthWorker& operator=(const SynthWorker&) = delete;

    // Creates the thread, which loads the engine itself. False, with nothing
    // changed, when the platform refuses a new thread.
    bool Start();
    // Stops speech, sends the exit marker and joins the thread. False, with
    // nothing changed, when called on the worker thread itself.
    bool Shutdown();
    bool IsRunning() const { return running_.load(); }

    void Queue(SpeakRequestRef request) { requests_.Push(request); }
    // Drops every pending request (keeping an exit marker) and cuts the current one short.
    void StopSpeech();

private:
    void Run() noexcept;
    void Serve(const SpeakRequest& request);
    void EndOfRequest(const SpeakRequest& request) const;

    VoiceSettingsMap& settings_;
    const std::atomic<PlayCallback>& playCallback_;

    std::optional<ModuleThread> thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    BlockingQueue<SpeakRequestRef> requests_;
    EngineBinding engine_;                // the worker thread's alone
    std::vector<std::u16string> pieces_;  // reused from request to request
};

}  // namespace kavo
