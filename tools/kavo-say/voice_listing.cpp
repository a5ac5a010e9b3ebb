#include "voice_listing.h"

#include <algorithm>

#include "voice_names.h"

namespace kavosay {
namespace {

std::string ShortNameOrDash(const std::string& displayName) {
    const std::string shortName = ShortNameOf(displayName);
    return shortName.empty() ? "-" : shortName;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

std::string VoiceColumns(const std::vector<std::string>& displayNames) {
    struct Row {
        std::string shortName, language, gender, name;
    };
    std::vector<Row> rows{{"Voice", "Language", "Gender", "Name"}};
    for (const std::string& name : displayNames) {
        const VoiceTraits traits = TraitsOf(name);
        rows.push_back({ShortNameOrDash(name), traits.language, traits.gender, name});
    }
    // The display name goes last: its Chinese characters are wider than their count.
    std::size_t widths[3] = {0, 0, 0};
    for (const Row& row : rows) {
        widths[0] = std::max(widths[0], row.shortName.size());
        widths[1] = std::max(widths[1], row.language.size());
        widths[2] = std::max(widths[2], row.gender.size());
    }
    std::string table;
    for (const Row& row : rows)
        table += Padded(row.shortName, widths[0] + 2) + Padded(row.language, widths[1] + 2) +
                 Padded(row.gender, widths[2] + 2) + row.name + "\n";
    return table;
}

std::string VoiceLines(const std::vector<std::string>& displayNames) {
    std::string lines;
    for (const std::string& name : displayNames) lines += ShortNameOrDash(name) + "\t" + name + "\n";
    return lines;
}

}  // namespace kavosay
