#include "plugin/voice_table.h"

#include "plugin/voice_list.h"
#include "util/utf.h"

namespace kavo {

VoiceTable::VoiceTable() {
    for (const VoiceFacts& voice : kVoices) voices_.emplace(Utf8ToUtf16(voice.displayName), voice.engineId);
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
