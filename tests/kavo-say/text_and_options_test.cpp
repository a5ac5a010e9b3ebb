// The parts of kavo-say that decide what is spoken and how, without a plug-in.
#include <gtest/gtest.h>

#include <set>

#include "options.h"
#include "progress_display.h"
#include "text_input.h"
#include "utf16_text.h"
#include "voice_listing.h"
#include "voice_names.h"

namespace kavosay {
namespace {

using Paragraphs = std::vector<std::string>;

TEST(Paragraphs, BlankLinesSeparateAndWrappedLinesJoin) {
    EXPECT_EQ(SplitParagraphs("first line\n  wrapped\tline \n\nsecond\n"),
              (Paragraphs{"first line wrapped\tline", "second"}));
    // Lines of only white space, CR LF line ends and runs of blank lines.
    EXPECT_EQ(SplitParagraphs("one\r\n \t\r\n\r\n\r\ntwo\r\nthree"), (Paragraphs{"one", "two three"}));
    EXPECT_EQ(SplitParagraphs("\n\n  only\n\n\n"), (Paragraphs{"only"}));
}

TEST(Paragraphs, NothingToSpeak) {
    EXPECT_TRUE(SplitParagraphs("").empty());
    EXPECT_TRUE(SplitParagraphs(" \n\t\r\n\n").empty());
    EXPECT_TRUE(SplitParagraphs("\xEF\xBB\xBF").empty());
}

TEST(Paragraphs, ByteOrderMarkIsDroppedAndChineseKeptWhole) {
    EXPECT_EQ(SplitParagraphs("\xEF\xBB\xBF你好，世界。\n\n再见"), (Paragraphs{"你好，世界。", "再见"}));
}

std::optional<Options> Parse(std::vector<std::string> args) { return ParseOptions(args).options; }

TEST(Options, ProsodyValuesFrom0To100AreTheOnlyOnesAccepted) {
    for (const char* option : {"-r", "-a", "-p", "--rate", "--volume", "--pitch"}) {
        EXPECT_TRUE(Parse({option, "0"})) << option;
        EXPECT_TRUE(Parse({option, "100"})) << option;
        for (const char* bad : {"-1", "101", "5x", "", "1e2", " 5"}) {
            const ParsedOptions parsed = ParseOptions({option, bad});
            EXPECT_FALSE(parsed.options) << option << " " << bad;
            EXPECT_FALSE(parsed.error.empty());
        }
    }
    const std::optional<Options> options = Parse({"-r", "7", "--volume=0", "-p100"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->rate, 7);
    EXPECT_EQ(options->volume, 0);
    EXPECT_EQ(options->pitch, 100);
}

TEST(Options, WordsOptionsAndTheirValues) {
    const std::optional<Options> options =
        Parse({"Hello", "-o", "-", "-v", "经典科大 小燕", "-", "--", "-q", "--voices"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->output, "-");
    EXPECT_EQ(options->voice, "经典科大 小燕");
    EXPECT_FALSE(options->quiet);  // after "--" everything is text
    EXPECT_EQ(options->action, Action::Speak);
    EXPECT_EQ(options->words, (std::vector<std::string>{"Hello", "-", "-q", "--voices"}));
}

TEST(Options, BadUsage) {
    EXPECT_FALSE(Parse({"-x"}));
    EXPECT_FALSE(Parse({"--rat", "5"}));
    EXPECT_FALSE(Parse({"-o"}));                 // value missing
    EXPECT_FALSE(Parse({"--quiet=yes"}));        // a flag takes no value
    EXPECT_FALSE(Parse({"-f", "text.txt", "and", "words"}));
    EXPECT_FALSE(Parse({"--timeout", "0"}));
    EXPECT_TRUE(Parse({"--voices", "-f", "unused.txt"}));
    EXPECT_FALSE(Parse({"--version=1"}));
    const std::optional<Options> version = Parse({"--version"});
    ASSERT_TRUE(version);
    EXPECT_EQ(version->action, Action::ShowVersion);
    // Playing and writing a file are two destinations; one is taken.
    EXPECT_FALSE(Parse({"--play", "-o", "out.wav", "hello"}));
    EXPECT_FALSE(Parse({"-o-", "--play", "hello"}));
    const std::optional<Options> play = Parse({"--play", "hello"});
    ASSERT_TRUE(play);
    EXPECT_TRUE(play->play);
}

TEST(Progress, PlayedSpeechShowsTheTimeSpokenOfTheTimeDelivered) {
    Progress progress;
    progress.done = 1;
    progress.total = 3;
    progress.audioSeconds = 12.44;
    progress.elapsedSeconds = 2;
    EXPECT_EQ(FormatProgress(progress), "paragraphs 1/3, 12.4 s of audio, real-time factor 0.16");
    progress.spokenSeconds = 4.25;
    EXPECT_EQ(FormatProgress(progress), "paragraphs 1/3, 4.2 s of 12.4 s spoken");
}

TEST(Voices, IdentifiersAndDisplayNamesResolveToListedNames) {
    const std::vector<std::string> listed = {"经典科大 Catherine", "经典科大 小峰", "经典科大 小燕", "经典科大 小美"};
    EXPECT_EQ(ResolveVoice("xiaoyan", listed), "经典科大 小燕");
    EXPECT_EQ(ResolveVoice("Catherine", listed), "经典科大 Catherine");
    EXPECT_EQ(ResolveVoice("XIAOMEI", listed), "经典科大 小美");
    EXPECT_EQ(ResolveVoice("经典科大 小峰", listed), "经典科大 小峰");
    EXPECT_FALSE(ResolveVoice("经典科大  小燕", listed));  // two spaces
    EXPECT_FALSE(ResolveVoice("经典科大 catherine", listed));
    EXPECT_FALSE(ResolveVoice("xiao", listed));
    // An identifier counts only when the plug-in lists its voice.
    EXPECT_FALSE(ResolveVoice("xiaoyan", {"经典科大 小峰"}));
    EXPECT_EQ(ShortNameOf("经典科大 Catherine"), "catherine");
    EXPECT_EQ(ShortNameOf("somebody"), "");
}

TEST(Voices, ListedInColumnsForPeopleAndTabSeparatedForScripts) {
    const std::vector<std::string> listed = {"经典科大 小燕", "经典科大 Catherine", "someone else"};
    EXPECT_EQ(VoiceColumns(listed),
              "Voice      Language  Gender  Name\n"
              "xiaoyan    cmn       female  经典科大 小燕\n"
              "catherine  en-us     female  经典科大 Catherine\n"
              "-          -         -       someone else\n");
    EXPECT_EQ(VoiceLines(listed), "xiaoyan\t经典科大 小燕\ncatherine\t经典科大 Catherine\n-\tsomeone else\n");
}

TEST(Voices, HelpNamesEveryVoiceInItsList) {
    const std::string usage = UsageText();
    const std::size_t open = usage.find("by identifier (");
    // The words between the parentheses, however the lines wrap them.
    std::set<std::string> words;
    std::string word;
    for (std::size_t at = usage.find('(', open) + 1; at <= usage.find(')', open); ++at) {
        const char c = usage[at];
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (!word.empty()) {
            words.insert(word);
            word.clear();
        }
    }
    for (const std::string& shortName : ShortNames()) EXPECT_EQ(words.count(shortName), 1u) << shortName;
}

}  // namespace
}  // namespace kavosay

TEST(Utf16Text, ChineseAndPairsConvertBothWays) {
    const std::string utf8 = "a\xE4\xBD\xA0\xF0\x9F\x98\x80z";  // a, 你, an emoji, z
    const std::u16string utf16 = u"a\u4F60\U0001F600z";
    EXPECT_EQ(kavosay::ToUtf16(utf8), utf16);
    EXPECT_EQ(kavosay::ToUtf8(utf16), utf8);
}

TEST(Utf16Text, WhatCannotBeConvertedBecomesOneReplacementEach) {
    // A stray byte, an encoded surrogate, and a sequence cut short at the end.
    EXPECT_EQ(kavosay::ToUtf16("x\xFFy"), u"x\uFFFDy");
    EXPECT_EQ(kavosay::ToUtf16("\xED\xA0\x80q"), u"\uFFFDq");
    EXPECT_EQ(kavosay::ToUtf16("x\xE4\xBD"), u"x\uFFFD\uFFFD");
    // A lone surrogate from a voice name or a system message.
    EXPECT_EQ(kavosay::ToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a\xEF\xBF\xBD" "b");
}
