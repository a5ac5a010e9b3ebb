#include "plugin/voice_table.h"

namespace kavo {

VoiceTable::VoiceTable() {
    voices_.emplace(u"经典科大 小燕", "xiaoyan");
    voices_.emplace(u"经典科大 小峰", "xiaofeng");
    voices_.emplace(u"经典科大 小美", "xiaomei");
    voices_.emplace(u"经典科大 Catherine", "catherine");
}

bool VoiceTable::Contains(const std::u16string& displayName) const { return voices_.count(displayName) != 0; }

std::string VoiceTable::EngineIdentifier(const std::u16string& displayName) const {
    const auto it = voices_.find(displayName);
    return it == voices_.end() ? std::string() : it->second;
}

std::vector<std::u16string> VoiceTable::DisplayNames() const {
    std::vector<std::u16string> names;
    names.reserve(voices_.size());
    for (const auto& voice : voices_) names.push_back(voice.first);
    return names;
}

}  // namespace kavo
