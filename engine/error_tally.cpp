#include "engine/error_tally.h"

#include <algorithm>
#include <cerrno>

#include "engine/data_dir.h"
#include "engine/error_analysis.h"
#include "engine/line_time.h"
#include "engine/text_ops.h"
#include "platform/cp1251.h"
#include "platform/data_lock.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/line_reader.h"

namespace kalvimo {
namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

void tallyLine(PeriodCounts& p, int type, bool restart, bool reboot) {
    if (type >= 0) ++p.types[type];
    else ++p.untyped;
    p.restarts += restart;
    p.reboots += reboot;
}

// Nothing for a regular file; "missing" for no file; otherwise why it is not read. Checked
// before opening, so that a pipe or a device in its place is never opened.
enum class Presence { Regular, Missing, Unusable };

Presence presence(const std::string& path, std::string& problem) {
    sys::PathInfo info;
    if (const int err = sys::pathInfo(path, true, info)) {
        if (err == ENOENT) return Presence::Missing;
        problem = IoError(IoError::Op::Open, path, err).message();
        return Presence::Unusable;
    }
    if (info.kind == sys::Kind::Regular) return Presence::Regular;
    problem = IoError(IoError::Op::Open, path, info.kind == sys::Kind::Directory ? EISDIR : kNotRegularFile).message();
    return Presence::Unusable;
}

}  // namespace

ErrorTally::ErrorTally() : counts_(kTypes, 0), texts_(kTypes) {}

PeriodCounts& ErrorTally::period(std::map<std::int64_t, PeriodCounts>& map, std::int64_t key,
                                 std::int64_t& cachedKey, PeriodCounts*& cached) {
    if (!cached || cachedKey != key) {
        cached = &map[key];
        cachedKey = key;
    }
    return *cached;
}

void ErrorTally::add(std::string_view line) {
    ++lines_;
    // The marks and the type exactly as the error analysis takes them.
    const bool restart = line.find("REST") != std::string_view::npos;
    const bool reboot = line.find("BOOT") != std::string_view::npos;
    restarts_ += restart;
    reboots_ += reboot;
    const std::string_view typeText = trimTrailingSpaces(columns(line, 8, 4));
    auto parsed = parseInt16(typeText);
    const int type = parsed && *parsed >= 0 ? *parsed : -1;
    if (type >= 0) {
        ++counts_[static_cast<size_t>(type)];
        auto& texts = texts_[static_cast<size_t>(type)];
        if (texts.empty() || (texts[0] != typeText && std::find(texts.begin(), texts.end(), typeText) == texts.end()))
            texts.emplace_back(typeText);
    } else {
        ++untyped_;
    }

    const auto time = lineTime(line);
    if (!time) {
        ++undated_;
        return;
    }
    if (!anyDated_) {
        anyDated_ = true;
        minTime_ = maxTime_ = *time;
    }
    minTime_ = std::min(minTime_, *time);
    maxTime_ = std::max(maxTime_, *time);
    tallyLine(period(days_, floorDiv(*time, 86400), dayKey_, day_), type, restart, reboot);
    if (hoursKept_ && maxTime_ - minTime_ > kHourSpan) {
        hoursKept_ = false;
        hours_.clear();
        hour_ = nullptr;
    }
    if (hoursKept_) tallyLine(period(hours_, floorDiv(*time, 3600), hourKey_, hour_), type, restart, reboot);
}

const std::vector<std::string>& ErrorTally::typeTexts(int type) const {
    static const std::vector<std::string> none;
    return type >= 0 && type < kTypes ? texts_[static_cast<size_t>(type)] : none;
}

std::vector<int> ErrorTally::typesByCount() const {
    std::vector<int> types;
    for (int t = 0; t < kTypes; ++t)
        if (counts_[static_cast<size_t>(t)] > 0) types.push_back(t);
    std::sort(types.begin(), types.end(), [this](int a, int b) {
        const long ca = count(a), cb = count(b);
        return ca != cb ? ca > cb : a < b;
    });
    return types;
}

std::string firstDescription(const std::vector<std::string>& catalogue, int type) {
    const std::string key = std::to_string(type);
    for (const auto& entry : catalogue)
        if (errorCatalogueKey(entry) == key) return std::string(trimTrailingSpaces(columns(entry, 6, 70)));
    return {};
}

ChartSource readChartSource(const DataDir& data, const std::atomic<bool>* cancel,
                            const std::function<void(int)>& progress, const std::function<void(sys::ProcessId)>& waiting) {
    ChartSource source;
    const std::string path = data.logFile("rep48.log");
    switch (presence(path, source.problem)) {
    case Presence::Missing: return source;
    case Presence::Unusable: source.state = ChartSource::State::Failed; return source;
    case Presence::Regular: break;
    }
    DataLock lock;
    try {
        lock = waiting ? DataLock::acquire(data.root(), std::chrono::milliseconds(-1), cancel, waiting)
                       : DataLock::tryAcquire(data.root());
        if (!lock.held() && !(cancel && cancel->load())) {
            source.state = ChartSource::State::Failed;
            source.problem = dataDirBusyText(lock.holder());
            return source;
        }
    } catch (const IoError& e) {
        // A data directory nobody may write holds no run either; reading it is safe.
        if (e.error() != EACCES && e.error() != EROFS) {
            source.state = ChartSource::State::Failed;
            source.problem = e.message();
            return source;
        }
    }
    sys::PathInfo info;
    const double size = sys::pathInfo(path, true, info) == 0 && info.size > 0 ? static_cast<double>(info.size) : 1.0;
    LineReader in;
    try {
        in.open(path);
        in.setCancelFlag(cancel);
        std::string_view line;
        double seen = 0;  // about the bytes read: the line breaks are taken as CR LF
        int shown = 0;
        while (in.next(line)) {
            source.tally.add(line);
            seen += static_cast<double>(line.size()) + 2;
            if (progress) {
                const int percent = std::min(99, static_cast<int>(seen * 100 / size));
                if (percent > shown) progress(shown = percent);
            }
        }
    } catch (const IoError& e) {
        source.state = ChartSource::State::Failed;
        source.problem = e.message();
        return source;
    }
    in.close();
    if (source.tally.lines() == 0) return source;
    source.state = ChartSource::State::Ready;
    const std::string catalogue = data.file("allerror.ini");
    try {
        if (presence(catalogue, source.catalogueProblem) == Presence::Regular) source.catalogue = readListLines(catalogue);
    } catch (const IoError& e) {
        source.catalogueProblem = e.message();
    }
    if (progress) progress(100);
    return source;
}

}  // namespace kalvimo
