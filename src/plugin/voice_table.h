// The voices of plugin/voice_list.h as the plug-in looks them up: display name
// (what the host sees) to engine voice identifier.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace kavo {

class VoiceTable {
public:
    VoiceTable();

    // Exact match of the whole name: no trimming, folding or normalising.
    bool Contains(const std::u16string& displayName) const;
    // The engine's identifier; empty for an unknown name.
    std::string EngineIdentifier(const std::u16string& displayName) const;
    // Display names in code-unit order.
    std::vector<std::u16string> DisplayNames() const;

private:
    // Ordered by UTF-16 code units, so every listing comes in the same order.
    std::map<std::u16string, std::string> voices_;
};

}  // namespace kavo
