#include "engine/text_split.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace {

using kavo::SplitText;

std::u16string Repeat(std::size_t n, char16_t c) { return std::u16string(n, c); }

std::vector<std::u16string> Split(const std::u16string& text) {
    std::vector<std::u16string> pieces;
    SplitText(text, pieces);
    return pieces;
}

std::vector<std::size_t> Lengths(const std::vector<std::u16string>& pieces) {
    std::vector<std::size_t> lengths;
    for (const auto& p : pieces) lengths.push_back(p.size());
    return lengths;
}

std::u16string Join(const std::vector<std::u16string>& pieces) {
    return std::accumulate(pieces.begin(), pieces.end(), std::u16string());
}

using Lens = std::vector<std::size_t>;

TEST(SplitText, KeepsTextsOfUpTo240UnitsWhole) {
    EXPECT_EQ(Split(Repeat(240, u'a')), std::vector<std::u16string>{Repeat(240, u'a')});
    const std::u16string withBreaks = Repeat(100, u'a') + u"，" + Repeat(100, u'b') + u"。" + Repeat(38, u' ');
    EXPECT_EQ(Split(withBreaks), std::vector<std::u16string>{withBreaks});
}

TEST(SplitText, GivesAnEmptyTextAsOneEmptyPiece) { EXPECT_EQ(Split(u""), std::vector<std::u16string>{u""}); }

TEST(SplitText, AppendsToWhatTheListAlreadyHolds) {
    std::vector<std::u16string> pieces{u"earlier"};
    SplitText(u"now", pieces);
    EXPECT_EQ(pieces, (std::vector<std::u16string>{u"earlier", u"now"}));
}

TEST(SplitText, ForcesCutsEvery240UnitsWithoutBreakCharacters) {
    EXPECT_EQ(Lengths(Split(Repeat(242, u'a'))), (Lens{240, 2}));
    EXPECT_EQ(Lengths(Split(Repeat(480, u'a'))), (Lens{240, 240}));
    EXPECT_EQ(Lengths(Split(Repeat(482, u'a'))), (Lens{240, 240, 2}));
}

TEST(SplitText, CutsJustBeforeTheLastBreakOfTheWindow) {
    const auto pieces = Split(Repeat(100, u'a') + u"," + Repeat(200, u'b'));
    EXPECT_EQ(pieces, (std::vector<std::u16string>{Repeat(100, u'a'), u"," + Repeat(200, u'b')}));
    EXPECT_EQ(Lengths(Split(Repeat(239, u'a') + u"," + Repeat(100, u'b'))), (Lens{239, 101}));
    EXPECT_EQ(Lengths(Split(Repeat(100, u'a') + u"," + Repeat(139, u'b') + Repeat(100, u'c'))), (Lens{100, 240}));
}

TEST(SplitText, IgnoresABreakJustOutsideTheWindow) {
    EXPECT_EQ(Lengths(Split(Repeat(240, u'a') + u"," + Repeat(100, u'b'))), (Lens{240, 101}));
}

TEST(SplitText, DoesNotCountTheBreakThatOpensAPiece) {
    EXPECT_EQ(Lengths(Split(u"," + Repeat(300, u'a'))), (Lens{240, 61}));
}

TEST(SplitText, TreatsIdeographicFullStopsAsBreaks) {
    const auto pieces = Split(Repeat(120, u'a') + u"。" + Repeat(120, u'b') + u"。");
    EXPECT_EQ(Lengths(pieces), (Lens{120, 122}));
    EXPECT_EQ(pieces[1].front(), u'。');
}

