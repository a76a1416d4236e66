#pragma once
// The one way our threads pass work to each other: a bounded queue between a thread that puts
// and a thread that takes. put() waits while it is full, take() while it is empty; close()
// ends both waits. The items live in a ring made once, so handing one over never allocates.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace kalvimo {

template <class T>
class HandOver {
public:
    explicit HandOver(size_t capacity) : ring_(capacity < 1 ? 1 : capacity) {}
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Waits for room; false once closed, and the item then stays with the caller.
    bool put(T& item) {
        std::unique_lock<std::mutex> lock(mutex_);
        notFull_.wait(lock, [this] { return closed_ || !full(); });
        return push(lock, item);
    }
    // Without waiting: false when full or closed, and the item stays with the caller.
    bool tryPut(T& item) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (closed_ || full()) return false;
        return push(lock, item);
    }

    // Waits for an item; nothing once closed and every item taken.
    std::optional<T> take() {
        std::unique_lock<std::mutex> lock(mutex_);
        notEmpty_.wait(lock, [this] { return closed_ || count_ > 0; });
        return pop(lock);
    }
    // Without waiting: nothing when empty.
    std::optional<T> tryTake() {
        std::unique_lock<std::mutex> lock(mutex_);
        return pop(lock);
    }

    // No more puts; what waits can still be taken, unless dropped.
    enum class Waiting { Kept, Dropped };
    void close(Waiting waiting = Waiting::Kept) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
            if (waiting == Waiting::Dropped) {
                for (auto& slot : ring_) slot.reset();
                count_ = 0;
            }
        }
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

private:
    bool full() const { return count_ >= ring_.size(); }

    bool push(std::unique_lock<std::mutex>& lock, T& item) {
        if (closed_) return false;
        ring_[(first_ + count_) % ring_.size()].emplace(std::move(item));
        ++count_;
        lock.unlock();
        notEmpty_.notify_one();
        return true;
    }

    std::optional<T> pop(std::unique_lock<std::mutex>& lock) {
        if (count_ == 0) return std::nullopt;
        std::optional<T> item(std::move(ring_[first_]));
        ring_[first_].reset();
        first_ = (first_ + 1) % ring_.size();
        --count_;
        lock.unlock();
        notFull_.notify_one();
        return item;
    }

    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable notEmpty_;
    std::vector<std::optional<T>> ring_;
    size_t first_ = 0;
    size_t count_ = 0;
    bool closed_ = false;
};

}  // namespace kalvimo
