// One ISpTTSEngine::Speak: walks the planned items, speaks each sentence as
// one plug-in request, writes its audio and the events to the site, and
// answers the site's actions. Only the thread that runs it calls the site.
#pragma once
#include <string>
#include <vector>

#include "sapi_engine_interfaces.h"
#include "shared_plugin.h"
#include "speech_plan.h"

namespace kavo::sapi {

class SpeakCall {
public:
    SpeakCall(ISpTTSEngineSite& site, SharedPlugin& plugin, std::wstring voiceName);
    HRESULT Run(const std::vector<SpeechItem>& items);
    // Why Run failed, or why the last sentence was refused.
    const std::string& FailureReason() const { return failureReason_; }

private:
    // How a step ended: the next item, a jump (skip), or the end of the call.
    enum class Step { Next, Jump, Stop, Fail };

    Step SpeakSentence(const SpeechItem& item);
    Step WriteSilence(ULONG milliseconds);
    void AddBookmark(const SpeechItem& item);
    void AddSentenceBoundary(const SpeechItem& item);
    // Asks the site what to do; Next means go on with the current item.
    Step PollActions();
    Step Write(const std::uint8_t* data, ULONG bytes);
    void AddEvent(SPEVENTENUM id, SPEVENTLPARAMTYPE type, WPARAM wParam, LPARAM lParam);

    ISpTTSEngineSite& site_;
    SharedPlugin& plugin_;
    const std::wstring voiceName_;
    const std::vector<SpeechItem>* items_ = nullptr;
    std::size_t current_ = 0;     // the item being done
    std::size_t jumpTo_ = 0;      // Step::Jump's target
    ULONGLONG interest_ = ~0ULL;  // the events the site wants
    ULONGLONG offset_ = 0;        // bytes of audio written so far
    LONG rate_ = 0;
    USHORT volume_ = 100;
    bool rateChanged_ = true;
    bool volumeChanged_ = true;
    HRESULT failure_ = S_OK;
    std::string failureReason_;
};

}  // namespace kavo::sapi
