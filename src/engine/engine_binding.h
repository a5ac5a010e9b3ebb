// The speech engine library loaded at run time from the plug-in's folder: its
// handle, its six entry points and whether the plug-in is logged in. Used by
// the worker thread alone.
#pragma once
#include <string>

#include "engine/engine_api.h"
#include "util/dynamic_library.h"

namespace kavo {

class EngineBinding {
public:
    // Loads the library, resolves the entry points and logs in; true when logged in.
    // Failures are logged; whatever was loaded stays until Unload.
    bool Load();
    // Logs out if logged in, frees the library, clears every field. Safe in any state.
    void Unload();
    bool IsLoggedIn() const { return loggedIn_; }
    static std::string BuildLoginParams();

    MSPLoginFn* MSPLogin = nullptr;
    MSPLogoutFn* MSPLogout = nullptr;
    QTTSSessionBeginFn* QTTSSessionBegin = nullptr;
    QTTSSessionEndFn* QTTSSessionEnd = nullptr;
    QTTSTextPutFn* QTTSTextPut = nullptr;
    QTTSAudioGetFn* QTTSAudioGet = nullptr;

private:
    LibraryHandle library_ = nullptr;
    bool loggedIn_ = false;
};

}  // namespace kavo
