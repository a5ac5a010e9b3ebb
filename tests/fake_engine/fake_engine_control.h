// Control exports of the scriptable substitute engine that the tests load as
// mscclassic.dll / libmscclassic.so beside a plug-in copy. Tests script what
// each engine session does and read back what the plug-in gave the engine.
//
// Sessions are numbered 0, 1, 2... in the order of QTTSSessionBegin calls since
// the last FakeReset. A session without a script of its own follows the default
// script: one block holding one sample of value 1000 + b for every text byte b
// (so always outside the lead-in range), with status 2.
//
// Environment, read at MSPLogin, for programs that cannot call these exports:
// KAVO_FAKE_LOGIN_RESULT (MSPLogin's result), KAVO_FAKE_BEGIN_ERROR (the error
// of every QTTSSessionBegin), KAVO_FAKE_POLL_DELAY_MS (the default script's
// samples come 4 to a poll, each poll after that many milliseconds),
// KAVO_FAKE_SAMPLES_PER_BYTE=N (each poll gives one text byte b as samples of
// 1000 + b: N of them at the session's speed 50, N * 50 / speed at another).
#pragma once

#include <stdint.h>

// The one list of the control exports: X(name, result, (parameters)) each.
// fake_engine.cpp defines them with these signatures; the build reads the names
// for the engine's Windows export list, the tests resolve them into a table
// (support/fake_engine.h), and each gets a pointer type, <name>Fn. They use the
// platform's default (C) calling convention. Keep one entry per line.
#define FAKE_ENGINE_CONTROL_LIST(X)                                                                       \
    /* Forget every script and every record; the login result becomes 0. */                             \
    X(FakeReset, void, (void))                                                                            \
    X(FakeSetLoginResult, void, (int result))                                                             \
    /* Scripts for session `session`. beginError: the error code QTTSSessionBegin */                     \
    /* reports; nullIdentifier: return a null identifier with error 0. */                                 \
    X(FakeScriptBegin, void, (int session, int beginError, int nullIdentifier))                           \
    X(FakeScriptTextPutError, void, (int session, int error))                                             \
    /* Poll `poll` (0-based) of the session reports `error` (with the block */                            \
    /* scripted for it, if any). */                                                                       \
    X(FakeScriptAudioGetError, void, (int session, int poll, int error))                                  \
    /* Appends one poll to the session's script: a block of `count` samples (none */                      \
    /* when samples is null and count is 0), plus one extra byte of value oddByte */                      \
    /* when oddByte >= 0, and the status the poll reports. hold: the poll waits, */                       \
    /* before it answers, until FakeRelease. */                                                           \
    X(FakeScriptPoll, void, (int session, const int16_t* samples, int count, int oddByte, int status, int hold)) \
    /* Every poll of the session sleeps this long before it answers. */                                   \
    X(FakeScriptPollDelay, void, (int session, int milliseconds))                                         \
    /* Sessions without a script of their own: `blocks` blocks of */                                      \
    /* `samplesPerBlock` samples of value `amplitude`, the last with status 2, */                         \
    /* each poll after `delayMs`. blocks 0 restores the default script. */                                \
    X(FakeSetStreaming, void, (int blocks, int samplesPerBlock, int amplitude, int delayMs))              \
    /* Sessions without a script of their own deliver the default script's */                             \
    /* samples (1000 + b per text byte) cut into blocks of samplesPerBlock, each */                       \
    /* poll after delayMs. samplesPerBlock 0 restores the default script. */                              \
    X(FakeSetTextStreaming, void, (int samplesPerBlock, int delayMs))                                     \
    /* The session's QTTSSessionBegin (stage 0) or QTTSTextPut (stage 1) waits, */                        \
    /* before it answers, until FakeRelease. */                                                           \
    X(FakeScriptHold, void, (int session, int stage))                                                     \
    /* Every QTTSTextPut whose text holds marker fails with error (an empty */                            \
    /* marker: none). */                                                                                  \
    X(FakeFailTextPutContaining, void, (const char* marker, int error))                                   \
    /* Holding calls: wait (at most timeoutMs) until a poll is held; release it. */                       \
    X(FakeWaitHeld, int, (int timeoutMs))                                                                 \
    X(FakeRelease, void, (void))                                                                          \
    /* Read-back. Strings are copied with a terminator into buf (capacity */                              \
    /* bytes); the result is the full length in bytes, or -1 when there is no */                          \
    /* such record. */                                                                                    \
    X(FakeLoginCount, int, (void))                                                                        \
    X(FakeLogoutCount, int, (void))                                                                       \
    /* Whether the login user name and password were both null. */                                        \
    X(FakeLoginCredentialsNull, int, (void))                                                              \
    X(FakeGetLoginParams, int, (char* buf, int capacity))                                                 \
    X(FakeSessionCount, int, (void))                                                                      \
    X(FakeGetSessionParams, int, (int session, char* buf, int capacity))                                  \
    /* The bytes given to QTTSTextPut (length: the textLength argument); -1 if */                         \
    /* no put. */                                                                                         \
    X(FakeGetSessionText, int, (int session, char* buf, int capacity))                                    \
    X(FakeGetSessionPolls, int, (int session))                                                            \
    /* Number of QTTSSessionEnd calls for the session, and the hint of the last. */                       \
    X(FakeGetSessionEnds, int, (int session))                                                             \
    X(FakeGetSessionEndHint, int, (int session, char* buf, int capacity))                                 \
    /* end of the list: a new entry goes above this line */

#ifdef __cplusplus
extern "C" {
#endif

#define FAKE_ENGINE_CONTROL_POINTER_TYPE(name, result, parameters) typedef result(*name##Fn) parameters;
FAKE_ENGINE_CONTROL_LIST(FAKE_ENGINE_CONTROL_POINTER_TYPE)
#undef FAKE_ENGINE_CONTROL_POINTER_TYPE

#ifdef __cplusplus
}
#endif
