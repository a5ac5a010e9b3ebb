#include "speech_plan.h"

#include <cwctype>

namespace kavo::sapi {
namespace {

bool EndsSentence(const std::wstring& text, std::size_t i) {
    switch (text[i]) {
        case L'\u3002': case L'\uFF01': case L'\uFF1F': case L'\uFF1B':  // 。！？；
        case L'!': case L'?': case L';': case L'\n': case L'\r':
            return true;
        case L'.':  // not inside "3.14" or "e.g"
            return i + 1 == text.size() || std::iswspace(text[i + 1]) || text[i + 1] == L'"' || text[i + 1] == L')';
        default:
            return false;
    }
}

// Letters and digits one by one, a space between them, so that the engine
// names each instead of reading a word.
std::wstring Spelled(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (std::iswspace(c)) continue;
        if (!out.empty()) out += L' ';
        out += c;
    }
    return out;
}

SpeechItem ItemOf(const SPVTEXTFRAG& fragment, SpeechItem::Kind kind) {
    SpeechItem item;
    item.kind = kind;
    item.sourceOffset = fragment.ulTextSrcOffset;
    item.sourceLength = fragment.ulTextLen;
    item.rateAdjust = fragment.State.RateAdj;
    item.volume = fragment.State.Volume;
    item.pitchAdjust = fragment.State.PitchAdj.MiddleAdj;
    return item;
}

void AddSentences(const SPVTEXTFRAG& fragment, std::vector<SpeechItem>& items) {
    const std::wstring text(fragment.pTextStart, fragment.ulTextLen);
    for (const TextSpan& span : SplitSentences(text)) {
        SpeechItem item = ItemOf(fragment, SpeechItem::Kind::Sentence);
        item.text = text.substr(span.offset, span.length);
        item.sourceOffset += static_cast<ULONG>(span.offset);
        item.sourceLength = static_cast<ULONG>(span.length);
        items.push_back(std::move(item));
    }
}

}  // namespace

std::vector<TextSpan> SplitSentences(const std::wstring& text) {
    std::vector<TextSpan> spans;
    std::size_t start = 0;
    const auto close = [&](std::size_t end) {
        // White space between sentences belongs to neither.
        while (start < end && std::iswspace(text[start])) ++start;
        if (end > start) spans.push_back({start, end - start});
        start = end;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!EndsSentence(text, i)) continue;
        // A run of closing punctuation stays with its sentence.
        while (i + 1 < text.size() && EndsSentence(text, i + 1)) ++i;
        close(i + 1);
    }
    close(text.size());
    return spans;
}

std::vector<SpeechItem> PlanSpeech(const SPVTEXTFRAG* fragments) {
    std::vector<SpeechItem> items;
    for (const SPVTEXTFRAG* f = fragments; f != nullptr; f = f->pNext) {
        const bool hasText = f->pTextStart != nullptr && f->ulTextLen > 0;
        switch (f->State.eAction) {
            case SPVA_Speak:
            case SPVA_Section:    // a section's text is ordinary text
            case SPVA_Pronounce:  // the plug-in takes no phonemes: the written text, if any, is spoken
                if (hasText) AddSentences(*f, items);
                break;
            case SPVA_SpellOut:
                if (hasText) {
                    SpeechItem item = ItemOf(*f, SpeechItem::Kind::Sentence);
                    item.text = Spelled(std::wstring(f->pTextStart, f->ulTextLen));
                    if (!item.text.empty()) items.push_back(std::move(item));
                }
                break;
            case SPVA_Silence: {
                SpeechItem item = ItemOf(*f, SpeechItem::Kind::Silence);
                item.silenceMs = f->State.SilenceMSecs;
                items.push_back(std::move(item));
                break;
            }
            case SPVA_Bookmark: {
                SpeechItem item = ItemOf(*f, SpeechItem::Kind::Bookmark);
                if (hasText) item.text.assign(f->pTextStart, f->ulTextLen);
                items.push_back(std::move(item));
                break;
            }
            case SPVA_ParseUnknownTag:  // the text of a tag SAPI did not know is markup, not words
            default:
                break;
        }
    }
    return items;
}

}  // namespace kavo::sapi
