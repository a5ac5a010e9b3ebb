// Blocking first-in, first-out queue between the host's threads and the
// plug-in's own, which a producer closes to end its consumer. Unbounded: a
// push never waits for room.
//
// Closing refuses further pushes but keeps what is queued: the consumer pops
// every element pushed before the close, and only then learns that the queue
// is closed. A producer that wants pending work dropped clears the queue
// before closing it. Open makes a closed queue take pushes again, for the
// next consumer.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace kavo {

template <typename Element>
class BlockingQueue {
public:
    BlockingQueue() = default;
    BlockingQueue(const BlockingQueue&) = delete;
    BlockingQueue& operator=(const BlockingQueue&) = delete;

    // Queues the element; false, with nothing queued, once the queue is closed.
    bool Push(const Element& element) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return false;
        items_.push_back(element);
        notEmptyOrClosed_.notify_all();
        return true;
    }

    // Waits without a time-out until an element is present or the queue is
    // closed; empty only when it is closed and holds nothing more.
    std::optional<Element> Pop() {
        std::unique_lock<std::mutex> lock(mutex_);
        notEmptyOrClosed_.wait(lock, [this] { return !items_.empty() || closed_; });
        if (items_.empty()) return std::nullopt;
        std::optional<Element> front(std::move(items_.front()));
        items_.pop_front();
        return front;
    }

    // Refuses further pushes and wakes a waiting consumer.
    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        notEmptyOrClosed_.notify_all();
    }

    // Takes pushes again; whatever is still queued stays.
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = false;
    }

    // Drops every pending element. They are released after the unlock.
    void Clear() {
        std::deque<Element> dropped;
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(items_);
    }

    // The number of pending elements, for tests.
    std::size_t Size() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return items_.size();
    }

private:
    std::deque<Element> items_;
    bool closed_ = false;
    mutable std::mutex mutex_;
    std::condition_variable notEmptyOrClosed_;
};

}  // namespace kavo
