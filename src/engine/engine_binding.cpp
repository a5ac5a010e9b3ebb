#include "engine/engine_binding.h"

#include "engine/log_texts.h"
#include "log/log_level.h"
#include "log/logger.h"
#include "util/platform/ansi_text.h"
#include "util/platform/module_path.h"
#include "util/utf.h"
#include "util/wide_builder.h"

namespace kavo {
namespace {

constexpr char kApplicationId[] = "7e02c9d4";
constexpr char kEndHint[] = "Normal";

std::string BuildLoginParams(const std::u16string& folder) {
    std::string workDir;
    WideToAnsi(folder, workDir);  // a folder with no narrow form leaves the value empty
    std::string params = "appid = ";
    params += kApplicationId;
    params += ", work_dir = ";
    params += workDir;
    params += ", timeout = 5000, output = 0, flower_mode = close";
    return params;
}

std::string BuildSessionParams(const std::string& engineVoice, const VoiceSettings& settings) {
    std::string params = "engine_type = local, tts_res_path = fo|res\\ttss\\dict.jet;fo|res\\ttss\\";
    params += engineVoice;
    params += ".jet, voice_name = ";
    params += engineVoice;
    params += ", speed = ";
    params += std::to_string(settings.rate);
    params += ", speed_increase = 2, volume = ";
    params += std::to_string(settings.volume);
    params += ", rcn = 1, pitch = ";
    params += std::to_string(settings.pitch);
    params += ", text_encoding = GBK, sample_rate = 16000, rdn = 1, engine_start = tts";
    return params;
}

}  // namespace

bool EngineBinding::Load() {
    // Said once per start: without it every text reaches the engine empty.
    if (!AnsiConversionAvailable()) Log(kLogError, u"文本转换不可用 error: GBK");
    // Looked up once: on POSIX it reads the process's memory map.
    const std::u16string folder = GetModuleDirectory();
    const std::u16string path = AppendPath(folder, DynamicLibraryFileName(u"mscclassic"));
    std::uint32_t loadError = 0;
    std::string loaderText;
    library_ = DynamicLibrary::Open(path, loadError, &loaderText);
    if (!library_) {
        WideBuilder line;
        line << kLogEngineNotLoaded << u" error: " << loadError << u" path: " << path;
        if (!loaderText.empty()) line << u" reason: " << PathBytesToUtf16(loaderText);
        Log(kLogError, line.str());
        return false;
    }
    // A missing entry point is not logged: the worker's own start-up line reports it.
    if (!library_.Find("MSPLogin", login_) || !library_.Find("MSPLogout", logout_) ||
        !library_.Find("QTTSSessionBegin", sessionBegin_) || !library_.Find("QTTSSessionEnd", sessionEnd_) ||
        !library_.Find("QTTSTextPut", textPut_) || !library_.Find("QTTSAudioGet", audioGet_)) {
        return false;
    }
    const std::string params = BuildLoginParams(folder);
    const int result = login_(nullptr, nullptr, params.c_str());
    if (result != kEngineOk) {
        Log(kLogError, (WideBuilder() << kLogEngineLoginFailed << u" error: " << result).str());
        return false;
    }
    loggedIn_ = true;
    return true;
}

void EngineBinding::Unload() {
    if (!library_) return;
    if (loggedIn_) {
        loggedIn_ = false;
        logout_();
    }
    ClearEntryPoints();
    library_.Close();
}

void EngineBinding::ClearEntryPoints() {
    login_ = nullptr;
    logout_ = nullptr;
    sessionBegin_ = nullptr;
    sessionEnd_ = nullptr;
    textPut_ = nullptr;
    audioGet_ = nullptr;
}

bool EngineBinding::BeginSession(const std::string& engineVoice, const VoiceSettings& settings, std::string& sessionId,
                                 int& error) const {
    error = kEngineOk;
    const std::string params = BuildSessionParams(engineVoice, settings);
    const char* id = sessionBegin_(params.c_str(), &error);
    // An engine that reports success without an identifier has not begun a session either.
    if (error != kEngineOk || id == nullptr) return false;
    sessionId = id;
    return true;
}

bool EngineBinding::PutText(const std::string& sessionId, const std::u16string& text, int& error) const {
    std::string narrow;
    WideToAnsi(text, narrow);
    error = textPut_(sessionId.c_str(), narrow.c_str(), static_cast<unsigned int>(narrow.size()), nullptr);
    return error == kEngineOk;
}

AudioFetch EngineBinding::GetAudio(const std::string& sessionId) const {
    unsigned int bytes = 0;
    int status = 0;
    int error = kEngineOk;
    const void* block = audioGet_(sessionId.c_str(), &bytes, &status, &error);
    return AudioFetch{block, bytes, status == kEngineSynthComplete, error != kEngineOk, error};
}

void EngineBinding::EndSession(const std::string& sessionId) const { sessionEnd_(sessionId.c_str(), kEndHint); }

}  // namespace kavo
