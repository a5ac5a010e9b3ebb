// A scriptable stand-in for the MSC classic engine library: the six entry
// points behave as each test scripts them, and every call the plug-in makes is
// recorded for the test to read back (see fake_engine_control.h).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_contract.h"
#include "fake_engine_control.h"

namespace {

struct Poll {
    std::vector<unsigned char> bytes;
    bool hasBlock = false;
    int status = 0;
    bool hold = false;
};

struct Script {
    int beginError = 0;
    bool nullIdentifier = false;
    int textPutError = 0;
    int audioGetErrorPoll = -1;
    int audioGetError = 0;
    int pollDelayMs = 0;
    int holdAt = -1;  // 0: inside QTTSSessionBegin, 1: inside QTTSTextPut
    std::vector<Poll> polls;  // empty: the default (or streaming) script
};

struct SessionRecord {
    std::string id;
    std::string params;
    bool textPut = false;
    std::string text;
    int polls = 0;
    int ends = 0;
    std::string endHint;
    std::vector<unsigned char> block;  // what the last poll handed out; valid until the next
};

struct Streaming {
    bool text = false;  // the default script's samples, cut into blocks of samplesPerBlock
    int samplesPerByte = 0;  // > 0: one text byte a poll, this many samples of it at speed 50
    int blocks = 0;
    int samplesPerBlock = 0;
    int amplitude = 0;
    int delayMs = 0;
};

struct ScriptedEngine {
    std::mutex mutex;
    std::condition_variable heldChanged;
    int loginResult = 0;
    int envBeginError = 0;
    int logins = 0;
    int logouts = 0;
    bool credentialsNull = true;
    std::string loginParams;
    std::map<int, Script> scripts;
    std::vector<SessionRecord> sessions;
    Streaming streaming;
    int holdsStarted = 0;  // a call is held while holdsStarted > releases
    int releases = 0;
    std::string failMarker;  // QTTSTextPut fails with failMarkerError for texts holding it
    int failMarkerError = 0;
};

// Never destroyed: a plug-in thread may still call the engine while the process
// exits (the careless-host tests). The library stays mapped (see CMakeLists.txt),
// so the record stays reachable.
ScriptedEngine& Engine() {
    static ScriptedEngine* engine = new ScriptedEngine();
    return *engine;
}

void AppendSample(std::vector<unsigned char>& bytes, int value) {
    const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    bytes.push_back(static_cast<unsigned char>(sample & 0xFF));
    bytes.push_back(static_cast<unsigned char>(sample >> 8));
}

int CopyOut(const std::string& text, char* buf, int capacity) {
    if (buf && capacity > 0) {
        const std::size_t n = text.size() < static_cast<std::size_t>(capacity - 1) ? text.size() : capacity - 1;
        std::memcpy(buf, text.data(), n);
        buf[n] = '\0';
    }
    return static_cast<int>(text.size());
}

int ParseSession(const char* id) {
    if (!id || std::strncmp(id, "fake-", 5) != 0) return -1;
    return std::atoi(id + 5);
}

SessionRecord* FindSession(ScriptedEngine& engine, const char* id) {
    const int index = ParseSession(id);
    if (index < 0 || index >= static_cast<int>(engine.sessions.size())) return nullptr;
    return &engine.sessions[index];
}

[[maybe_unused]] int EnvInt(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

// The session's speed parameter (0..100), 50 when absent or 0.
[[maybe_unused]] int SessionSpeed(const std::string& params) {
    const std::size_t at = params.find("speed = ");
    const int speed = at == std::string::npos ? 0 : std::atoi(params.c_str() + at + 8);
    return speed > 0 ? speed : 50;
}

// Holds the calling entry point (its lock taken) until FakeRelease.
[[maybe_unused]] void Hold(ScriptedEngine& engine, std::unique_lock<std::mutex>& lock) {
    const int hold = ++engine.holdsStarted;
    engine.heldChanged.notify_all();
    engine.heldChanged.wait(lock, [&] { return engine.releases >= hold; });
}

// The poll the session's script gives for poll number k.
[[maybe_unused]] Poll ScriptedPoll(const ScriptedEngine& engine, const Script& script, const SessionRecord& record, int k) {
    Poll poll;
    if (!script.polls.empty()) {
        if (k < static_cast<int>(script.polls.size())) return script.polls[k];
        poll.status = 2;  // past the script: the engine has nothing more
        return poll;
    }
    if (engine.streaming.samplesPerByte > 0) {
        // Speech whose length follows the text and the speed: faster speech, fewer samples.
        const std::size_t count = static_cast<std::size_t>(engine.streaming.samplesPerByte) * 50 / SessionSpeed(record.params);
        const std::size_t at = static_cast<std::size_t>(k);
        if (at < record.text.size())
            for (std::size_t i = 0; i < count; ++i) AppendSample(poll.bytes, 1000 + static_cast<unsigned char>(record.text[at]));
        poll.hasBlock = !poll.bytes.empty();
        poll.status = at + 1 >= record.text.size() ? 2 : 1;
        return poll;
    }
    if (engine.streaming.text) {
        const std::size_t per = static_cast<std::size_t>(engine.streaming.samplesPerBlock);
        const std::size_t from = static_cast<std::size_t>(k) * per;
        for (std::size_t i = from; i < from + per && i < record.text.size(); ++i)
            AppendSample(poll.bytes, 1000 + static_cast<unsigned char>(record.text[i]));
        poll.hasBlock = !poll.bytes.empty();
        poll.status = from + per >= record.text.size() ? 2 : 1;
        return poll;
    }
    if (engine.streaming.blocks > 0) {
        if (k < engine.streaming.blocks) {
            poll.hasBlock = true;
            for (int i = 0; i < engine.streaming.samplesPerBlock; ++i) AppendSample(poll.bytes, engine.streaming.amplitude);
            poll.status = k == engine.streaming.blocks - 1 ? 2 : 1;
        } else {
            poll.status = 2;
        }
        return poll;
    }
    poll.status = 2;
    if (k == 0) {
        poll.hasBlock = true;
        for (unsigned char b : record.text) AppendSample(poll.bytes, 1000 + b);
    }
    return poll;
}

}  // namespace

extern "C" {

// Each entry point can be left out (FAKE_ENGINE_WITHOUT_<NAME>), for the
// variants that play an engine library lacking it.
#if !defined(FAKE_ENGINE_WITHOUT_LOGIN)
MSPLoginFn MSPLogin;
int ENGINE_CALL MSPLogin(const char* userName, const char* password, const char* params) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    ++engine.logins;
    engine.credentialsNull = userName == nullptr && password == nullptr;
    engine.loginParams = params ? params : "";
    if (const int fromEnv = EnvInt("KAVO_FAKE_LOGIN_RESULT")) engine.loginResult = fromEnv;
    engine.envBeginError = EnvInt("KAVO_FAKE_BEGIN_ERROR");
    if (const int delay = EnvInt("KAVO_FAKE_POLL_DELAY_MS")) engine.streaming = Streaming{true, 0, 0, 4, 0, delay};
    if (const int perByte = EnvInt("KAVO_FAKE_SAMPLES_PER_BYTE")) engine.streaming = Streaming{false, perByte, 0, 0, 0, 0};
    return engine.loginResult;
}
#endif

#if !defined(FAKE_ENGINE_WITHOUT_LOGOUT)
MSPLogoutFn MSPLogout;
int ENGINE_CALL MSPLogout() {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    ++engine.logouts;
    return 0;
}
#endif

#if !defined(FAKE_ENGINE_WITHOUT_SESSION_BEGIN)
QTTSSessionBeginFn QTTSSessionBegin;
const char* ENGINE_CALL QTTSSessionBegin(const char* params, int* errorCode) {
    ScriptedEngine& engine = Engine();
    std::unique_lock<std::mutex> lock(engine.mutex);
    if (engine.scripts[static_cast<int>(engine.sessions.size())].holdAt == 0) Hold(engine, lock);
    const int index = static_cast<int>(engine.sessions.size());
    engine.sessions.emplace_back();
    SessionRecord& record = engine.sessions.back();
    record.id = "fake-" + std::to_string(index);
    record.params = params ? params : "";
    const Script& script = engine.scripts[index];
    const int error = script.beginError != 0 ? script.beginError : engine.envBeginError;
    if (errorCode) *errorCode = error;
    if (error != 0 || script.nullIdentifier) return nullptr;
    return record.id.c_str();
}
#endif

#if !defined(FAKE_ENGINE_WITHOUT_TEXT_PUT)
QTTSTextPutFn QTTSTextPut;
int ENGINE_CALL QTTSTextPut(const char* sessionId, const char* text, unsigned int textLength,
                                        const char* /*params*/) {
    ScriptedEngine& engine = Engine();
    std::unique_lock<std::mutex> lock(engine.mutex);
    SessionRecord* record = FindSession(engine, sessionId);
    if (!record) return 10108;
    record->textPut = true;
    record->text.assign(text ? text : "", text ? textLength : 0);
    const std::string put = record->text;
    const Script& script = engine.scripts[ParseSession(sessionId)];
    if (script.holdAt == 1) Hold(engine, lock);
    if (!engine.failMarker.empty() && put.find(engine.failMarker) != std::string::npos) return engine.failMarkerError;
    return engine.scripts[ParseSession(sessionId)].textPutError;
}
#endif

#if !defined(FAKE_ENGINE_WITHOUT_AUDIO_GET)
QTTSAudioGetFn QTTSAudioGet;

const void* ENGINE_CALL QTTSAudioGet(const char* sessionId, unsigned int* audioLength, int* synthStatus,
                                                 int* errorCode) {
    ScriptedEngine& engine = Engine();
    std::unique_lock<std::mutex> lock(engine.mutex);
    SessionRecord* record = FindSession(engine, sessionId);
    if (!record) {
        if (errorCode) *errorCode = 10108;
        return nullptr;
    }
    const int index = ParseSession(sessionId);
    const int k = record->polls++;
    const Script script = engine.scripts[index];
    const Poll poll = ScriptedPoll(engine, script, *record, k);
    const int delay = script.pollDelayMs > 0 ? script.pollDelayMs : engine.streaming.delayMs;
    if (delay > 0) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        lock.lock();
    }
    if (poll.hold) Hold(engine, lock);
    record = &engine.sessions[index];  // the vector may have grown meanwhile
    record->block = poll.bytes;
    if (audioLength) *audioLength = static_cast<unsigned int>(record->block.size());
    if (synthStatus) *synthStatus = poll.status;
    if (errorCode) *errorCode = k == script.audioGetErrorPoll ? script.audioGetError : 0;
    return poll.hasBlock ? record->block.data() : nullptr;
}
#endif

