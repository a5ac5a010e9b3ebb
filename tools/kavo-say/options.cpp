#include "options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "voice_names.h"

namespace kavosay {
namespace {

enum class Id { Play, Output, File, Voice, Voices, Rate, Volume, Pitch, Quiet, Verbose, Plugin, Timeout, Help, Version };

struct OptionSpec {
    char shortName;  // 0: long form only
    const char* longName;
    bool takesValue;
    Id id;
};

constexpr OptionSpec kOptions[] = {
    {'o', "output", true, Id::Output},   {'f', "file", true, Id::File},      {'v', "voice", true, Id::Voice},
    {0, "voices", false, Id::Voices},    {'r', "rate", true, Id::Rate},      {'a', "volume", true, Id::Volume},
    {'p', "pitch", true, Id::Pitch},     {'q', "quiet", false, Id::Quiet},   {0, "verbose", false, Id::Verbose},
    {0, "plugin", true, Id::Plugin},     {0, "timeout", true, Id::Timeout},  {'h', "help", false, Id::Help},
    {0, "play", false, Id::Play},        {0, "version", false, Id::Version},
};

const OptionSpec* FindShort(char name) {
    for (const OptionSpec& launch : kOptions)
        if (launch.shortName == name) return &launch;
    return nullptr;
}

const OptionSpec* FindLong(const std::string& name) {
    for (const OptionSpec& launch : kOptions)
        if (name == launch.longName) return &launch;
    return nullptr;
}

// Whole-string decimal integer within [low, high].
std::optional<int> ParseBounded(const std::string& text, long low, long high) {
    // strtol would skip leading white space.
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '+'))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return std::nullopt;
    return static_cast<int>(value);
}

// Stores one option's value; false with a message on a bad value.
bool Apply(const OptionSpec& launch, const std::string& value, Options& options, std::string& error) {
    auto prosody = [&](std::optional<int>& target) {
        target = ParseBounded(value, 0, 100);
        if (!target)
            error = std::string("--") + launch.longName + " takes a whole number from 0 to 100, not '" + value + "'";
        return target.has_value();
    };
    switch (launch.id) {
        case Id::Play: options.play = true; return true;
        case Id::Output: options.output = value; return true;
        case Id::File: options.textFile = value; return true;
        case Id::Voice: options.voice = value; return true;
        case Id::Voices: options.action = Action::ListVoices; return true;
        case Id::Rate: return prosody(options.rate);
        case Id::Volume: return prosody(options.volume);
        case Id::Pitch: return prosody(options.pitch);
        case Id::Quiet: options.quiet = true; return true;
        case Id::Verbose: options.verbose = true; return true;
        case Id::Plugin: options.pluginPath = value; return true;
        case Id::Timeout: {
            const std::optional<int> seconds = ParseBounded(value, 1, 86400);
            if (!seconds) {
                error = "--timeout takes a number of seconds from 1 to 86400, not '" + value + "'";
                return false;
            }
            options.timeoutSeconds = *seconds;
            return true;
        }
        case Id::Help: options.action = Action::ShowHelp; return true;
        case Id::Version: options.action = Action::ShowVersion; return true;
    }
    return false;
}

// Columns a line of UTF-8 takes on a terminal: the three-byte characters it
// holds (the Chinese ones) take two.
std::size_t Columns(const std::string& text) {
    std::size_t columns = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) columns += byte >= 0xE0 ? 2 : 1;
    }
    return columns;
}

