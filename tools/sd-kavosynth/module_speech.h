// The plug-in as the module drives it: loaded, started and checked at INIT,
// one message at a time spoken as the requests speech_requests.h plans,
// handed over a few at a time; its audio, marks, pauses and end sent to the
// server from the plug-in's worker thread as they come, and stopped at once on
// STOP. One per process: the plug-in's callbacks are plain functions, routed
// to the live one.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plugin_library.h"
#include "protocol_io.h"
#include "speech_requests.h"
#include "ssml.h"

namespace sdkavo {

struct Prosody {
    int rate = 50, pitch = 50, volume = 100;  // the plug-in's 0..100
};

class ModuleSpeech {
public:
    explicit ModuleSpeech(Output& output);
    ~ModuleSpeech();  // Shutdown()
    ModuleSpeech(const ModuleSpeech&) = delete;
    ModuleSpeech& operator=(const ModuleSpeech&) = delete;

    // Loads and starts the plug-in and waits until its engine is ready; false
    // with the reason (no plug-in, no engine, a failed login...) otherwise.
    bool Start(const std::filesystem::path& pluginPath, std::string& reason);
    bool Started() const { return exports_ != nullptr; }
    const std::vector<std::string>& VoiceNames() const { return voiceNames_; }

    // Queues the message and, before any of its events, writes `reply`, the
    // begin event and what comes before its text. Should the plug-in refuse a
    // request, the message ends with those it took, every mark still sent.
    // False, nothing written, when it took none of a message with text, or
    // a message is still being spoken.
    bool Speak(SpokenMessage message, const std::string& voice, const Prosody& prosody, const std::string& reply);
    // Ends the message being spoken with this event ("703 STOP"); nothing when none is.
    void Stop(const char* event);
    // Stops the plug-in and joins its threads; nothing is written after it. Start may follow.
    void Shutdown();

    // The plug-in's callbacks, routed here.
    void OnAudio(const void* pcm, std::uint32_t bytes, std::int32_t value);
    void OnLog(std::int32_t level, const KavoChar* text);

private:
    struct Message {
        std::u16string voice;
        std::vector<SpeechRequest> requests;
        std::size_t queued = 0;  // requests handed to the plug-in
        std::size_t ended = 0;   // requests over
        std::size_t bytes = 0;   // of its text
        // Of the request in progress: its audio while it is held, else the
        // near-silent samples at the end of what it has sent, held back and
        // dropped if the request ends with them.
        std::basic_string<unsigned char> held;
    };
    // With the output's lock held: hands the plug-in the requests due; those
    // it refuses are dropped, their marks and pauses kept, into `dropped`
    // when no request is left to carry them.
    void QueueAhead(Message& message, std::vector<Boundary>& dropped);
    // With the output's lock held: the request in progress is over; what follows it, then perhaps the end.
    void RequestOver();
    // With the output's lock held: whether a request's callbacks belong to the message being spoken.
    bool IsCurrent(std::int32_t value) const;
    // With the output's lock held, a message being spoken: whether the refused
    // piece named in a log line is of its request in progress.
    bool RefusedPieceIsCurrent(const std::string& line) const;
    // The size of that much audio.
    std::size_t BytesOf(std::size_t milliseconds) const;
    // With the output's lock held: the events of marks and silences.
    std::string BoundaryEvents(const std::vector<Boundary>& boundaries) const;

    Output& output_;
    std::unique_ptr<kavosay::PluginLibrary> library_;
    const kavosay::PluginExports* exports_ = nullptr;
    bool initialized_ = false;
    std::vector<std::string> voiceNames_;
    std::int32_t sampleRate_ = 16000;
    std::int32_t nextValue_ = 1;

    // Under the output's lock (see Output::Mutex).
    std::optional<Message> message_;
    std::basic_string<unsigned char> pending_;  // half a sample, completed by the next block
    enum class EngineState { Starting, Ready, Failed } engineState_ = EngineState::Starting;
    std::string engineProblem_;
    std::condition_variable engineStateChanged_;
};

}  // namespace sdkavo
