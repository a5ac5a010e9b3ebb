// The one copy of the plug-in that every engine instance of the process
// shares: loaded from this DLL's folder and initialised with the first
// instance, uninitialised and unloaded with the last. Its requests go one at a
// time (the turn), and each request's audio is handed from the plug-in's
// worker thread to the thread that made the request.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plugin_library.h"
#include "prosody.h"

namespace kavo::sapi {

class SharedPlugin {
public:
    static SharedPlugin& Instance();
    ~SharedPlugin();

    void Acquire();
    void Release();

    // True once the engine behind the plug-in is ready; false, with the
    // plug-in's reason, when it could not be loaded or logged in to.
    bool WaitUntilReady(std::string& reason);

    // What the plug-in delivered for a request.
    struct Delivery {
        enum class Kind { Block, End, Refused, Nothing } kind = Kind::Nothing;
        std::vector<std::uint8_t> pcm;
        std::string reason;  // Refused: the plug-in's log line
    };

    // One plug-in request. Construction waits for the turn; keepWaiting is
    // asked between waits and ends the wait (Started() false) when it says no.
    class Request {
    public:
        Request(SharedPlugin& plugin, const std::function<bool()>& keepWaiting);
        ~Request();
        Request(const Request&) = delete;
        Request& operator=(const Request&) = delete;

        bool HasTurn() const { return hasTurn_; }
        // False when the plug-in refuses the request.
        bool Start(const std::wstring& voiceName, const std::wstring& text, const PluginProsody& prosody);
        // The next delivery, or Nothing after timeout.
        Delivery Next(std::chrono::milliseconds timeout);
        // Stops the plug-in; nothing more of this request is delivered.
        void Cancel();

    private:
        SharedPlugin& plugin_;
        bool hasTurn_ = false;
        std::int32_t value_ = 0;
    };

private:
    SharedPlugin() = default;
    static void KAVOSYNTH_CALL OnPlay(const KavoChar* voice, const void* pcm, std::uint32_t bytes, std::int32_t value);
    static void KAVOSYNTH_CALL OnLog(std::int32_t level, const KavoChar* text);
    void Deliver(std::int32_t value, Delivery delivery);
    void Listen(std::int32_t value);  // 0: none

    enum class EngineState { Unknown, Ready, Failed };

    std::mutex lifeMutex_;  // Acquire and Release
    int users_ = 0;
    std::unique_ptr<kavosay::PluginLibrary> library_;

    std::timed_mutex turn_;

    // The plug-in's state, its reasons and the audio of the request listened to.
    std::mutex mutex_;
    std::condition_variable changed_;
    EngineState state_ = EngineState::Unknown;
    std::string failure_;
    std::string lastError_;
    std::int32_t listening_ = 0;
    std::int32_t nextValue_ = 0;
    std::deque<Delivery> deliveries_;
};

}  // namespace kavo::sapi
