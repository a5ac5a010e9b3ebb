// One engine session: its settings, its text, and the thread that speaks it.
// Synthesis runs ahead on the session's own thread into a bounded queue of
// espeak-ng's samples. The caller takes the queue over whole, resamples it to
// 16 kHz on its own thread, so that synthesis and resampling run side by side,
// and hands blocks out where they lie in the resampled samples; only a block
// that spans two takings is put together. The queue and the resampled samples
// get their room once per session. A caller that asks before a block is ready
// waits for it, but never longer than one poll interval of the plug-in, so
// that it still sees a stop in time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "espeak_runtime.h"
#include "resampler.h"
#include "session_params.h"

namespace espeak_engine {

class SpeechSession {
public:
    // The resampler must be fresh (or reset) and outlive the session.
    SpeechSession(std::string id, SpeechSettings settings, EspeakRuntime& runtime, Resampler& resampler);
    // Stops and joins the synthesis thread if it still runs.
    ~SpeechSession();
    SpeechSession(const SpeechSession&) = delete;
    SpeechSession& operator=(const SpeechSession&) = delete;

    const std::string& Id() const { return id_; }

    // Takes the session's one text (GBK) and starts the synthesis thread.
    int PutText(const char* gbk, unsigned int length);
    // The next block of 16-bit little-endian mono PCM at 16 kHz, waiting up
    // to kMaxBlockWait for it; null when none came in that time. The block
    // stays valid until the next call. Status 2 comes with the last block, or
    // alone once everything was handed out.
    const void* NextBlock(unsigned int& bytes, int& status, int& error);
    // Asks synthesis to stop at its next chunk and joins the thread.
    void Stop();

private:
    void Synthesise(const std::string& utf8);  // the synthesis thread's body
    // Queues espeak-ng's samples, waiting while the queue is full; false once a stop was asked.
    bool Enqueue(const std::int16_t* samples, std::size_t count);
    void Finish(int error);
    // Takes over and resamples what synthesis queued until a block is ready,
    // waiting until the deadline for more; false on an error, which is then in error.
    bool Refill(std::chrono::steady_clock::time_point deadline, int& error);

    const std::string id_;
    const SpeechSettings settings_;
    EspeakRuntime& runtime_;

    // Shared with the synthesis thread.
    std::mutex mutex_;
    std::condition_variable roomFreed_;
    std::condition_variable audioReady_;
    std::vector<std::int16_t> pending_;  // espeak-ng's samples, not yet taken over
    std::size_t wantedSamples_ = 0;      // what a waiting caller waits for; 0 when none waits
    bool producerWaiting_ = false;
    bool stopRequested_ = false;
    bool synthesisDone_ = false;
    int synthesisError_ = 0;

    // The caller's side; the engine serialises calls into one session.
    Resampler& resampler_;
    std::vector<std::int16_t> taken_;  // swapped with pending_, so both keep their capacity
    // The last taking at 16 kHz, not yet handed out from resampledStart_ on.
    std::vector<std::int16_t> resampled_;
    std::size_t resampledStart_ = 0;
    // The start of a block whose rest lies in the next taking; handed out
    // from here, and emptied at the next call.
    std::vector<std::int16_t> joined_;
    bool joinedHandedOut_ = false;
    bool drained_ = false;  // everything synthesis makes is resampled, the resampler's tail too
    bool textPut_ = false;
    bool blockHandedOut_ = false;
    std::vector<unsigned char> block_;  // a block in little-endian order, where the host is not
    std::thread worker_;
};

}  // namespace espeak_engine
