// KavoSynthSpeak queues requests and refuses silently; KavoSynthStop drops what is queued.
#include "support/plugin_fixture.h"

namespace kavotest {
namespace {

class SpeakRequests : public PluginTest {
protected:
    void SetUp() override { StartAndWaitReady(); }
};

TEST_F(SpeakRequests, RefusesNullOrEmptyArgumentsAndUnknownVoicesSilently) {
    const std::size_t linesBefore = logs().Lines().size();
    EXPECT_FALSE(api().Speak(nullptr, K(u"text"), 1));
    EXPECT_FALSE(api().Speak(K(kXiaoyan), nullptr, 1));
    EXPECT_FALSE(Speak(u"", u"text", 1));
    EXPECT_FALSE(Speak(kXiaoyan, u"", 1));
    for (const char16_t* name : {u"经典科大  小燕", u"经典科大小燕", u"经典科大 catherine", u"经典科大\u3000小燕", u"xiaoyan"}) {
        EXPECT_FALSE(Speak(name, u"text", 1));
    }
    WaitUntilWorkerIdle();
    EXPECT_EQ(fake().Sessions(), 1) << "a refused request reached the engine";
    EXPECT_TRUE(play().CallsWithValue(1).empty());
    EXPECT_EQ(logs().Lines().size(), linesBefore);
}

TEST_F(SpeakRequests, RequestsAreSpokenInOrderAndEveryCallCarriesItsValue) {
    ASSERT_TRUE(Speak(kXiaoyan, u"seven", 7));
    ASSERT_TRUE(Speak(kXiaofeng, u"minus one", -1));
    ASSERT_TRUE(Speak(kCatherine, u"zero", 0));
    ASSERT_TRUE(play().WaitForEnd(0));
    const auto calls = play().Calls();
    ASSERT_EQ(calls.size(), 6u);
    const std::int32_t values[] = {7, 7, -1, -1, 0, 0};
    const std::u16string voices[] = {kXiaoyan, kXiaoyan, kXiaofeng, kXiaofeng, kCatherine, kCatherine};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].value, values[i]) << i;
        EXPECT_EQ(calls[i].voice, voices[i]) << i;
        EXPECT_EQ(calls[i].IsEnd(), i % 2 == 1) << i;
    }
    EXPECT_EQ(calls[0].bytes, DefaultFakeAudio("seven"));
    EXPECT_EQ(calls[2].bytes, DefaultFakeAudio("minus one"));
    EXPECT_EQ(calls[4].bytes, DefaultFakeAudio("zero"));
}

