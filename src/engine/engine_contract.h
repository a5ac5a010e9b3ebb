// The contract of the MSC classic speech engine library: its six entry points,
// their calling convention, and the values the plug-in reads back. The plug-in
// and both substitute engines (espeak, and the tests' scriptable one) are
// built against these types, so the compiler holds every side to one contract.
#pragma once
#include <type_traits>

// Standard call on 32-bit Windows (the callee removes its arguments); the
// platform's only convention elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define ENGINE_CALL __stdcall
#else
#define ENGINE_CALL
#endif

extern "C" {

// 0 means logged in.
typedef int ENGINE_CALL MSPLoginFn(const char* userName, const char* password, const char* params);
typedef int ENGINE_CALL MSPLogoutFn();
// Returns the session identifier; *errorCode (preset to 0) stays 0 on success.
typedef const char* ENGINE_CALL QTTSSessionBeginFn(const char* params, int* errorCode);
// 0 means accepted.
typedef int ENGINE_CALL QTTSTextPutFn(const char* sessionId, const char* text, unsigned int textLength,
                                      const char* params);
// A block of audio or null; *audioLength its bytes; *synthStatus 2 after the last block.
typedef const void* ENGINE_CALL QTTSAudioGetFn(const char* sessionId, unsigned int* audioLength,
                                               int* synthStatus, int* errorCode);
typedef int ENGINE_CALL QTTSSessionEndFn(const char* sessionId, const char* hints);

}  // extern "C"

// Result and error code of every entry point that succeeded.
constexpr int kEngineOk = 0;
// Synthesis status of QTTSAudioGet: more audio is to come, or this was the last.
constexpr int kEngineSynthContinuing = 1;
constexpr int kEngineSynthComplete = 2;

#if defined(_WIN32) && !defined(_WIN64)
// A pointer of any other convention would corrupt the stack at the first call.
static_assert(std::is_same_v<MSPLoginFn*, int(__stdcall*)(const char*, const char*, const char*)>);
static_assert(std::is_same_v<MSPLogoutFn*, int(__stdcall*)()>);
static_assert(std::is_same_v<QTTSSessionBeginFn*, const char*(__stdcall*)(const char*, int*)>);
static_assert(std::is_same_v<QTTSTextPutFn*, int(__stdcall*)(const char*, const char*, unsigned int, const char*)>);
static_assert(std::is_same_v<QTTSAudioGetFn*, const void*(__stdcall*)(const char*, unsigned int*, int*, int*)>);
static_assert(std::is_same_v<QTTSSessionEndFn*, int(__stdcall*)(const char*, const char*)>);
#endif
