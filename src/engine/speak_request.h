// One queued utterance, shared by reference between the queue and the worker.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace kavo {

struct SpeakRequest {
    std::int32_t value;         // handed back unchanged with every callback of the request
    std::u16string voice;       // the display name, as the host passed it
    std::string engineVoice;    // the engine's identifier of that voice
    std::u16string text;
    // The worker's stop generation when the request was queued: a later stop
    // moves the generation on and so reaches the request wherever it is.
    std::uint64_t stopGeneration = 0;
};

using SpeakRequestRef = std::shared_ptr<const SpeakRequest>;

}  // namespace kavo
