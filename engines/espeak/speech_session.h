// One engine session: its settings, its text, and the thread that speaks it.
// Synthesis runs ahead on the session's own thread into a bounded queue of
// 16 kHz samples, which the caller drains block by block. A caller that asks
// before a block is ready waits for it, but never longer than one poll
// interval of the plug-in, so that it still sees a stop in time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "espeak_runtime.h"
#include "session_params.h"

namespace espeak_engine {

class SpeechSession {
public:
    SpeechSession(std::string id, SpeechSettings settings, EspeakRuntime& runtime);
    // Stops and joins the synthesis thread if it still runs.
    ~SpeechSession();
    SpeechSession(const SpeechSession&) = delete;
    SpeechSession& operator=(const SpeechSession&) = delete;

    const std::string& Id() const { return id_; }

    // Takes the session's one text (GBK) and starts the synthesis thread.
    int PutText(const char* gbk, unsigned int length);
    // The next block of 16-bit little-endian mono PCM, waiting up to
    // kMaxBlockWait for it; null when none came in that time. The block stays
    // valid until the next call. Status 2 comes with the last block, or alone
    // once everything was handed out.
    const void* NextBlock(unsigned int& bytes, int& status, int& error);
    // Asks synthesis to stop at its next chunk and joins the thread.
    void Stop();

private:
    void Synthesise(const std::string& utf8);  // the synthesis thread's body
    // Queues resampled samples, waiting while the queue is full; false once a stop was asked.
    bool Enqueue(const std::int16_t* samples, std::size_t count);
    void Finish(int error);
    std::size_t PendingLocked() const { return pending_.size() - pendingStart_; }

    const std::string id_;
    const SpeechSettings settings_;
    EspeakRuntime& runtime_;

    // Shared with the synthesis thread.
    std::mutex mutex_;
    std::condition_variable roomFreed_;
    std::condition_variable audioReady_;
    // Samples not yet handed out start at pendingStart_; the consumed front is
    // dropped in one move once it outgrows what is left.
    std::vector<std::int16_t> pending_;
    std::size_t pendingStart_ = 0;
    std::size_t wantedSamples_ = 0;  // what a waiting caller waits for; 0 when none waits
    bool producerWaiting_ = false;
    bool stopRequested_ = false;
    bool synthesisDone_ = false;
    int synthesisError_ = 0;

    // The caller's side; the engine serialises calls into one session.
    bool textPut_ = false;
    bool blockHandedOut_ = false;
    std::vector<unsigned char> block_;
    std::thread worker_;
};

}  // namespace espeak_engine
