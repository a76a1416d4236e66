#include "engine/report_number.h"

#include <string>
#include <string_view>
#include <vector>

#include "engine/kinds.h"
#include "engine/report_blocks.h"
#include "engine/result_names.h"
#include "engine/scan_frame.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {
namespace {

// Copies every report whose number line holds the number followed by two blanks and "P":
// the header, an empty line, lines 4 up to the "NO = 0" line, two empty lines.
class NumberScan : public ReportHandler {
public:
    void setNumber(std::string_view trimmedNumber) {
        pattern_.assign(trimmedNumber);
        pattern_ += "  P";
    }
    void onHeader(LineReader& in, std::string_view header) override;

private:
    std::string pattern_;
    std::string header_;
};

void NumberScan::onHeader(LineReader& in, std::string_view header) {
    header_.assign(header);  // the reader's view does not outlive the next read
    std::string_view line;
    if (!in.next(line)) return;  // line 2, not examined
    if (!in.next(line)) return;  // the number line
    if (!contains(line, pattern_)) return;
    out.writeLine(header_);
    out.write("\r\n");
    copyReportBody(in, out, "NO = 0");
}

// Unlike the other kinds, the run says once, after all its passes, that the input has been
// read, and it keeps its closing pause and "Cтоп" in places where a full run leaves the
// others out.
class ReportNumberRun {
public:
    ReportNumberRun(RunContext& ctx, const KindRow& kind) : ctx_(ctx), frame_(ctx), kind_(kind) {}

    void overTheFile();
    void overTheDirectory();

private:
    std::vector<std::string> numbers();
    // One number into its result file; a number that cannot name a file is refused.
    void reportNumberPass(const std::string& number, InputMode mode);

    RunContext& ctx_;
    ScanFrame frame_;
    const KindRow& kind_;
    NumberScan scan_;
};

std::vector<std::string> ReportNumberRun::numbers() {
    if (kind_.kind == RunKind::Rrn121) return {"121"};
    return ctx_.lists().workingReports();
}

void ReportNumberRun::reportNumberPass(const std::string& number, InputMode mode) {
    const std::string_view trimmed = trimTrailingSpaces(number);
    const auto name = resultFileName("rep", trimmed, ".log");
    if (!name) {
        ctx_.refuse(texts::numberUnfitForFileName(shownName(trimmed)));
        return;
    }
    scan_.setNumber(trimmed);
    const std::string shown = cp1251ToUtf8(number);  // the number as the list holds it
    frame_.pass(scan_, {.mode = mode,
                        .fileModeStatus = std::string(kind_.fileStatus) + shown,
                        .dirModeStatus = std::string(kind_.dirStatus) + shown,
                        .outputPath = ctx_.data().logFile(*name),
                        .onModeSwitch = ModeSwitch::Ignored,
                        .doneText = DoneText::ByTheRun,
                        // The file variant leaves the progress alone.
                        .progressStepsBack = mode == InputMode::Directory ? 1 : 0});
}

void ReportNumberRun::overTheFile() {
    if (!frame_.selectionReady(InputMode::File)) {
        frame_.closingPause(PauseIn::EveryRun, AfterPause::KeepProgress);
        return;
    }
    const std::vector<std::string> list = numbers();
    if (list.empty()) {
        ctx_.refuse(texts::kListEmpty);
        frame_.closingPause(PauseIn::EveryRun, AfterPause::KeepProgress);
        return;
    }
    for (const auto& number : list) reportNumberPass(number, InputMode::File);
    ctx_.setStatus(texts::kSelectedFileDone);
    frame_.closingPause(PauseIn::OwnRunOnly, AfterPause::KeepProgress);
}

void ReportNumberRun::overTheDirectory() {
    const std::vector<std::string> list = numbers();
    frame_.resetProgress();
    frame_.setPassRange(static_cast<long long>(list.size()));
    // The refusals pause and show "Cтоп" in a full run too.
    if (!frame_.selectionReady(InputMode::Directory)) {
        frame_.closingPause(PauseIn::EveryRun);
        return;
    }
    if (list.empty()) {
        ctx_.refuse(texts::kListEmpty);
        frame_.closingPause(PauseIn::EveryRun);
        return;
    }
    for (const auto& number : list) reportNumberPass(number, InputMode::Directory);
    ctx_.setStatus(texts::kDirDone);
    frame_.closingPause();
}

void runReportNumbers(RunContext& ctx, const KindRow& kind) {
    ScanFrame frame(ctx);
    frame.clearOutputs();
    // The variant is chosen here, once: the mode is not looked at again during the run.
    ReportNumberRun run(ctx, kind);
    if (frame.currentMode() == InputMode::File) {
        run.overTheFile();
        return;
    }
    run.overTheDirectory();
    frame.closingPause(PauseIn::EveryRun, AfterPause::KeepProgress);  // a second "Cтоп", in a full run too
}

}  // namespace

void runRrn121(RunContext& ctx) { runReportNumbers(ctx, kindRow(RunKind::Rrn121)); }

void runWorkingReports(RunContext& ctx) { runReportNumbers(ctx, kindRow(RunKind::Reports)); }

}  // namespace kalvimo