#if !defined(FAKE_ENGINE_WITHOUT_SESSION_END)
QTTSSessionEndFn QTTSSessionEnd;
int ENGINE_CALL QTTSSessionEnd(const char* sessionId, const char* hints) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    SessionRecord* record = FindSession(engine, sessionId);
    if (!record) return 10108;
    ++record->ends;
    record->endHint = hints ? hints : "";
    return 0;
}
#endif

// Control exports. Declared from their list, so that a definition that differs
// from its entry's signature does not compile.
#define FAKE_ENGINE_CONTROL_DECLARATION(name, result, parameters) result name parameters;
FAKE_ENGINE_CONTROL_LIST(FAKE_ENGINE_CONTROL_DECLARATION)
#undef FAKE_ENGINE_CONTROL_DECLARATION

void FakeReset(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.loginResult = 0;
    engine.logins = 0;
    engine.logouts = 0;
    engine.loginParams.clear();
    engine.scripts.clear();
    engine.sessions.clear();
    engine.streaming = Streaming{};
    engine.failMarker.clear();
    engine.failMarkerError = 0;
}

void FakeSetLoginResult(int result) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.loginResult = result;
}

void FakeScriptBegin(int session, int beginError, int nullIdentifier) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.scripts[session].beginError = beginError;
    engine.scripts[session].nullIdentifier = nullIdentifier != 0;
}

