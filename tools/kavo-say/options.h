// Command-line options of kavo-say and the usage text.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kavosay {

enum class Action { Speak, ListVoices, ShowHelp, ShowVersion };

struct Options {
    Action action = Action::Speak;
    std::vector<std::string> words;        // text given as arguments
    std::optional<std::string> textFile;   // -f; "-" is standard input
    std::optional<std::string> output;     // -o; "-" is standard output
    bool play = false;                     // --play: to the sound output, whatever standard output is
    std::string voice = "xiaoyan";         // identifier or display name
    std::optional<int> rate, volume, pitch;
    bool quiet = false;
    bool verbose = false;
    std::optional<std::string> pluginPath;
    int timeoutSeconds = 30;               // longest wait without a callback
};

struct ParsedOptions {
    std::optional<Options> options;  // empty on bad usage
    std::string error;               // why, when options is empty
};

// args: the program's arguments without its name, in UTF-8.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

// "kavo-say VERSION" and the copyright line, as --version prints them.
std::string VersionText();

}  // namespace kavosay
