#pragma once
// What every extraction of a run works with: the data directory, the outside world (status,
// progress, input, options, lists, pauses), the one line reader, the progress count that the
// kinds of a full run share, and what the run met.
#include <string>

#include "engine/data_dir.h"
#include "engine/interfaces.h"
#include "engine/run_journal.h"
#include "platform/line_reader.h"

namespace kalvimo {

// What a run met, for the batch program's exit status and for tests.
struct RunOutcome {
    int refusals = 0;        // "Файл не выбран", "Нет файлов ...", "Список  пустой" shown
    int inputFailures = 0;   // input files skipped because they could not be read
    bool aborted = false;    // a result or list file failed, or something unforeseen: the run ended
    bool stopped = false;    // the run was asked to stop
    bool busy = false;       // another program's run held the data directory: nothing done
    bool anyFailure() const { return refusals > 0 || inputFailures > 0 || aborted || busy; }
};

// Thrown where a run notices that it was asked to stop; Runner::run catches it.
struct RunStopped {};

class RunContext {
public:
    RunContext(DataDir data, RunEnvironment env);

    const DataDir& data() const { return data_; }
    InputSelection& input() { return env_.input; }
    RunOptions& options() { return env_.options; }
    ListSources& lists() { return env_.lists; }
    Pauses& pauses() { return env_.pauses; }
    LineReader& reader() { return reader_; }
    // The lists the run appends to, put back when it does not end.
    RunJournal& journal() { return journal_; }

    void setStatus(const std::string& text) { env_.status.setStatus(text); }
    // The text that begins a pass (device: the one a device pass reads for, UTF-8), and a
    // failure; a progress line or a quiet run tells them from other texts.
    void setPassStatus(const std::string& text, const std::string& device) { env_.status.setPassStatus(text, device); }
    void setFailureStatus(const std::string& text) { env_.status.setFailureStatus(text); }
    void setCountStatus(const char* prefix, long count) { env_.status.setCountStatus(prefix, count); }
    // Shows a refusal; the run goes on, and the batch program ends with status 1.
    void refuse(const std::string& text);
    // An input file that cannot be read: says so, and the walk goes on with the next file.
    void skipInput(const std::string& reason);

    bool stopRequested() const { return env_.stop && env_.stop->load(std::memory_order_relaxed); }
    // Ends the run when a stop was asked for. Call it only where every result file is whole.
    void checkStop();

    // In a full run the kinds leave out their own clearing, progress set-up and closing pause,
    // and the progress count goes on from one kind to the next.
    bool inFullRun() const { return fullRun_; }
    void setFullRun(bool on) { fullRun_ = on; }

    // The value the progress bar takes before the next input file.
    int progressCount() const { return progressCount_; }
    // Before each file of a walk: the bar takes the count, which then moves on by one.
    void advanceProgress();
    void stepBackProgress(int steps) { progressCount_ -= steps; }
    // The count and the bar back to 0.
    void resetProgress();
    // Kept valid (max above min) when there are fewer than two files.
    void setProgressRange(int min, long long max);

    // Empties the output directories: every file and link of error/, the *.log files and links
    // of log/. Whoever shows them is told, even when it failed half-way.
    void clearOutputs();

    const RunOutcome& outcome() const { return outcome_; }
    RunOutcome& outcome() { return outcome_; }
    // A new run starts from rest: nothing met yet, the count at 0, no full run.
    void startAfresh();

private:
    DataDir data_;
    RunEnvironment env_;
    LineReader reader_;
    RunJournal journal_;
    RunOutcome outcome_;
    bool fullRun_ = false;
    int progressCount_ = 0;
};

}  // namespace kalvimo
