// The descriptive exports, and what every export answers while the plug-in is not running.
#include <cstring>

#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

using DescriptiveExports = PluginTest;

TEST_F(DescriptiveExports, GetInfoWritesExactly384BytesOfDescriptionVersionAndZeros) {
    unsigned char record[384 + 16];
    std::memset(record, 0xAB, sizeof record);
    ASSERT_TRUE(api().GetInfo(reinterpret_cast<SynthInfo*>(record)));

    const std::u16string description = u"卡沃经典科大语音";
    const std::u16string version = u"1.0.0.0";
    unsigned char expected[384] = {};
    std::memcpy(expected, description.data(), description.size() * 2);
    std::memcpy(expected + 256, version.data(), version.size() * 2);
    EXPECT_EQ(std::memcmp(record, expected, 384), 0);
    for (std::size_t i = 384; i < sizeof record; ++i) EXPECT_EQ(record[i], 0xAB) << "wrote past the record at " << i;
}

TEST_F(DescriptiveExports, GetInfoAndGetAudioFormatRefuseANullRecord) {
    EXPECT_FALSE(api().GetInfo(nullptr));
    EXPECT_FALSE(api().GetAudioFormat(nullptr));
}

TEST_F(DescriptiveExports, GetAudioFormatIsMono16kHz16BitInEveryState) {
    for (int phase = 0; phase < 3; ++phase) {
        if (phase == 1) {
            ASSERT_TRUE(StartWithSink());
        }
        if (phase == 2) {
            ASSERT_TRUE(api().Uninitialize());
        }
        AudioFormat format{-1, -1, -1};
        ASSERT_TRUE(api().GetAudioFormat(&format));
        EXPECT_EQ(format.channels, 1);
        EXPECT_EQ(format.sampleRate, 16000);
        EXPECT_EQ(format.bitsPerSample, 16);
    }
}

TEST_F(DescriptiveExports, PrepareVoiceIsTrueForAnyNonNullPointer) {
    EXPECT_FALSE(api().PrepareVoice(nullptr));
    EXPECT_TRUE(api().PrepareVoice(K(u"no such voice")));
    EXPECT_TRUE(api().PrepareVoice(K(kXiaoyan)));
}

using ExportsWhileNotRunning = PluginTest;

TEST_F(ExportsWhileNotRunning, RefuseEverythingThatNeedsTheWorker) {
    ListenForAudio();
    for (int phase = 0; phase < 2; ++phase) {
        if (phase == 1) {  // after a full cycle as well as before the first
            ASSERT_TRUE(StartWithSink());
            ASSERT_TRUE(api().Uninitialize());
        }
        std::uint32_t count = 77;
        KavoChar buffer[8][128] = {};
        KavoChar* names[8];
        for (int i = 0; i < 8; ++i) names[i] = buffer[i];
        EXPECT_FALSE(api().GetVoiceList(nullptr, &count));
        EXPECT_FALSE(api().GetVoiceList(names, &count));
        EXPECT_EQ(count, 77u);
        EXPECT_EQ(buffer[0][0], 0);
        EXPECT_FALSE(Speak(kXiaoyan, u"text", 1));
        EXPECT_FALSE(api().Stop());
        EXPECT_FALSE(api().SetRate(K(kXiaoyan), 10));
        EXPECT_FALSE(api().SetVolume(K(kXiaoyan), 10));
        EXPECT_FALSE(api().SetPitch(K(kXiaoyan), 10));
    }
    // Nothing set while stopped took effect.
    StartAndWaitReady();
    WaitUntilWorkerIdle();
    EXPECT_EQ(fake().SessionParams(0), SessionParams("xiaoyan", 50, 100, 50));
}

TEST_F(ExportsWhileNotRunning, UninitializeWithoutInitializeReturnsTrue) {
    EXPECT_TRUE(api().Uninitialize());
    EXPECT_TRUE(api().Uninitialize());
    EXPECT_FALSE(std::filesystem::exists(host().LogFile()));
}

}  // namespace
}  // namespace kavotest
