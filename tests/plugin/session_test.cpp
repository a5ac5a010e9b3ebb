// One engine session per piece: text put in GBK, audio polled, lead-in trimmed,
// failures logged with their codes.
#include "support/plugin_fixture.h"
#include "util/platform/thread_id.h"

namespace kavotest {
namespace {

class Session : public PluginTest {
protected:
    void SetUp() override { StartAndWaitReady(); }

    // Speaks one request and waits until the worker is done with it.
    void SpeakAndSettle(const std::u16string& text, std::int32_t value = 1) {
        ASSERT_TRUE(Speak(kXiaoyan, text, value));
        WaitUntilWorkerIdle();
    }
    std::vector<std::vector<unsigned char>> Blocks(std::int32_t value = 1) {
        std::vector<std::vector<unsigned char>> blocks;
        for (const PlayCall& c : play().CallsWithValue(value)) {
            if (!c.IsEnd()) blocks.push_back(c.bytes);
        }
        return blocks;
    }
    std::u16string LastError() {
        for (const auto& line : logs().Lines()) {
            if (line.level == 4) return line.Message();
        }
        return std::u16string();
    }
};

TEST_F(Session, PutsChineseTextInGbkWithItsByteLength) {
    SpeakAndSettle(u"你好，世界。");
    bool put = false;
    EXPECT_EQ(fake().SessionText(0, &put), "\xc4\xe3\xba\xc3\xa3\xac\xca\xc0\xbd\xe7\xa1\xa3");
    EXPECT_TRUE(put);
    EXPECT_EQ(fake().SessionEnds(0), 1);
    EXPECT_EQ(fake().SessionEndHint(0), "Normal");
}

TEST_F(Session, DeliversBlocksOnTheWorkerThreadWithTheVoiceAndValue) {
    SpeakAndSettle(u"abc", -7);
    const auto calls = play().CallsWithValue(-7);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].voice, kXiaoyan);
    EXPECT_EQ(calls[0].bytes, DefaultFakeAudio("abc"));
    EXPECT_EQ(calls[0].count, calls[0].bytes.size());
    EXPECT_NE(calls[0].threadId, kavo::CurrentThreadId());
    EXPECT_EQ(calls[1].threadId, calls[0].threadId);
    EXPECT_TRUE(calls[1].IsEnd());
}

TEST_F(Session, TrimsTheLeadInToTheFirstSampleOutsideMinus50To50) {
    fake().PollBlock(0, {0, 10, -50, 50});      // all lead-in
    fake().PollEmpty(0);                        // nothing ready
    fake().PollBlock(0, {3, -4, 51, 0, -2});   // audible from the third sample
    fake().PollBlock(0, {0, 0, 0});             // silence after the start is kept
    fake().PollBlock(0, {-51}, 2);
    SpeakAndSettle(u"x");
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], Pcm({51, 0, -2}));
    EXPECT_EQ(blocks[1], Pcm({0, 0, 0}));
    EXPECT_EQ(blocks[2], Pcm({-51}));
    EXPECT_EQ(play().EndCalls(1), 1);
}

TEST_F(Session, APieceThatStaysQuietDeliversNothingAndStillEnds) {
    fake().PollBlock(0, {1, 2, 3});
    fake().PollBlock(0, {-50, 50}, 2);
    SpeakAndSettle(u"quiet");
    EXPECT_TRUE(Blocks().empty());
    EXPECT_EQ(play().EndCalls(1), 1);
}

TEST_F(Session, KeepsATrailingOddByte) {
    fake().PollBlock(0, {0, 900}, 0, /*oddByte=*/0x11);
    fake().PollBlock(0, {5}, 2, /*oddByte=*/0x22);
    SpeakAndSettle(u"odd");
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    std::vector<unsigned char> first = Pcm({900});
    first.push_back(0x11);
    std::vector<unsigned char> second = Pcm({5});
    second.push_back(0x22);
    EXPECT_EQ(blocks[0], first);
    EXPECT_EQ(blocks[1], second);
}

