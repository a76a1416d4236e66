#include "engine/scan_frame.h"

#include <cerrno>
#include <new>

#include "engine/engine.h"
#include "engine/texts.h"

namespace kalvimo {

void ScanFrame::clearAndReset() {
    if (engine_.fullMode) return;
    engine_.ClearDir();
    engine_.progressCount = 0;
    engine_.setProgressValue(0);
}

void ScanFrame::setPassRange(long long passes) {
    if (engine_.fullMode) return;
    engine_.setProgressRange(0, (static_cast<long long>(engine_.env().input.fileCount()) - 1) * passes);
}

void ScanFrame::createOutput(OutFile& out, const std::string& path) {
    try {
        out.create(path);
    } catch (const IoError& e) {
        engine_.fail(e);
    }
}

void ScanFrame::closeOutput(OutFile& out) {
    try {
        out.close();
    } catch (const IoError& e) {
        engine_.fail(e);
    }
}

void ScanFrame::scanCurrentFile(ReportHandler& handler) {
    InputSelection& input = engine_.env().input;
    engine_.inputPath = joinPath(input.directory(), input.currentFileName());
    // A result file listed as an input (the input directory is log/) would be read while it
    // grows, without end.
    if (handler.out.isSameFileAs(engine_.inputPath)) {
        engine_.skipInput("Файл " + engine_.inputPath + " — результат этой же обработки");
        return;
    }
    LineReader& in = engine_.reader();
    try {
        in.open(engine_.inputPath);
        std::string_view line;
        for (;;) {
            // Read for every header, so a station typed during the run takes effect.
            const std::string station = engine_.env().options.stationName();
            if (!in.nextContaining(station, line)) break;
            handler.onHeader(in, line);
            stopPoint(handler);
        }
    } catch (const IoError& e) {
        in.close();
        if (e.path() != engine_.inputPath) engine_.fail(e);
        engine_.skipInput(e);
        return;
    } catch (const std::bad_alloc&) {
        // A report whose lines do not fit in memory costs its file, not the run.
        in.close();
        engine_.skipInput(IoError(IoError::Op::Read, engine_.inputPath, ENOMEM));
        return;
    } catch (...) {
        in.close();
        throw;
    }
    in.close();
    stopPoint(handler);
}

void ScanFrame::stopPoint(ReportHandler& handler) {
    if (!engine_.stopRequested()) return;
    // Between reports: what is buffered is whole lines, and stays in the result file.
    closeOutput(handler.out);
    engine_.checkStop();
}

bool ScanFrame::walkDirectory(ReportHandler& handler, bool modeTest) {
    InputSelection& input = engine_.env().input;
    const int n = input.fileCount();
    for (int i = 0; i < n; ++i) {
        input.selectFile(i);
        engine_.setProgressValue(engine_.progressCount);
        ++engine_.progressCount;
        scanCurrentFile(handler);
        if (modeTest && input.fileMode()) {
            engine_.setStatus(texts::kFileDone);
            return false;
        }
    }
    return true;
}

bool ScanFrame::pauseThenStop(bool always) {
    if (engine_.fullMode && !always) return false;
    engine_.env().pauses.closingPause();
    engine_.checkStop();
    engine_.setStatus(texts::kStopAfterRun);
    return true;
}

void ScanFrame::closingPause(bool always) {
    if (!pauseThenStop(always)) return;
    engine_.progressCount = 0;
    engine_.setProgressValue(0);
}

void ScanFrame::run(FrameMember& member) {
    prepare();
    InputSelection& input = engine_.env().input;
    if (input.fileMode()) {
        if (input.currentFileName().empty()) {
            engine_.refuse(texts::kNoFileSelected);
            closingPause();
            return;
        }
        engine_.setStatus(member.statusFileMode());
        createOutput(member.out, member.outputPath());
        scanCurrentFile(member);
        engine_.setStatus(texts::kFileDone);
    } else {
        if (input.fileCount() == 0) {
            engine_.refuse(texts::kNoFilesInDir);
            closingPause();
            return;
        }
        engine_.setStatus(member.statusDirMode());
        createOutput(member.out, member.outputPath());
        if (walkDirectory(member, true)) engine_.setStatus(texts::kDirDone);
    }
    closeOutput(member.out);
    member.afterOutputClosed();
    member.postProcess();
    closingPause();
}

}  // namespace kalvimo
