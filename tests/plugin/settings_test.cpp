// Per-voice rate, volume and pitch: clamped, stored per voice, copied once per
// request, and written into the engine's session parameters.
#include <climits>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

class VoiceSettings : public PluginTest {
protected:
    void SetUp() override { StartAndWaitReady(); }

    // The parameters of the session that a short request for voice opens.
    std::string ParamsOfNextRequest(const std::u16string& voice) {
        const int session = fake().Sessions();
        const std::int32_t value = 1000 + session;
        EXPECT_TRUE(Speak(voice, u"p", value));
        EXPECT_TRUE(play().WaitForEnd(value));
        return fake().SessionParams(session);
    }
};

TEST_F(VoiceSettings, AVoiceNeverSetIsSpokenWithTheDefaults) {
    EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", 50, 100, 50));
    EXPECT_EQ(ParamsOfNextRequest(kXiaofeng), SessionParams("xiaofeng", 50, 100, 50));
    EXPECT_EQ(ParamsOfNextRequest(kXiaomei), SessionParams("xiaomei", 50, 100, 50));
    EXPECT_EQ(ParamsOfNextRequest(kCatherine), SessionParams("catherine", 50, 100, 50));
}

TEST_F(VoiceSettings, ValuesAreClampedToZeroToHundred) {
    const struct {
        std::int32_t given;
        int stored;
    } cases[] = {{-5, 0}, {250, 100}, {0, 0}, {100, 100}, {INT32_MIN, 0}, {INT32_MAX, 100}, {37, 37}};
    for (const auto& c : cases) {
        ASSERT_TRUE(api().SetRate(K(kXiaoyan), c.given));
        EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", c.stored, 100, 50)) << c.given;
    }
}

TEST_F(VoiceSettings, EachSetterWritesItsOwnFieldOnly) {
    ASSERT_TRUE(api().SetVolume(K(kXiaoyan), 30));
    EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", 50, 30, 50));
    ASSERT_TRUE(api().SetPitch(K(kXiaoyan), 70));
    ASSERT_TRUE(api().SetRate(K(kXiaoyan), 20));
    EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", 20, 30, 70));
}

TEST_F(VoiceSettings, ZeroIsWrittenAsTheDigitZero) {
    ASSERT_TRUE(api().SetRate(K(kCatherine), 0));
    ASSERT_TRUE(api().SetVolume(K(kCatherine), 0));
    ASSERT_TRUE(api().SetPitch(K(kCatherine), 0));
    EXPECT_EQ(ParamsOfNextRequest(kCatherine), SessionParams("catherine", 0, 0, 0));
}

TEST_F(VoiceSettings, AreKeptPerVoice) {
    ASSERT_TRUE(api().SetPitch(K(kXiaomei), 90));
    EXPECT_EQ(ParamsOfNextRequest(kXiaomei), SessionParams("xiaomei", 50, 100, 90));
    EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", 50, 100, 50));
    EXPECT_EQ(ParamsOfNextRequest(kXiaofeng), SessionParams("xiaofeng", 50, 100, 50));
    EXPECT_EQ(ParamsOfNextRequest(kCatherine), SessionParams("catherine", 50, 100, 50));
}

TEST_F(VoiceSettings, UnknownOrNullVoicesAreRefused) {
    EXPECT_FALSE(api().SetRate(nullptr, 10));
    EXPECT_FALSE(api().SetVolume(nullptr, 10));
    EXPECT_FALSE(api().SetPitch(nullptr, 10));
    for (const char16_t* name : {u"", u"经典科大  小燕", u"经典科大小燕", u"经典科大 catherine", u"经典科大\u3000小燕"}) {
        EXPECT_FALSE(api().SetRate(K(name), 10));
        EXPECT_FALSE(api().SetVolume(K(name), 10));
        EXPECT_FALSE(api().SetPitch(K(name), 10));
    }
}

TEST_F(VoiceSettings, SurviveUninitializeAndInitialize) {
    ASSERT_TRUE(api().SetRate(K(kXiaoyan), 11));
    ASSERT_TRUE(api().SetVolume(K(kXiaoyan), 22));
    ASSERT_TRUE(api().SetPitch(K(kXiaoyan), 33));
    ASSERT_TRUE(api().Uninitialize());
    ASSERT_TRUE(StartWithSink());
    EXPECT_EQ(ParamsOfNextRequest(kXiaoyan), SessionParams("xiaoyan", 11, 22, 33));
}

}  // namespace
}  // namespace kavotest
