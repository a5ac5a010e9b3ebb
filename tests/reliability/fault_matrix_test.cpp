// The engine fault matrix: every engine fault, and a stop at every point where
// the session looks for one, met by the first, the middle or the last piece of
// a three-piece request. Each cell checks the exact PlayCallback calls and log
// lines that follow, then that the next request is spoken in full, and records
// both as test properties (what scripts/reliability tabulates).
#include <string>
#include <vector>

#include "engine/text_split.h"
#include "support/plugin_fixture.h"
#include "util/platform/ansi_text.h"
#include "util/utf.h"

namespace kavotest {
namespace {

enum class Fault {
    LibraryMissing,
    EntryPointMissing,
    LoginError,
    BeginError,
    NullIdentifier,
    TextPutError,
    AudioGetError,
    StopInBegin,
    StopInTextPut,
    StopInPoll
};

struct Cell {
    const char* name;
    Fault fault;
    EngineKind engine;
    int piece;  // 1 to 3: the piece that meets the fault; 0: met before any piece
};

constexpr int kSamplesPerBlock = 100;
constexpr std::int32_t kValue = 7;
constexpr std::int32_t kNextValue = 8;

// Three pieces of 231 ASCII units, so each is cut in three blocks.
std::u16string ThreePieceText() {
    std::u16string text;
    for (char16_t letter : {u'a', u'b', u'c'}) text += std::u16string(230, letter) + u'.';
    return text;
}

std::vector<unsigned char> TextAudio(const std::u16string& piece) {
    std::string bytes;
    kavo::WideToAnsi(piece, bytes);
    return DefaultFakeAudio(bytes);
}

std::string Utf8(const std::u16string& text) { return kavo::Utf16ToUtf8(text); }

class FaultMatrix : public PluginTestBase, public ::testing::WithParamInterface<Cell> {
protected:
    FaultMatrix() : PluginTestBase(GetParam().engine) { kavo::SplitText(ThreePieceText(), pieces_); }

    // The calls of the request as the table shows them: whose audio, and the end call.
    std::string DescribeCalls(const std::vector<PlayCall>& calls) const {
        std::vector<unsigned char> audio;
        int blocks = 0, ends = 0;
        for (const auto& call : calls) {
            if (call.IsEnd()) {
                ++ends;
            } else {
                ++blocks;
                audio.insert(audio.end(), call.bytes.begin(), call.bytes.end());
            }
        }
        std::string whose = "no audio";
        std::vector<unsigned char> whole;
        for (std::size_t p = 0; p < pieces_.size() && !audio.empty(); ++p) {
            const auto piece = TextAudio(pieces_[p]);
            whole.insert(whole.end(), piece.begin(), piece.end());
            if (whole == audio) {
                whose = p == 0 ? "audio of piece 1" : "audio of pieces 1-" + std::to_string(p + 1);
                break;
            }
            if (whole.size() > audio.size()) {
                const std::size_t part = audio.size() - (whole.size() - piece.size());
                whose = (p == 0 ? std::string() : "audio of piece" + std::string(p == 1 ? " 1" : "s 1-" + std::to_string(p)) + ", ") +
                        std::to_string(part) + " B of piece " + std::to_string(p + 1);
                break;
            }
        }
        return whose + " in " + std::to_string(blocks) + (blocks == 1 ? " block; " : " blocks; ") + std::to_string(ends) +
               (ends == 1 ? " end call" : " end calls");
    }

    // The log lines between the logger's opening and closing ones, piece texts
    // and the folder shortened.
    std::string DescribeLog(const std::vector<std::u16string>& messages) {
        std::string out;
        for (std::size_t i = 1; i + 1 < messages.size(); ++i) {
            std::u16string line = messages[i];
            for (std::size_t p = 0; p < pieces_.size(); ++p) {
                const auto at = line.find(pieces_[p]);
                if (at != std::u16string::npos) line.replace(at, pieces_[p].size(), u"<piece " + kavo::Utf8ToUtf16(std::to_string(p + 1)) + u">");
            }
            const std::u16string folder = host().FolderText();
            const auto at = line.find(folder);
            if (at != std::u16string::npos) line.replace(at, folder.size(), u"<folder>");
            out += (out.empty() ? "" : " / ") + Utf8(line);
        }
        return out;
    }

