// Login, session parameters and call order: what the engine refuses, and that
// a refusal leaves nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "engine_client.h"
#include "engine_errors.h"

namespace espeak_test {
namespace {

using namespace espeak_engine;

class EngineCalls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Engine().login(nullptr, nullptr, LoginParams().c_str()), kOk); }
    void TearDown() override { EXPECT_EQ(Engine().logout(), kOk); }

    std::string BeginOrFail(const std::string& params) {
        int error = -1;
        const char* id = Engine().sessionBegin(params.c_str(), &error);
        EXPECT_EQ(error, kOk);
        return id && error == kOk ? id : "";
    }
};

TEST(EngineLogin, TakesThePluginStringWithAnyFolderAndPairsWithLogout) {
    // A folder may hold '=', blanks and bytes of any code page; only commas separate items.
    const std::string folder = "/home/\xd3\xef\xd2\xf4 a=b/\xff\xfe";
    EXPECT_EQ(Engine().login(nullptr, nullptr, LoginParams(folder).c_str()), kOk);
    EXPECT_EQ(Engine().login(nullptr, nullptr, LoginParams().c_str()), kErrAlreadyLoggedIn);
    EXPECT_EQ(Engine().logout(), kOk);
    EXPECT_EQ(Engine().logout(), kErrNotLoggedIn);
}

TEST(EngineLogin, RefusesBadStringsAndSessionsBeforeLogin) {
    EXPECT_EQ(Engine().login(nullptr, nullptr, nullptr), kErrNullArgument);
    EXPECT_EQ(Engine().login(nullptr, nullptr, "appid 7e02c9d4, work_dir = /opt"), kErrMalformedParams);
    EXPECT_EQ(Engine().login(nullptr, nullptr, " = 7e02c9d4"), kErrMalformedParams);
    EXPECT_EQ(Engine().login(nullptr, nullptr, "work_dir = /opt, timeout = 5000"), kErrMissingAppId);

    int error = kOk;
    EXPECT_EQ(Engine().sessionBegin(SessionParams("xiaoyan").c_str(), &error), nullptr);
    EXPECT_EQ(error, kErrNotLoggedIn);

    // None of the refusals counted as a login.
    EXPECT_EQ(Engine().logout(), kErrNotLoggedIn);
    EXPECT_EQ(Engine().login(nullptr, nullptr, LoginParams().c_str()), kOk);
    EXPECT_EQ(Engine().logout(), kOk);
}

TEST_F(EngineCalls, RefusesSessionsItCannotServe) {
    const Prosody natural;
    const struct {
        std::string params;
        int expected;
    } refusals[] = {
        {SessionParams("xiaoming"), kErrUnknownVoice},
        {SessionParams("XiaoYan"), kErrUnknownVoice},
        {SessionParams("xiaoyan", natural, "GBK", "22050"), kErrUnsupportedSampleRate},
        {SessionParams("xiaoyan", natural, "GBK", "16k"), kErrInvalidValue},
        {SessionParams("xiaoyan", natural, "UTF8"), kErrUnsupportedEncoding},
        {SessionParams("xiaoyan", {101, 100, 50}), kErrInvalidValue},
        {SessionParams("xiaoyan", {50, -1, 50}), kErrInvalidValue},
        {"voice_name = xiaoyan, speed = fast", kErrInvalidValue},
        {"voice_name = xiaoyan, pitch = ", kErrInvalidValue},
        {SessionParams("xiaoyan") + ", rdn", kErrMalformedParams},
        {"speed = 50", kErrUnknownVoice},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.params);
        int error = kOk;
        EXPECT_EQ(Engine().sessionBegin(refusal.params.c_str(), &error), nullptr);
        EXPECT_EQ(error, refusal.expected);
    }
    int error = kOk;
    EXPECT_EQ(Engine().sessionBegin(nullptr, &error), nullptr);
    EXPECT_EQ(error, kErrNullArgument);

    // No refused begin left a session open.
    const std::string id = BeginOrFail(SessionParams("catherine", {0, 0, 0}));
    EXPECT_EQ(Engine().sessionEnd(id.c_str(), "Normal"), kOk);
}

TEST_F(EngineCalls, RefusesCallsOutOfOrder) {
    const std::string text = Utf8ToGbk("你好");
    const auto length = static_cast<unsigned int>(text.size());
    EXPECT_EQ(Engine().textPut("espeak-0", text.data(), length, nullptr), kErrUnknownSession);
    EXPECT_EQ(Engine().textPut(nullptr, text.data(), length, nullptr), kErrUnknownSession);

    const std::string id = BeginOrFail(SessionParams("xiaofeng"));
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(id.rfind("espeak-", 0), 0u) << id;
    int error = kOk;
    EXPECT_EQ(Engine().sessionBegin(SessionParams("xiaomei").c_str(), &error), nullptr);
    EXPECT_EQ(error, kErrSessionBusy);

    unsigned int bytes = 0;
    int status = 0;
    EXPECT_EQ(Engine().audioGet(id.c_str(), &bytes, &status, &error), nullptr);
    EXPECT_EQ(error, kErrTextNotPut);

    // A cut-off two-byte character is not GBK; the session still takes a good text after it.
    EXPECT_EQ(Engine().textPut(id.c_str(), text.data(), length - 1, nullptr), kErrInvalidText);
    EXPECT_EQ(Engine().textPut(id.c_str(), text.data(), length, nullptr), kOk);
    EXPECT_EQ(Engine().textPut(id.c_str(), text.data(), length, nullptr), kErrTextAlreadyPut);

    EXPECT_EQ(Engine().sessionEnd(id.c_str(), "Normal"), kOk);
    EXPECT_EQ(Engine().sessionEnd(id.c_str(), "Normal"), kErrUnknownSession);
    EXPECT_EQ(Engine().audioGet(id.c_str(), &bytes, &status, &error), nullptr);
    EXPECT_EQ(error, kErrUnknownSession);

    // An empty text (what the plug-in puts when its text does not convert) is over at once.
    const std::string next = BeginOrFail(SessionParams("xiaofeng"));
    EXPECT_NE(next, id);
    EXPECT_EQ(Engine().textPut(next.c_str(), "", 0, nullptr), kOk);
    EXPECT_EQ(Engine().audioGet(next.c_str(), &bytes, &status, &error), nullptr);
    EXPECT_EQ(error, kOk);
    EXPECT_EQ(status, kEngineSynthComplete);
    EXPECT_EQ(Engine().sessionEnd(next.c_str(), "Normal"), kOk);
}

}  // namespace
}  // namespace espeak_test
