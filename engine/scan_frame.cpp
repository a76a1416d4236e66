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

namespace {

// A report handler as the reading of a walk: every header line handed to it in turn.
class HandlerReading : public FileReading {
public:
    explicit HandlerReading(ReportHandler& handler) : handler_(handler) {}
    bool writes(const std::string& path) const override { return handler_.out.isSameFileAs(path); }
    void read(LineReader& in, ScanFrame& frame) override {
        std::string_view line;
        for (;;) {
            // Read for every header, so a station typed during the run takes effect.
            const std::string station = frame.context().options().stationName();
            if (!in.nextContaining(station, line)) break;
            handler_.onHeader(in, line);
            if (frame.context().stopRequested()) frame.stopPoint(*this);
        }
    }
    // Between reports: what is buffered is whole lines, and stays in the result file.
    void closeOutputs() override { handler_.out.close(); }

private:
    ReportHandler& handler_;
};

}  // namespace

PassOutcome ScanFrame::pass(ReportHandler& handler, const Pass& p) {
    if (!begin(p)) return PassOutcome::Refused;
    handler.out.create(p.outputPath);
    HandlerReading reading(handler);
    WalkRecord record;
    walk(reading, p, record, false);
    endText(p, record.outcome);
    handler.out.close();
    stepBack(p);
    return record.outcome;
}

bool ScanFrame::begin(const Pass& p) {
    if (!selectionReady(p.mode)) return false;
    ctx_.setPassStatus(p.mode == InputMode::File ? p.fileModeStatus : p.dirModeStatus, p.device);
    return true;
}

void ScanFrame::walk(FileReading& reading, const Pass& p, WalkRecord& record, bool replay) {
    if (!replay) record = {};
    if (p.mode == InputMode::File) {
        if (replay) replayFile(reading, record.skipped.front());
        else record.skipped.push_back(scanCurrentFile(reading));
        return;
    }
    InputSelection& input = ctx_.input();
    const int n = replay ? static_cast<int>(record.skipped.size()) : input.fileCount();
    for (int i = 0; i < n; ++i) {
        input.selectFile(i);
        ctx_.advanceProgress();
        if (replay) {
            replayFile(reading, record.skipped[static_cast<size_t>(i)]);
            continue;
        }
        record.skipped.push_back(scanCurrentFile(reading));
        if (p.onModeSwitch == ModeSwitch::EndsTheWalk && input.fileMode()) {
            record.outcome = PassOutcome::SwitchedToFileMode;
            return;
        }
    }
}

void ScanFrame::endText(const Pass& p, PassOutcome outcome) {
    if (outcome == PassOutcome::SwitchedToFileMode) ctx_.setStatus(texts::kFileDone);
    else if (p.doneText == DoneText::PerPass)
        ctx_.setStatus(p.mode == InputMode::File ? texts::kFileDone : texts::kDirDone);
}

void ScanFrame::replayFile(FileReading& reading, const std::string& skipped) {
    if (!skipped.empty()) ctx_.skipInput(skipped);
    else stopPoint(reading);
}

std::string ScanFrame::scanCurrentFile(FileReading& reading) {
    InputSelection& input = ctx_.input();
    const std::string path = joinPath(input.directory(), input.currentFileName());
    const auto skip = [&](const std::string& reason) {
        ctx_.skipInput(reason);
        return reason;
    };
    if (reading.writes(path)) return skip(texts::inputIsThisRunsResult(fileNameForDisplay(path)));
    LineReader& in = ctx_.reader();
    try {
        in.open(path);
        reading.read(in, *this);
    } catch (const IoError& e) {
        in.close();
        if (e.path() != path) throw;  // a result file: the run ends
        return skip(e.message());
    } catch (const std::bad_alloc&) {
        // A report whose lines do not fit in memory costs its file, not the run.
        in.close();
        return skip(IoError(IoError::Op::Read, path, ENOMEM).message());
    } catch (...) {
        in.close();
        throw;
    }
    in.close();
    stopPoint(reading);
    return {};
}

void ScanFrame::stopPoint(FileReading& reading) {
    if (!ctx_.stopRequested()) return;
    reading.closeOutputs();
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