    std::vector<std::u16string> pieces_;
};

const char* const kPositions[] = {"BeforeAnyPiece", "FirstPiece", "MiddlePiece", "LastPiece"};

TEST_P(FaultMatrix, Cell) {
    const Cell cell = GetParam();
    RecordProperty("fault", cell.name);
    RecordProperty("piece", kPositions[cell.piece]);
    const int session = cell.piece - 1;  // the engine session of the piece that meets the fault
    ASSERT_EQ(pieces_.size(), 3u);
    if (cell.engine != EngineKind::None) fake().TextStreaming(kSamplesPerBlock, 0);
    switch (cell.fault) {
        case Fault::LoginError: fake().SetLoginResult(-10407); break;
        case Fault::BeginError: fake().FailBegin(session, 10111); break;
        case Fault::NullIdentifier: fake().BeginWithNullIdentifier(session); break;
        case Fault::TextPutError: fake().FailTextPut(session, 10132); break;
        case Fault::AudioGetError: fake().FailAudioGet(session, 1, -3); break;  // the second block
        case Fault::StopInBegin: fake().HoldAt(session, 0); break;
        case Fault::StopInTextPut: fake().HoldAt(session, 1); break;
        case Fault::StopInPoll:
            fake().PollBlock(session, {2000, 2001}, /*status=*/1, -1, /*hold=*/true);
            fake().PollBlock(session, {2002}, /*status=*/2);
            break;
        default: break;
    }
    StartAndWaitReady();
    ASSERT_TRUE(Speak(kXiaoyan, ThreePieceText(), kValue));
    const bool stops = cell.fault == Fault::StopInBegin || cell.fault == Fault::StopInTextPut || cell.fault == Fault::StopInPoll;
    if (stops) {
        ASSERT_TRUE(fake().WaitHeld());
        ASSERT_TRUE(api().Stop());
        fake().Release();
    }
    // The next request shows that the faulty one is over and that it left nothing behind.
    ASSERT_TRUE(Speak(kXiaoyan, u"next", kNextValue));
    const bool startsUp = cell.piece > 0;
    if (startsUp) { ASSERT_TRUE(play().WaitForEnd(kNextValue)); }
    ASSERT_TRUE(api().Uninitialize());

    const auto calls = play().CallsWithValue(kValue);
    const auto messages = logs().Messages();
    RecordProperty("calls", DescribeCalls(calls));
    RecordProperty("log", DescribeLog(messages));

    // What each cell must give: the audio that precedes the fault, whether the
    // end call follows, and the one error line.
    std::vector<unsigned char> expected;
    for (int p = 0; p + 1 < cell.piece; ++p) {
        const auto audio = TextAudio(pieces_[p]);
        expected.insert(expected.end(), audio.begin(), audio.end());
    }
    const std::u16string piece = startsUp ? pieces_[session] : u"";
    const std::u16string name = kXiaoyan;
    std::vector<std::u16string> lines;
    bool endCall = false;
    switch (cell.fault) {
        case Fault::LibraryMissing:
        case Fault::EntryPointMissing:
        case Fault::LoginError:
            break;
        case Fault::BeginError:
            lines = {u"开始合成会话失败 error: 10111 voiceName: " + name + u" text: " + piece};
            break;
        case Fault::NullIdentifier:
            lines = {u"开始合成会话失败 error: 0 voiceName: " + name + u" text: " + piece};
            break;
        case Fault::TextPutError:
            lines = {u"添加合成文本失败 error: 10132 text: " + piece + u" voiceName: " + name};
            endCall = true;
            break;
        case Fault::AudioGetError: {
            lines = {u"获取合成音频失败 error: -3 text: " + piece + u" voiceName: " + name};
            const auto audio = TextAudio(piece);
            expected.insert(expected.end(), audio.begin(), audio.begin() + 2 * kSamplesPerBlock);
            endCall = true;
            break;
        }
        case Fault::StopInPoll: {
            const auto held = Pcm({2000, 2001});
            expected.insert(expected.end(), held.begin(), held.end());
            break;
        }
        default: break;
    }
    std::vector<unsigned char> audio;
    int ends = 0;
    for (const auto& call : calls) {
        EXPECT_EQ(call.voice, kXiaoyan);
        if (call.IsEnd()) ++ends;
        else audio.insert(audio.end(), call.bytes.begin(), call.bytes.end());
    }
    EXPECT_EQ(audio, expected);
    EXPECT_EQ(ends, endCall ? 1 : 0);
    if (!calls.empty() && endCall) { EXPECT_TRUE(calls.back().IsEnd()) << "the end call comes last"; }

    ASSERT_GE(messages.size(), 4u);
    EXPECT_EQ(messages.back(), u"日志模块清理完成");
    EXPECT_EQ(messages[messages.size() - 2], u"合成线程退出");
    if (startsUp) {
        EXPECT_EQ(messages[1], u"合成线程准备就绪");
        const std::vector<std::u16string> middle(messages.begin() + 2, messages.end() - 2);
        EXPECT_EQ(middle, lines);
        EXPECT_EQ(play().EndCalls(kNextValue), 1);
        EXPECT_EQ(play().AudioOf(kNextValue), TextAudio(u"next"));
        // Every session that began was closed once, with "Normal".
        for (int s = 0; s < fake().Sessions(); ++s) {
            const bool began = !(s == session && (cell.fault == Fault::BeginError || cell.fault == Fault::NullIdentifier));
            EXPECT_EQ(fake().SessionEnds(s), began ? 1 : 0) << "session " << s;
            if (began) { EXPECT_EQ(fake().SessionEndHint(s), "Normal"); }
        }
        EXPECT_EQ(fake().Sessions(), cell.piece + 1) << "the pieces after the fault never reach the engine";
    } else {
        // A start-up fault: the worker reports it, skips every request and still ends.
        EXPECT_EQ(messages[messages.size() - 3], u"合成接口初始化失败");
        EXPECT_TRUE(play().Calls().empty());
        if (cell.engine != EngineKind::None) { EXPECT_EQ(fake().Sessions(), 0); }
        const std::size_t faultLines = cell.fault == Fault::EntryPointMissing ? 0u : 1u;
        EXPECT_EQ(messages.size(), 4u + faultLines);  // opening, start-up failure, exit, closing
        if (cell.fault == Fault::LoginError) { EXPECT_EQ(messages[1], u"登录失败 error: -10407"); }
        if (cell.fault == Fault::LibraryMissing) { EXPECT_EQ(messages[1].rfind(u"dll加载失败 error: ", 0), 0u); }
    }
}

std::vector<Cell> Cells() {
    std::vector<Cell> cells = {
        {"LibraryMissing", Fault::LibraryMissing, EngineKind::None, 0},
        {"MSPLoginMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutLogin, 0},
        {"MSPLogoutMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutLogout, 0},
        {"QTTSSessionBeginMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutSessionBegin, 0},
        {"QTTSTextPutMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutTextPut, 0},
        {"QTTSAudioGetMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutAudioGet, 0},
        {"QTTSSessionEndMissing", Fault::EntryPointMissing, EngineKind::FakeWithoutSessionEnd, 0},
        {"LoginError", Fault::LoginError, EngineKind::Fake, 0},
    };
    const std::pair<const char*, Fault> perPiece[] = {
        {"SessionBeginError", Fault::BeginError}, {"NullIdentifier", Fault::NullIdentifier},
        {"TextPutError", Fault::TextPutError},    {"AudioGetError", Fault::AudioGetError},
        {"StopBeforeTextPut", Fault::StopInBegin}, {"StopAfterTextPut", Fault::StopInTextPut},
        {"StopAfterAudioPoll", Fault::StopInPoll}};
    for (const auto& [name, fault] : perPiece)
        for (int piece = 1; piece <= 3; ++piece) cells.push_back({name, fault, EngineKind::Fake, piece});
    return cells;
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info) {
    return std::string(info.param.name) + "_" + kPositions[info.param.piece];
}

INSTANTIATE_TEST_SUITE_P(Engine, FaultMatrix, ::testing::ValuesIn(Cells()), CellName);

}  // namespace
}  // namespace kavotest