// The --voice entry, naming every voice of the voice list, wrapped to the 79
// columns of the rest of the text.
std::string VoiceOptionText() {
    const std::string indent(23, ' ');
    std::string words = "the voice, by identifier (";
    const std::vector<std::string> shortNames = ShortNames();
    for (std::size_t i = 0; i < shortNames.size(); ++i) words += (i == 0 ? "" : ", ") + shortNames[i];
    words += ") or display name (\"经典科大 小燕\");";
    // The option's own column is as wide as the indent of the lines after it.
    std::string text, line = "  -v, --voice VOICE    ";
    std::size_t start = 0;
    while (start < words.size()) {
        const std::size_t end = std::min(words.find(' ', start), words.size());
        const std::string word = words.substr(start, end - start);
        const bool lineStart = line.size() == indent.size();
        if (!lineStart && Columns(line) + 1 + Columns(word) > 79) {
            text += line + "\n";
            line = indent + word;
        } else {
            line += (lineStart ? "" : " ") + word;
        }
        start = end + 1;
    }
    return text + line + "\n" + indent + "default xiaoyan\n";
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    Options options;
    ParsedOptions result;
    bool onlyWords = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyWords || arg.size() < 2 || arg[0] != '-') {
            options.words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyWords = true;
            continue;
        }
        const OptionSpec* launch = nullptr;
        std::optional<std::string> value;  // given in the same argument
        std::string shownName;
        if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            shownName = arg.substr(0, equals);
            launch = FindLong(arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2));
            if (equals != std::string::npos) value = arg.substr(equals + 1);
        } else {
            shownName = arg.substr(0, 2);
            launch = FindShort(arg[1]);
            if (arg.size() > 2) value = arg.substr(2);
        }
        if (!launch) {
            result.error = "unknown option '" + shownName + "'";
            return result;
        }
        if (!launch->takesValue && value) {
            result.error = "option '" + shownName + "' takes no value";
            return result;
        }
        if (launch->takesValue && !value) {
            if (i + 1 >= args.size()) {
                result.error = "option '" + shownName + "' needs a value";
                return result;
            }
            value = args[++i];
        }
        if (!Apply(*launch, value.value_or(std::string()), options, result.error)) return result;
    }
    if (options.play && options.output) {
        result.error = "give --play or -o, not both";
        return result;
    }
    if (options.action == Action::Speak && options.textFile && !options.words.empty()) {
        result.error = "give the text as arguments or with -f, not both";
        return result;
    }
    result.options = std::move(options);
    return result;
}

std::string UsageText() {
    return "Usage: kavo-say [OPTION]... [TEXT]...\n"
           "Speaks TEXT (the arguments joined by spaces; else the file given with -f;\n"
           "else standard input; UTF-8) with the KavoSynth XunFei Classic plug-in. On\n"
           "a terminal it plays the speech through the sound output; else, or with -o,\n"
           "it writes a WAV file: 16 kHz, mono, 16-bit PCM.\n"
           "\n"
           "      --play           play the speech, also when standard output is not a\n"
           "                       terminal\n"
           "  -o, --output FILE    write the WAV file to FILE; '-' is standard output\n"
           "                       (the default when standard output is not a terminal)\n"
           "  -f, --file FILE      read the text from FILE; '-' is standard input\n" +
           VoiceOptionText() +
           "      --voices         list the voices: in columns with language and gender\n"
           "                       on a terminal, else one line each (identifier, tab,\n"
           "                       display name)\n"
           "  -r, --rate N         speaking rate, 0 to 100 (plug-in default 50)\n"
           "  -a, --volume N       volume, 0 to 100 (plug-in default 100)\n"
           "  -p, --pitch N        pitch, 0 to 100 (plug-in default 50)\n"
           "  -q, --quiet          no progress display\n"
           "      --verbose        print the plug-in's log lines and each finished\n"
           "                       paragraph on standard error\n"
           "      --plugin PATH    the plug-in library to load (default: the one in\n"
           "                       kavo-say's own folder)\n"
           "      --timeout SECONDS  give up when the plug-in delivers nothing for this\n"
           "                       long (default 30)\n"
           "  -h, --help           show this help\n"
           "      --version        show kavo-say's version\n"
           "\n"
           "Each paragraph (paragraphs are separated by blank lines) is one request to\n"
           "the plug-in; the lines of a paragraph are joined by spaces. On a terminal,\n"
           "standard error shows the progress. Ctrl-C stops the speech: played, it falls\n"
           "silent at once; into a file, the WAV file stays valid and holds what was\n"
           "spoken so far. A second Ctrl-C ends kavo-say at once.\n"
           "\n"
           "A WAV file written to a pipe cannot be rewound: its header then gives the\n"
           "sizes as 0xFFFFFFFF (length unknown), as streaming tools do. Written to a\n"
           "file, also through a redirected standard output, the sizes are exact.\n"
           "\n"
           "Exit status: 0 done; 1 the plug-in or the engine failed, the output could\n"
           "not be written, or there is no sound output to play on; 2 bad usage\n"
           "(unknown option or voice, value out of range, unreadable text file, output\n"
           "that cannot be created); 130 interrupted.\n";
}

std::string VersionText() {
    return "kavo-say " KAVO_VERSION "\n"
           "Copyright (C) 2026 KavoSynth developers\n";
}

}  // namespace kavosay
