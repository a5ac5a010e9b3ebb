/*
 * KavoSynthXunFeiClassic: text-to-speech plug-in, host interface.
 *
 * Conventions
 * - Every function is exported by its plain name and uses the C calling
 *   convention (on 32-bit Windows: __cdecl, the caller removes the arguments).
 * - Results are one-byte booleans: 0 false, 1 true. A refused call (null
 *   pointer, empty string, unknown voice, plug-in not running, no callback)
 *   returns false, logs nothing and changes nothing.
 * - Text crosses the boundary as zero-terminated UTF-16 (wchar_t on Windows,
 *   char16_t elsewhere) and is copied before the function returns.
 * - Records and buffers are allocated by the host; the plug-in writes only
 *   within their documented sizes.
 * - Audio is 16 kHz, 16-bit signed little-endian, mono PCM, delivered on the
 *   plug-in's own worker thread through the PlayCallback, followed by one call
 *   with a null block and length 0 that ends each request, unless the request
 *   was stopped or the engine refused to begin it.
 * - Call KavoSynthUninitialize before unloading the library. KavoSynthInitialize
 *   and KavoSynthUninitialize run one at a time, whatever the threads; called
 *   from inside a callback, they return false and change nothing.
 * - An exception thrown by a callback is caught where the plug-in called it and
 *   ignored; the plug-in goes on as if the call had returned. Not on 32-bit
 *   Windows: there an exception cannot pass from the host's module into the
 *   plug-in's, and the process ends; callbacks must not throw.
 */
#ifndef KAVOSYNTH_H
#define KAVOSYNTH_H

#include <stdint.h>

#ifdef __cplusplus
#include <cstddef>
#else
#include <stdbool.h>
#include <stddef.h>
#include <uchar.h>
#endif

#if defined(_WIN32)
#define KAVOSYNTH_CALL __cdecl
typedef wchar_t KavoChar;
#if defined(KAVOSYNTH_BUILDING)
#define KAVOSYNTH_API
#else
#define KAVOSYNTH_API __declspec(dllimport)
#endif
#else
#define KAVOSYNTH_CALL
typedef char16_t KavoChar;
#define KAVOSYNTH_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Log levels passed to the LogSink. */
enum {
    KAVOSYNTH_LOG_INFO = 1,
    KAVOSYNTH_LOG_WARNING = 2,
    KAVOSYNTH_LOG_ERROR = 4,
    KAVOSYNTH_LOG_CRITICAL = 8,
    KAVOSYNTH_LOG_DEBUG = 16
};

/* Audio callback. voiceName: the display name given to KavoSynthSpeak;
 * pcm/bytes: one block of audio, or null/0 at the end of a request;
 * value: the request's value, unchanged. Both pointers are valid only during
 * the call. Called on the plug-in's worker thread, which waits for it. */
typedef void(KAVOSYNTH_CALL *PlayCallback)(const KavoChar *voiceName, const void *pcm,
                                           uint32_t bytes, int32_t value);

/* Log callback: the level and the text "语音插件XunFeiClassic tid: <id>\n<message>",
 * <id> being the thread that logged. Called on that thread, never with a lock of
 * the plug-in held, each thread's lines in the order it logged them (two threads
 * may be in the sink at once): the worker's lines at once, on the worker; the
 * lines of KavoSynthInitialize and KavoSynthUninitialize once the call has
 * released its lock, before it returns.
 * KavoSynthUninitialize waits for the worker, so a sink must not make the
 * worker's line wait for a thread that is calling KavoSynthUninitialize. */
typedef void(KAVOSYNTH_CALL *LogSink)(int32_t level, const KavoChar *text);

/* Filled by KavoSynthGetInfo: 384 bytes, both texts zero-terminated. */
typedef struct SynthInfo {
    KavoChar description[128];
    KavoChar version[64];
} SynthInfo;

/* Filled by KavoSynthGetAudioFormat: 1, 16000, 16. */
typedef struct AudioFormat {
    int32_t channels;
    int32_t sampleRate;
    int32_t bitsPerSample;
} AudioFormat;

#ifdef __cplusplus
static_assert(sizeof(SynthInfo) == 384, "SynthInfo is 384 bytes");
static_assert(sizeof(AudioFormat) == 12, "AudioFormat is three 32-bit integers");
static_assert(sizeof(bool) == 1, "results are one-byte booleans");
#else
_Static_assert(sizeof(SynthInfo) == 384, "SynthInfo is 384 bytes");
_Static_assert(sizeof(AudioFormat) == 12, "AudioFormat is three 32-bit integers");
_Static_assert(sizeof(bool) == 1, "results are one-byte booleans");
#endif

/* Starts the plug-in. sink: where log lines go; null writes them to
 * KavoSynthXunFeiClassic.log beside the library. False when the logger cannot
 * start (file mode, and the library's folder is unknown), when no worker thread
 * can be created, or when called from inside a callback. While running, a
 * second call returns true and changes nothing. The engine is loaded by the
 * worker thread: its failures are logged, not returned. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthInitialize(LogSink sink);

/* Stops speech, discards queued requests, ends the worker thread and shuts the
 * logger down. From the moment it begins, KavoSynthSpeak refuses. Always true,
 * except when called from inside a callback (the worker cannot wait for
 * itself): false, no change. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthUninitialize(void);

/* Fills *info with the description and version. Works in every state. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetInfo(SynthInfo *info);

/* Fills *format with the audio format. Works in every state. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetAudioFormat(AudioFormat *format);

/* Registers the audio callback (null clears it). Works in every state. */
KAVOSYNTH_API void KAVOSYNTH_CALL KavoSynthSetPlayCallback(PlayCallback callback);

/* True when voiceName is not null; loads nothing. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthPrepareVoice(const KavoChar *voiceName);

/* Lists the voices' display names. count: in, the capacity of names; out, the
 * number written. names null: *count becomes the number of voices. Each name
 * is copied without a terminator (at most 128 units, 256 bytes); clear the
 * buffers first. Only while running. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthGetVoiceList(KavoChar **names, uint32_t *count);

/* Queues text for the voice and returns at once; true means queued. Needs a
 * PlayCallback and a running plug-in. Requests are spoken in order. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSpeak(const KavoChar *voiceName, const KavoChar *text,
                                                 int32_t value);

/* Discards every queued request and cuts short every request queued before it
 * returns, also one the worker has just taken. After it returns, the request
 * being spoken delivers at most the block of the engine poll in progress; it
 * gets no end-of-request call, unless that poll brought its last block: then
 * that block and the end call may still come after KavoSynthStop returned.
 * Requests queued after it returned are spoken in full. Only while running. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthStop(void);

/* Per-voice prosody, 0..100 (clamped); defaults rate 50, volume 100, pitch 50.
 * Kept for the library's lifetime; take effect from the voice's next request. */
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetRate(const KavoChar *voiceName, int32_t rate);
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetVolume(const KavoChar *voiceName, int32_t volume);
KAVOSYNTH_API bool KAVOSYNTH_CALL KavoSynthSetPitch(const KavoChar *voiceName, int32_t pitch);

#ifdef __cplusplus
}
#endif

#endif /* KAVOSYNTH_H */
