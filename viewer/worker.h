#pragma once
// One piece of background work at a time, on a thread of its own, handing its results to the
// thread that started it through a bounded hand-over: a worker that gets ahead waits for the
// taker, so what it finds never piles up. Stopping drops what was not taken and waits for the
// thread, so nothing the work uses goes away under it, and nothing of a work since replaced is
// ever taken.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

#include "platform/hand_over.h"

namespace kalvimo {

template <class Result>
class Worker {
public:
    // Hands a result over, waiting for room; false once the work is stopped (it is then dropped).
    using Post = std::function<bool(Result&)>;

    // wake is called on the worker's thread after every result handed over.
    explicit Worker(std::function<void()> wake = {}) : wake_(std::move(wake)) {}
    ~Worker() { stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Stops the work under way, if any, and starts this one.
    void start(std::function<void(std::stop_token, const Post&)> work) {
        stop();
        auto box = std::make_shared<HandOver<Result>>(kDepth);
        box_ = box;
        thread_ = std::jthread([box, wake = wake_, work = std::move(work)](std::stop_token stop) {
            const Post post = [&](Result& result) {
                if (!box->put(result)) return false;
                if (wake) wake();
                return true;
            };
            work(std::move(stop), post);
        });
    }

    void stop() {
        if (!thread_.joinable()) return;
        thread_.request_stop();
        box_->close(HandOver<Result>::Waiting::Dropped);  // a put waiting for room gives up
        thread_.join();
        box_.reset();
    }

    // A result handed over and not taken yet, without waiting.
    std::optional<Result> take() { return box_ ? box_->tryTake() : std::nullopt; }

private:
    // Enough for the worker to go on while the taker is busy for a moment.
    static constexpr size_t kDepth = 4;
    std::function<void()> wake_;
    std::shared_ptr<HandOver<Result>> box_;
    std::jthread thread_;
};

// True at most once every 100 ms: how often a worker hands its results over.
class BatchClock {
public:
    bool due() {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(100)) return false;
        last_ = now;
        return true;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace kalvimo
