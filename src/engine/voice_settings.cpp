#include "engine/voice_settings.h"

namespace kavo {

std::int32_t ClampSetting(std::int32_t value) {
    if (value < 0) return 0;
    if (value > 100) return 100;
    return value;
}

void VoiceSettingsMap::Store(const std::u16string& voice, Field field, std::int32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_[voice].*field = value;
}

VoiceSettings VoiceSettingsMap::Read(const std::u16string& voice) {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_[voice];
}

bool VoiceSettingsMap::HasEntry(const std::u16string& voice) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_.count(voice) != 0;
}

}  // namespace kavo
