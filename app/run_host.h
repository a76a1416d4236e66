#pragma once
// What the engine sees of the main window while it runs on its own thread: status texts and
// progress go back to the window as queued signals, in the order they were set; the mode, the
// check boxes and the station are mirrored here as the user changes them, so the engine reads
// them live without touching a widget.
#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/interfaces.h"
#include "engine/list_source.h"

namespace kalvimo {

// A stop leaves the program running and keeps the closing pause; closing the window also
// cuts every pause short.
enum class StopKind { Stop, Close };

struct PauseLengths {
    int closingMs = 400;
    int analysisMs = 400;
    int finalMs = 600;
    int driveMs = 1000;
};

class RunHost : public QObject,
                public StatusSink,
                public ProgressSink,
                public InputSelection,
                public RunOptions,
                public Pauses,
                public OutputsListener {
    Q_OBJECT
public:
    RunHost(const std::string& dataRoot, PauseLengths pauses, QObject* parent = nullptr);

    // User-interface thread.
    void beginRun(std::string directory, std::vector<std::string> files, int current);
    void setFileMode(bool on) { fileMode_ = on; }
    void setCheck(Box box, int state) { checks_[box.index()] = state; }
    void setStation(std::string cp1251);
    void requestStop(StopKind kind) {
        if (kind == StopKind::Close) closing_ = true;
        stop_ = true;
    }
    const std::atomic<bool>* stopFlag() const { return &stop_; }
    ListSources& lists() { return lists_; }
    RunEnvironment environment();
    // Called on the run's thread at each pause, after the pause; for tests.
    std::function<void(const char*)> pauseHook;

    // The run's thread.
    void setStatus(const std::string& text) override;
    void setCountStatus(const char* prefix, long count) override;
    void setFailureStatus(const std::string& text) override;
    void setValue(int value) override { emit progressValue(value); }
    void setRange(int min, int max) override { emit progressRange(min, max); }
    bool fileMode() override { return fileMode_; }
    int fileCount() override { return static_cast<int>(files_.size()); }
    std::string currentFileName() override;
    void selectFile(int index) override;
    std::string directory() override { return directory_; }
    std::string stationName() override;
    int checkState(Box box) override { return checks_[box.index()]; }
    void closingPause() override { pause(pauses_.closingMs, "closing"); }
    void analysisPause() override { pause(pauses_.analysisMs, "analysis"); }
    void finalPause() override { pause(pauses_.finalMs, "final"); }
    void outputsCleared() override { emit outputsClearedNow(); }

signals:
    void statusText(const QString& text);
    void failureText(const QString& text);  // after its statusText: the window keeps it
    void countPending();
    void progressValue(int value);
    void progressRange(int min, int max);
    void fileSelected(int index);
    void outputsClearedNow();

public:
    // User-interface thread: the running count as it stands now.
    QString takeCount();

private:
    void pause(int ms, const char* which);

    ListFilesSource lists_;
    PauseLengths pauses_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> closing_{false};
    std::atomic<bool> fileMode_{false};
    std::array<std::atomic<int>, Box::kCount> checks_{};
    std::mutex stationMutex_;
    std::string station_;
    // The run reads the station for every header: a thread keeps the name it read last and
    // takes the lock only after a change (stationName()).
    std::atomic<std::uint64_t> stationChanges_{0};
    const std::uint64_t id_;  // never the same for two hosts, so that a kept name is never another's
    std::string directory_;
    std::vector<std::string> files_;
    int current_ = -1;
    // The running count of the error analysis is shown at the pace the window can take.
    std::mutex countMutex_;
    const char* countPrefix_ = nullptr;
    long count_ = 0;
    std::atomic<bool> countQueued_{false};
    bool countUnshown_ = false;  // the run's thread only, as is countsHeld_
    unsigned countsHeld_ = 0;
    std::chrono::steady_clock::time_point lastCountSent_{};
};

}  // namespace kalvimo
