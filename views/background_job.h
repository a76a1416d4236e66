#pragma once
// One piece of background work on a thread of its own, with a stop flag that the work tests
// once a block. Stopping waits for the thread, so nothing it uses goes away under it.
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <thread>

namespace kalvimo {

class BackgroundJob {
public:
    BackgroundJob() = default;
    ~BackgroundJob() { stop(); }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Stops the work under way, if any, and starts this one.
    void start(std::function<void(const std::atomic<bool>& cancel)> work) {
        stop();
        cancel_ = false;
        thread_ = std::thread([this, work = std::move(work)] { work(cancel_); });
    }
    void stop() {
        cancel_ = true;
        if (thread_.joinable()) thread_.join();
    }

private:
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

// True at most once every 100 ms: how often results go from a worker to the window.
class BatchClock {
public:
    BatchClock() { timer_.start(); }
    bool due() {
        if (timer_.elapsed() < 100) return false;
        timer_.restart();
        return true;
    }

private:
    QElapsedTimer timer_;
};

}  // namespace kalvimo
