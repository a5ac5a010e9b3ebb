// One engine session for one piece of text: parameters, text, audio polled and
// handed to the host's PlayCallback without copying, lead-in silence trimmed.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/engine_binding.h"
#include "kavosynth.h"
#include "plugin/voice_settings.h"
#include "plugin/voice_table.h"

namespace kavo {

enum class SpeakResult : std::int32_t {
    Finished = 0,
    TextPutFailed = 1,
    AudioGetFailed = 2,
    Aborted = -1,  // the stop flag was seen, or the session never began
};

// Samples within this range at the start of a piece are its lead-in and are dropped.
constexpr int kLeadInThreshold = 50;

// Byte offset of the first sample of block outside the lead-in range, or
// `bytes` when there is none; only whole 16-bit little-endian samples count.
std::uint32_t FindFirstAudibleByte(const unsigned char* block, std::uint32_t bytes);

class SynthSession {
public:
    SynthSession(const EngineBinding& engine, const VoiceTable& voices, const std::atomic<PlayCallback>& playCallback)
        : engine_(engine), voices_(voices), playCallback_(playCallback) {}
    SynthSession(const SynthSession&) = delete;
    SynthSession& operator=(const SynthSession&) = delete;

    // Opens the engine session; the piece is used only in the failure message.
    void Begin(const std::u16string& voice, const std::u16string& piece, const VoiceSettings& settings);
    std::string BuildParams() const;
    SpeakResult Speak(const std::u16string& piece, std::int32_t value, const std::atomic<bool>& stop);
    // Closes the engine session if it began. Runs once, whatever Speak returned.
    void End();

    bool Began() const { return began_; }

private:
    void Deliver(const void* block, std::uint32_t bytes, std::int32_t value) const;

    const EngineBinding& engine_;
    const VoiceTable& voices_;
    const std::atomic<PlayCallback>& playCallback_;

    std::u16string voice_;
    VoiceSettings settings_;
    bool began_ = false;
    std::string sessionId_;
};

}  // namespace kavo
