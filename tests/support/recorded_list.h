// A list that a host callback appends to on the plug-in's threads, and that a
// test reads and waits on: what each recorder of recorders.h is built on.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace kavotest {

constexpr std::chrono::seconds kPatience{20};  // bound on any wait, so a fault fails instead of hanging

template <typename Entry>
class RecordedList {
public:
    using Hook = std::function<void(const Entry&)>;

    void Add(Entry entry) {
        Hook hook;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            hook = hook_;
        }
        // The hook runs first, so a test that sees the entry recorded knows its hook is done.
        if (hook) hook(entry);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            entries_.push_back(std::move(entry));
        }
        changed_.notify_all();
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
        hook_ = nullptr;
    }

    void SetHook(Hook hook) {
        std::lock_guard<std::mutex> lock(mutex_);
        hook_ = std::move(hook);
    }

    std::vector<Entry> Entries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }

    // Waits until done(entries) holds, kPatience at most; says whether it holds.
    template <typename Predicate>
    bool WaitUntil(Predicate done) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return done(entries_); });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Entry> entries_;
    Hook hook_;
};

}  // namespace kavotest
