// One engine session for one piece of text: text put, audio polled and handed
// to the worker's audio sink without copying, lead-in silence trimmed.
#pragma once
#include <cstdint>
#include <string>

#include "engine/speech_engine.h"
#include "engine/stop_check.h"
#include "engine/voice_settings.h"

namespace kavo {

enum class SpeakResult : std::int32_t {
    Finished = 0,
    TextPutFailed = 1,
    AudioGetFailed = 2,
    Aborted = -1,  // the request was stopped: its stop generation has moved on
};

// Samples within this range at the start of a piece are its lead-in and are dropped.
constexpr int kLeadInThreshold = 50;

// Byte offset of the first sample of block outside the lead-in range, or
// `bytes` when there is none; only whole 16-bit little-endian samples count.
std::uint32_t FindFirstAudibleByte(const unsigned char* block, std::uint32_t bytes);

class SynthSession {
public:
    SynthSession(const SpeechEngine& engine, const AudioSink& audio) : engine_(engine), audio_(audio) {}
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

    const SpeechEngine& engine_;
    const AudioSink& audio_;

    std::u16string voice_;
    bool began_ = false;
    std::string sessionId_;
};

}  // namespace kavo
