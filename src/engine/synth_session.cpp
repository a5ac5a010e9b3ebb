#include "engine/synth_session.h"

#include <chrono>
#include <thread>

#include "engine/log_texts.h"
#include "log/log_level.h"
#include "log/logger.h"
#include "util/wide_builder.h"

namespace kavo {
namespace {

// How long to wait before asking the engine again when it had no block ready.
constexpr std::chrono::milliseconds kPollInterval{10};

}  // namespace

std::uint32_t FindFirstAudibleByte(const unsigned char* block, std::uint32_t bytes) {
    for (std::uint32_t offset = 0; offset + 1 < bytes; offset += 2) {
        const auto sample = static_cast<std::int16_t>(block[offset] | (block[offset + 1] << 8));
        if (sample < -kLeadInThreshold || sample > kLeadInThreshold) return offset;
    }
    return bytes;
}

bool SynthSession::Begin(const std::u16string& voice, const std::string& engineVoice, const std::u16string& piece,
                         const VoiceSettings& settings) {
    voice_ = voice;
    int error = 0;
    began_ = engine_.BeginSession(engineVoice, settings, sessionId_, error);
    if (!began_) {
        Log(kLogError, (WideBuilder() << kLogPieceRefused << u" error: " << error << u" voiceName: " << voice_
                                      << kLogPieceRefusedText << piece)
                           .str());
    }
    return began_;
}

SpeakResult SynthSession::Speak(const std::u16string& piece, std::int32_t value, const StopCheck& stop) {
    if (stop.Stopped()) return SpeakResult::Aborted;

    int putError = 0;
    if (!engine_.PutText(sessionId_, piece, putError)) {
        Log(kLogError, (WideBuilder() << u"添加合成文本失败 error: " << putError << u" text: " << piece
                                      << u" voiceName: " << voice_)
                           .str());
        return SpeakResult::TextPutFailed;
    }

    bool audioStarted = false;
    if (stop.Stopped()) return SpeakResult::Aborted;
    for (;;) {
        const AudioFetch fetch = engine_.GetAudio(sessionId_);
        if (fetch.failed) {
            Log(kLogError, (WideBuilder() << u"获取合成音频失败 error: " << fetch.error << u" text: " << piece
                                          << u" voiceName: " << voice_)
                               .str());
            return SpeakResult::AudioGetFailed;
        }
        if (fetch.block == nullptr) {
            std::this_thread::sleep_for(kPollInterval);
        } else if (audioStarted) {
            Deliver(fetch.block, fetch.bytes, value);
        } else {
            const auto* data = static_cast<const unsigned char*>(fetch.block);
            const std::uint32_t offset = FindFirstAudibleByte(data, fetch.bytes);
            if (offset < fetch.bytes) {
                Deliver(data + offset, fetch.bytes - offset, value);
                audioStarted = true;
            }
        }
        if (fetch.last) return SpeakResult::Finished;
        if (stop.Stopped()) return SpeakResult::Aborted;
    }
}

void SynthSession::End() {
    if (began_) engine_.EndSession(sessionId_);
    began_ = false;
    sessionId_.clear();
    voice_.clear();
}

void SynthSession::Deliver(const void* block, std::uint32_t bytes, std::int32_t value) const {
    audio_(voice_, block, bytes, value);
}

}  // namespace kavo
