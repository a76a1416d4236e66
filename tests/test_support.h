#pragma once
// Shared by the engine tests: a temporary data directory, an environment that records what
// a run shows, and small file helpers.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/data_dir.h"
#include "engine/interfaces.h"
#include "engine/kinds.h"
#include "engine/runner.h"
#include "tests/portable_files.h"

namespace kalvimo::test {

// The status at rest after a run: "Cтоп" with a Latin C.
inline const std::string kStop = "C\xD1\x82\xD0\xBE\xD0\xBF";

// A fresh directory under /tmp (the temporary folder on Windows), removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return under(path_, name); }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);  // "" when missing
bool fileExists(const std::string& path);
std::vector<std::string> dirEntries(const std::string& dir);  // sorted by byte value

// Records every status text, progress call, selection and pause, in order.
class Recorder : public StatusSink, public ProgressSink, public Pauses, public OutputsListener {
public:
    void setStatus(const std::string& text) override {
        events.push_back("status:" + text);
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void setValue(int value) override { events.push_back("value:" + std::to_string(value)); values.push_back(value); }
    void setRange(int min, int max) override {
        events.push_back("range:" + std::to_string(min) + ".." + std::to_string(max));
    }
    void closingPause() override { events.push_back("pause:closing"); }
    void analysisPause() override { events.push_back("pause:analysis"); }
    void finalPause() override { events.push_back("pause:final"); }
    void outputsCleared() override { events.push_back("cleared"); }

    std::vector<std::string> events;
    std::vector<std::string> statuses;
    std::vector<int> values;
    // Called after each status text: lets a test change things at a given point of a run.
    std::function<void(const std::string&)> onStatus;
};

class ScriptedInput : public InputSelection {
public:
    bool fileModeFlag = false;
    std::string dir;
    std::vector<std::string> files;
    int current = -1;
    std::vector<int> selections;
    // Called after each selection: lets a test change things during a walk.
    std::function<void(int)> onSelect;

    bool fileMode() override { return fileModeFlag; }
    int fileCount() override { return static_cast<int>(files.size()); }
    std::string currentFileName() override {
        return current >= 0 && current < fileCount() ? files[static_cast<size_t>(current)] : "";
    }
    void selectFile(int index) override {
        current = index;
        selections.push_back(index);
        if (onSelect) onSelect(index);
    }
    std::string directory() override { return dir; }
};

class ScriptedOptions : public RunOptions {
public:
    std::string station = "ZARYA-UZEL";
    BoxStates checks;
    std::string stationName() override { return station; }
    int checkState(Box box) override { return checks[box]; }
    void set(Box box, int state) { checks[box] = state; }
};

class ScriptedLists : public ListSources {
public:
    std::vector<std::string> reports, devices;
    std::vector<std::string> workingReports() override { return reports; }
    std::vector<std::string> workingDevices() override { return devices; }
};

// A data directory with an input directory beside it, and a runner wired to recorders.
struct Bench {
    TempDir tmp;
    std::string dataRoot;
    std::string inputDir;
    Recorder rec;
    ScriptedInput input;
    ScriptedOptions options;
    ScriptedLists lists;
    std::atomic<bool> stop{false};
    Runner runner;

    Bench();
    RunEnvironment environment() { return RunEnvironment{rec, rec, input, options, lists, rec, rec, &stop}; }
    std::string data(const std::string& name) const { return under(dataRoot, name); }
    // Puts a printout into the input directory and lists it.
    void addInput(const std::string& name, const std::string& content);
    void useFile(const std::string& name);  // file mode on one listed file
};

// A context as a full run hands it to its kinds: the output directories cleared (unless
// keepOutputs), and earlier kinds that took the progress count to progressSoFar. What setting
// it up showed is forgotten, so the recorder holds what the kind run on it shows.
struct InsideFullRun {
    RunContext context;
    InsideFullRun(Bench& b, int progressSoFar, bool keepOutputs = false);
    void run(RunKind kind) { runKind(context, kind); }
};

// CR LF joined lines, each ended.
std::string crlf(const std::vector<std::string>& lines);

}  // namespace kalvimo::test
