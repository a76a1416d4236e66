#include "engine/scan_frame.h"

#include <cerrno>
#include <new>

#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {

InputMode ScanFrame::currentMode() { return ctx_.input().fileMode() ? InputMode::File : InputMode::Directory; }

void ScanFrame::clearOutputs() {
    if (!ctx_.inFullRun()) ctx_.clearOutputs();
}

void ScanFrame::resetProgress() {
    if (!ctx_.inFullRun()) ctx_.resetProgress();
}

void ScanFrame::setPassRange(long long passes) {
    if (ctx_.inFullRun()) return;
    ctx_.setProgressRange(0, (static_cast<long long>(ctx_.input().fileCount()) - 1) * passes);
}

bool ScanFrame::selectionReady(InputMode mode) {
    InputSelection& input = ctx_.input();
    if (mode == InputMode::File && input.currentFileName().empty()) {
        ctx_.refuse(texts::kNoFileSelected);
        return false;
    }
    if (mode == InputMode::Directory && input.fileCount() == 0) {
        ctx_.refuse(texts::kNoFilesInDir);
        return false;
    }
    return true;
}

PassOutcome ScanFrame::pass(ReportHandler& handler, const Pass& p) {
    if (!selectionReady(p.mode)) return PassOutcome::Refused;
    const bool fileMode = p.mode == InputMode::File;
    ctx_.setPassStatus(fileMode ? p.fileModeStatus : p.dirModeStatus, p.device);
    handler.out.create(p.outputPath);
    PassOutcome outcome = PassOutcome::Done;
    if (fileMode) scanCurrentFile(handler);
    else outcome = walkDirectory(handler, p.onModeSwitch);
    if (outcome == PassOutcome::SwitchedToFileMode) ctx_.setStatus(texts::kFileDone);
    else if (p.doneText == DoneText::PerPass) ctx_.setStatus(fileMode ? texts::kFileDone : texts::kDirDone);
    handler.out.close();
    ctx_.stepBackProgress(p.progressStepsBack);
    return outcome;
}

PassOutcome ScanFrame::walkDirectory(ReportHandler& handler, ModeSwitch onModeSwitch) {
    InputSelection& input = ctx_.input();
    const int n = input.fileCount();
    for (int i = 0; i < n; ++i) {
        input.selectFile(i);
        ctx_.advanceProgress();
        scanCurrentFile(handler);
        if (onModeSwitch == ModeSwitch::EndsTheWalk && input.fileMode()) return PassOutcome::SwitchedToFileMode;
    }
    return PassOutcome::Done;
}

void ScanFrame::scanCurrentFile(ReportHandler& handler) {
    InputSelection& input = ctx_.input();
    const std::string path = joinPath(input.directory(), input.currentFileName());
    // A result file listed as an input (the input directory is log/) would be read while it
    // grows, without end.
    if (handler.out.isSameFileAs(path)) {
        ctx_.skipInput(texts::inputIsThisRunsResult(fileNameForDisplay(path)));
        return;
    }
    LineReader& in = ctx_.reader();
    try {
        in.open(path);
        std::string_view line;
        for (;;) {
            // Read for every header, so a station typed during the run takes effect.
            const std::string station = ctx_.options().stationName();
            if (!in.nextContaining(station, line)) break;
            handler.onHeader(in, line);
            stopPoint(handler);
        }
    } catch (const IoError& e) {
        in.close();
        if (e.path() != path) throw;  // a result file: the run ends
        ctx_.skipInput(e.message());
        return;
    } catch (const std::bad_alloc&) {
        // A report whose lines do not fit in memory costs its file, not the run.
        in.close();
        ctx_.skipInput(IoError(IoError::Op::Read, path, ENOMEM).message());
        return;
    } catch (...) {
        in.close();
        throw;
    }
    in.close();
    stopPoint(handler);
}

void ScanFrame::stopPoint(ReportHandler& handler) {
    if (!ctx_.stopRequested()) return;
    // Between reports: what is buffered is whole lines, and stays in the result file.
    handler.out.close();
    ctx_.checkStop();
}

void ScanFrame::closingPause(PauseIn when, AfterPause after) {
    if (when == PauseIn::OwnRunOnly && ctx_.inFullRun()) return;
    ctx_.pauses().closingPause();
    ctx_.checkStop();
    ctx_.setStatus(texts::kStopAfterRun);
    if (after == AfterPause::ResetProgress) ctx_.resetProgress();
}

}  // namespace kalvimo
