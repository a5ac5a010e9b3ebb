// One run of the plug-in, from KavoSynthInitialize to KavoSynthUninitialize,
// with its PlayCallback and LogSink feeding a SpeechEvents. One at a time per
// process: the plug-in's callbacks are plain functions, routed to the live one.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plugin_library.h"
#include "speech_events.h"
#include "wav_writer.h"

namespace kavosay {

class PluginSession {
public:
    // Registers the callbacks and starts the plug-in; see Started().
    PluginSession(const PluginExports& plugin, SpeechEvents& events);
    ~PluginSession();  // Shutdown()
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Whether KavoSynthInitialize succeeded.
    bool Started() const { return started_; }

    // The plug-in's audio format; empty when it reports none or one that a WAV
    // file of 16-bit PCM cannot hold.
    std::optional<PcmFormat> AudioFormat() const;
    // Display names (UTF-8), in the plug-in's order.
    std::vector<std::string> VoiceNames() const;
    // Sets what is given; false when the plug-in refuses a value.
    bool SetProsody(const std::string& voice, std::optional<int> rate, std::optional<int> volume,
                    std::optional<int> pitch) const;
    // Queues text (UTF-8) for the voice; false when the plug-in refuses it.
    bool Speak(const std::string& voice, const std::string& text, std::int32_t value) const;
    void Stop() const;
    // Uninitialises the plug-in, which joins its threads: no callback comes after it.
    void Shutdown();

private:
    const PluginExports& plugin_;
    bool started_ = false;
};

}  // namespace kavosay
