#pragma once
// The scanning frame that every extraction runs in: the preparation of a run of one kind, the
// pass that fills one result file from the input selection, and the closing pause. What the
// kinds do differently is said in the Pass they hand over, not in code of their own.
#include <string>
#include <string_view>

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

    // The short pause that keeps the last text in view, then "Cтоп".
    void closingPause(PauseIn when = PauseIn::OwnRunOnly, AfterPause after = AfterPause::ResetProgress);

private:
    // Opens the current file of the selection and hands every header line to the handler.
    void scanCurrentFile(ReportHandler& handler);
    PassOutcome walkDirectory(ReportHandler& handler, ModeSwitch onModeSwitch);
    // Ends the run when a stop was asked for, keeping what the handler wrote.
    void stopPoint(ReportHandler& handler);

    RunContext& ctx_;
};

}  // namespace kalvimo