void FakeScriptTextPutError(int session, int error) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.scripts[session].textPutError = error;
}

void FakeScriptAudioGetError(int session, int poll, int error) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.scripts[session].audioGetErrorPoll = poll;
    engine.scripts[session].audioGetError = error;
}

void FakeScriptPoll(int session, const int16_t* samples, int count, int oddByte, int status, int hold) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    Poll poll;
    poll.hasBlock = (samples && count > 0) || oddByte >= 0;
    for (int i = 0; samples && i < count; ++i) AppendSample(poll.bytes, samples[i]);
    if (oddByte >= 0) poll.bytes.push_back(static_cast<unsigned char>(oddByte));
    poll.status = status;
    poll.hold = hold != 0;
    engine.scripts[session].polls.push_back(std::move(poll));
}

void FakeScriptPollDelay(int session, int milliseconds) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.scripts[session].pollDelayMs = milliseconds;
}

void FakeSetStreaming(int blocks, int samplesPerBlock, int amplitude, int delayMs) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.streaming = Streaming{false, 0, blocks, samplesPerBlock, amplitude, delayMs};
}

void FakeSetTextStreaming(int samplesPerBlock, int delayMs) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.streaming = Streaming{samplesPerBlock > 0, 0, 0, samplesPerBlock, 0, delayMs};
}

