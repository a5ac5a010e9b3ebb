// A speech engine as the worker drives it: loaded and logged in once per
// worker start, then one session per piece of text (begin, put the text, get
// the audio block by block, end). Which engine the plug-in drives is chosen
// where the worker is made; the worker thread alone calls it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engine/voice_settings.h"

namespace kavo {

// The engine's answer to one request for audio.
struct AudioFetch {
    const void* block = nullptr;  // null when the engine had none ready; valid until the next call
    std::uint32_t bytes = 0;
    bool last = false;    // this was the last block, or the last came before
    bool failed = false;  // the engine reported an error; the block, if any, is not used
    int error = 0;        // the engine's code when it failed, for the log
};

class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // Loads the engine and logs in; true when logged in. Failures are logged;
    // whatever was loaded stays until Unload.
    virtual bool Load() = 0;
    // Logs out if logged in and releases the engine. Safe in any state.
    virtual void Unload() = 0;
    virtual bool IsLoggedIn() const = 0;

    // Opens a session for the voice (its engine identifier) with its settings:
    // true with the session's identifier, or false with the engine's code in
    // error (0 when it gave none).
    virtual bool BeginSession(const std::string& engineVoice, const VoiceSettings& settings, std::string& sessionId,
                              int& error) const = 0;
    // True when the engine took the text, else false with its code in error.
    virtual bool PutText(const std::string& sessionId, const std::u16string& text, int& error) const = 0;
    virtual AudioFetch GetAudio(const std::string& sessionId) const = 0;
    virtual void EndSession(const std::string& sessionId) const = 0;
};

// Where the worker hands a request's audio: a block, valid only during the
// call, spoken in voice (the display name); or, with a null block and 0 bytes,
// the end of the request. value is the request's own, handed back unchanged.
// It must not throw.
using AudioSink =
    std::function<void(const std::u16string& voice, const void* block, std::uint32_t bytes, std::int32_t value)>;

}  // namespace kavo
