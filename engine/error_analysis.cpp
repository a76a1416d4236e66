#include "engine/error_analysis.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

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
    if (it == files_.end()) it = files_.emplace(name, File{data_.errorFile(name), {}, {}, false}).first;
    return it->second;
}

void ErrorAnalysis::DetailFiles::add(File& file, std::string_view text) {
    file.pending.append(text);
    pendingBytes_ += text.size();
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

// The thread that counts the lines of rep48.log while the scan writes them. The scan hands
// over pieces of about a block; two wait at most, so the memory stays the same whatever the
// size of the printout.
class ErrorAnalysis::Counter {
public:
    explicit Counter(ErrorAnalysis& analysis) : analysis_(analysis), thread_([this] { work(); }) {}
    ~Counter() { stop(); }

    void add(std::string_view line) {
        piece_.append(line);
        piece_ += "\r\n";
        if (piece_.size() >= kPiece) handOver();
    }

    // Waits until every line is counted; what the counting threw, or null.
    std::exception_ptr finish() {
        handOver();
        end(false);
        return failure_;
    }

    // Ends the counting where it is.
    void stop() noexcept { end(true); }

private:
    static constexpr size_t kPiece = 1 << 20;

    void handOver() {
        if (piece_.empty()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return queue_.size() < 2; });
        queue_.push_back(std::move(piece_));
        piece_.clear();
        if (!spares_.empty()) {
            piece_ = std::move(spares_.back());
            spares_.pop_back();
        }
        lock.unlock();
        ready_.notify_one();
    }

    void end(bool stopping) noexcept {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
            stopping_ = stopping;
        }
        ready_.notify_one();
        thread_.join();
    }

    void work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return !queue_.empty() || done_; });
            if (stopping_ || queue_.empty()) return;
            std::string piece = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            room_.notify_one();
            if (!failure_) {
                try {
                    // The lines as a read of rep48.log gives them: up to LF, one CR before it dropped.
                    size_t start = 0;
                    for (size_t lf; (lf = piece.find('\n', start)) != std::string::npos; start = lf + 1) {
                        const size_t end = lf > start && piece[lf - 1] == '\r' ? lf - 1 : lf;
                        analysis_.countReportLine(std::string_view(piece).substr(start, end - start));
                    }
                } catch (...) {
                    failure_ = std::current_exception();
                }
            }
            piece.clear();
            lock.lock();
            spares_.push_back(std::move(piece));
        }
    }

    ErrorAnalysis& analysis_;
    std::string piece_;  // filled by the scan
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::string> queue_;
    std::vector<std::string> spares_;
    bool done_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;  // the counting thread's alone until it is joined
    std::thread thread_;          // last: it starts once the rest is set up
};

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
    counter_ = std::make_unique<Counter>(*this);
}

void ErrorAnalysis::count(std::string_view line) {
    if (counter_) counter_->add(line);
}

void ErrorAnalysis::run() {
    if (counter_) {
        const std::exception_ptr failure = counter_->finish();
        counter_.reset();
        if (failure) std::rethrow_exception(failure);
        // The running count, as a reading back of rep48.log shows it.
        for (long n = 1; n <= total_; ++n) ctx_.setCountStatus(texts::kErrorCountPrefix, n);
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

void ErrorAnalysis::countReportLine(std::string_view line) {
    ++total_;
    copy_.assign(line);
    copy_ += "\r\n";
    if (contains(line, "REST")) {
        if (++restarts_ == 1) details_.add(*restart_, heading(std::string(kTitleIndent) + "RESTART'S"));
        details_.add(*restart_, copy_);
    }
    if (contains(line, "BOOT")) {
        if (++reboots_ == 1) details_.add(*reboot_, heading(std::string(kTitleIndent) + "REBOOT'S"));
        details_.add(*reboot_, copy_);
    }
    const std::string_view typeText = trimTrailingSpaces(columns(line, 8, 4));
    const auto type = parseInt16(typeText);
    // A type text that is no whole number, or a negative one, has no file of its own.
    if (!type || *type < 0) return;
    name_.assign(typeText);
    DetailFiles::File& typeFile = details_.file(name_);
    if (++errorCount_[*type] == 1) details_.add(typeFile, heading(std::string(kTitleIndent) + "ERROR N " + name_));
    details_.add(typeFile, copy_);
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
