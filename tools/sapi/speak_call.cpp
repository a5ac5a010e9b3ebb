#include "speak_call.h"

#include <cwchar>

namespace kavo::sapi {
namespace {

// The longest the Speak thread waits for audio before it asks the site again.
constexpr auto kActionPoll = std::chrono::milliseconds(10);
constexpr ULONG kBytesPerMillisecond = 16000 * 2 / 1000;
constexpr ULONG kSilenceBlockMs = 100;

}  // namespace

SpeakCall::SpeakCall(ISpTTSEngineSite& site, SharedPlugin& plugin, std::wstring voiceName)
    : site_(site), plugin_(plugin), voiceName_(std::move(voiceName)) {}

HRESULT SpeakCall::Run(const std::vector<SpeechItem>& items) {
    if (!plugin_.WaitUntilReady(failureReason_)) return SPERR_UNINITIALIZED;
    items_ = &items;
    ULONGLONG interest = 0;
    // A site that cannot tell (Wine's answers E_NOTIMPL) gets every event.
    if (site_.GetEventInterest(&interest) == S_OK) interest_ = interest;
    current_ = 0;
    while (current_ < items.size()) {
        Step step = PollActions();
        if (step == Step::Next) {
            const SpeechItem& item = items[current_];
            switch (item.kind) {
                case SpeechItem::Kind::Sentence: step = SpeakSentence(item); break;
                case SpeechItem::Kind::Silence: step = WriteSilence(item.silenceMs); break;
                case SpeechItem::Kind::Bookmark: AddBookmark(item); break;
            }
        }
        switch (step) {
            case Step::Next: ++current_; break;
            case Step::Jump: current_ = jumpTo_; break;
            case Step::Stop: return S_OK;
            case Step::Fail: return failure_;
        }
    }
    return S_OK;
}

SpeakCall::Step SpeakCall::PollActions() {
    const DWORD actions = site_.GetActions();
    if (actions & SPVES_ABORT) return Step::Stop;
    if (actions & SPVES_RATE) rateChanged_ = true;
    if (actions & SPVES_VOLUME) volumeChanged_ = true;
    if (!(actions & SPVES_SKIP)) return Step::Next;

    SPVSKIPTYPE type = SPVST_SENTENCE;
    LONG count = 0;
    if (FAILED(site_.GetSkipInfo(&type, &count)) || type != SPVST_SENTENCE) {
        site_.CompleteSkip(0);
        return Step::Next;
    }
    // Counted from the sentence being spoken (or the next one, between
    // sentences): 1 is the next sentence, 0 this one again, -1 the one before.
    std::vector<std::size_t> sentences;
    for (std::size_t i = 0; i < items_->size(); ++i) {
        if ((*items_)[i].kind == SpeechItem::Kind::Sentence) sentences.push_back(i);
    }
    long here = 0;
    while (here < static_cast<long>(sentences.size()) && sentences[here] < current_) ++here;
    const long target = std::max(0L, std::min<long>(here + count, static_cast<long>(sentences.size())));
    jumpTo_ = target < static_cast<long>(sentences.size()) ? sentences[target] : items_->size();
    site_.CompleteSkip(target - here);
    return Step::Jump;
}

SpeakCall::Step SpeakCall::SpeakSentence(const SpeechItem& item) {
    if (rateChanged_) {
        LONG rate = 0;
        if (SUCCEEDED(site_.GetRate(&rate))) rate_ = rate;
        rateChanged_ = false;
    }
    if (volumeChanged_) {
        USHORT volume = 100;
        if (SUCCEEDED(site_.GetVolume(&volume))) volume_ = volume;
        volumeChanged_ = false;
    }
    const PluginProsody prosody = MapProsody(rate_, volume_, item.rateAdjust, item.volume, item.pitchAdjust);

    // Another engine instance may be speaking: wait for the turn, and answer
    // this site's actions meanwhile.
    Step waited = Step::Next;
    SharedPlugin::Request request(plugin_, [&] { return (waited = PollActions()) == Step::Next; });
    if (!request.HasTurn()) return waited;

    AddSentenceBoundary(item);
    if (!request.Start(voiceName_, item.text, prosody)) {
        failureReason_ = "the plug-in refused the request";
        failure_ = E_FAIL;
        return Step::Fail;
    }
    for (;;) {
        SharedPlugin::Delivery delivery = request.Next(kActionPoll);
        Step step = PollActions();
        if (step == Step::Next && delivery.kind == SharedPlugin::Delivery::Kind::Block) {
            step = Write(delivery.pcm.data(), static_cast<ULONG>(delivery.pcm.size()));
        }
        if (step != Step::Next) {
            request.Cancel();
            return step;
        }
        if (delivery.kind == SharedPlugin::Delivery::Kind::End) return Step::Next;
        if (delivery.kind == SharedPlugin::Delivery::Kind::Refused) {
            // The engine would not take this sentence; the others may still be spoken.
            failureReason_ = delivery.reason;
            return Step::Next;
        }
    }
}

SpeakCall::Step SpeakCall::WriteSilence(ULONG milliseconds) {
    const std::vector<std::uint8_t> zeros(kSilenceBlockMs * kBytesPerMillisecond, 0);
    for (ULONG done = 0; done < milliseconds; done += kSilenceBlockMs) {
        if (done > 0) {
            const Step step = PollActions();
            if (step != Step::Next) return step;
        }
        const ULONG bytes = std::min(kSilenceBlockMs, milliseconds - done) * kBytesPerMillisecond;
        const Step step = Write(zeros.data(), bytes);
        if (step != Step::Next) return step;
    }
    return Step::Next;
}

SpeakCall::Step SpeakCall::Write(const std::uint8_t* data, ULONG bytes) {
    if (bytes == 0) return Step::Next;
    ULONG written = 0;
    const HRESULT result = site_.Write(data, bytes, &written);
    // A failure, SP_AUDIO_STOPPED (the client purged) or nothing taken: stop.
    if (FAILED(result)) {
        failure_ = result;
        failureReason_ = "the site's Write failed";
        return Step::Fail;
    }
    if (result != S_OK || written == 0) return Step::Stop;
    offset_ += written;
    return Step::Next;
}

void SpeakCall::AddBookmark(const SpeechItem& item) {
    if (!(interest_ & EventBit(SPEI_TTS_BOOKMARK))) return;
    // The site copies the string; wParam is its number, as SAPI's bookmarks carry.
    const std::wstring name = item.text;
    AddEvent(SPEI_TTS_BOOKMARK, SPET_LPARAM_IS_STRING, static_cast<WPARAM>(std::wcstol(name.c_str(), nullptr, 10)),
             reinterpret_cast<LPARAM>(name.c_str()));
}

void SpeakCall::AddSentenceBoundary(const SpeechItem& item) {
    if (!(interest_ & EventBit(SPEI_SENTENCE_BOUNDARY))) return;
    // lParam: where the sentence starts in the client's text, wParam: its length.
    AddEvent(SPEI_SENTENCE_BOUNDARY, SPET_LPARAM_IS_UNDEFINED, item.sourceLength, item.sourceOffset);
}

void SpeakCall::AddEvent(SPEVENTENUM id, SPEVENTLPARAMTYPE type, WPARAM wParam, LPARAM lParam) {
    SPEVENT event{};
    event.eEventId = id;
    event.elParamType = type;
    event.ullAudioStreamOffset = offset_;
    event.wParam = wParam;
    event.lParam = lParam;
    site_.AddEvents(&event, 1);
}

}  // namespace kavo::sapi
