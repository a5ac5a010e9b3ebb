#include "plugin_library.h"

#include "util/module_path.h"
#include "util/utf.h"

namespace kavosay {
namespace {

template <typename Function>
bool Find(kavo::LibraryHandle handle, const char* name, Function& target, std::string& missing) {
    target = reinterpret_cast<Function>(kavo::FindLibrarySymbol(handle, name));
    if (!target) missing = name;
    return target != nullptr;
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::u16string& path, std::string& error) {
    std::uint32_t code = 0;
    const kavo::LibraryHandle handle = kavo::LoadDynamicLibrary(path, code);
    if (!handle) {
        error = "cannot load the plug-in " + kavo::Utf16ToUtf8(path) + " (error " + std::to_string(code) + ")";
        return nullptr;
    }
    std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle));
    PluginExports& e = library->exports_;
    std::string missing;
    const bool complete = Find(handle, "KavoSynthInitialize", e.initialize, missing) &&
                          Find(handle, "KavoSynthUninitialize", e.uninitialize, missing) &&
                          Find(handle, "KavoSynthGetInfo", e.getInfo, missing) &&
                          Find(handle, "KavoSynthGetAudioFormat", e.getAudioFormat, missing) &&
                          Find(handle, "KavoSynthSetPlayCallback", e.setPlayCallback, missing) &&
                          Find(handle, "KavoSynthPrepareVoice", e.prepareVoice, missing) &&
                          Find(handle, "KavoSynthGetVoiceList", e.getVoiceList, missing) &&
                          Find(handle, "KavoSynthSpeak", e.speak, missing) &&
                          Find(handle, "KavoSynthStop", e.stop, missing) &&
                          Find(handle, "KavoSynthSetRate", e.setRate, missing) &&
                          Find(handle, "KavoSynthSetVolume", e.setVolume, missing) &&
                          Find(handle, "KavoSynthSetPitch", e.setPitch, missing);
    if (!complete) {
        error = kavo::Utf16ToUtf8(path) + " is not a KavoSynth plug-in: it does not export " + missing;
        return nullptr;
    }
    return library;
}

PluginLibrary::~PluginLibrary() { kavo::FreeDynamicLibrary(handle_); }

std::u16string DefaultPluginPath() {
    return kavo::AppendPath(kavo::GetModuleDirectory(), kavo::DynamicLibraryFileName(u"KavoSynthXunFeiClassic"));
}

}  // namespace kavosay
