#pragma once
// The procedures of the main window that run the extractions, and the run state they share.
// No window code: everything the engine sees of the outside comes through RunEnvironment.
#include <exception>
#include <string>
#include <vector>

#include "engine/data_dir.h"
#include "engine/interfaces.h"
#include "platform/data_lock.h"
#include "platform/io_error.h"
#include "platform/line_reader.h"

namespace kalvimo {

// What a run met, for the batch program's exit status and for tests.
struct RunOutcome {
    int refusals = 0;        // "Файл не выбран", "Нет файлов ...", "Список  пустой" shown
    int inputFailures = 0;   // input files skipped because they could not be read
    bool aborted = false;    // a result file failed and the run ended
    bool stopped = false;    // the run was asked to stop
    bool busy = false;       // another program's run held the data directory: nothing done
    bool anyFailure() const { return refusals > 0 || inputFailures > 0 || aborted || busy; }
};

// Thrown inside a run to end it; caught where the button's procedure began.
struct RunEnded {};

class Engine {
public:
    Engine(DataDir data, RunEnvironment env);

    // Run state shared by all extractions.
    bool fullMode = false;
    int progressCount = 0;
    std::string inputPath;
    std::string currentReportNumber;  // as the working list holds it, Windows-1251

    // The buttons.
    void btnFile48_Click();
    void btnFile121_Click();
    void btnFileRrn_Click();
    void btnDev_Click();
    void btnalarm_Click();
    void btnFileAll_Click();  // "Полная"

    // Empties the output directories: every file of error/ and the *.log files of log/.
    void ClearDir();
    // The progress range of a full run over the ticked kinds.
    void progressbar();

    const RunOutcome& outcome() const { return outcome_; }
    void resetOutcome() { outcome_ = {}; }

    // For the frame and the extractions.
    const DataDir& data() const { return data_; }
    RunEnvironment& env() { return env_; }
    LineReader& reader() { return reader_; }
    void setStatus(const std::string& text) { env_.status.setStatus(text); }
    // The working lists; one that cannot be read ends the run with its text.
    std::vector<std::string> workingReports();
    std::vector<std::string> workingDevices();
    void refuse(const std::string& text);
    void setProgressValue(int value) { env_.progress.setValue(value); }
    // Keeps the range valid when the list has fewer than two files.
    void setProgressRange(int min, long long max);
    // A result file failed: shows it and ends the run.
    [[noreturn]] void fail(const IoError& error);
    // An input file failed: shows it; the walk goes on.
    void skipInput(const IoError& error) { skipInput(error.message()); }
    void skipInput(const std::string& reason);
    bool stopRequested() const { return env_.stop && env_.stop->load(std::memory_order_relaxed); }
    // Ends the run when a stop was asked for; call it only where every result file is whole.
    void checkStop();

    // Runs one button's procedure; an ended run is cleaned up here. Nested calls (a full run
    // calling the extractions) leave the cleaning to the outermost one. The outermost one holds
    // the data directory's lock from before the clearing to after the last write; when another
    // program holds it, nothing runs.
    template <class F>
    void runProcedure(F&& body);

private:
    void showStopped();
    void endAfterFailure();
    // Takes the data directory's lock, or shows why not.
    bool lockDataDir(DataLock& lock);

    DataDir data_;
    RunEnvironment env_;
    LineReader reader_;
    RunOutcome outcome_;
    int depth_ = 0;
};

template <class F>
void Engine::runProcedure(F&& body) {
    if (depth_ > 0) {
        body();
        return;
    }
    DataLock lock;
    if (!lockDataDir(lock)) return;
    ++depth_;
    reader_.setCancelFlag(env_.stop);
    try {
        body();
    } catch (const RunEnded&) {
        if (outcome_.stopped) showStopped();
        endAfterFailure();
    } catch (const std::exception& e) {
        // Anything else (memory exhausted by a line of gigabytes): the run ends, not the program.
        outcome_.aborted = true;
        setStatus(std::string("Обработка прервана: ") + e.what());
        endAfterFailure();
    }
    reader_.close();
    --depth_;
}

}  // namespace kalvimo
