#include "app/run_host.h"

#include <chrono>
#include <thread>

#include "platform/qt/qt_text.h"

namespace kalvimo {

namespace {
std::atomic<std::uint64_t> hostsMade{0};
}

RunHost::RunHost(const std::string& dataRoot, PauseLengths pauses, QObject* parent)
    : QObject(parent), lists_(dataRoot), pauses_(pauses), id_(++hostsMade) {}

void RunHost::beginRun(std::string directory, std::vector<std::string> files, int current) {
    directory_ = std::move(directory);
    files_ = std::move(files);
    current_ = current;
    stop_ = false;
    closing_ = false;
}

void RunHost::setStation(std::string cp1251) {
    std::lock_guard<std::mutex> lock(stationMutex_);
    station_ = std::move(cp1251);
    stationChanges_.fetch_add(1, std::memory_order_release);
}

std::string RunHost::stationName() {
    struct Kept {
        std::uint64_t host = 0;
        std::uint64_t changes = 0;
        std::string station;
    };
    thread_local Kept kept;
    const std::uint64_t changes = stationChanges_.load(std::memory_order_acquire);
    if (kept.host != id_ || kept.changes != changes) {
        std::lock_guard<std::mutex> lock(stationMutex_);
        kept.station = station_;
        kept.changes = stationChanges_.load(std::memory_order_relaxed);
        kept.host = id_;
    }
    return kept.station;
}

RunEnvironment RunHost::environment() {
    return RunEnvironment{*this, *this, *this, *this, lists_, *this, *this, &stop_};
}

void RunHost::setStatus(const std::string& text) {
    // The last count goes out before the text that follows it.
    if (countUnshown_ && !countQueued_.exchange(true)) emit countPending();
    countUnshown_ = false;
    emit statusText(fromUtf8(text));
}

void RunHost::setFailureStatus(const std::string& text) {
    setStatus(text);
    emit failureText(fromUtf8(text));
}

void RunHost::setCountStatus(const char* prefix, long count) {
    {
        std::lock_guard<std::mutex> lock(countMutex_);
        countPrefix_ = prefix;
        count_ = count;
    }
    // A few updates a second are all a reader can follow; more would keep the window busy.
    // While counts are held back, the clock is read for every 64th only: a count comes with
    // every line of rep48.log, and a read of the clock costs more than the line.
    if (countUnshown_ && ++countsHeld_ % 64 != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastCountSent_ < std::chrono::milliseconds(50)) {
        countUnshown_ = true;
        return;
    }
    lastCountSent_ = now;
    countUnshown_ = false;
    if (!countQueued_.exchange(true)) emit countPending();
}

QString RunHost::takeCount() {
    countQueued_ = false;
    std::lock_guard<std::mutex> lock(countMutex_);
    return countPrefix_ ? QString::fromUtf8(countPrefix_) + QString::number(count_) : QString();
}

std::string RunHost::currentFileName() {
    if (current_ < 0 || current_ >= static_cast<int>(files_.size())) return {};
    return files_[static_cast<size_t>(current_)];
}

void RunHost::selectFile(int index) {
    current_ = index;
    emit fileSelected(index);
}

void RunHost::pause(int ms, const char* which) {
    // In short steps, so that closing the window does not wait for a pause to end.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!closing_ && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(20), until - std::chrono::steady_clock::now()));
    if (pauseHook) pauseHook(which);
}

}  // namespace kalvimo
