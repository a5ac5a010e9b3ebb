// Blocking first-in, first-out queue of shared references between the host's
// threads and the plug-in's own. A null reference is a legal element: the
// consumer's exit marker.
#pragma once
#include <condition_variable>
#include <cstdint>
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

    // Waits for room only when the queue is bounded (capacity > 0).
    void Push(const Element& element) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (capacity_ > 0 && static_cast<std::int64_t>(items_.size()) >= capacity_) notFull_.wait(lock);
        items_.push_back(element);
        notEmpty_.notify_all();
    }

    // Waits without a time-out until an element is present.
    Element Pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (items_.empty()) notEmpty_.wait(lock);
        Element front = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_all();
        return front;
    }

    // Erases every element for which predicate is true, keeping the order of the
    // rest; an empty predicate erases everything. The predicate runs under the
    // queue's lock and must not touch the queue.
    void RemoveIf(Predicate predicate) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!predicate || items_.empty()) {
                items_.clear();
                notFull_.notify_all();
            } else {
                for (auto it = items_.begin(); it != items_.end();) {
                    it = predicate(*it) ? items_.erase(it) : it + 1;
                }
                if (capacity_ > 0 && static_cast<std::int64_t>(items_.size()) < capacity_) notFull_.notify_all();
            }
        }
        // The predicate (and what it captured) is released after the unlock, when it goes out of scope.
    }

    // For tests and diagnostics: the number of pending elements.
    std::size_t Size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }

    // A positive value bounds the queue; zero or negative means unbounded (the default).
    void SetCapacity(std::int32_t capacity) {
        std::lock_guard<std::mutex> lock(mutex_);
        capacity_ = capacity;
        notFull_.notify_all();
    }

private:
    std::deque<Element> items_;
    std::int32_t capacity_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
};

}  // namespace kavo
