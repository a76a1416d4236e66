#include "engine/error_analysis.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <new>

#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/io_block.h"

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
    if (it == files_.end()) it = files_.emplace(name, File{data_.errorFile(name), {}, {}, false}).first;
    return it->second;
}

void ErrorAnalysis::DetailFiles::add(File& file, std::string_view text) {
    file.pending.append(text);
    pendingBytes_ += text.size();
    if (pendingBytes_ > kPendingLimit) flushAll();
}

void ErrorAnalysis::DetailFiles::addLine(File& file, std::string_view line) {
    file.pending.append(line);
    file.pending.append("\r\n", 2);
    pendingBytes_ += line.size() + 2;
    if (pendingBytes_ > kPendingLimit) flushAll();
}

void ErrorAnalysis::DetailFiles::write(File& f) {
    f.written = true;
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

void ErrorAnalysis::DetailFiles::removeAll() noexcept {
    for (auto& [name, f] : files_) {
        f.out.abandon();
        if (!f.written) continue;
        try {
            removeFile(f.path);
        } catch (const IoError&) {
            // What cannot be removed stays; the next run's clearing tries again.
        }
    }
}

ErrorAnalysis::ErrorAnalysis(RunContext& ctx) : ctx_(ctx), details_(ctx.data()) {
    restart_ = &details_.file("restart");
    reboot_ = &details_.file("reboot");
}

ErrorAnalysis::~ErrorAnalysis() {
    if (!counter_) return;
    counter_->stop();
    counter_.reset();
    details_.removeAll();
}

void ErrorAnalysis::startCounting() {
    if (isSameFile(ctx_.input().directory(), ctx_.data().errorDir())) return;
    counter_ = std::make_unique<WrittenLines>(static_cast<LineSink&>(*this));
}

WrittenBytes* ErrorAnalysis::countingTap() { return counter_.get(); }

void ErrorAnalysis::run() {
    if (counter_) {
        const std::exception_ptr failure = counter_->finish();
        counter_.reset();
        if (failure) std::rethrow_exception(failure);
        // The lines are counted by now: the running count shows where it ends.
        ctx_.setCountStatus(texts::kErrorCountPrefix, total_);
    } else {
        countLines();  // a stop ends the reading as the end of rep48.log would
    }
    details_.closeAll();
    if (!ctx_.stopRequested()) ctx_.pauses().analysisPause();
    ctx_.checkStop();
    ctx_.setStatus(texts::kComposingReport);
    writeReport();
}

void ErrorAnalysis::countLines() {
    LineReader& in = ctx_.reader();
    // A failure ends the run, which closes the reader.
    in.open(ctx_.data().logFile("rep48.log"));
    std::string_view line;
    while (in.next(line)) {
        countReportLine(line);
        ctx_.setCountStatus(texts::kErrorCountPrefix, total_);
    }
    in.close();
}

void ErrorAnalysis::Marks::find(std::string_view text) {
    // "REST" and "BOOT" both end in T: only the places of a T need a look.
    const char* const end = text.data() + text.size();
    for (const char* t = text.size() >= 4 ? text.data() + 3 : end; t < end; ++t) {
        t = static_cast<const char*>(std::memchr(t, 'T', static_cast<size_t>(end - t)));
        if (!t) break;
        if (std::memcmp(t - 3, "REST", 4) == 0) rest = true;
        else if (std::memcmp(t - 3, "BOOT", 4) == 0) boot = true;
    }
}

void ErrorAnalysis::countReportLine(std::string_view line) {
    Marks marks;
    marks.find(line);
    if (DetailFiles::File* file = countType(line)) details_.addLine(*file, line);
    if (marks.rest) details_.addLine(countRestart(), line);
    if (marks.boot) details_.addLine(countReboot(), line);
}

ErrorAnalysis::DetailFiles::File* ErrorAnalysis::countType(std::string_view line) {
    ++total_;
    const std::string_view typeText = trimTrailingSpaces(columns(line, 8, 4));
    const TypeSlot& slot = typeSlot(typeText);
    if (!slot.file) return nullptr;
    if (++typeCounts_[static_cast<size_t>(slot.type)] == 1)
        details_.add(*slot.file, heading(std::string(kTitleIndent) + "ERROR N " + std::string(typeText)));
    return slot.file;
}

ErrorAnalysis::DetailFiles::File& ErrorAnalysis::countRestart() {
    if (++restarts_ == 1) details_.add(*restart_, heading(std::string(kTitleIndent) + "RESTART'S"));
    return *restart_;
}

ErrorAnalysis::DetailFiles::File& ErrorAnalysis::countReboot() {
    if (++reboots_ == 1) details_.add(*reboot_, heading(std::string(kTitleIndent) + "REBOOT'S"));
    return *reboot_;
}

void ErrorAnalysis::beginLongLine(std::string_view head, unsigned long long offset) {
    long_ = LongLine{};
    long_.offset = offset;
    long_.file = countType(head);
    continueLongLine(head);
}

void ErrorAnalysis::continueLongLine(std::string_view bytes) {
    // A mark across two pieces lies in the last three bytes before and the first three after.
    char across[6];
    const size_t first = std::min<size_t>(3, bytes.size());
    std::memcpy(across, long_.tail, long_.tailSize);
    if (first > 0) std::memcpy(across + long_.tailSize, bytes.data(), first);
    const size_t joined = long_.tailSize + first;
    long_.marks.find(std::string_view(across, joined));
    long_.marks.find(bytes);
    const size_t keep = std::min<size_t>(3, joined);
    if (bytes.size() >= 3) std::memcpy(long_.tail, bytes.data() + bytes.size() - 3, 3);
    else std::memmove(long_.tail, across + joined - keep, keep);
    long_.tailSize = keep;
    long_.length += bytes.size();
    if (long_.file) details_.add(*long_.file, bytes);
}

void ErrorAnalysis::endLongLine() {
    if (long_.file) details_.add(*long_.file, "\r\n");
    // Only now is it known whether the line goes to restart or reboot: it is copied there from
    // rep48.log, which holds every byte the counting has been shown.
    const auto copy = [this](DetailFiles::File& to) {
        readRange(ctx_.data().logFile("rep48.log"), long_.offset, long_.length,
                  [&](std::string_view bytes) { details_.add(to, bytes); });
        details_.add(to, "\r\n");
    };
    if (long_.marks.rest) copy(countRestart());
    if (long_.marks.boot) copy(countReboot());
}

namespace {
// Where a key's search begins in a table of mask + 1 slots.
size_t slotIndex(std::uint64_t key, size_t mask) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask; }
}  // namespace

