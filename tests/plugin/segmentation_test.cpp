// Long texts reach the engine in pieces, one session each, and nothing is lost.
#include "support/plugin_fixture.h"
#include "util/utf.h"

namespace kavotest {
namespace {

class Segmentation : public PluginTest {
protected:
    void SetUp() override { StartAndWaitReady(); }

    std::vector<std::string> EngineTexts() {
        std::vector<std::string> texts;
        for (int s = 0; s < fake().Sessions(); ++s) texts.push_back(fake().SessionText(s));
        return texts;
    }
};

TEST_F(Segmentation, SpeaksEachPieceInASessionOfItsOwnThenEndsOnce) {
    const std::string a(100, 'a'), b(200, 'b');
    ASSERT_TRUE(Speak(kXiaoyan, kavo::Utf8ToUtf16(a + "," + b), 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(EngineTexts(), (std::vector<std::string>{a, "," + b}));
    EXPECT_EQ(play().AudioOf(1), [&] {
        auto audio = DefaultFakeAudio(a);
        const auto rest = DefaultFakeAudio("," + b);
        audio.insert(audio.end(), rest.begin(), rest.end());
        return audio;
    }());
    EXPECT_EQ(play().EndCalls(1), 1);
    for (int s = 0; s < 2; ++s) EXPECT_EQ(fake().SessionEnds(s), 1);
}

TEST_F(Segmentation, SpeaksALoneLastCharacter) {
    ASSERT_TRUE(Speak(kXiaoyan, std::u16string(240, u'a') + u"z", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(EngineTexts(), (std::vector<std::string>{std::string(240, 'a'), "z"}));
}

TEST_F(Segmentation, GivesASurrogatePairToOnePiece) {
    ASSERT_TRUE(Speak(kXiaoyan, std::u16string(239, u'a') + u"\U0001F600" + u"bb", 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    const auto texts = EngineTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], std::string(239, 'a')) << "the first piece ended inside the pair";
    EXPECT_EQ(texts[1].substr(texts[1].size() - 2), "bb");
}

TEST_F(Segmentation, AFailedTextPutInTheSecondPieceSkipsTheThirdAndStillEnds) {
    fake().FailTextPut(1, 10132);
    ASSERT_TRUE(Speak(kXiaoyan, std::u16string(700, u'a'), 1));
    ASSERT_TRUE(play().WaitForEnd(1));
    EXPECT_EQ(fake().Sessions(), 2);
    EXPECT_EQ(play().AudioOf(1), DefaultFakeAudio(std::string(240, 'a')));
    EXPECT_EQ(play().EndCalls(1), 1);
}

TEST_F(Segmentation, ARefusedBeginInTheSecondPieceEndsTheRequestSilently) {
    fake().FailBegin(1, 10111);
    ASSERT_TRUE(Speak(kXiaoyan, std::u16string(700, u'a'), 1));
    WaitUntilWorkerIdle();
    EXPECT_EQ(fake().Sessions(), 3);  // two of the request, one of the idle marker
    EXPECT_EQ(play().EndCalls(1), 0);
    EXPECT_EQ(play().AudioOf(1), DefaultFakeAudio(std::string(240, 'a')));
}

}  // namespace
}  // namespace kavotest
