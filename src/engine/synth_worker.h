// The plug-in's worker thread: drives the speech engine for its whole life and
// speaks queued requests one at a time, in order, handing their audio to the
// audio sink.
#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/speak_request.h"
#include "engine/speech_engine.h"
#include "engine/voice_settings.h"
#include "util/blocking_queue.h"
#include "util/module_thread.h"

namespace kavo {

class SynthWorker {
public:
    // engine: loaded and used by the worker thread alone; settings: read once
    // per request; audio: called for every block and at the end of every request.
    SynthWorker(SpeechEngine& engine, VoiceSettingsMap& settings, AudioSink audio)
        : engine_(engine), settings_(settings), audio_(std::move(audio)) {}
    SynthWorker(const SynthWorker&) = delete;
    SynthWorker& operator=(const SynthWorker&) = delete;

    // Marks the worker running and creates its thread, which loads the engine
    // itself and starts from an empty queue. False, with nothing changed, when
    // the platform refuses a new thread.
    bool Start();
    // Refuses further requests, stops speech, closes the queue and joins the
    // thread. Never call it on the worker thread.
    void Shutdown();
    bool IsRunning() const { return running_.load(); }

    // Queues the request; false once a shutdown has begun.
    bool Queue(SpeakRequest request);
    // Drops every pending request and cuts short every request queued before
    // it, the one being spoken included.
    void StopSpeech();

private:
    void Run() noexcept;
    void Serve(const SpeakRequest& request);
    void EndOfRequest(const SpeakRequest& request) const;

    SpeechEngine& engine_;
    VoiceSettingsMap& settings_;
    const AudioSink audio_;

    std::optional<ModuleThread> thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> accepting_{false};  // requests are taken: from Start until a shutdown begins
    std::atomic<std::uint64_t> stopGeneration_{0};
    BlockingQueue<SpeakRequestRef> requests_;
    std::vector<std::u16string> pieces_;  // reused from request to request
};

}  // namespace kavo
