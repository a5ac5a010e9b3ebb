#include "plugin_library.h"

#include "console.h"
#include "util/dynamic_library.h"

namespace kavosay {
namespace {

template <typename FunctionPointer>
bool Find(const kavo::DynamicLibrary& library, const char* name, FunctionPointer& target, std::string& missing) {
    if (!library.Find(name, target)) missing = name;
    return target != nullptr;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::filesystem::path& path, std::string& error) {
    std::uint32_t code = 0;
    kavo::DynamicLibrary library = kavo::DynamicLibrary::Open(path, code);
    if (!library) {
        error = "cannot load the plug-in " + DisplayPath(path) + " (error " + std::to_string(code) + ")";
        return nullptr;
    }
    PluginExports e;
    std::string missing;
    const bool complete = Find(library, "KavoSynthInitialize", e.initialize, missing) &&
                          Find(library, "KavoSynthUninitialize", e.uninitialize, missing) &&
                          Find(library, "KavoSynthGetInfo", e.getInfo, missing) &&
                          Find(library, "KavoSynthGetAudioFormat", e.getAudioFormat, missing) &&
                          Find(library, "KavoSynthSetPlayCallback", e.setPlayCallback, missing) &&
                          Find(library, "KavoSynthPrepareVoice", e.prepareVoice, missing) &&
                          Find(library, "KavoSynthGetVoiceList", e.getVoiceList, missing) &&
                          Find(library, "KavoSynthSpeak", e.speak, missing) &&
                          Find(library, "KavoSynthStop", e.stop, missing) &&
                          Find(library, "KavoSynthSetRate", e.setRate, missing) &&
                          Find(library, "KavoSynthSetVolume", e.setVolume, missing) &&
                          Find(library, "KavoSynthSetPitch", e.setPitch, missing);
    if (!complete) {
        error = DisplayPath(path) + " is not a KavoSynth plug-in: it does not export " + missing;
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(std::move(library), e));
}

PluginLibrary::~PluginLibrary() = default;

std::filesystem::path DefaultPluginPath() {
    return ProgramDirectory() / kavo::DynamicLibraryFileName(u"KavoSynthXunFeiClassic");
}

}  // namespace kavosay
