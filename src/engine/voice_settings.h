// Rate, volume and pitch per voice, as the host set them, kept for the
// library's lifetime. The plug-in's setters store into the map; the worker
// copies a voice's record when it takes a request.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace kavo {

struct VoiceSettings {
    std::int32_t rate = 50;
    std::int32_t volume = 100;
    std::int32_t pitch = 50;
};

// Host values are clamped to this range, never refused.
std::int32_t ClampSetting(std::int32_t value);

class VoiceSettingsMap {
public:
    using Field = std::int32_t VoiceSettings::*;

    // Stores value in one field of the voice's record, creating the record with
    // defaults on first use.
    void Store(const std::u16string& voice, Field field, std::int32_t value);
    // A copy of the voice's record, creating it with defaults on first use.
    VoiceSettings Read(const std::u16string& voice);
    bool HasEntry(const std::u16string& voice) const;

private:
    mutable std::mutex mutex_;
    std::map<std::u16string, VoiceSettings> settings_;
};

}  // namespace kavo
