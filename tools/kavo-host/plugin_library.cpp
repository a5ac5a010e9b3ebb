#include "plugin_library.h"

#include "console.h"
#include "util/platform/dynamic_library.h"
#include "utf16_text.h"

namespace kavosay {

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::filesystem::path& path, std::string& error) {
    std::uint32_t code = 0;
    std::string loaderText;
    kavo::DynamicLibrary library = kavo::DynamicLibrary::Open(path, code, &loaderText);
    if (!library) {
        const std::string named = path.string() + ": ";  // the loader's text names the file again
        if (loaderText.compare(0, named.size(), named) == 0) loaderText.erase(0, named.size());
        // A file that is there but does not load (a folder, not a library, another
        // architecture) is told by the loader's own text; its code would read "not found".
        error = "cannot load the plug-in " + DisplayPath(path) +
                (loaderText.empty() ? " (error " + std::to_string(code) + ")" : ": " + loaderText);
        return nullptr;
    }
    PluginExports e;
    std::string missing;
    if (!kavo::FindExports(library, e, missing)) {
        error = DisplayPath(path) + " is not a KavoSynth plug-in: it does not export " + missing;
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(std::move(library), e));
}

PluginLibrary::~PluginLibrary() = default;

std::filesystem::path DefaultPluginPath() {
    return ProgramDirectory() / kavo::DynamicLibraryFileName(u"KavoSynthXunFeiClassic");
}

const char* LogLevelName(std::int32_t level) {
    switch (level) {
        case KAVOSYNTH_LOG_INFO: return "info";
        case KAVOSYNTH_LOG_WARNING: return "warning";
        case KAVOSYNTH_LOG_ERROR: return "error";
        case KAVOSYNTH_LOG_CRITICAL: return "critical";
        case KAVOSYNTH_LOG_DEBUG: return "debug";
        default: return "log";
    }
}

std::string LogMessage(const KavoChar* text) {
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    std::size_t messageStart = 0;
    while (messageStart < length && text[messageStart] != u'\n') ++messageStart;
    messageStart = messageStart < length ? messageStart + 1 : 0;
    return ToUtf8(std::u16string(text + messageStart, text + length));
}

std::vector<std::string> ListVoiceNames(const PluginExports& plugin) {
    using KavoString = std::basic_string<KavoChar>;
    constexpr std::size_t kNameUnits = 128;  // the most the plug-in writes per name
    uint32_t count = 0;
    if (!plugin.GetVoiceList(nullptr, &count)) return {};
    // One unit more than the plug-in may write, so every name ends in a zero.
    std::vector<KavoString> buffers(count, KavoString(kNameUnits + 1, 0));
    std::vector<KavoChar*> pointers;
    for (KavoString& buffer : buffers) pointers.push_back(&buffer[0]);
    if (count > 0 && !plugin.GetVoiceList(pointers.data(), &count)) return {};
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count && i < buffers.size(); ++i) {
        const KavoString& buffer = buffers[i];
        names.push_back(ToUtf8(std::u16string(buffer.begin(), buffer.begin() + buffer.find(KavoChar(0)))));
    }
    return names;
}

}  // namespace kavosay
