// The plug-in as the module drives it: loaded, started and checked at INIT,
// one message at a time spoken as one request per stretch between marks, its
// audio, marks and end sent to the server from the plug-in's worker thread as
// they come, and stopped at once on STOP. One per process: the plug-in's
// callbacks are plain functions, routed to the live one.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin_library.h"
#include "protocol_io.h"
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
    // begin event and the marks before its text. False, nothing written or
    // queued, when the plug-in refuses it or a message is still being spoken.
    bool Speak(const SpokenMessage& message, const std::string& voice, const Prosody& prosody,
               const std::string& reply);
    // Ends the message being spoken with this event ("703 STOP"); nothing when none is.
    void Stop(const char* event);
    // Stops the plug-in and joins its threads; nothing is written after it.
    void Shutdown();

    // The plug-in's callbacks, routed here.
    void OnAudio(const void* pcm, std::uint32_t bytes, std::int32_t value);
    void OnLog(std::int32_t level, const KavoChar* text);

private:
    struct Message {
        std::int32_t firstValue = 0;
        std::vector<std::vector<std::string>> marksAfter;  // per request
        std::size_t ended = 0;                             // requests over
    };
    // With the output's lock held: the request in progress is over; its marks, then perhaps the end.
    void RequestOver();
    // With the output's lock held: whether a request's callbacks belong to the message being spoken.
    bool IsCurrent(std::int32_t value) const;

    Output& output_;
    std::unique_ptr<kavosay::PluginLibrary> library_;
    const kavosay::PluginExports* exports_ = nullptr;
    bool initialized_ = false;
    std::vector<std::string> voiceNames_;
    std::int32_t sampleRate_ = 16000;
    std::int32_t nextValue_ = 1;

    // Under the output's lock.
    std::optional<Message> message_;
    std::basic_string<unsigned char> pending_;  // half a sample, completed by the next block
    enum class EngineState { Starting, Ready, Failed } engineState_ = EngineState::Starting;
    std::string engineProblem_;
    std::condition_variable engineStateChanged_;
};

}  // namespace sdkavo
