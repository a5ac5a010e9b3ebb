// sd_kavosynth run as the server runs it: a child process on two pipes, the
// commands written to it, its output read back and cut into protocol events
// (audio events decoded to their samples).
#pragma once
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kavo_say_harness.h"

namespace sdtest {

using Environment = std::vector<std::pair<std::string, std::string>>;

// One event or reply line; for a 705 block, line is "705 AUDIO" and samples
// holds the decoded samples.
struct Event {
    std::string line;
    std::vector<std::int16_t> samples;
    std::string problem;  // a malformed audio block
};

// The events of the module's output; a trailing piece not yet complete stays in rest.
std::vector<Event> ParseEvents(std::string& rest);

// The fake engine's samples as the text bytes they were made from (1000 + b each).
std::string SpokenBytes(const std::vector<std::int16_t>& samples);

// A plug-in staged with an engine (bin/'s library of that stem, none for no
// engine) and a configuration file naming it.
class StagedModule {
public:
    explicit StagedModule(const std::optional<std::string>& engineStem = std::string("fake-mscclassic"),
                          const std::string& pluginLine = std::string());
    const std::string& ConfigFile() const { return config_; }

private:
    kavosaytest::StagedPlugin plugin_;
    std::string config_;
};

class ModuleProcess {
public:
    ModuleProcess(const std::string& configFile, const Environment& environment = {});
    ~ModuleProcess();  // kills it if still running
    ModuleProcess(const ModuleProcess&) = delete;
    ModuleProcess& operator=(const ModuleProcess&) = delete;

    void Send(const std::string& text);
    void CloseInput();
    // Reads until an event satisfies done (true) or the time limit; returns
    // every event read since the last call, the one that satisfied done last.
    std::vector<Event> ReadUntil(const std::function<bool(const Event&)>& done,
                                 std::chrono::seconds limit = std::chrono::seconds(30));
    std::vector<Event> ReadUntilLine(const std::string& line) {
        return ReadUntil([&](const Event& e) { return e.line == line; });
    }
    // The exit status, or nullopt when it had not exited within the limit.
    std::optional<int> WaitForExit(std::chrono::seconds limit = std::chrono::seconds(30));
    std::string Log() const { return kavosaytest::ReadFileBytes(errors_.File("stderr")); }
    // The events read but not yet returned (after WaitForExit: the rest of the output).
    std::vector<Event> Unread() {
        std::vector<Event> events(std::make_move_iterator(unread_.begin()), std::make_move_iterator(unread_.end()));
        unread_.clear();
        return events;
    }

private:
    // Reads what the module wrote into unread_; false at the deadline or the end of its output.
    bool ReadMore(std::chrono::steady_clock::time_point deadline);

    kavosaytest::TempFolder errors_;
    int pid_ = -1, in_ = -1, out_ = -1;
    std::string pending_;  // bytes not yet a whole event
    std::deque<Event> unread_;
};

// "INIT" answered with 299 OK; adds a failure otherwise.
void ExpectInit(ModuleProcess& module);

}  // namespace sdtest