const ErrorAnalysis::TypeSlot& ErrorAnalysis::typeSlot(std::string_view typeText) {
    std::uint64_t key = 0;
    for (const char c : typeText) key = key << 8 | static_cast<unsigned char>(c);
    key = key << 8 | (typeText.size() + 1);
    for (;;) {
        const size_t mask = typeSlots_.size() - 1;
        for (size_t i = slotIndex(key, mask);; i = (i + 1) & mask) {
            TypeSlot& slot = typeSlots_[i];
            if (slot.key == key) return slot;
            if (slot.key != 0) continue;
            if (2 * (typeSlotsUsed_ + 1) > typeSlots_.size()) break;  // grown, then looked up again
            TypeSlot fresh{key, nullptr, -1};
            // A type text that is no whole number, or a negative one, has no file of its own.
            if (const auto type = parseInt16(typeText); type && *type >= 0) {
                fresh.file = &details_.file(std::string(typeText));
                fresh.type = *type;
            }
            slot = fresh;
            ++typeSlotsUsed_;
            return slot;
        }
        growTypeSlots();
    }
}

void ErrorAnalysis::growTypeSlots() {
    std::vector<TypeSlot> old(typeSlots_.size() * 2);
    old.swap(typeSlots_);
    const size_t mask = typeSlots_.size() - 1;
    for (const TypeSlot& slot : old) {
        if (slot.key == 0) continue;
        size_t i = slotIndex(slot.key, mask);
        while (typeSlots_[i].key != 0) i = (i + 1) & mask;
        typeSlots_[i] = slot;
    }
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
    // The catalogue's lines by their key, in the catalogue's order: read once, not per type.
    std::unordered_map<std::string_view, std::vector<const std::string*>> byKey;
    for (const auto& entry : catalogue) byKey[errorCatalogueKey(entry)].push_back(&entry);
    for (int t = 0; t <= 10000; ++t) {  // higher types are counted in the total but get no row
        const long count = typeCounts_[static_cast<size_t>(t)];
        if (count == 0) continue;
        const auto rows = byKey.find(std::to_string(t));
        if (rows == byKey.end()) continue;
        for (const std::string* entry : rows->second) report.writeLine(errorTableRow(t, count, *entry));
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
        report.writeLine("  " + fileNameToCp1251(name) + "   " + utf8ToCp1251("от") + "   " +
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
