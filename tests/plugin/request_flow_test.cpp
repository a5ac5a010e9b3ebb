// How requests end when the host stops, uninitialises or changes settings mid-speech.
#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

class RequestFlow : public PluginTest {
protected:
    void SetUp() override { StartAndWaitReady(); }
};

const std::u16string kThreePieces(700, u'a');  // 240 + 240 + 220

TEST_F(RequestFlow, StopDuringTheSecondPieceKeepsTheFirstAndSkipsTheRest) {
    fake().PollBlock(1, {900}, 0);
    fake().PollBlock(1, {901}, 0, -1, /*hold=*/true);
    fake().PollBlock(1, {902}, 2);
    ASSERT_TRUE(Speak(kXiaoyan, kThreePieces, 1));
    ASSERT_TRUE(fake().WaitHeld());
    ASSERT_TRUE(api().Stop());
    fake().Release();
    WaitUntilWorkerIdle();
    std::vector<unsigned char> expected = DefaultFakeAudio(std::string(240, 'a'));
    for (int s : {900, 901}) {
        const auto block = Pcm({s});
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(play().AudioOf(1), expected);
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_EQ(fake().Sessions(), 3) << "piece 3 was begun";  // pieces 1, 2 and the idle marker
    EXPECT_EQ(fake().SessionEnds(1), 1);
}

TEST_F(RequestFlow, SettingsChangedMidRequestWaitForTheNextRequest) {
    fake().PollBlock(0, {900}, 2, -1, /*hold=*/true);
    ASSERT_TRUE(Speak(kXiaofeng, kThreePieces, 1));
    ASSERT_TRUE(fake().WaitHeld());
    ASSERT_TRUE(api().SetRate(K(kXiaofeng), 80));
    fake().Release();
    ASSERT_TRUE(play().WaitForEnd(1));
    for (int s = 0; s < 3; ++s) EXPECT_EQ(fake().SessionParams(s), SessionParams("xiaofeng", 50, 100, 50)) << s;
    ASSERT_TRUE(Speak(kXiaofeng, u"next", 2));
    ASSERT_TRUE(play().WaitForEnd(2));
    EXPECT_EQ(fake().SessionParams(3), SessionParams("xiaofeng", 80, 100, 50));
}

TEST_F(RequestFlow, UninitializeMidRequestStopsItDropsTheQueueAndJoins) {
    constexpr int kPolls = 200;
    for (int i = 0; i < kPolls; ++i) fake().PollBlock(0, {static_cast<std::int16_t>(900 + i)}, i == kPolls - 1 ? 2 : 0);
    fake().PollDelay(0, 20);
    ASSERT_TRUE(Speak(kXiaoyan, u"long", 1));
    ASSERT_TRUE(Speak(kXiaoyan, u"pending", 2));
    ASSERT_TRUE(play().WaitForCalls(1));
    ASSERT_TRUE(api().Uninitialize());
    // The worker has been joined: it logged its exit before the closing line.
    const auto messages = logs().Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2], u"合成线程退出");
    EXPECT_LT(fake().SessionPolls(0), kPolls);
    EXPECT_EQ(fake().SessionEnds(0), 1);
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_TRUE(play().CallsWithValue(2).empty());
    EXPECT_EQ(fake().Sessions(), 1);
}

}  // namespace
}  // namespace kavotest
