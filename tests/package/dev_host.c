/* A host program built from kavosynth-dev alone: the header found with
 * pkg-config --cflags kavosynth, the plug-in loaded from PLUGINDIR, the folder
 * pkg-config --variable=plugindir kavosynth names. Speaks one sentence and
 * prints the bytes of audio it got back; exits 1 when something failed. */
#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>

#include <kavosynth.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t ended = PTHREAD_COND_INITIALIZER;
static unsigned long audio_bytes;
static bool done;

static void KAVOSYNTH_CALL on_audio(const KavoChar *voice, const void *pcm, uint32_t bytes, int32_t value) {
    (void)voice;
    (void)value;
    pthread_mutex_lock(&lock);
    if (pcm) {
        audio_bytes += bytes;
    } else {
        done = true;
        pthread_cond_signal(&ended);
    }
    pthread_mutex_unlock(&lock);
}

/* With a sink the plug-in writes no log file into its (the package's) folder. */
static void KAVOSYNTH_CALL on_log(int32_t level, const KavoChar *text) {
    (void)level;
    (void)text;
}

#define FIND(name) __typeof__(name) *name##_at = (__typeof__(name) *)dlsym(library, #name)

int main(void) {
    void *library = dlopen(PLUGINDIR "/libKavoSynthXunFeiClassic.so", RTLD_NOW);
    if (!library) {
        fprintf(stderr, "dev_host: %s\n", dlerror());
        return 1;
    }
    FIND(KavoSynthInitialize);
    FIND(KavoSynthSetPlayCallback);
    FIND(KavoSynthSpeak);
    FIND(KavoSynthUninitialize);
    if (!KavoSynthInitialize_at || !KavoSynthSetPlayCallback_at || !KavoSynthSpeak_at || !KavoSynthUninitialize_at) {
        fprintf(stderr, "dev_host: an export is missing\n");
        return 1;
    }
    KavoSynthSetPlayCallback_at(on_audio);
    if (!KavoSynthInitialize_at(on_log) || !KavoSynthSpeak_at(u"经典科大 小燕", u"你好，世界。", 7)) {
        fprintf(stderr, "dev_host: the plug-in refused to start or to speak\n");
        return 1;
    }
    pthread_mutex_lock(&lock);
    while (!done) pthread_cond_wait(&ended, &lock);
    pthread_mutex_unlock(&lock);
    KavoSynthUninitialize_at();
    printf("audio bytes: %lu\n", audio_bytes);
    return audio_bytes > 0 ? 0 : 1;
}
