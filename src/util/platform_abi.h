// The calling convention of the speech engine's entry points: standard call on
// 32-bit Windows, the platform's only convention elsewhere.
#pragma once

#if defined(_WIN32)
#define ENGINE_CALL __stdcall
#else
#define ENGINE_CALL
#endif
