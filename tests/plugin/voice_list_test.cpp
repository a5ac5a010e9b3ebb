// KavoSynthGetVoiceList fills the host's buffers: names without terminators, in code-unit order.
#include <cstring>

#include "plugin/voice_list.h"
#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

constexpr KavoChar kPattern = static_cast<KavoChar>(0x5A5A);

class VoiceList : public PluginTest {
protected:
    VoiceList() {
        for (auto& buffer : buffers_) std::fill(std::begin(buffer), std::end(buffer), kPattern);
        for (int i = 0; i < 10; ++i) names_[i] = buffers_[i];
    }
    void SetUp() override { ASSERT_TRUE(StartWithSink()); }

    // The first `units` units of buffer i, as text.
    std::u16string Written(int i, std::size_t units) const {
        return std::u16string(reinterpret_cast<const char16_t*>(buffers_[i]), units);
    }
    bool Untouched(int i) const {
        return std::all_of(std::begin(buffers_[i]), std::end(buffers_[i]), [](KavoChar c) { return c == kPattern; });
    }

    KavoChar buffers_[10][160];
    KavoChar* names_[10];
};

TEST_F(VoiceList, SizingCallGivesEveryVoice) {
    std::uint32_t count = 0;
    ASSERT_TRUE(api().GetVoiceList(nullptr, &count));
    EXPECT_EQ(count, kavo::kVoiceCount);
}

TEST_F(VoiceList, RefusesANullCount) { EXPECT_FALSE(api().GetVoiceList(names_, nullptr)); }

TEST_F(VoiceList, CapacityTwoGivesTheFirstTwoNamesWithoutTerminators) {
    std::uint32_t count = 2;
    ASSERT_TRUE(api().GetVoiceList(names_, &count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Written(0, 14), kCatherine);
    EXPECT_EQ(Written(1, 7), kXiaofeng);
    EXPECT_EQ(buffers_[0][14], kPattern);
    EXPECT_EQ(buffers_[1][7], kPattern);
    EXPECT_TRUE(Untouched(2));
}

TEST_F(VoiceList, LargerCapacityGivesEveryVoiceAndLeavesTheRestOfTheArrayAlone) {
    std::uint32_t count = 10;
    ASSERT_TRUE(api().GetVoiceList(names_, &count));
    EXPECT_EQ(count, kavo::kVoiceCount);
    EXPECT_EQ(Written(0, 14), kCatherine);
    EXPECT_EQ(Written(1, 7), kXiaofeng);
    EXPECT_EQ(Written(2, 7), kXiaoyan);
    EXPECT_EQ(Written(3, 7), kXiaomei);
    EXPECT_EQ(buffers_[2][7], kPattern) << "a terminator was written after 小燕";
    for (int i = static_cast<int>(kavo::kVoiceCount); i < 10; ++i) EXPECT_TRUE(Untouched(i)) << "buffer " << i;
}

TEST_F(VoiceList, CapacityZeroCopiesNothing) {
    std::uint32_t count = 0;
    ASSERT_TRUE(api().GetVoiceList(names_, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(Untouched(0));
}

TEST_F(VoiceList, SkipsNullBuffersButCountsThem) {
    names_[1] = nullptr;
    std::uint32_t count = 3;
    ASSERT_TRUE(api().GetVoiceList(names_, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Written(0, 14), kCatherine);
    EXPECT_TRUE(Untouched(1));
    EXPECT_EQ(Written(2, 7), kXiaoyan);
}

TEST_F(VoiceList, HugeCapacityIsReadUnsigned) {
    std::uint32_t count = 0xFFFFFFFFu;
    ASSERT_TRUE(api().GetVoiceList(names_, &count));
    EXPECT_EQ(count, kavo::kVoiceCount);
}

}  // namespace
}  // namespace kavotest
