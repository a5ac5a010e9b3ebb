// Blocking first-in, first-out queue of shared references between the host's
// threads and the plug-in's own. A null reference is a legal element: the
// consumer's exit marker. Unbounded: a push never waits for room.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace kavo {

template <typename Element>
class BlockingQueue {
public:
    using Predicate = std::function<bool(const Element&)>;

    BlockingQueue() = default;
    BlockingQueue(const BlockingQueue&) = delete;
    BlockingQueue& operator=(const BlockingQueue&) = delete;

    void Push(const Element& element) {
        std::lock_guard<std::mutex> lock(mutex_);
        items_.push_back(element);
        notEmpty_.notify_all();
    }

    // Waits without a time-out until an element is present.
    Element Pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        notEmpty_.wait(lock, [this] { return !items_.empty(); });
        Element front = std::move(items_.front());
        items_.pop_front();
        return front;
    }

    // Erases every element for which predicate is true, keeping the order of the
    // rest; an empty predicate erases everything. The predicate runs under the
    // queue's lock and must not touch the queue. What it captured is released
    // after the unlock, when it goes out of scope.
    void RemoveIf(Predicate predicate) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!predicate) {
            items_.clear();
            return;
        }
        for (auto it = items_.begin(); it != items_.end();) {
            it = predicate(*it) ? items_.erase(it) : it + 1;
        }
    }

    // The number of pending elements, for tests.
    std::size_t Size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }

private:
    std::deque<Element> items_;
    mutable std::mutex mutex_;
    std::condition_variable notEmpty_;
};

}  // namespace kavo
