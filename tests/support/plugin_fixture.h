// Fixtures that give each test a freshly loaded plug-in copy (with the fake
// engine beside it unless told otherwise) and helpers that make each test read
// as what a host does.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_engine.h"
#include "support/file_bytes.h"
#include "support/pcm.h"
#include "support/plugin_host.h"
#include "support/recorders.h"

namespace kavotest {

inline const std::u16string kXiaoyan = u"经典科大 小燕";
inline const std::u16string kXiaofeng = u"经典科大 小峰";
inline const std::u16string kXiaomei = u"经典科大 小美";
inline const std::u16string kCatherine = u"经典科大 Catherine";

// Line ending the log file uses on this platform: CR LF on Windows, LF elsewhere.
extern const char* const kLogLineEnd;
// The log file's lines, each without its ending; bytes after the last ending
// are left out and given in unended.
std::vector<std::string> LogFileLines(const std::string& bytes, std::string* unended = nullptr);

// What the fake engine's default script delivers for the engine text bytes.
std::vector<unsigned char> DefaultFakeAudio(const std::string& engineText);
// The session parameter string the plug-in must send.
std::string SessionParams(const std::string& voiceId, int rate, int volume, int pitch);

class PluginTestBase : public ::testing::Test {
protected:
    explicit PluginTestBase(EngineKind engine, const std::filesystem::path& folderName = u"stage");
    ~PluginTestBase() override;

    const PluginApi& api() const { return host_->api(); }
    PluginHost& host() { return *host_; }
    FakeEngine& fake() { return *fake_; }
    PlayRecorder& play() { return PlayRecorder::Instance(); }
    LogRecorder& logs() { return LogRecorder::Instance(); }

    bool StartWithSink() { return api().Initialize(&LogRecorder::Sink); }
    bool StartWithLogFile() { return api().Initialize(nullptr); }
    // Starts in sink mode, registers the recorder as PlayCallback and waits for the worker's start-up line.
    void StartAndWaitReady();
    void ListenForAudio() { api().SetPlayCallback(&PlayRecorder::Callback); }
    // One cycle in file mode: starts, speaks the text, waits for its end call, uninitialises.
    void SpeakOneRequestInFileMode(const std::u16string& text, std::int32_t value);
    bool Speak(const std::u16string& voice, const std::u16string& text, std::int32_t value) {
        return api().Speak(K(voice), K(text), value);
    }
    // Queues a last short request and waits for its end call: the worker has
    // then finished everything queued before it.
    void WaitUntilWorkerIdle(std::int32_t markerValue = 424242);

private:
    std::unique_ptr<PluginHost> host_;
    std::optional<FakeEngine> fake_;
};

class PluginTest : public PluginTestBase {
protected:
    PluginTest() : PluginTestBase(EngineKind::Fake) {}
};

class PluginWithoutEngineTest : public PluginTestBase {
protected:
    PluginWithoutEngineTest() : PluginTestBase(EngineKind::None) {}
};

}  // namespace kavotest
