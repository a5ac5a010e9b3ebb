// A voice's prosody as the engine receives it, and where the worker reads it.
#pragma once
#include <cstdint>
#include <string>

namespace kavo {

struct VoiceSettings {
    std::int32_t rate = 50;
    std::int32_t volume = 100;
    std::int32_t pitch = 50;
};

// The per-voice settings the worker copies when it takes a request; kept by the
// plug-in, which the host configures.
class VoiceSettingsSource {
public:
    // A copy of the voice's settings, the defaults for a voice never set.
    virtual VoiceSettings Read(const std::u16string& voice) = 0;

protected:
    ~VoiceSettingsSource() = default;
};

}  // namespace kavo
