// sd_kavosynth over its pipes, as the server drives it, with the fake engine
// beside the plug-in: its samples are the bytes of the text it was given, so
// what was spoken reads back from the audio events.
#include <algorithm>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "module_process.h"
#include "plugin/voice_list.h"
#include "speech_requests.h"
#include "ssml.h"
#include "voice_choice.h"

namespace sdtest {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// The SPEAK command carrying this message, its lines dot-stuffed.
std::string SpeakCommand(const std::string& message, const std::string& command = "SPEAK") {
    std::string text = command + "\n";
    std::size_t at = 0;
    while (at <= message.size()) {
        std::size_t end = message.find('\n', at);
        if (end == std::string::npos) end = message.size();
        const std::string line = message.substr(at, end - at);
        text += (line.compare(0, 1, ".") == 0 ? "." : "") + line + "\n";
        at = end + 1;
    }
    return text + ".\n";
}

// Events in short: runs of audio as "audio:<the bytes spoken>", a block of
// zeros as "silence:<ms>", each mark as "mark:<name>", every other line as it
// came; a malformed block as "bad:<why>".
Lines Summary(const std::vector<Event>& events) {
    Lines summary;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        if (!e.problem.empty()) {
            summary.push_back("bad:" + e.problem);
        } else if (e.line == "705 AUDIO" && !e.samples.empty() &&
                   std::all_of(e.samples.begin(), e.samples.end(), [](std::int16_t v) { return v == 0; })) {
            summary.push_back("silence:" + std::to_string(e.samples.size() / 16));
        } else if (e.line == "705 AUDIO") {
            if (summary.empty() || summary.back().compare(0, 6, "audio:") != 0) summary.push_back("audio:");
            summary.back() += SpokenBytes(e.samples);
        } else if (e.line.compare(0, 4, "700-") == 0 && i + 1 < events.size() && events[i + 1].line == "700 INDEX MARK") {
            summary.push_back("mark:" + e.line.substr(4));
            ++i;
        } else {
            summary.push_back(e.line);
        }
    }
    return summary;
}

bool IsEnd(const Event& e) { return e.line == "702 END" || e.line == "703 STOP" || e.line == "704 PAUSE" || e.line.compare(0, 4, "301 ") == 0; }

// A started module with the fake engine.
struct Started {
    explicit Started(const Environment& environment = {}) : module(staged.ConfigFile(), environment) { ExpectInit(module); }
    Lines Say(const std::string& message, const std::string& command = "SPEAK") {
        module.Send(SpeakCommand(message, command));
        return Summary(module.ReadUntil(IsEnd));
    }
    StagedModule staged;
    ModuleProcess module;
};

