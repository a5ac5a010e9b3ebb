// The plug-in's worker thread: owns the engine for its whole life and speaks
// queued requests one at a time, in order, delivering audio through the host's
// PlayCallback.
#pragma once
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/blocking_queue.h"
#include "engine/engine_binding.h"
#include "kavosynth.h"
#include "plugin/speak_request.h"
#include "plugin/voice_settings.h"
#include "plugin/voice_table.h"

namespace kavo {

class SynthWorker {
public:
    SynthWorker(EngineBinding& engine, const VoiceTable& voices, const std::atomic<PlayCallback>& playCallback)
        : engine_(engine), voices_(voices), playCallback_(playCallback) {}
    SynthWorker(const SynthWorker&) = delete;
    SynthWorker& operator=(const SynthWorker&) = delete;

    // Creates the thread, which loads the engine itself. False, with nothing
    // changed, when the platform refuses a new thread.
    bool Start();
    // Stops speech, sends the exit marker and joins the thread. False, with
    // nothing changed, when called on the worker thread itself.
    bool Shutdown();
    bool IsRunning() const { return running_.load(); }
    bool IsWorkerThread() const { return std::this_thread::get_id() == workerId_.load(); }
    bool HasLiveThread() const { return thread_.joinable(); }

    void Queue(SpeakRequestRef request) { requests_.Push(request); }
    // Drops every pending request (keeping an exit marker) and cuts the current one short.
    void StopSpeech();

    VoiceSettingsMap& Settings() { return settings_; }

private:
    void Run() noexcept;
    void Serve(const SpeakRequest& request);

    EngineBinding& engine_;
    const VoiceTable& voices_;
    const std::atomic<PlayCallback>& playCallback_;

    std::thread thread_;
    std::atomic<std::thread::id> workerId_{};
    void* moduleReference_ = nullptr;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    BlockingQueue<SpeakRequestRef> requests_;
    VoiceSettingsMap settings_;
    std::vector<std::u16string> pieces_;  // reused from request to request
};

}  // namespace kavo
