#include "engine/report_number.h"

#include "engine/engine.h"
#include "engine/report_blocks.h"
#include "engine/result_names.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {

void NumberScan::setNumber(std::string_view trimmedNumber) {
    pattern_.assign(trimmedNumber);
    pattern_ += "  P";
}

void NumberScan::onHeader(LineReader& in, std::string_view header) {
    header_.assign(header);  // the reader's view does not outlive the next read
    std::string_view line;
    if (!in.next(line)) return;  // line 2, not examined
    if (!in.next(line)) return;  // the number line
    if (line.find(pattern_) == std::string_view::npos) return;
    out.writeLine(header_);
    out.write("\r\n");
    copyReportBody(in, out, "NO = 0");
}

std::vector<std::string> ReportNumberRun::numbers(bool rrn121) {
    if (rrn121) return {"121"};
    return engine_.workingReports();
}

bool ReportNumberRun::startNumber(const std::string& number, const char* statusPrefix) {
    engine_.currentReportNumber = number;
    const std::string_view trimmed = trimTrailingSpaces(number);
    const auto name = resultFileName("rep", trimmed, ".log");
    if (!name) {
        engine_.refuse("Номер «" + shownName(trimmed) + "» не годится для имени файла результата; номер пропущен");
        return false;
    }
    engine_.setStatus(statusPrefix + cp1251ToUtf8(number));
    scan_.setNumber(trimmed);
    frame_.createOutput(scan_.out, engine_.data().logFile(*name));
    return true;
}

void ReportNumberRun::obr_rrn() {
    // The run kind is fixed here; an entry "121" of the working list does not change it.
    const bool rrn121 = engine_.currentReportNumber == "121";
    InputSelection& input = engine_.env().input;
    if (!input.fileMode()) {
        obr_rrn_dir(rrn121);
        frame_.pauseThenStop(true);  // in a full run too
        return;
    }
    if (input.currentFileName().empty()) {
        engine_.refuse(texts::kNoFileSelected);
        frame_.pauseThenStop(true);
        return;
    }
    const std::vector<std::string> list = numbers(rrn121);
    if (list.empty()) {
        engine_.refuse(texts::kListEmpty);
        frame_.pauseThenStop(true);
        return;
    }
    for (const auto& number : list) {
        if (!startNumber(number, texts::kRrnFilePrefix)) continue;
        frame_.scanCurrentFile(scan_);
        frame_.closeOutput(scan_.out);
    }
    engine_.setStatus(texts::kSelectedFileDone);
    frame_.pauseThenStop();  // the file variant leaves the progress bar alone
}

void ReportNumberRun::obr_rrn_dir(bool rrn121) {
    InputSelection& input = engine_.env().input;
    const int files = input.fileCount();
    const std::vector<std::string> list = numbers(rrn121);
    if (!engine_.fullMode) {
        engine_.progressCount = 0;
        engine_.setProgressValue(0);
        engine_.setProgressRange(0, (static_cast<long long>(files) - 1) * static_cast<long long>(list.size()));
    }
    if (files == 0) {
        engine_.refuse(texts::kNoFilesInDir);
    } else if (list.empty()) {
        engine_.refuse(texts::kListEmpty);
    } else {
        for (const auto& number : list) {
            if (!startNumber(number, texts::kRrnDirPrefix)) continue;
            frame_.walkDirectory(scan_, false);  // the mode is not looked at between files
            frame_.closeOutput(scan_.out);
            --engine_.progressCount;
        }
        engine_.setStatus(texts::kDirDone);
        if (engine_.fullMode) return;
    }
    frame_.closingPause(true);  // the refusals come here in a full run too
}

}  // namespace kalvimo
