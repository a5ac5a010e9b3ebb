#include "plugin/voice_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/voice_settings.h"
#include "plugin/voice_list.h"
#include "util/utf.h"

namespace {

const kavo::VoiceTable& Voices() {
    static const kavo::VoiceTable table;
    return table;
}

TEST(VoiceTable, ListsTheFourVoicesInCodeUnitOrder) {
    EXPECT_EQ(Voices().DisplayNames(),
              (std::vector<std::u16string>{u"经典科大 Catherine", u"经典科大 小峰", u"经典科大 小燕", u"经典科大 小美"}));
}

TEST(VoiceTable, MapsDisplayNamesToEngineIdentifiers) {
    EXPECT_EQ(Voices().EngineIdentifier(u"经典科大 小燕"), "xiaoyan");
    EXPECT_EQ(Voices().EngineIdentifier(u"经典科大 小峰"), "xiaofeng");
    EXPECT_EQ(Voices().EngineIdentifier(u"经典科大 小美"), "xiaomei");
    EXPECT_EQ(Voices().EngineIdentifier(u"经典科大 Catherine"), "catherine");
}

// What each reader of the list relies on: no name twice, display names that are
// well-formed UTF-8, short names that a lower-cased request can equal.
TEST(VoiceList, NamesAreUniqueAndWellFormed) {
    std::set<std::string> displayNames, engineIds, shortNames;
    for (const kavo::VoiceFacts& voice : kavo::kVoices) {
        EXPECT_TRUE(displayNames.insert(voice.displayName).second) << voice.displayName;
        EXPECT_TRUE(engineIds.insert(voice.engineId).second) << voice.engineId;
        EXPECT_TRUE(shortNames.insert(voice.shortName).second) << voice.shortName;
        EXPECT_EQ(kavo::Utf8ToUtf16(voice.displayName).find(u'\uFFFD'), std::u16string::npos) << voice.displayName;
        const std::string shortName = voice.shortName;
        EXPECT_TRUE(!shortName.empty() && std::all_of(shortName.begin(), shortName.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        })) << shortName;
        EXPECT_TRUE(std::string(voice.gender) == "female" || std::string(voice.gender) == "male") << voice.gender;
        EXPECT_STRNE(voice.espeakVoice, "") << voice.engineId;
    }
}

TEST(VoiceTable, MatchesOnlyTheExactName) {
    for (const char16_t* near : {u"经典科大  小燕", u"经典科大小燕", u"经典科大 catherine", u"经典科大\u3000小燕",
                                       u"经典科大 小燕 ", u"", u"xiaoyan"}) {
        EXPECT_FALSE(Voices().Contains(near));
        EXPECT_EQ(Voices().EngineIdentifier(near), "");
    }
    EXPECT_TRUE(Voices().Contains(u"经典科大 小燕"));
}

TEST(VoiceSettings, DefaultToRate50Volume100Pitch50) {
    kavo::VoiceSettingsMap map;
    EXPECT_FALSE(map.HasEntry(u"v"));
    const kavo::VoiceSettings s = map.Read(u"v");
    EXPECT_EQ(s.rate, 50);
    EXPECT_EQ(s.volume, 100);
    EXPECT_EQ(s.pitch, 50);
    EXPECT_TRUE(map.HasEntry(u"v"));
}

TEST(VoiceSettings, ClampToZeroToHundred) {
    EXPECT_EQ(kavo::ClampSetting(-5), 0);
    EXPECT_EQ(kavo::ClampSetting(INT32_MIN), 0);
    EXPECT_EQ(kavo::ClampSetting(0), 0);
    EXPECT_EQ(kavo::ClampSetting(100), 100);
    EXPECT_EQ(kavo::ClampSetting(250), 100);
    EXPECT_EQ(kavo::ClampSetting(INT32_MAX), 100);
}

}  // namespace