TEST_F(SpeakRequests, TheTextIsQueuedUnchangedWhateverItHolds) {
    const std::u16string odd{u' ', u'a', char16_t(0xD800), u'b', char16_t(0xDC00), u' '};
    ASSERT_TRUE(Speak(kXiaoyan, odd, 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    const std::string text = fake().SessionText(0);
    ASSERT_EQ(text.size(), 6u);  // unpaired halves become the default character; nothing is trimmed
    EXPECT_EQ(text.substr(0, 2), " a");
    EXPECT_EQ(text[3], 'b');
    EXPECT_EQ(text.back(), ' ');
}

TEST_F(SpeakRequests, AVeryLongTextIsAcceptedAndAStopRightAfterItIsNotLost) {
    // Two million characters, some 8,300 pieces: the stop is made while the first piece's poll is held
    // in the engine (held, so that the worker cannot run through pieces before the host's thread gets
    // to stop it, as it may when threads are starved, under valgrind), and must drop all the others.
    fake().PollBlock(0, {1000}, 0, -1, /*hold=*/true);
    const std::u16string huge(2000000, u'字');
    ASSERT_TRUE(Speak(kXiaoyan, huge, 1));
    ASSERT_TRUE(fake().WaitHeld());
    ASSERT_TRUE(api().Stop());
    fake().Release();
    WaitUntilWorkerIdle();
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_LE(fake().Sessions(), 2);
}

using StopRequests = SpeakRequests;

TEST_F(StopRequests, StopWhileTheFirstOfThreeIsSpokenDropsTheOthersSilently) {
    fake().PollBlock(0, {1000, 1000}, 0);
    fake().PollBlock(0, {2000, 2000}, 0, -1, /*hold=*/true);
    fake().PollBlock(0, {3000, 3000}, 0);
    fake().PollBlock(0, {4000, 4000}, 2);
    ASSERT_TRUE(Speak(kXiaoyan, u"first", 1));
    ASSERT_TRUE(Speak(kXiaoyan, u"second", 2));
    ASSERT_TRUE(Speak(kXiaoyan, u"third", 3));
    ASSERT_TRUE(fake().WaitHeld());
    EXPECT_TRUE(api().Stop());
    fake().Release();
    WaitUntilWorkerIdle();
    const auto first = play().CallsWithValue(1);
    ASSERT_EQ(first.size(), 2u) << "the block of the held poll is delivered, no later one";
    EXPECT_EQ(first[1].bytes, Pcm({2000, 2000}));
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_TRUE(play().CallsWithValue(2).empty());
    EXPECT_TRUE(play().CallsWithValue(3).empty());
    EXPECT_EQ(fake().SessionEnds(0), 1);
    EXPECT_EQ(fake().SessionEndHint(0), "Normal");
}

TEST_F(StopRequests, StopWhileIdleDoesNotCutTheNextRequestShort) {
    EXPECT_TRUE(api().Stop());
    EXPECT_TRUE(api().Stop());
    ASSERT_TRUE(Speak(kXiaoyan, u"whole", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(play().AudioOf(1), DefaultFakeAudio("whole"));
}

TEST_F(StopRequests, StopFromInsideThePlayCallbackEndsTheSessionAfterThatCall) {
    fake().PollBlock(0, {1000}, 0, -1, /*hold=*/true);  // until both requests are queued
    fake().PollBlock(0, {2000}, 0);
    fake().PollBlock(0, {3000}, 2);
    play().OnCall([&](const PlayCall& call) {
        if (call.value == 1 && !call.IsEnd()) api().Stop();
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"first", 1));
    ASSERT_TRUE(Speak(kXiaoyan, u"dropped", 2));
    ASSERT_TRUE(fake().WaitHeld());
    fake().Release();
    ASSERT_TRUE(play().WaitForCalls(1));
    play().OnCall(nullptr);
    WaitUntilWorkerIdle();
    EXPECT_EQ(play().CallsWithValue(1).size(), 1u);
    EXPECT_EQ(fake().SessionPolls(0), 1);
    EXPECT_TRUE(play().CallsWithValue(2).empty());
}

TEST_F(StopRequests, StopInsideTheCallbackOfTheLastBlockStillFinishesThePiece) {
    play().OnCall([&](const PlayCall& call) {
        if (call.value == 1 && !call.IsEnd()) api().Stop();
    });
    ASSERT_TRUE(Speak(kXiaoyan, u"last block", 1));
    ASSERT_TRUE(play().WaitForEnd(1)) << "status 2 came with the block: the piece finished";
    play().OnCall(nullptr);
}

TEST_F(StopRequests, StopDuringTheLastPollOfAPieceBeginsNoFurtherPiece) {
    WaitUntilWorkerIdle();
    const int sessionsBefore = fake().Sessions();
    fake().PollBlock(sessionsBefore, {1000}, 2, -1, /*hold=*/true);  // the first piece's last poll
    ASSERT_TRUE(Speak(kXiaoyan, std::u16string(300, u'a'), 1));     // pieces of 240 and 60
    ASSERT_TRUE(fake().WaitHeld());
    ASSERT_TRUE(api().Stop());
    fake().Release();
    WaitUntilWorkerIdle(2);
    // The first piece and the idle marker; not the second piece.
    EXPECT_EQ(fake().Sessions(), sessionsBefore + 2) << "the second piece reached the engine after the stop";
    EXPECT_EQ(play().EndCalls(1), 0);
}

}  // namespace
}  // namespace kavotest
