#include "module_speech.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "engine/log_texts.h"
#include "utf16_text.h"

namespace sdkavo {
namespace {

// What the plug-in's worker logs as it loads the engine, and for a piece the
// engine refused to begin (engine/log_texts.h).
const std::string kEngineReady = kavosay::ToUtf8(kavo::kLogEngineReady);
const std::string kEngineNotLoaded = kavosay::ToUtf8(kavo::kLogEngineNotLoaded);
const std::string kEngineLoginFailed = kavosay::ToUtf8(kavo::kLogEngineLoginFailed);
const std::string kEngineFailed = kavosay::ToUtf8(kavo::kLogEngineFailed);
const std::string kBeginFailed = kavosay::ToUtf8(kavo::kLogPieceRefused);
const std::string kBeginFailedText = kavosay::ToUtf8(kavo::kLogPieceRefusedText);
// The most of a request's quiet end that is dropped, and the gap kept of it.
constexpr std::size_t kMaxTrimmedMs = 500;
constexpr std::size_t kKeptGapMs = 30;
// A message this long gives its memory back to the system when it is over.
constexpr std::size_t kTrimAfterBytes = 1 << 20;
// Requests handed to the plug-in ahead of the one being spoken, so that it never waits for the next.
constexpr std::size_t kQueuedAhead = 2;
// Samples within this range are quiet: the level the plug-in trims a piece's lead-in at.
constexpr int kQuietLevel = 50;
// Generous: the engine loads on a thread of the plug-in's own.
constexpr auto kEngineStartLimit = std::chrono::seconds(30);

std::atomic<ModuleSpeech*> routed{nullptr};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// Where the run of quiet samples that ends the block begins (its size when
// the last sample is loud), at most `limit` bytes before its end.
std::size_t QuietTailStart(const unsigned char* pcm, std::size_t bytes, std::size_t limit) {
    std::size_t start = bytes;
    while (start >= 2 && bytes - start < limit) {
        const auto sample = static_cast<std::int16_t>(pcm[start - 2] | (pcm[start - 1] << 8));
        if (sample < -kQuietLevel || sample > kQuietLevel) break;
        start -= 2;
    }
    return start;
}

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
    {
        // A second INIT after a failed one starts from the beginning.
        std::lock_guard<std::mutex> lock(output_.Mutex());
        engineState_ = EngineState::Starting;
        engineProblem_.clear();
    }
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

bool ModuleSpeech::Speak(SpokenMessage spoken, const std::string& voice, const Prosody& prosody,
                         const std::string& reply) {
    if (!exports_) return false;
    const std::u16string voiceName = kavosay::ToUtf16(voice);
    exports_->SetRate(voiceName.c_str(), prosody.rate);
    exports_->SetPitch(voiceName.c_str(), prosody.pitch);
    exports_->SetVolume(voiceName.c_str(), prosody.volume);

    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (message_) return false;
    Message message;
    message.voice = voiceName;
    for (const Stretch& stretch : spoken.stretches) message.bytes += stretch.text.size();
    message.requests = PlanRequests(std::move(spoken.stretches));
    const bool anyText = !message.requests.empty();
    std::vector<Boundary> dropped;
    QueueAhead(message, dropped);
    if (anyText && message.requests.empty()) return false;  // the plug-in took none of it
    std::string events = reply + "701 BEGIN\n" + BoundaryEvents(spoken.leading);
    if (message.requests.empty()) events += "702 END\n";
    else message_ = std::move(message);
    pending_.clear();
    output_.WriteHeld(events);
    return true;
}

void ModuleSpeech::QueueAhead(Message& message, std::vector<Boundary>& dropped) {
    while (message.queued < message.requests.size() && message.queued < message.ended + kQueuedAhead) {
        SpeechRequest& request = message.requests[message.queued];
        if (!exports_->Speak(message.voice.c_str(), kavosay::ToUtf16(request.text).c_str(), nextValue_)) {
            // The plug-in stopped taking requests: the message ends with those it took, their marks kept.
            for (std::size_t i = message.queued; i < message.requests.size(); ++i) {
                for (auto& [offset, name] : message.requests[i].innerMarks)
                    dropped.push_back(Boundary{true, std::move(name), 0});
                for (Boundary& b : message.requests[i].after) dropped.push_back(std::move(b));
            }
            message.requests.resize(message.queued);
            if (message.queued > message.ended) {
                std::vector<Boundary>& after = message.requests.back().after;
                after.insert(after.end(), std::make_move_iterator(dropped.begin()),
                             std::make_move_iterator(dropped.end()));
                dropped.clear();
            }
            return;
        }
        request.value = nextValue_;
        nextValue_ = nextValue_ == INT32_MAX ? 1 : nextValue_ + 1;
        ++message.queued;
    }
}

void ModuleSpeech::Stop(const char* event) {
    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (!message_) return;
    const bool large = message_->bytes > kTrimAfterBytes;
    message_.reset();
    if (large) malloc_trim(0);
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
        if (!message_->requests[message_->ended].innerMarks.empty()) {
            message_->held.append(static_cast<const unsigned char*>(pcm), bytes);
            return;
        }
        samples.swap(message_->held);
        samples += pending_;
    }
    // The event is made outside the lock, so that a STOP waits at most for one write.
    samples.append(static_cast<const unsigned char*>(pcm), bytes);
    std::basic_string<unsigned char> oddByte;
    if (samples.size() % 2 != 0) {
        oddByte = samples.substr(samples.size() - 1);  // waits for its other half
        samples.pop_back();
    }
    // The quiet end is held back, up to a limit: if the request ends with it,
    // it is the engine's closing silence, which between two requests of one
    // message would only stretch the message.
    const std::size_t tailStart = QuietTailStart(samples.data(), samples.size(), BytesOf(kMaxTrimmedMs));
    std::basic_string<unsigned char> quietTail = samples.substr(tailStart);
    const std::string event = tailStart == 0 ? std::string() : AudioEvent(samples.data(), tailStart, sampleRate_);
    std::lock_guard<std::mutex> lock(output_.Mutex());
    if (!IsCurrent(value)) return;
    // Each block goes at once: the server plays it while the next is made.
    output_.WriteHeld(event);
    message_->held = std::move(quietTail);
    pending_ = std::move(oddByte);
}

std::size_t ModuleSpeech::BytesOf(std::size_t milliseconds) const {
    return static_cast<std::size_t>(sampleRate_) * milliseconds / 1000 * 2;
}

bool ModuleSpeech::IsCurrent(std::int32_t value) const {
    return message_ && value == message_->requests[message_->ended].value;
}

std::string ModuleSpeech::BoundaryEvents(const std::vector<Boundary>& boundaries) const {
    std::string events;
    for (const Boundary& boundary : boundaries) {
        if (boundary.isMark) {
            events += "700-" + boundary.mark + "\n700 INDEX MARK\n";
        } else {
            const std::basic_string<unsigned char> silence(
                static_cast<std::size_t>(sampleRate_) * 2 * static_cast<std::size_t>(boundary.silenceMs) / 1000, 0);
            if (!silence.empty()) events += AudioEvent(silence.data(), silence.size(), sampleRate_);
        }
    }
    return events;
}

void ModuleSpeech::RequestOver() {
    Message& message = *message_;
    SpeechRequest& request = message.requests[message.ended];
    std::basic_string<unsigned char> audio;
    audio.swap(message.held);
    // Half a sample at the end of a request is dropped.
    if (audio.size() % 2 != 0) audio.pop_back();
    pending_.clear();
    // Of the quiet end, a short gap stays, as between two words.
    const std::size_t quietStart = QuietTailStart(audio.data(), audio.size(), BytesOf(kMaxTrimmedMs));
    const std::size_t end = std::min(audio.size(), quietStart + BytesOf(kKeptGapMs));
    // Each mark inside goes where its share of the text ends.
    std::string events;
    std::size_t from = 0;
    for (const auto& [offset, name] : request.innerMarks) {
        const double share = static_cast<double>(offset) / static_cast<double>(request.text.size());
        const std::size_t at = std::min(end, static_cast<std::size_t>(share * static_cast<double>(end / 2)) * 2);
        if (at > from) events += AudioEvent(audio.data() + from, at - from, sampleRate_);
        from = std::max(from, at);
        events += "700-" + name + "\n700 INDEX MARK\n";
    }
    if (end > from) events += AudioEvent(audio.data() + from, end - from, sampleRate_);
    events += BoundaryEvents(request.after);
    request = SpeechRequest{request.value, {}, {}, {}};  // a long message's memory goes as it is spoken
    ++message.ended;
    std::vector<Boundary> dropped;
    QueueAhead(message, dropped);
    events += BoundaryEvents(dropped);
    if (message.ended == message.requests.size()) {
        events += "702 END\n";
        const bool large = message.bytes > kTrimAfterBytes;
        message_.reset();
        // What a long message took goes back to the system, not only to the heap.
        if (large) malloc_trim(0);
    }
    output_.WriteHeld(events);
}

bool ModuleSpeech::RefusedPieceIsCurrent(const std::string& line) const {
    // The line names the piece, not the request: it is the current request's
    // only if the piece is part of its text. A piece of a message stopped
    // just before may still be refused after the next message has begun.
    const std::size_t at = line.find(kBeginFailedText);
    if (at == std::string::npos) return true;
    const std::string piece = line.substr(at + kBeginFailedText.size());
    const std::string& text = message_->requests[message_->ended].text;
    // As the plug-in received it: bytes that are not UTF-8 became U+FFFD.
    return kavosay::ToUtf8(kavosay::ToUtf16(text)).find(piece) != std::string::npos;
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
    } else if (message_ && StartsWith(message, kBeginFailed) && RefusedPieceIsCurrent(message)) {
        // The plug-in drops a request whose piece the engine would not begin: it is over.
        RequestOver();
    }
}

}  // namespace sdkavo
