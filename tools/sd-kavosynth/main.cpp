// sd_kavosynth: a Speech Dispatcher output module that speaks through the
// KavoSynth plug-in. The server starts it with the path of its configuration
// file, sends commands on standard input and reads replies, events and audio
// on standard output; standard error is its log.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "module_config.h"
#include "module_speech.h"
#include "plugin/voice_list.h"
#include "protocol_io.h"
#include "ssml.h"
#include "voice_choice.h"

namespace sdkavo {
namespace {

class Module {
public:
    explicit Module(const std::filesystem::path& configFile) : config_(ReadModuleConfig(configFile)) {}

    // Serves commands until QUIT or the end of input.
    void Run() {
        for (std::string command; input_.ReadLine(command);) {
            if (!Serve(command)) break;
        }
        speech_.Shutdown();
    }

private:
    // False when the module is to exit.
    bool Serve(const std::string& command) {
        std::vector<std::string> lines;
        if (command == "INIT") {
            Init();
        } else if (command == "AUDIO") {
            output_.Write("207 OK RECEIVING AUDIO SETTINGS\n");
            if (!input_.ReadBlock(lines)) return false;
            // Only the server's own playback is offered: audio goes to it as events.
            output_.Write("203 OK AUDIO INITIALIZED\n");
        } else if (command == "LOGLEVEL") {
            // The server sets it right after AUDIO; this module's log holds what the plug-in logs, whatever the level.
            output_.Write("207 OK RECEIVING LOGLEVEL SETTINGS\n");
            if (!input_.ReadBlock(lines)) return false;
            output_.Write("203 OK LOGLEVEL SET\n");
        } else if (command == "LIST VOICES") {
            std::string reply;
            for (const ListedVoice& voice : ListedVoices(speech_.VoiceNames()))
                reply += "200-" + voice.name + "\t" + voice.language + "\t" + voice.variant + "\n";
            output_.Write(reply + "200 OK VOICE LIST SENT\n");
        } else if (command == "SET") {
            output_.Write("203 OK RECEIVING SETTINGS\n");
            if (!input_.ReadBlock(lines)) return false;
            output_.Write(Set(lines) ? "203 OK SETTINGS RECEIVED\n" : "303 ERROR INVALID PARAMETER OR VALUE\n");
        } else if (command == "SPEAK" || command == "CHAR" || command == "KEY" || command == "SOUND_ICON") {
            output_.Write("202 OK RECEIVING MESSAGE\n");
            std::string text;
            if (!input_.ReadText(text)) return false;
            SpokenMessage message = ParseSsml(text);
            std::string().swap(text);
            if (command == "KEY") {
                // Key names join their words with underscores: ctrl_a, shift_tab.
                for (Stretch& stretch : message.stretches)
                    for (char& c : stretch.text)
                        if (c == '_') c = ' ';
            }
            if (!speech_.Speak(std::move(message), voice_, prosody_, "200 OK SPEAKING\n"))
                output_.Write("301 ERROR CANT SPEAK\n");
        } else if (command == "STOP") {
            speech_.Stop("703 STOP");
        } else if (command == "PAUSE") {
            // Resuming is the server's business: a pause ends the message here.
            speech_.Stop("704 PAUSE");
        } else if (command == "QUIT") {
            // The plug-in is stopped first: nothing of a message may follow the reply.
            speech_.Shutdown();
            output_.Write("210 OK QUIT\n");
            return false;
        } else {
            output_.Write("300 ERR UNKNOWN COMMAND\n");
        }
        return true;
    }

    void Init() {
        const std::filesystem::path plugin = config_.pluginPath.empty() ? DefaultPluginPath() : config_.pluginPath;
        std::string reason;
        if (!speech_.Start(plugin, reason)) {
            std::fprintf(stderr, "sd_kavosynth: %s\n", reason.c_str());
            for (char& c : reason)
                if (c == '\n') c = ' ';
            output_.Write("399-" + reason + "\n399 ERR CANT INIT MODULE\n");
            return;
        }
        if (voice_.empty())
            voice_ = ChooseVoice(VoiceRequest{kavo::kDefaultVoice.shortName, "", ""}, speech_.VoiceNames(), "");
        output_.Write("299-KavoSynth: " + plugin.string() + ", " + std::to_string(speech_.VoiceNames().size()) +
                      " voices\n299 OK LOADED SUCCESSFULLY\n");
    }

    // False when a number is not an integer within the server's -100..100;
    // the other settings are taken all the same.
    bool Set(const std::vector<std::string>& lines) {
        bool valid = true;
        for (const std::string& line : lines) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 1);
            if (value == "NULL") value.clear();
            auto number = [&](int& target) {
                if (value.empty()) return;
                if (const std::optional<int> server = ServerNumber(value)) target = PluginScale(*server);
                else valid = false;
            };
            if (key == "rate") number(prosody_.rate);
            else if (key == "pitch") number(prosody_.pitch);
            else if (key == "volume") number(prosody_.volume);
            else if (key == "synthesis_voice") voiceRequest_.synthesisVoice = value;
            else if (key == "language") voiceRequest_.language = value;
            else if (key == "voice") voiceRequest_.voiceType = value;
        }
        voice_ = ChooseVoice(voiceRequest_, speech_.VoiceNames(), voice_);
        return valid;
    }

    ModuleConfig config_;
    CommandInput input_{0};
    Output output_{1};
    ModuleSpeech speech_{output_};
    VoiceRequest voiceRequest_;
    std::string voice_;  // the display name of the chosen voice
    Prosody prosody_;
};

}  // namespace
}  // namespace sdkavo

int main(int argc, char** argv) {
    // A server that went away shows as the end of input, not as a signal.
    signal(SIGPIPE, SIG_IGN);
    try {
        sdkavo::Module module(argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path());
        module.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sd_kavosynth: %s\n", error.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "sd_kavosynth: stopped by an unknown error\n");
        return 1;
    }
    return 0;
}
