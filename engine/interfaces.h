#pragma once
// What the engine needs from whoever runs it: the main window, the batch program or a test.
// Everything here is read or set while a run goes on, so a window can change the mode, the
// two search boxes or the station between two reads.
#include <atomic>
#include <string>
#include <vector>

#include "engine/choices.h"

namespace kalvimo {

// The status line. Texts are UTF-8.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void setStatus(const std::string& text) = 0;
    // A running count ("  Идет обработка ошибок  N"), set once per line; a sink that shows
    // only the last value can skip building the text.
    virtual void setCountStatus(const char* prefix, long count) { setStatus(prefix + std::to_string(count)); }
    // The text that begins a pass over the input and names it (with the device the text leaves
    // out, UTF-8, for a pass of the device extraction), and a failure: a refusal, a skipped
    // input file, a failed result file, a busy data directory. Shown like any other text unless
    // a sink tells them apart (a progress line, a quiet run).
    virtual void setPassStatus(const std::string& text, const std::string& /*device*/) { setStatus(text); }
    virtual void setFailureStatus(const std::string& text) { setStatus(text); }
};

// The progress bar. The engine keeps the range valid (min below max).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setValue(int value) = 0;
    virtual void setRange(int min, int max) = 0;
};

// The choice of input: the mode buttons, the file list and the directory list.
class InputSelection {
public:
    virtual ~InputSelection() = default;
    virtual bool fileMode() = 0;                  // "Файла" selected
    virtual int fileCount() = 0;                  // entries of the file list
    virtual std::string currentFileName() = 0;    // current entry, "" when there is none
    virtual void selectFile(int index) = 0;       // makes entry index current, visibly
    virtual std::string directory() = 0;          // the directory the file list shows
};

// Station name and the choices.
class RunOptions {
public:
    virtual ~RunOptions() = default;
    virtual std::string stationName() = 0;        // Windows-1251 bytes
    virtual int checkState(Box box) = 0;    // 0 clear, 1 ticked, 2 greyed
    bool ticked(Box box) { return checkState(box) == 1; }
};

// The two working lists, in the order they are processed, as the list windows load them.
// A list that cannot be read throws IoError, which ends the run with its text.
class ListSources {
public:
    virtual ~ListSources() = default;
    virtual std::vector<std::string> workingReports() = 0;  // entries, Windows-1251
    virtual std::vector<std::string> workingDevices() = 0;
};

// The pauses that keep a status text in view for a moment. Tests and the batch program make
// none.
class Pauses {
public:
    virtual ~Pauses() = default;
    virtual void closingPause() {}
    virtual void analysisPause() {}
    virtual void finalPause() {}
};

// Told when the output directories have been emptied, so that a results window showing them
// can close or refresh.
class OutputsListener {
public:
    virtual ~OutputsListener() = default;
    virtual void outputsCleared() {}
};

struct RunEnvironment {
    StatusSink& status;
    ProgressSink& progress;
    InputSelection& input;
    RunOptions& options;
    ListSources& lists;
    Pauses& pauses;
    OutputsListener& outputs;
    const std::atomic<bool>* stop = nullptr;  // set: the run ends at the next line
};

}  // namespace kalvimo