TEST_F(Session, ALoneByteIsNoSampleAndDoesNotStartTheAudio) {
    fake().PollBlock(0, {}, 0, /*oddByte=*/0x7F);
    fake().PollBlock(0, {0, 700}, 2);
    SpeakAndSettle(u"byte");
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], Pcm({700}));
}

TEST_F(Session, FinishesWhenTheLastPollBringsNoBlock) {
    fake().PollBlock(0, {800}, 0);
    fake().PollEmpty(0, 2);
    SpeakAndSettle(u"x");
    EXPECT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(fake().SessionPolls(0), 2);
    EXPECT_EQ(play().EndCalls(1), 1);
}

TEST_F(Session, ARefusedBeginIsLoggedAndEndsTheRequestWithoutAnyCall) {
    fake().FailBegin(0, 10111);
    SpeakAndSettle(u"refused text");
    EXPECT_EQ(LastError(), u"开始合成会话失败 error: 10111 voiceName: 经典科大 小燕 text: refused text");
    bool put = true;
    fake().SessionText(0, &put);
    EXPECT_FALSE(put);
    EXPECT_EQ(fake().SessionPolls(0), 0);
    EXPECT_EQ(fake().SessionEnds(0), 0);
    EXPECT_TRUE(play().CallsWithValue(1).empty());
}

TEST_F(Session, ANullIdentifierWithoutErrorIsASessionThatDidNotBegin) {
    fake().BeginWithNullIdentifier(0);
    SpeakAndSettle(u"null id");
    EXPECT_EQ(LastError(), u"开始合成会话失败 error: 0 voiceName: 经典科大 小燕 text: null id");
    EXPECT_EQ(fake().SessionPolls(0), 0);
    EXPECT_TRUE(play().CallsWithValue(1).empty());
}

TEST_F(Session, AFailedTextPutIsLoggedEndsTheSessionAndMakesTheEndCall) {
    fake().FailTextPut(0, 10132);
    SpeakAndSettle(u"bad text");
    EXPECT_EQ(LastError(), u"添加合成文本失败 error: 10132 text: bad text voiceName: 经典科大 小燕");
    EXPECT_EQ(fake().SessionPolls(0), 0);
    EXPECT_EQ(fake().SessionEnds(0), 1);
    const auto calls = play().CallsWithValue(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].IsEnd());
}

TEST_F(Session, AFailedAudioGetDropsItsBlockAndMakesTheEndCall) {
    fake().PollBlock(0, {900}, 0);
    fake().PollBlock(0, {901}, 0);
    fake().PollBlock(0, {902}, 2);
    fake().FailAudioGet(0, 1, -3);
    SpeakAndSettle(u"audio");
    EXPECT_EQ(LastError(), u"获取合成音频失败 error: -3 text: audio voiceName: 经典科大 小燕");
    const auto blocks = Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], Pcm({900}));
    EXPECT_EQ(fake().SessionEnds(0), 1);
    EXPECT_EQ(play().EndCalls(1), 1);
}

TEST_F(Session, ClearingTheCallbackMidRequestStopsDeliveryAndTheEndCall) {
    fake().PollBlock(0, {900}, 0, -1, /*hold=*/true);  // until both requests are queued
    fake().PollBlock(0, {901}, 0);
    fake().PollBlock(0, {902}, 2);
    fake().PollBlock(1, {903}, 2, -1, /*hold=*/true);  // the next request: proves the first is over
    play().OnCall([&](const PlayCall& call) {
        if (call.value == 1) api().SetPlayCallback(nullptr);
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"x", 1));
    ASSERT_TRUE(Speak(kXiaoyan, u"y", 2));
    ASSERT_TRUE(fake().WaitHeld());
    fake().Release();
    ASSERT_TRUE(fake().WaitHeld());
    const auto calls = play().CallsWithValue(1);
    ListenForAudio();
    fake().Release();
    ASSERT_TRUE(play().WaitForEnd(2));
    ASSERT_EQ(calls.size(), 1u) << "only the block before the callback was cleared";
    EXPECT_EQ(calls[0].bytes, Pcm({900}));
    EXPECT_EQ(fake().SessionPolls(0), 3) << "synthesis went on without a listener";
    EXPECT_EQ(play().EndCalls(1), 0);
}

}  // namespace
}  // namespace kavotest
