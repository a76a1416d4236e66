#include "engine/report_number.h"

#include <string>
#include <string_view>
#include <vector>

#include "engine/kinds.h"
#include "engine/list_passes.h"
#include "engine/result_names.h"
#include "engine/scan_frame.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {
namespace {

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
    ListEntry numberPass(const std::string& number, InputMode mode);
    void passes(const std::vector<std::string>& list, InputMode mode);

    RunContext& ctx_;
    ScanFrame frame_;
    const KindRow& kind_;
};

std::vector<std::string> ReportNumberRun::numbers() {
    if (kind_.kind == RunKind::Rrn121) return {"121"};
    return ctx_.lists().workingReports();
}

ListEntry ReportNumberRun::numberPass(const std::string& number, InputMode mode) {
    const std::string_view trimmed = trimTrailingSpaces(number);
    const auto name = resultFileName("rep", trimmed, ".log");
    if (!name) return {.refusal = texts::numberUnfitForFileName(shownName(trimmed))};
    const std::string shown = cp1251ToUtf8(number);  // the number as the list holds it
    return {.pass = Pass{.mode = mode,
                         .fileModeStatus = std::string(kind_.fileStatus) + shown,
                         .dirModeStatus = std::string(kind_.dirStatus) + shown,
                         .outputPath = ctx_.data().logFile(*name),
                         .onModeSwitch = ModeSwitch::Ignored,
                         .doneText = DoneText::ByTheRun,
                         // The file variant leaves the progress alone.
                         .progressStepsBack = mode == InputMode::Directory ? 1 : 0},
            .text = std::string(trimmed)};
}

void ReportNumberRun::passes(const std::vector<std::string>& list, InputMode mode) {
    std::vector<ListEntry> entries;
    entries.reserve(list.size());
    for (const auto& number : list) entries.push_back(numberPass(number, mode));
    runListPasses(frame_, ListKind::Numbers, entries, false);
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
    passes(list, InputMode::File);
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
    passes(list, InputMode::Directory);
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
