// One engine session for one piece of text: parameters, text, audio polled and
// handed to the host's PlayCallback without copying, lead-in silence trimmed.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/engine_binding.h"
#include "engine/stop_check.h"
#include "engine/voice_settings.h"
#include "kavosynth.h"

namespace kavo {

enum class SpeakResult : std::int32_t {
    Finished = 0,
    TextPutFailed = 1,
    AudioGetFailed = 2,
    Aborted = -1,  // the stop flag was seen
};

// Samples within this range at the start of a piece are its lead-in and are dropped.
constexpr int kLeadInThreshold = 50;

// Byte offset of the first sample of block outside the lead-in range, or
// `bytes` when there is none; only whole 16-bit little-endian samples count.
std::uint32_t FindFirstAudibleByte(const unsigned char* block, std::uint32_t bytes);

// The engine's session parameters for a voice (its engine identifier) and its settings.
std::string BuildSessionParams(const std::string& engineVoice, const VoiceSettings& settings);

class SynthSession {
public:
    SynthSession(const EngineBinding& engine, const std::atomic<PlayCallback>& playCallback)
        : engine_(engine), playCallback_(playCallback) {}
    ~SynthSession() { End(); }
    SynthSession(const SynthSession&) = delete;
    SynthSession& operator=(const SynthSession&) = delete;

    // Opens the engine session for the piece in the voice (display name and
    // engine identifier). False, logged, when the engine refuses it; the piece
    // is used only in that message.
    bool Begin(const std::u16string& voice, const std::string& engineVoice, const std::u16string& piece,
               const VoiceSettings& settings);
    // Puts the piece and delivers its audio. Only after a Begin that returned true.
    SpeakResult Speak(const std::u16string& piece, std::int32_t value, const StopCheck& stop);
    // Closes the engine session if it began; later calls do nothing.
    void End();

private:
    void Deliver(const void* block, std::uint32_t bytes, std::int32_t value) const;

    const EngineBinding& engine_;
    const std::atomic<PlayCallback>& playCallback_;

    std::u16string voice_;
    bool began_ = false;
    std::string sessionId_;
};

}  // namespace kavo