TEST(SdModuleProtocol, AnswersEachCommand) {
    Started s;
    const struct {
        std::string sent;
        Lines replies;
    } exchanges[] = {
        {"AUDIO\naudio_output_method=server\naudio_pulse_device=default\n.\n",
         {"207 OK RECEIVING AUDIO SETTINGS", "203 OK AUDIO INITIALIZED"}},
        {"LOGLEVEL\nlog_level=4\n.\n", {"207 OK RECEIVING LOGLEVEL SETTINGS", "203 OK LOGLEVEL SET"}},
        {"LIST VOICES\n",
         {"200-catherine\ten\tfemale1", "200-xiaofeng\tzh\tmale1", "200-xiaoyan\tzh\tfemale1",
          "200-xiaomei\tyue\tfemale1", "200 OK VOICE LIST SENT"}},
        {"SET\nrate=20\npitch=-100\nvolume=100\nsynthesis_voice=xiaomei\npunctuation_mode=all\nno_equals_sign\n.\n",
         {"203 OK RECEIVING SETTINGS", "203 OK SETTINGS RECEIVED"}},
        // Nothing is being spoken: no reply, no event; the next command answers first.
        // Numbers that are not integers within -100..100 are refused, never wrapped.
        {"SET\nrate=2147483648\n.\n", {"203 OK RECEIVING SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"SET\npitch=12x\nvolume=-101\n.\n", {"203 OK RECEIVING SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"STOP\nPAUSE\nBOGUS\n", {"300 ERR UNKNOWN COMMAND"}},
        {"QUIT\n", {"210 OK QUIT"}},
    };
    for (const auto& exchange : exchanges) {
        s.module.Send(exchange.sent);
        EXPECT_EQ(Summary(s.module.ReadUntilLine(exchange.replies.back())), exchange.replies) << exchange.sent;
    }
    EXPECT_EQ(s.module.WaitForExit(), 0);
}

TEST(SdModuleProtocol, SpeaksTheTextOfTheSsmlWithEachMarkAfterTheAudioBeforeIt) {
    Started s;
    std::string message = "<speak>";
    Lines expected = {"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN", "mark:lead"};
    message += "<mark name=\"lead\"/>";
    for (int i = 0; i < 20; ++i) {
        const std::string word = "word" + std::to_string(i);
        message += word + " <mark name=\"m" + std::to_string(i) + "\"/>";
        expected.push_back("audio:" + word + " ");
        expected.push_back("mark:m" + std::to_string(i));
    }
    expected.push_back("702 END");
    EXPECT_EQ(s.Say(message + "</speak>"), expected);
}

TEST(SdModuleProtocol, DecodesEntitiesAndSurvivesBrokenMarkup) {
    Started s;
    const struct {
        std::string ssml;
        Lines spoken;  // between 701 BEGIN and 702 END
    } cases[] = {
        {"<speak>a&lt;b&gt;c&amp;d&quot;e&apos;f&#65;&#x42;</speak>", {"audio:a<b>c&d\"e'fAB"}},
        {"<speak>x&nosuch;y&#xZZ;z&#1114112;</speak>", {"audio:x&nosuch;y&#xZZ;z?"}},  // U+FFFD is put to the engine as '?'
        {"<speak>one\n.\n..two<!-- <mark name=\"hidden\"/> --></speak>", {"audio:one\n.\n..two"}},
        {"<speak>ok<mark name='q&amp;a'/>then <mark name=\"x\" broken", {"audio:ok", "mark:q&a", "audio:then "}},
        {"<speak><mark name=\"only\"/> </speak>", {"mark:only"}},
        {"<speak>\xff\xfe bad \xc3 utf8</speak>", {"audio:?? bad ? utf8"}},
        // A NUL is not spoken, and what is left of its stretch is.
        {"<speak>Hello<mark name=\"a\"/>\0world</speak>"s, {"audio:Hello", "mark:a", "audio:world"}},
        {"<speak>a<mark name=\"b\"/>\0</speak>"s, {"audio:a", "mark:b"}},
        // Sentences, paragraphs and breaks separate what they separate, with a pause.
        {"<speak><s>First sentence</s><s>Second sentence</s></speak>", {"audio:First sentence", "silence:500", "audio:Second sentence"}},
        {"<speak><p>one</p>\n<p>two</p></speak>", {"audio:one\n", "silence:800", "audio:two"}},
        {"<speak>one<break time=\"500ms\"/>two<break strength='weak'/>three<break/>four</speak>",
         {"audio:one", "silence:500", "audio:two", "silence:150", "audio:three", "silence:300", "audio:four"}},
        {"<speak><break time=\"1.5s\"/>a<mark name=\"m\"/><break time=\"99999s\"/>b</speak>",
         {"silence:1500", "audio:a", "mark:m", "silence:10000", "audio:b"}},
        // Attributes are read with their quotes.
        {"<speak>a<mark name=\"x>y\"/>b<mark name='it\"s'/>c</speak>", {"audio:a", "mark:x>y", "audio:b", "mark:it\"s", "audio:c"}},
    };
    for (const auto& c : cases) {
        Lines expected = {"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN"};
        expected.insert(expected.end(), c.spoken.begin(), c.spoken.end());
        expected.push_back("702 END");
        EXPECT_EQ(s.Say(c.ssml), expected) << c.ssml;
    }
    EXPECT_EQ(s.Say("ctrl_a", "KEY"), (Lines{"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN", "audio:ctrl a", "702 END"}));
}

TEST(SdModuleProtocol, SpeaksAMegabyteMessage) {
    Started s;
    std::string text;
    while (text.size() < (1u << 20)) text += "abcdefghijklmnopqrstuvwxyz0123456789.\n";
    const Lines summary = s.Say("<speak>" + text + "</speak>");
    ASSERT_EQ(summary.size(), 5u);
    EXPECT_TRUE(summary[3] == "audio:" + text) << "the audio differs from the text";
    EXPECT_EQ(summary[4], "702 END");
}

TEST(SdModuleProtocol, StopEndsTheMessageAtOnceAndNothingOfItFollows) {
    // Four samples a poll, each poll 5 ms late: a long message is still speaking at the STOP.
    Started s(Environment{{"KAVO_FAKE_POLL_DELAY_MS", "5"}});
    for (const char* stop : {"STOP", "PAUSE"}) {
        s.module.Send(SpeakCommand("<speak>" + std::string(2000, 'a') + "</speak>"));
        s.module.ReadUntilLine("705 AUDIO");
        s.module.Send(std::string(stop) + "\n");
        const std::string event = stop == std::string("STOP") ? "703 STOP" : "704 PAUSE";
        const Lines tail = Summary(s.module.ReadUntilLine(event));
        EXPECT_EQ(tail.back(), event);
        EXPECT_EQ(std::count(tail.begin(), tail.end(), "702 END"), 0) << "ended before the stop";
        // What comes next belongs to the next message alone.
        EXPECT_EQ(s.Say("<speak>next</speak>"),
                  (Lines{"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN", "audio:next", "702 END"}));
    }
}

TEST(SdModuleProtocol, ExitsWhenItsInputCloses) {
    Started s(Environment{{"KAVO_FAKE_POLL_DELAY_MS", "5"}});
    s.module.Send(SpeakCommand("<speak>" + std::string(2000, 'a') + "</speak>"));
    s.module.ReadUntilLine("705 AUDIO");
    s.module.CloseInput();
    EXPECT_EQ(s.module.WaitForExit(), 0);
}

TEST(SdModuleProtocol, AMessageTheEngineRefusesStillEnds) {
    Started s(Environment{{"KAVO_FAKE_BEGIN_ERROR", "10100"}});
    EXPECT_EQ(s.Say("<speak>a<mark name=\"m\"/>b</speak>"),
              (Lines{"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN", "mark:m", "702 END"}));
}

// What a hostile or hasty server does, each case on a module of its own.
TEST(SdModuleProtocol, NothingOfAMessageOutlivesItsEndAndNoMessageBlocksTheNext) {
    const Lines next = {"202 OK RECEIVING MESSAGE", "200 OK SPEAKING", "701 BEGIN", "audio:next", "702 END"};
    const struct {
        const char* name;
        Environment environment;
        std::function<void(Started&)> run;
    } cases[] = {
        // Messages of 4 MB: parsed in linear time, so the STOP sent with them is
        // answered well within the reading limit (a quadratic parse took minutes).
        {"huge messages", {{"KAVO_FAKE_POLL_DELAY_MS", "5"}},
         [](Started& s) {
             for (const std::string unit : {"&a", "&#1", "<b t='>'/>x"}) {
                 std::string body;
                 while (body.size() < (4u << 20)) body += unit;
                 s.module.Send(SpeakCommand("<speak>" + body + "</speak>") + "STOP\n");
                 const std::vector<Event> events = s.module.ReadUntil(IsEnd);
                 ASSERT_FALSE(events.empty()) << unit;
                 EXPECT_EQ(events.back().line, "703 STOP") << unit;
             }
         }},
        // QUIT while audio flows: the reply is the last thing written.
        {"quit while speaking", {{"KAVO_FAKE_POLL_DELAY_MS", "1"}},
         [](Started& s) {
             s.module.Send(SpeakCommand("<speak>" + std::string(4000, 'a') + "</speak>"));
             s.module.ReadUntilLine("705 AUDIO");
             s.module.Send("QUIT\n");
             EXPECT_EQ(s.module.WaitForExit(), 0);
             const std::vector<Event> rest = s.module.Unread();
             ASSERT_FALSE(rest.empty());
             EXPECT_EQ(rest.back().line, "210 OK QUIT");
         }},
        // The engine refuses the second piece of a message stopped while that
        // piece was beginning: the refusal must not end the next message.
        {"a stopped message's piece refused",
         {{"KAVO_FAKE_POLL_DELAY_MS", "2"}, {"KAVO_FAKE_BEGIN_DELAY_MS", "400"}, {"KAVO_FAKE_REFUSED_SESSION", "1"}},
         [&next](Started& s) {
             s.module.Send(SpeakCommand("<speak>" + std::string(300, 'a') + "</speak>"));  // pieces of 240 and 60
             std::size_t heard = 0;
             while (heard < 240) {
                 const std::vector<Event> events = s.module.ReadUntilLine("705 AUDIO");
                 ASSERT_FALSE(events.empty());
                 heard += events.back().samples.size();
             }
             s.module.Send("STOP\n" + SpeakCommand("<speak>next</speak>"));
             s.module.ReadUntilLine("703 STOP");
             EXPECT_EQ(Summary(s.module.ReadUntil(IsEnd)), next);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Started s(c.environment);
        c.run(s);
    }
}

TEST(SdModuleProtocol, InitNamesWhyItCannotStart) {
    const struct {
        std::optional<std::string> engine;
        std::string pluginLine;
        Environment environment;
        std::string reason;
    } cases[] = {
        {std::string("fake-mscclassic"), "KavoSynthPlugin /nonexistent/libKavoSynthXunFeiClassic.so", {}, "399-no plug-in"},
        // A folder is there but is no library: the loader's own reason is given.
        {std::string("fake-mscclassic"), "KavoSynthPlugin .", {}, "399-no plug-in: cannot load the plug-in"},
        {std::nullopt, "", {}, "399-no engine"},
        {std::string("fake-mscclassic"), "", {{"KAVO_FAKE_LOGIN_RESULT", "10407"}}, "399-the engine's login failed"},
        {std::string("fake-mscclassic-without-text-put"), "", {}, "399-the engine lacks an entry point"},
    };
    for (const auto& c : cases) {
        StagedModule staged(c.engine, c.pluginLine);
        ModuleProcess module(staged.ConfigFile(), c.environment);
        module.Send("INIT\n");
        const std::vector<Event> events = module.ReadUntilLine("399 ERR CANT INIT MODULE");
        ASSERT_EQ(events.size(), 2u) << c.reason;
        EXPECT_EQ(events[0].line.compare(0, c.reason.size(), c.reason), 0) << events[0].line;
        // "Not found" only where nothing is there.
        EXPECT_EQ(events[0].line.find("(error 2)") != std::string::npos, c.pluginLine.find("/nonexistent/") != std::string::npos)
            << events[0].line;
        module.Send("QUIT\n");
        EXPECT_EQ(module.WaitForExit(), 0);
    }
    // The engine put in place after a failed INIT: the next INIT starts afresh.
    StagedModule staged(std::nullopt);
    ModuleProcess module(staged.ConfigFile());
    module.Send("INIT\n");
    module.ReadUntilLine("399 ERR CANT INIT MODULE");
    const std::filesystem::path folder = std::filesystem::path(staged.ConfigFile()).parent_path();
    std::filesystem::copy_file(kavosaytest::BinFolder() / "libfake-mscclassic.so", folder / "libmscclassic.so");
    ExpectInit(module);
}

// What requests the plug-in gets for a message: marks between words do not cut
// it into one engine session per word, and a long text goes in pieces.
TEST(SdModuleRequests, MarksJoinStretchesAndLongTextsAreCut) {
    std::string words;
    for (int i = 0; i < 8; ++i) words += "<mark name=\"m" + std::to_string(i) + "\"/>word" + std::to_string(i) + " ";
    std::string longText;
    while (longText.size() < 100000) longText += "a few words, ";
    for (int i = 0; i < 15000; ++i) longText += "\xe4\xb8\xad";  // 中, no space: cut between characters
    const struct {
        std::string ssml;
        std::size_t requests, innerMarks;
    } cases[] = {
        {"<speak>" + words + "</speak>", 1, 7},
        {"<speak>one<mark name='a'/>two.<mark name='b'/>three</speak>", 2, 1},  // a sentence's end closes a request
        {"<speak>one<mark name='a'/>two<break/>three</speak>", 2, 1},           // so does a pause
        {"<speak>one<mark name='a'/>" + std::string(200, 'b') + "</speak>", 2, 0},  // a long stretch stands alone
        {"<speak>" + longText + "</speak>", 5, 0},
    };
    for (const auto& c : cases) {
        const sdkavo::SpokenMessage message = sdkavo::ParseSsml(c.ssml);
        std::string spoken;
        for (const sdkavo::Stretch& stretch : message.stretches) spoken += stretch.text;
        const std::vector<sdkavo::SpeechRequest> requests = sdkavo::PlanRequests(message.stretches);
        EXPECT_EQ(requests.size(), c.requests) << c.ssml.substr(0, 80);
        std::size_t innerMarks = 0;
        std::string joined;
        for (const sdkavo::SpeechRequest& request : requests) {
            innerMarks += request.innerMarks.size();
            joined += request.text;
            EXPECT_LE(request.text.size(), 32768u);
            EXPECT_NE(static_cast<unsigned char>(request.text[0]) & 0xC0, 0x80) << "cut inside a character";
        }
        EXPECT_EQ(innerMarks, c.innerMarks) << c.ssml.substr(0, 80);
        EXPECT_TRUE(joined == spoken) << "the requests do not add up to the text";
    }
}

// A voice whose language the module cannot name to the server is listed as
// "none" and never chosen by language.
TEST(SdModuleVoices, EveryVoiceOfTheListHasAServerLanguage) {
    std::vector<std::string> displayNames;
    for (const kavo::VoiceFacts& voice : kavo::kVoices) displayNames.push_back(voice.displayName);
    for (const sdkavo::ListedVoice& listed : sdkavo::ListedVoices(displayNames))
        EXPECT_NE(listed.language, "none") << listed.displayName;
}

TEST(SdModuleVoices, SettingsChooseTheVoiceAndScaleProsody) {
    const std::vector<std::string> listed = {"经典科大 Catherine", "经典科大 小峰", "经典科大 小燕", "经典科大 小美"};
    const struct {
        sdkavo::VoiceRequest request;
        std::string voice;
    } cases[] = {
        {{"xiaoyan", "en", "male1"}, "经典科大 小燕"},
        {{"XiaoFeng", "", ""}, "经典科大 小峰"},
        {{"经典科大 小美", "", ""}, "经典科大 小美"},
        {{"nosuch", "zh", "male1"}, "经典科大 小峰"},
        {{"", "zh-CN", "female2"}, "经典科大 小燕"},
        {{"", "zh", ""}, "经典科大 小燕"},
        {{"", "yue", "male1"}, "经典科大 小美"},
        {{"", "zh-HK", "female1"}, "经典科大 小美"},
        {{"", "en-GB", "male1"}, "经典科大 Catherine"},
        {{"", "fr", "female1"}, "current"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sdkavo::ChooseVoice(c.request, listed, "current"), c.voice) << c.request.synthesisVoice << " " << c.request.language;
    for (const auto& [server, plugin] : {std::pair{-100, 0}, {-1, 49}, {0, 50}, {100, 100}, {300, 100}, {-300, 0}})
        EXPECT_EQ(sdkavo::PluginScale(server), plugin) << server;
    for (const auto& [text, number] : {std::pair<std::string, std::optional<int>>{"-100", -100}, {" +7 ", 7}, {"100", 100},
                                        {"101", std::nullopt}, {"2147483648", std::nullopt}, {"-4294967346", std::nullopt},
                                        {"12x", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt}})
        EXPECT_EQ(sdkavo::ServerNumber(text), number) << text;
}

}  // namespace
}  // namespace sdtest