void FakeScriptHold(int session, int stage) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.scripts[session].holdAt = stage;
}

void FakeFailTextPutContaining(const char* marker, int error) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    engine.failMarker = marker ? marker : "";
    engine.failMarkerError = error;
}

int FakeWaitHeld(int timeoutMs) {
    ScriptedEngine& engine = Engine();
    std::unique_lock<std::mutex> lock(engine.mutex);
    const bool held = engine.heldChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                                  [&] { return engine.holdsStarted > engine.releases; });
    return held ? 1 : 0;
}

void FakeRelease(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (engine.holdsStarted > engine.releases) ++engine.releases;  // never releases a hold ahead of time
    engine.heldChanged.notify_all();
}

int FakeLoginCount(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    return engine.logins;
}

int FakeLogoutCount(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    return engine.logouts;
}

int FakeLoginCredentialsNull(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    return engine.credentialsNull ? 1 : 0;
}

int FakeGetLoginParams(char* buf, int capacity) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    return CopyOut(engine.loginParams, buf, capacity);
}

int FakeSessionCount(void) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    return static_cast<int>(engine.sessions.size());
}

int FakeGetSessionParams(int session, char* buf, int capacity) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (session < 0 || session >= static_cast<int>(engine.sessions.size())) return -1;
    return CopyOut(engine.sessions[session].params, buf, capacity);
}

int FakeGetSessionText(int session, char* buf, int capacity) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (session < 0 || session >= static_cast<int>(engine.sessions.size())) return -1;
    if (!engine.sessions[session].textPut) return -1;
    return CopyOut(engine.sessions[session].text, buf, capacity);
}

int FakeGetSessionPolls(int session) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (session < 0 || session >= static_cast<int>(engine.sessions.size())) return -1;
    return engine.sessions[session].polls;
}

int FakeGetSessionEnds(int session) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (session < 0 || session >= static_cast<int>(engine.sessions.size())) return -1;
    return engine.sessions[session].ends;
}

int FakeGetSessionEndHint(int session, char* buf, int capacity) {
    ScriptedEngine& engine = Engine();
    std::lock_guard<std::mutex> lock(engine.mutex);
    if (session < 0 || session >= static_cast<int>(engine.sessions.size())) return -1;
    return CopyOut(engine.sessions[session].endHint, buf, capacity);
}

}  // extern "C"
