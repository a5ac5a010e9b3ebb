// kavo-say: speaks text with the KavoSynth plug-in, aloud or into a WAV file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "options.h"
#include "plugin_library.h"
#include "playback_sink.h"
#include "plugin_session.h"
#include "sound_output.h"
#include "speech_events.h"
#include "speech_run.h"
#include "text_input.h"
#include "voice_listing.h"
#include "voice_names.h"
#include "wav_sink.h"
#include "wav_writer.h"

namespace kavosay {
namespace {

int Fail(int status, const std::string& message) {
    WriteText(stderr, "kavo-say: " + message + "\n");
    return status;
}

int UsageError(const std::string& message) {
    return Fail(kExitUsage, message + "\nTry 'kavo-say --help' for more information.");
}

// The text as the options give it: the words, the file or standard input.
bool LoadText(const Options& options, std::string& text, std::string& error) {
    if (!options.words.empty()) {
        text = JoinWords(options.words);
        return true;
    }
    const bool fromStdin = !options.textFile || *options.textFile == "-";
    std::FILE* file = fromStdin ? stdin : OpenFile(*options.textFile, "rb");
    if (!file) {
        error = "cannot open " + *options.textFile + ": " + std::strerror(errno);
        return false;
    }
    const bool read = ReadAll(file, text);
    if (!read) error = "cannot read " + (fromStdin ? std::string("standard input") : *options.textFile);
    if (!fromStdin) std::fclose(file);
    return read;
}

// The plug-in finds its engine beside the path it was loaded by, so that path is made whole.
std::filesystem::path AbsolutePath(const std::string& utf8) {
    const std::filesystem::path path = PathFromArgument(utf8);
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

// What one speech run needs besides its destination.
struct Speech {
    PluginSession& session;
    SpeechEvents& events;
    std::string voice;
    std::vector<std::string> paragraphs;
    PcmFormat format;
    RunSettings settings;
};

int SpeakAloud(const Speech& speech) {
    std::string error;
    std::unique_ptr<SoundOutput> output = SoundOutput::Open(speech.format, error);
    if (!output) return Fail(kExitFailure, error);
    SpeechEvents& events = speech.events;
    PlaybackSink sink(std::move(output), speech.format, [&events] { events.PlaybackMoved(); });
    return RunSpeech(speech.session, events, speech.voice, speech.paragraphs, sink, speech.format, speech.settings);
}

int SpeakIntoWav(const Speech& speech, const std::optional<std::string>& path) {
    const bool toStdout = !path || *path == "-";
    std::FILE* output = toStdout ? stdout : OpenFile(*path, "wb");
    if (!output) return UsageError("cannot create " + *path + ": " + std::strerror(errno));
    WavWriter wav(output, IsSeekable(output), speech.format);
    int status = kExitSuccess;
    if (!wav.Begin()) {
        status = Fail(kExitFailure, std::string("cannot write the WAV file: ") + std::strerror(errno));
    } else {
        WavSink sink(wav, speech.format);
        status = RunSpeech(speech.session, speech.events, speech.voice, speech.paragraphs, sink, speech.format,
                           speech.settings);
    }
    const bool closed = toStdout ? std::fflush(output) == 0 : std::fclose(output) == 0;
    if (!closed && status == kExitSuccess) return Fail(kExitFailure, "cannot write the WAV file");
    return status;
}

int Run(const std::vector<std::string>& args) {
    const ParsedOptions parsed = ParseOptions(args);
    if (!parsed.options) return UsageError(parsed.error);
    const Options& options = *parsed.options;
    if (options.action == Action::ShowHelp) {
        WriteText(stdout, UsageText());
        return kExitSuccess;
    }
    if (options.action == Action::ShowVersion) {
        WriteText(stdout, VersionText());
        return kExitSuccess;
    }

    // A speech command on a terminal is heard, as users of the others expect.
    const bool aloud = options.play || (!options.output && IsTerminal(stdout));
    std::vector<std::string> paragraphs;
    if (options.action == Action::Speak) {
        std::string text, error;
        if (!LoadText(options, text, error)) return UsageError(error);
        paragraphs = SplitParagraphs(text);
    }

    std::string loadError;
    const std::unique_ptr<PluginLibrary> plugin =
        PluginLibrary::Load(options.pluginPath ? AbsolutePath(*options.pluginPath) : DefaultPluginPath(), loadError);
    if (!plugin) return Fail(kExitFailure, loadError);

    SpeechEvents events;
    InterruptWatch interruptWatch([&events] { events.Interrupt(); });  // before the plug-in starts its threads
    PluginSession session(plugin->Exports(), events);
    if (!session.Started()) return Fail(kExitFailure, "the plug-in did not start (KavoSynthInitialize failed)");

    const std::vector<std::string> voices = session.VoiceNames();
    if (voices.empty()) return Fail(kExitFailure, "the plug-in lists no voices");
    if (options.action == Action::ListVoices) {
        WriteText(stdout, IsTerminal(stdout) ? VoiceColumns(voices) : VoiceLines(voices));
        return kExitSuccess;
    }
    const std::optional<std::string> voice = ResolveVoice(options.voice, voices);
    if (!voice) return UsageError("unknown voice '" + options.voice + "'; 'kavo-say --voices' lists them");

    const std::optional<PcmFormat> format = session.AudioFormat();
    if (!format) return Fail(kExitFailure, "the plug-in reports no 16-bit PCM audio format");
    if (!session.SetProsody(*voice, options.rate, options.volume, options.pitch))
        return Fail(kExitFailure, "the plug-in refused the rate, volume or pitch");

    RunSettings settings;
    settings.idleTimeout = std::chrono::seconds(options.timeoutSeconds);
    settings.showProgress = !options.quiet && IsTerminal(stderr);
    settings.verbose = options.verbose;
    const Speech speech{session, events, *voice, std::move(paragraphs), *format, settings};
    return aloud ? SpeakAloud(speech) : SpeakIntoWav(speech, options.output);
}

}  // namespace
}  // namespace kavosay

int main(int argc, char** argv) {
    kavosay::UseBinaryStandardStreams();
    return kavosay::Run(kavosay::ProgramArguments(argc, argv));
}
