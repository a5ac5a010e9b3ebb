// The six entry points of the MSC classic speech engine library, as the plug-in
// calls them. Substitute engines declare their functions with these types so
// that the compiler holds both sides to one contract.
#pragma once
#include <type_traits>

#include "util/platform_abi.h"

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

// Synthesis status that QTTSAudioGet reports with the last block of a text.
constexpr int kEngineSynthComplete = 2;

#if defined(_WIN32) && !defined(_WIN64)
// On 32-bit Windows the engine's entry points clean their own arguments off the
// stack (standard call); a pointer of any other convention would corrupt the
// stack at the first call.
static_assert(std::is_same_v<MSPLoginFn*, int(__stdcall*)(const char*, const char*, const char*)>);
static_assert(std::is_same_v<MSPLogoutFn*, int(__stdcall*)()>);
static_assert(std::is_same_v<QTTSSessionBeginFn*, const char*(__stdcall*)(const char*, int*)>);
static_assert(std::is_same_v<QTTSTextPutFn*, int(__stdcall*)(const char*, const char*, unsigned int, const char*)>);
static_assert(std::is_same_v<QTTSAudioGetFn*, const void*(__stdcall*)(const char*, unsigned int*, int*, int*)>);
static_assert(std::is_same_v<QTTSSessionEndFn*, int(__stdcall*)(const char*, const char*)>);
#endif
