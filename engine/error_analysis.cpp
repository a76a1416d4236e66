#include "engine/error_analysis.h"

#include <cerrno>

#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"
#include "platform/files.h"

namespace kalvimo {
namespace {

constexpr size_t kPendingLimit = 8 << 20;

const char* const kColumnTitles =
    "Erclac Ertyp Seq Rlvl Fmm   Proc Cs_ip     Userdata                      Na   Data   Time";
const char* const kTitleIndent = "                     ";  // 21 blanks

std::string heading(std::string_view title) {
    std::string h(title);
    h += "\r\n\r\n";
    h += kColumnTitles;
    h += "\r\n";
    return h;
}

std::string countLine(const char* label, long value) {
    // The number as one blank, the digits, one blank.
    return utf8ToCp1251(label) + " " + std::to_string(value) + " ";
}

}  // namespace

std::string_view errorCatalogueKey(std::string_view line) { return trimTrailingSpaces(columns(line, 1, 4)); }

std::string errorTableRow(int type, long count, std::string_view catalogueLine) {
    const std::string number = std::to_string(type);
    const size_t d = number.size();
    std::string row = "  " + number;
    row.resize(13, ' ');
    row += std::to_string(count).substr(0, 4);
    row.resize(23, ' ');
    std::string_view description = columns(catalogueLine, 6, 70).substr(0, 58 + d);
    row.append(description);
    row.resize(81 + d, ' ');
    return row;
}

ErrorAnalysis::DetailFiles::File& ErrorAnalysis::DetailFiles::file(const std::string& name) {
    auto it = files_.find(name);
    if (it == files_.end()) it = files_.emplace(name, File{data_.errorFile(name), {}, {}}).first;
    return it->second;
}

void ErrorAnalysis::DetailFiles::add(File& file, std::string_view text) {
    file.pending.append(text);
    pendingBytes_ += text.size();
    if (pendingBytes_ > kPendingLimit) flushAll();
}

void ErrorAnalysis::DetailFiles::write(File& f) {
    if (!f.out.isOpen()) {
        try {
            f.out.openAppend(f.path);
        } catch (const IoError& e) {
            if (e.error() != EMFILE || !keepOpen_) throw;
            // Out of descriptors: from now on a file is open only while its piece is written.
            keepOpen_ = false;
            for (auto& [name, other] : files_) other.out.close();
            f.out.openAppend(f.path);
        }
    }
    f.out.writeNow(f.pending);
    if (!keepOpen_) f.out.close();
    f.pending.clear();
}

void ErrorAnalysis::DetailFiles::flushAll() {
    // The buffers keep their memory for the next pieces (memory given back and taken again
    // costs page faults), as long as all of them together stay within twice the limit.
    size_t kept = 0;
    for (auto& [name, f] : files_) {
        if (!f.pending.empty()) write(f);
        kept += f.pending.capacity();
    }
    if (kept > 2 * kPendingLimit)
        for (auto& [name, f] : files_) std::string().swap(f.pending);
    pendingBytes_ = 0;
}

void ErrorAnalysis::DetailFiles::closeAll() {
    flushAll();
    for (auto& [name, f] : files_) f.out.close();
}

void ErrorAnalysis::run() {
    DetailFiles details(ctx_.data());
    countLines(details);  // a stop ends the reading as the end of rep48.log would
    details.closeAll();
    if (!ctx_.stopRequested()) ctx_.pauses().analysisPause();
    ctx_.checkStop();
    ctx_.setStatus(texts::kComposingReport);
    writeReport();
}

void ErrorAnalysis::countLines(DetailFiles& details) {
    LineReader& in = ctx_.reader();
    const std::string source = ctx_.data().logFile("rep48.log");
    DetailFiles::File& restart = details.file("restart");
    DetailFiles::File& reboot = details.file("reboot");
    // A failure ends the run, which closes the reader.
    in.open(source);
    std::string_view line;
    std::string copy;
    std::string name;
    while (in.next(line)) {
        ++total_;
        ctx_.setCountStatus(texts::kErrorCountPrefix, total_);
        copy.assign(line);
        copy += "\r\n";
        if (holds(line, "REST")) {
            if (++restarts_ == 1) details.add(restart, heading(std::string(kTitleIndent) + "RESTART'S"));
            details.add(restart, copy);
        }
        if (holds(line, "BOOT")) {
            if (++reboots_ == 1) details.add(reboot, heading(std::string(kTitleIndent) + "REBOOT'S"));
            details.add(reboot, copy);
        }
        const std::string_view typeText = trimTrailingSpaces(columns(line, 8, 4));
        const auto type = parseInt16(typeText);
        // A type text that is no whole number, or a negative one, has no file of its own.
        if (!type || *type < 0) continue;
        name.assign(typeText);
        DetailFiles::File& typeFile = details.file(name);
        if (++errorCount_[*type] == 1)
            details.add(typeFile, heading(std::string(kTitleIndent) + "ERROR N " + name));
        details.add(typeFile, copy);
    }
    in.close();
}

void ErrorAnalysis::writeReport() {
    const std::vector<std::string> catalogue = readListLines(ctx_.data().file("allerror.ini"));
    OutFile report;
    report.create(ctx_.data().errorFile("errorstat"));
    report.writeLine(utf8ToCp1251("              Статистика ошибок ") + ctx_.options().stationName());
    report.writeLine("");
    report.writeLine(countLine("   Restart's   : ", restarts_));
    report.writeLine(countLine("   Reboot's    : ", reboots_));
    report.writeLine(countLine("   Всего ошибок: ", total_));
    report.writeLine(" ");
    report.writeLine(utf8ToCp1251("  Тип ошибки Количество Значение"));
    report.writeLine(" ");
    for (const auto& [t, count] : errorCount_) {
        if (t > 10000) break;  // higher types are counted in the total but get no row
        const std::string key = std::to_string(t);
        for (const auto& entry : catalogue)
            if (errorCatalogueKey(entry) == key) report.writeLine(errorTableRow(t, count, entry));
    }
    report.writeLine(" ");
    report.writeLine(utf8ToCp1251("         Обработаны файлы:"));
    report.writeLine(" ");
    writeFileRows(report);
    report.close();
}

void ErrorAnalysis::writeFileRows(OutFile& report) {
    InputSelection& input = ctx_.input();
    const auto fileRow = [&] {
        const std::string name = input.currentFileName();
        if (name.empty()) return;
        const auto changed = lastChangeText(joinPath(input.directory(), name));
        report.writeLine("  " + utf8ToCp1251(name) + "   " + utf8ToCp1251("от") + "   " +
                         utf8ToCp1251(changed ? *changed : "(файл недоступен)"));
    };
    // The rows follow the mode as it is now: a walk cut short by "Файла" lists its file only.
    if (input.fileMode()) {
        fileRow();
        return;
    }
    const int n = input.fileCount();
    for (int i = 0; i < n; ++i) {
        input.selectFile(i);
        fileRow();
    }
}

}  // namespace kalvimo
