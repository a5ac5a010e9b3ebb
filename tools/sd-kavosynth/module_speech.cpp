#include "module_speech.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "utf16_text.h"

namespace sdkavo {
namespace {

// What the plug-in's worker logs as it loads the engine, and for a piece the
// engine refused to begin (a request that then ends without its end call).
constexpr char kEngineReady[] = "合成线程准备就绪";
constexpr char kEngineNotLoaded[] = "dll加载失败";
constexpr char kEngineLoginFailed[] = "登录失败";
constexpr char kEngineFailed[] = "合成接口初始化失败";
constexpr char kBeginFailed[] = "开始合成会话失败";
// Generous: the engine loads on a thread of the plug-in's own.
constexpr auto kEngineStartLimit = std::chrono::seconds(30);

std::atomic<ModuleSpeech*> routed{nullptr};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Nothing is thrown back into the plug-in: a block or line that cannot be
// handled (out of memory) is dropped.
void KAVOSYNTH_CALL OnPlay(const KavoChar*, const void* pcm, uint32_t bytes, int32_t value) {
    try {
        if (ModuleSpeech* speech = routed.load()) speech->OnAudio(pcm, bytes, value);
    } catch (...) {
    }
}

void KAVOSYNTH_CALL OnLog(int32_t level, const KavoChar* text) {
    try {
        if (ModuleSpeech* speech = routed.load(); speech && text) speech->OnLog(level, text);
    } catch (...) {
    }
}

}  // namespace

ModuleSpeech::ModuleSpeech(Output& output) : output_(output) {}

ModuleSpeech::~ModuleSpeech() { Shutdown(); }

bool ModuleSpeech::Start(const std::filesystem::path& pluginPath, std::string& reason) {
    if (exports_) return true;
    std::string error;
    library_ = kavosay::PluginLibrary::Load(pluginPath, error);
    if (!library_) {
        reason = "no plug-in: " + error;
        return false;
    }
    const kavosay::PluginExports& exports = library_->Exports();
    routed.store(this);
    exports.SetPlayCallback(OnPlay);
    if (!exports.Initialize(::sdkavo::OnLog)) {
        reason = "the plug-in " + pluginPath.string() + " did not start";
        Shutdown();
        return false;
    }
    initialized_ = true;
    {
        std::unique_lock<std::mutex> lock(output_.Mutex());
        const bool settled = engineStateChanged_.wait_for(
            lock, kEngineStartLimit, [&] { return engineState_ != EngineState::Starting; });
        if (!settled) engineProblem_ = "the engine did not start within " +
                                       std::to_string(kEngineStartLimit.count()) + " seconds";
        if (engineState_ != EngineState::Ready) reason = engineProblem_;
    }
    exports_ = &exports;
    if (!reason.empty()) {
        Shutdown();
        return false;
    }
    voiceNames_ = kavosay::ListVoiceNames(exports);
    ::AudioFormat format{};
    if (exports.GetAudioFormat(&format) && format.sampleRate > 0) sampleRate_ = format.sampleRate;
    return true;
}

bool ModuleSpeech::Speak(const SpokenMessage& message, const std::string& voice, const Prosody& prosody,
                         const std::string& reply) {
    if (!exports_) return false;
    const std::u16string voiceName = kavosay::ToUtf16(voice);
    std::vector<std::u16string> texts;
    for (const Stretch& stretch : message.stretches) texts.push_back(kavosay::ToUtf16(stretch.text));
    exports_->SetRate(voiceName.c_str(), prosody.rate);
    exports_->SetPitch(voiceName.c_str(), prosody.pitch);
    exports_->SetVolume(voiceName.c_str(), prosody.volume);

    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (message_) return false;
    Message spoken;
    spoken.firstValue = nextValue_;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!exports_->Speak(voiceName.c_str(), texts[i].c_str(), nextValue_)) {
            // What was queued of it is cut short; its audio matches no message and is dropped.
            if (i > 0) exports_->Stop();
            return false;
        }
        nextValue_ = nextValue_ == INT32_MAX ? 1 : nextValue_ + 1;
        spoken.marksAfter.push_back(message.stretches[i].marksAfter);
    }
    std::string events = reply + "701 BEGIN\n";
    for (const std::string& mark : message.leadingMarks) events += "700-" + mark + "\n700 INDEX MARK\n";
    if (texts.empty()) events += "702 END\n";
    else message_ = std::move(spoken);
    pending_.clear();
    output_.WriteHeld(events);
    return true;
}

