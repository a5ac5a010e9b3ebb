#include "engine/engine_binding.h"

#include "log/log_level.h"
#include "log/logger.h"
#include "util/ansi_text.h"
#include "util/module_path.h"
#include "util/wide_builder.h"

namespace kavo {
namespace {

constexpr char kApplicationId[] = "7e02c9d4";

template <typename Function>
bool Resolve(LibraryHandle library, const char* name, Function*& entry) {
    entry = reinterpret_cast<Function*>(FindLibrarySymbol(library, name));
    return entry != nullptr;
}

}  // namespace

bool EngineBinding::Load() {
    const std::u16string path = AppendPath(GetModuleDirectory(), DynamicLibraryFileName(u"mscclassic"));
    std::uint32_t loadError = 0;
    library_ = LoadDynamicLibrary(path, loadError);
    if (!library_) {
        Log(kLogError, (WideBuilder() << u"dll加载失败 error: " << loadError << u" path: " << path).str());
        return false;
    }
    // A missing entry point is not logged: the worker's own start-up line reports it.
    if (!Resolve(library_, "MSPLogin", MSPLogin) || !Resolve(library_, "MSPLogout", MSPLogout) ||
        !Resolve(library_, "QTTSSessionBegin", QTTSSessionBegin) ||
        !Resolve(library_, "QTTSSessionEnd", QTTSSessionEnd) || !Resolve(library_, "QTTSTextPut", QTTSTextPut) ||
        !Resolve(library_, "QTTSAudioGet", QTTSAudioGet)) {
        return false;
    }
    const std::string params = BuildLoginParams();
    const int result = MSPLogin(nullptr, nullptr, params.c_str());
    if (result != 0) {
        Log(kLogError, (WideBuilder() << u"登录失败 error: " << result).str());
        return false;
    }
    loggedIn_ = true;
    return true;
}

void EngineBinding::Unload() {
    if (!library_) return;
    if (loggedIn_) {
        loggedIn_ = false;
        MSPLogout();
    }
    MSPLogin = nullptr;
    MSPLogout = nullptr;
    QTTSSessionBegin = nullptr;
    QTTSSessionEnd = nullptr;
    QTTSTextPut = nullptr;
    QTTSAudioGet = nullptr;
    FreeDynamicLibrary(library_);
    library_ = nullptr;
}

std::string EngineBinding::BuildLoginParams() {
    std::string workDir;
    WideToAnsi(GetModuleDirectory(), workDir);  // a folder with no narrow form leaves the value empty
    std::string params = "appid = ";
    params += kApplicationId;
    params += ", work_dir = ";
    params += workDir;
    params += ", timeout = 5000, output = 0, flower_mode = close";
    return params;
}

}  // namespace kavo
