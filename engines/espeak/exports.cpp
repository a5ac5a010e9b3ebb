// The six entry points of the engine library, typed by the plug-in's own
// declarations. Nothing unwinds out of them: failures become error codes.
#include "engine/engine_contract.h"
#include "engine_errors.h"
#include "espeak_engine.h"

#define ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

using espeak_engine::EspeakEngine;
using espeak_engine::kErrInternal;
using espeak_engine::kErrNullArgument;

// Declared with the plug-in's types, so a definition that strays from them fails to compile.
ENGINE_EXPORT MSPLoginFn MSPLogin;
ENGINE_EXPORT MSPLogoutFn MSPLogout;
ENGINE_EXPORT QTTSSessionBeginFn QTTSSessionBegin;
ENGINE_EXPORT QTTSTextPutFn QTTSTextPut;
ENGINE_EXPORT QTTSAudioGetFn QTTSAudioGet;
ENGINE_EXPORT QTTSSessionEndFn QTTSSessionEnd;

// User name and password mean nothing to a local engine.
int MSPLogin(const char*, const char*, const char* params) {
    try {
        return EspeakEngine::Instance().Login(params);
    } catch (...) {
        return kErrInternal;
    }
}

int MSPLogout() {
    try {
        return EspeakEngine::Instance().Logout();
    } catch (...) {
        return kErrInternal;
    }
}

const char* QTTSSessionBegin(const char* params, int* errorCode) {
    if (!errorCode) return nullptr;
    try {
        return EspeakEngine::Instance().BeginSession(params, *errorCode);
    } catch (...) {
        *errorCode = kErrInternal;
        return nullptr;
    }
}

int QTTSTextPut(const char* sessionId, const char* text, unsigned int textLength, const char*) {
    try {
        return EspeakEngine::Instance().PutText(sessionId, text, textLength);
    } catch (...) {
        return kErrInternal;
    }
}

const void* QTTSAudioGet(const char* sessionId, unsigned int* audioLength, int* synthStatus, int* errorCode) {
    if (!errorCode) return nullptr;
    if (!audioLength || !synthStatus) {
        *errorCode = kErrNullArgument;
        return nullptr;
    }
    try {
        return EspeakEngine::Instance().GetAudio(sessionId, *audioLength, *synthStatus, *errorCode);
    } catch (...) {
        *errorCode = kErrInternal;
        return nullptr;
    }
}

// Hints ("Normal") change nothing: the session ends either way.
int QTTSSessionEnd(const char* sessionId, const char*) {
    try {
        return EspeakEngine::Instance().EndSession(sessionId);
    } catch (...) {
        return kErrInternal;
    }
}
