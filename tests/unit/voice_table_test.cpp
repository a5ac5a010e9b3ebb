#include "plugin/voice_table.h"

#include <gtest/gtest.h>

#include "engine/voice_settings.h"

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
