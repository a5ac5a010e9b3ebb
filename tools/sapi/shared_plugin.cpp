#include "shared_plugin.h"

#include <windows.h>

#include "engine/log_texts.h"
#include "util/platform/module_path.h"
#include "utf16_text.h"

namespace kavo::sapi {
namespace {

// The worker's lines this engine reads (engine/log_texts.h lists every text hosts read).
const std::string kReady = kavosay::ToUtf8(kavo::kLogEngineReady);
const std::string kInitFailed = kavosay::ToUtf8(kavo::kLogEngineFailed);
const std::string kSessionFailed = kavosay::ToUtf8(kavo::kLogPieceRefused);
// How often a wait for the turn asks whether to go on waiting.
constexpr auto kTurnPoll = std::chrono::milliseconds(10);
// The engine loads on the plug-in's worker thread; one that has said nothing
// by then is taken as failed.
constexpr auto kReadyTimeout = std::chrono::seconds(60);

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

const KavoChar* K(const std::wstring& text) { return text.c_str(); }

}  // namespace

SharedPlugin& SharedPlugin::Instance() {
    static SharedPlugin plugin;
    return plugin;
}

SharedPlugin::~SharedPlugin() {
    // Only at process exit with an instance still alive: unloading the plug-in
    // from here (under the loader lock) could deadlock, so it stays loaded.
    (void)library_.release();
}

void SharedPlugin::Acquire() noexcept {
    std::lock_guard<std::mutex> life(lifeMutex_);
    if (users_++ > 0) return;
    try {
        Start();
    } catch (...) {
        library_.reset();
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = EngineState::Failed;
        failure_ = "out of memory while loading the plug-in";
        changed_.notify_all();
    }
}

void SharedPlugin::Start() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = EngineState::Unknown;
        failure_.clear();
        lastError_.clear();
    }
    const std::u16string folder = GetModuleDirectory();
    const std::filesystem::path path =
        std::filesystem::path(std::wstring(folder.begin(), folder.end())) / L"KavoSynthXunFeiClassic.dll";
    std::string error;
    library_ = kavosay::PluginLibrary::Load(path, error);
    bool started = false;
    if (library_) {
        library_->Exports().SetPlayCallback(&SharedPlugin::OnPlay);
        started = library_->Exports().Initialize(&SharedPlugin::OnLog);
        if (!started) error = "KavoSynthInitialize failed";
    }
    if (!started) {
        library_.reset();
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = EngineState::Failed;
        failure_ = error;
        changed_.notify_all();
    }
}

void SharedPlugin::Release() noexcept {
    std::lock_guard<std::mutex> life(lifeMutex_);
    if (users_ == 0 || --users_ > 0) return;
    if (library_) {
        library_->Exports().Uninitialize();
        library_.reset();
    }
}

bool SharedPlugin::WaitUntilReady(std::string& reason) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, kReadyTimeout, [&] { return state_ != EngineState::Unknown; })) {
        reason = "the plug-in's engine did not report ready";
        return false;
    }
    if (state_ == EngineState::Ready) return true;
    reason = failure_;
    return false;
}

// Neither callback lets an exception reach the plug-in: a block or a line
// that cannot be copied (out of memory) is dropped.
void SharedPlugin::OnPlay(const KavoChar*, const void* pcm, std::uint32_t bytes, std::int32_t value) try {
    Delivery delivery;
    if (pcm == nullptr) {
        delivery.kind = Delivery::Kind::End;
    } else {
        delivery.kind = Delivery::Kind::Block;
        const auto* begin = static_cast<const std::uint8_t*>(pcm);
        delivery.pcm.assign(begin, begin + bytes);
    }
    Instance().Deliver(value, std::move(delivery));
} catch (...) {
}

void SharedPlugin::OnLog(std::int32_t level, const KavoChar* text) try {
    OutputDebugStringW(text);
    OutputDebugStringW(L"\n");
    SharedPlugin& self = Instance();
    const std::string message = kavosay::LogMessage(text);
    std::lock_guard<std::mutex> lock(self.mutex_);
    if (message == kReady) {
        self.state_ = EngineState::Ready;
    } else if (StartsWith(message, kInitFailed)) {
        self.state_ = EngineState::Failed;
        // The line before says why (no engine file, a failed login).
        self.failure_ = self.lastError_.empty() ? message : self.lastError_;
    } else if (StartsWith(message, kSessionFailed) && self.listening_ != 0) {
        // The engine refused the request's text: no end of request follows.
        Delivery refused;
        refused.kind = Delivery::Kind::Refused;
        refused.reason = message;
        self.deliveries_.push_back(std::move(refused));
    }
    if (level == KAVOSYNTH_LOG_ERROR || level == KAVOSYNTH_LOG_CRITICAL) self.lastError_ = message;
    self.changed_.notify_all();
} catch (...) {
}

void SharedPlugin::Deliver(std::int32_t value, Delivery delivery) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (value != listening_ || value == 0) return;  // a request cancelled earlier
    deliveries_.push_back(std::move(delivery));
    changed_.notify_all();
}

void SharedPlugin::Listen(std::int32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    listening_ = value;
    deliveries_.clear();
}

SharedPlugin::Request::Request(SharedPlugin& plugin, const std::function<bool()>& keepWaiting) : plugin_(plugin) {
    while (!plugin_.turn_.try_lock_for(kTurnPoll)) {
        if (!keepWaiting()) return;
    }
    hasTurn_ = true;
}

SharedPlugin::Request::~Request() {
    if (!hasTurn_) return;
    plugin_.Listen(0);
    plugin_.turn_.unlock();
}

bool SharedPlugin::Request::Start(const std::wstring& voiceName, const std::wstring& text,
                                  const PluginProsody& prosody) {
    if (!hasTurn_ || !plugin_.library_) return false;
    const kavosay::PluginExports& plugin = plugin_.library_->Exports();
    plugin.SetRate(K(voiceName), prosody.rate);
    plugin.SetVolume(K(voiceName), prosody.volume);
    plugin.SetPitch(K(voiceName), prosody.pitch);
    {
        std::lock_guard<std::mutex> lock(plugin_.mutex_);
        value_ = ++plugin_.nextValue_;
        if (value_ <= 0) value_ = plugin_.nextValue_ = 1;
    }
    plugin_.Listen(value_);
    if (plugin.Speak(K(voiceName), K(text), value_)) return true;
    plugin_.Listen(0);
    return false;
}

SharedPlugin::Delivery SharedPlugin::Request::Next(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(plugin_.mutex_);
    Delivery delivery;
    if (plugin_.changed_.wait_for(lock, timeout, [&] { return !plugin_.deliveries_.empty(); })) {
        delivery = std::move(plugin_.deliveries_.front());
        plugin_.deliveries_.pop_front();
    }
    return delivery;
}

void SharedPlugin::Request::Cancel() {
    if (!hasTurn_ || !plugin_.library_) return;
    plugin_.library_->Exports().Stop();
    plugin_.Listen(0);
}

}  // namespace kavo::sapi
