// Speaking a text, paragraph by paragraph, into an audio sink: the main
// thread's waits for the plug-in and the player, and the orderly stop.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "audio_sink.h"
#include "plugin_session.h"
#include "run_state.h"
#include "speech_events.h"
#include "wav_writer.h"

namespace kavosay {

struct RunSettings {
    std::chrono::seconds idleTimeout{30};  // longest wait while nothing moves
    bool showProgress = false;
    bool verbose = false;
};

// Queues every paragraph (its value is its index) and hands what the plug-in
// delivers to the sink until all have ended; then waits until the sink has
// played it out. A plug-in error, a failing sink, Ctrl-C or nothing moving for
// idleTimeout ends it early: the sink drops what is unheard and the plug-in
// stops. The plug-in is shut down and the sink closed in any case. Reports
// failures on standard error; returns the exit status.
int RunSpeech(PluginSession& session, SpeechEvents& events, const std::string& voice,
              const std::vector<std::string>& paragraphs, AudioSink& sink, const PcmFormat& format,
              const RunSettings& settings);

}  // namespace kavosay
