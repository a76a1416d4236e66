#pragma once
// The scanning frame that every extraction runs in: the preparation of a run of one kind, the
// pass that fills one result file from the input selection, and the closing pause. What the
// kinds do differently is said in the Pass they hand over, not in code of their own.
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_context.h"
#include "platform/files.h"
#include "platform/line_reader.h"

namespace kalvimo {

// Reads a report from its header line on; the reader stands on the line after the header,
// and whatever the handler reads is not looked at for headers again.
class ReportHandler {
public:
    virtual ~ReportHandler() = default;
    virtual void onHeader(LineReader& in, std::string_view header) = 0;

    OutFile out;  // the result file, open during a pass; never read as an input
};

class ScanFrame;

// What reads the input files of a walk: one report handler, or the passes of a list read
// together.
class FileReading {
public:
    virtual ~FileReading() = default;
    // Whether path is one of the result files being written: such an input is never read, it
    // would grow while it is read.
    virtual bool writes(const std::string& path) const = 0;
    // Reads the open file to its end, or until a stop point ends the run.
    virtual void read(LineReader& in, ScanFrame& frame) = 0;
    // At a stop: the result files closed with what they hold.
    virtual void closeOutputs() = 0;
};

// "Файла": the current file of the list; "Каталога": every listed file.
enum class InputMode { File, Directory };

// What a directory walk does when the user selects "Файла" during it.
enum class ModeSwitch {
    EndsTheWalk,  // after the current file, with "Файл обработан"
    Ignored,
};

// Who says that the input has been read: the pass ("Файл обработан", "Каталог обработан"), or
// the run once after all its passes.
enum class DoneText { PerPass, ByTheRun };

// One result file filled from the input selection.
struct Pass {
    InputMode mode;
    std::string fileModeStatus;  // shown before the scan, by mode
    std::string dirModeStatus;
    std::string device = {};  // UTF-8: what a device pass looks for, for a progress line
    std::string outputPath;
    ModeSwitch onModeSwitch = ModeSwitch::EndsTheWalk;
    DoneText doneText = DoneText::PerPass;
    // How far the progress count goes back when the pass is over, so that a pass over n files
    // moves the bar on by n minus this.
    int progressStepsBack = 0;
};

enum class PassOutcome {
    Done,
    Refused,             // nothing to read in that mode; no result file was made
    SwitchedToFileMode,  // the user selected "Файла" during the walk
};

// What a walk met, so that a pass that shares its read can show the same: the reason each file
// was skipped ("" for a file read), in walk order.
struct WalkRecord {
    std::vector<std::string> skipped;
    PassOutcome outcome = PassOutcome::Done;
};

// When the closing pause comes: only in a run of one kind, or in a full run too.
enum class PauseIn { OwnRunOnly, EveryRun };
// Where the progress goes after the closing pause.
enum class AfterPause { ResetProgress, KeepProgress };

class ScanFrame {
public:
    explicit ScanFrame(RunContext& ctx) : ctx_(ctx) {}

    // The mode the user has selected now.
    InputMode currentMode();

    // A run of one kind starts afresh: the output directories emptied, the progress at 0 and
    // its range set for passes over the listed files. Inside a full run, which did all that
    // once for its kinds, each of these does nothing.
    void clearOutputs();
    void resetProgress();
    void setPassRange(long long passes);
    void prepare() {
        clearOutputs();
        resetProgress();
        setPassRange(1);
    }

    // Whether the selection has something to read in the mode; refuses with the user's text
    // ("Файл не выбран", "Нет файлов *.s12 в выбранном каталоге") when not.
    bool selectionReady(InputMode mode);

    // The pass: status, result file, the current file or a walk over every listed file with
    // the progress moving before each, the end text, the result file closed.
    PassOutcome pass(ReportHandler& handler, const Pass& pass);

    // The same in steps, for passes whose result files are made elsewhere. begin: false when
    // refused, else the status shown. walk: reads with reading into record, or, with replay,
    // shows what record holds without reading. end: the end text, and the progress count
    // stepped back after close, which runs between the two.
    bool begin(const Pass& pass);
    void walk(FileReading& reading, const Pass& pass, WalkRecord& record, bool replay);
    void endText(const Pass& pass, PassOutcome outcome);
    void stepBack(const Pass& pass) { ctx_.stepBackProgress(pass.progressStepsBack); }

    // Ends the run when a stop was asked for, keeping what the reading wrote.
    void stopPoint(FileReading& reading);
    RunContext& context() { return ctx_; }

    // The short pause that keeps the last text in view, then "Cтоп".
    void closingPause(PauseIn when = PauseIn::OwnRunOnly, AfterPause after = AfterPause::ResetProgress);

private:
    // Opens the current file of the selection and reads it; the reason it was skipped, or "".
    std::string scanCurrentFile(FileReading& reading);
    // One file of a walk shown again: its skip, and the stop point after it.
    void replayFile(FileReading& reading, const std::string& skipped);

    RunContext& ctx_;
};

}  // namespace kalvimo
