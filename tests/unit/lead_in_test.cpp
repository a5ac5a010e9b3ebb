#include <gtest/gtest.h>

#include <vector>

#include "engine/synth_session.h"
#include "support/pcm.h"

namespace {

using kavotest::Pcm;

std::uint32_t FirstAudible(const std::vector<unsigned char>& bytes) {
    return kavo::FindFirstAudibleByte(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TEST(LeadIn, EndsAtTheFirstSampleOutsideMinus50To50) {
    EXPECT_EQ(FirstAudible(Pcm({0, 50, -50, 51, 0})), 6u);
    EXPECT_EQ(FirstAudible(Pcm({-51})), 0u);
    EXPECT_EQ(FirstAudible(Pcm({10, 20, -32768})), 4u);
}

TEST(LeadIn, CoversAWholeQuietBlock) {
    const auto quiet = Pcm({0, 1, -1, 50, -50});
    EXPECT_EQ(FirstAudible(quiet), quiet.size());
}

TEST(LeadIn, LooksOnlyAtWholeSamples) {
    auto bytes = Pcm({0, 0});
    bytes.push_back(0x7F);  // a lone trailing byte is not a sample
    EXPECT_EQ(FirstAudible(bytes), bytes.size());
    EXPECT_EQ(FirstAudible({0x7F}), 1u);
    EXPECT_EQ(FirstAudible({}), 0u);
}

TEST(LeadIn, ReadsSamplesLittleEndian) {
    // 0x0100 = 256 little-endian is loud; read big-endian it would be 1.
    EXPECT_EQ(FirstAudible({0x00, 0x01}), 0u);
    EXPECT_EQ(FirstAudible({0x01, 0x00}), 2u);
}

}  // namespace
