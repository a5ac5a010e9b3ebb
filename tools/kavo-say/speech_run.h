// Speaking a text, paragraph by paragraph, into a WAV file: the main thread's
// loop that waits for the plug-in, writes its audio and decides when it is over.
#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "plugin_session.h"
#include "speech_events.h"
#include "wav_writer.h"

namespace kavosay {

enum ExitStatus { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2, kExitInterrupted = 130 };

struct RunSettings {
    std::chrono::seconds idleTimeout{30};  // longest wait without audio or an end of request
    bool showProgress = false;
    bool verbose = false;
};

// Queues every paragraph (its value is its index), then writes what the
// plug-in delivers until all have ended, the plug-in logs an error, Ctrl-C is
// pressed or nothing arrives for idleTimeout. It then stops and shuts the
// plug-in down, writes what was delivered until then and finishes the file.
// Reports failures on standard error; returns the exit status.
int RunSpeech(PluginSession& session, SpeechEvents& events, const std::string& voice,
              const std::vector<std::string>& paragraphs, WavWriter& wav, const PcmFormat& format,
              const RunSettings& settings);

// The verbose form of a plug-in log line.
std::string DescribeLogLine(const LogLine& line);

}  // namespace kavosay