void ModuleSpeech::Stop(const char* event) {
    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (!message_) return;
    message_.reset();
    pending_.clear();
    output_.WriteHeld(std::string(event) + "\n");
    // Stop only drops queued requests and raises a flag: it never waits for the worker.
    exports_->Stop();
}

void ModuleSpeech::Shutdown() {
    if (library_) {
        // Not under the output's lock: the worker may be waiting for it in a callback.
        if (initialized_) library_->Exports().Uninitialize();
        library_->Exports().SetPlayCallback(nullptr);
    }
    initialized_ = false;
    routed.store(nullptr);
    exports_ = nullptr;
    library_.reset();
    std::lock_guard<std::mutex> lock(output_.Mutex());
    message_.reset();
}

void ModuleSpeech::OnAudio(const void* pcm, std::uint32_t bytes, std::int32_t value) {
    std::basic_string<unsigned char> samples;
    {
        std::lock_guard<std::mutex> lock(output_.Mutex());
        if (!IsCurrent(value)) return;  // of a message stopped or ended
        if (!pcm) {
            RequestOver();
            return;
        }
        samples.swap(pending_);
    }
    // The event is made outside the lock, so that a STOP waits at most for one write.
    samples.append(static_cast<const unsigned char*>(pcm), bytes);
    std::basic_string<unsigned char> oddByte;
    if (samples.size() % 2 != 0) {
        oddByte = samples.substr(samples.size() - 1);  // waits for its other half
        samples.pop_back();
    }
    const std::string event = samples.empty() ? std::string() : AudioEvent(samples.data(), samples.size(), sampleRate_);
    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (!IsCurrent(value)) return;
    // Each block goes at once: the server plays it while the next is made.
    output_.WriteHeld(event);
    pending_ = std::move(oddByte);
}

bool ModuleSpeech::IsCurrent(std::int32_t value) const {
    return message_ && value == message_->firstValue + static_cast<std::int32_t>(message_->ended);
}

void ModuleSpeech::RequestOver() {
    pending_.clear();  // half a sample at the end of a request is dropped
    std::string events;
    for (const std::string& mark : message_->marksAfter[message_->ended]) events += "700-" + mark + "\n700 INDEX MARK\n";
    if (++message_->ended == message_->marksAfter.size()) {
        events += "702 END\n";
        message_.reset();
    }
    output_.WriteHeld(events);
}

void ModuleSpeech::OnLog(std::int32_t level, const KavoChar* text) {
    const std::string message = kavosay::LogMessage(text);
    std::fprintf(stderr, "kavosynth %s: %s\n", kavosay::LogLevelName(level), message.c_str());
    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (engineState_ == EngineState::Starting) {
        if (StartsWith(message, kEngineReady)) {
            engineState_ = EngineState::Ready;
        } else if (StartsWith(message, kEngineNotLoaded)) {
            engineProblem_ = "no engine: " + message;
        } else if (StartsWith(message, kEngineLoginFailed)) {
            engineProblem_ = "the engine's login failed: " + message;
        } else if (StartsWith(message, kEngineFailed)) {
            if (engineProblem_.empty()) engineProblem_ = "the engine lacks an entry point: " + message;
            engineState_ = EngineState::Failed;
        }
        engineStateChanged_.notify_all();
    } else if (message_ && StartsWith(message, kBeginFailed)) {
        // The plug-in drops a request whose piece the engine would not begin: it is over.
        RequestOver();
    }
}

}  // namespace sdkavo