TEST(SplitText, BreaksOnlyOnCommaFullStopAndSpace) {
    for (const char16_t c : {u',', u'，', u'。', u'.', u' '}) {
        EXPECT_EQ(Lengths(Split(Repeat(10, u'a') + std::u16string(1, c) + Repeat(300, u'b'))), (Lens{10, 240, 61}))
            << "break " << int(c);
    }
    for (const char16_t c : {u'?', u'!', u'？', u'！', u';', u':', u'、', u'\n', u'\t'}) {
        EXPECT_EQ(Lengths(Split(Repeat(10, u'a') + std::u16string(1, c) + Repeat(300, u'b'))), (Lens{240, 71}))
            << "ordinary " << int(c);
    }
}

TEST(SplitText, KeepsALoneLastCharacterAsAPieceOfItsOwn) {
    EXPECT_EQ(Lengths(Split(Repeat(241, u'a'))), (Lens{240, 1}));
    EXPECT_EQ(Lengths(Split(Repeat(481, u'a'))), (Lens{240, 240, 1}));
}

TEST(SplitText, NeverCutsBetweenTheHalvesOfASurrogatePair) {
    const std::u16string pair = u"\U0001F600";
    const std::u16string text = Repeat(239, u'a') + pair + Repeat(50, u'b');
    const auto pieces = Split(text);
    EXPECT_EQ(Lengths(pieces), (Lens{239, 52}));
    EXPECT_EQ(pieces[1].substr(0, 2), pair);
    EXPECT_EQ(Join(pieces), text);
}

TEST(SplitText, PiecesJoinBackToTheTextAndStayWithinTheWindow) {
    std::u16string text;
    for (int i = 0; i < 3000; ++i) text.push_back(i % 37 == 0 ? u'，' : i % 53 == 0 ? u' ' : u'字');
    for (std::size_t n : {241u, 700u, 1001u, 3000u}) {
        const auto pieces = Split(text.substr(0, n));
        EXPECT_EQ(Join(pieces), text.substr(0, n));
        for (const auto& p : pieces) {
            EXPECT_GE(p.size(), 1u);
            EXPECT_LE(p.size(), 240u);
        }
    }
}

// The rule written out position by position, as plainly as it can be, for
// comparison with the real thing (which looks at several characters at once).
std::vector<std::u16string> SplitByTheRule(const std::u16string& text) {
    const auto isBreak = [](char16_t c) { return c == u',' || c == u'，' || c == u'。' || c == u'.' || c == u' '; };
    if (text.size() <= 240) return {text};
    std::vector<std::u16string> pieces;
    std::size_t start = 0, lastBreak = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i - start >= 240) {
            std::size_t end = lastBreak != start ? lastBreak : i;
            if (end == i && text[i - 1] >= 0xD800 && text[i - 1] < 0xDC00 && text[i] >= 0xDC00 && text[i] < 0xE000) {
                --end;
            }
            pieces.push_back(text.substr(start, end - start));
            start = lastBreak = end;
        }
        if (isBreak(text[i])) lastBreak = i;
    }
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces;
}

// Random texts of breaks, ordinary characters and characters that share a
// byte with a break (U+012C and U+2C2C beside the comma), thin and dense in
// breaks, long and short: every break position within a group of characters
// and every remainder length comes up.
TEST(SplitText, FollowsTheRuleOnRandomTexts) {
    const std::u16string breaks = u",，。. ";
    const std::u16string ordinary = u"a字\u012C\u2C2C\u022E\u3020\uFF2C\u0C30-/!\n";
    std::mt19937 random(20261208);
    for (int round = 0; round < 400; ++round) {
        const std::size_t length = 241 + random() % 1500;
        const unsigned breakOneIn = 1 + random() % 300;
        std::u16string text;
        while (text.size() < length) {
            if (random() % breakOneIn == 0) {
                text.push_back(breaks[random() % breaks.size()]);
            } else if (random() % 50 == 0) {
                text += u"\U0001F600";
            } else {
                text.push_back(ordinary[random() % ordinary.size()]);
            }
        }
        ASSERT_EQ(Split(text), SplitByTheRule(text)) << "round " << round << ", " << text.size() << " units";
    }
}

}  // namespace
