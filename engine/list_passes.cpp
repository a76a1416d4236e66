#include "engine/list_passes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <unordered_map>
#include <utility>

#include "engine/result_files.h"
#include "engine/text_ops.h"
#include "platform/files.h"

namespace kalvimo {
namespace {

// The passes of one read, each a machine of its own over the same lines: looking for a header,
// passing the lines up to its test line, copying a body. Lines a machine copies are not looked
// at for headers by it, while the others still look at them, so a body without its end line
// swallows the next report only for the machines that copy it. The machines that entered a
// state on the same line move on together, as one group; the usual case, every machine
// looking for a header, is one search of the reader.
class ListScan : public FileReading {
public:
    // Machine m finds its reports by texts[m] and writes them into file m of files.
    ListScan(ListKind kind, const std::vector<std::string>& texts, ResultFiles& files);
    bool writes(const std::string& path) const override { return files_.holds(path); }
    void read(LineReader& in, ScanFrame& frame) override;
    void closeOutputs() override { files_.flushAll(); }

private:
    using Group = std::vector<int>;
    void reset();
    void step(std::string_view line, RunOptions& options);
    void takeHeader(std::string_view line);
    // The test group's machines whose text the line holds begin their blocks and copy from
    // the next line on; the others go back to looking for a header.
    void testLine(std::string_view line);
    void matchNumbers(std::string_view line);
    void endOfFile();
    bool inGroup(const Group& g, int m) const {
        const size_t p = pos_[static_cast<size_t>(m)];
        return p < g.size() && g[p] == m;
    }
    void remove(Group& g, int m);
    void append(Group& to, Group& from);  // from is left empty

    const ListKind kind_;
    const std::string_view endText_;
    ResultFiles& files_;
    const std::vector<std::string> texts_;
    std::vector<size_t> pos_;  // where each machine stands in its group
    Group seek_, skip_, test_, copy_;
    Group ended_, missed_, matched_;  // on their way back to seek_, within one line
    std::string skipHeader_, testHeader_;
    // Numbers: for each length, the texts of that length, sorted, with their machines.
    std::vector<size_t> lengths_;
    std::vector<std::vector<std::pair<std::string_view, int>>> byLength_;
};

ListScan::ListScan(ListKind kind, const std::vector<std::string>& texts, ResultFiles& files)
    : kind_(kind), endText_(kind == ListKind::Numbers ? "NO = 0" : "LAST REPORT"), files_(files), texts_(texts),
      pos_(texts.size()) {
    if (kind_ != ListKind::Numbers) return;
    for (size_t m = 0; m < texts_.size(); ++m) {
        const std::string_view t = texts_[m];
        if (byLength_.size() <= t.size()) byLength_.resize(t.size() + 1);
        if (byLength_[t.size()].empty()) lengths_.push_back(t.size());
        byLength_[t.size()].push_back({t, static_cast<int>(m)});
    }
    std::sort(lengths_.begin(), lengths_.end());
    for (auto& texts : byLength_) std::sort(texts.begin(), texts.end());
}

void ListScan::reset() {
    seek_.clear();
    skip_.clear();
    test_.clear();
    copy_.clear();
    for (size_t m = 0; m < texts_.size(); ++m) {
        pos_[m] = m;
        seek_.push_back(static_cast<int>(m));
    }
}

void ListScan::remove(Group& g, int m) {
    const size_t p = pos_[static_cast<size_t>(m)];
    g[p] = g.back();
    pos_[static_cast<size_t>(g[p])] = p;
    g.pop_back();
}

void ListScan::append(Group& to, Group& from) {
    if (to.empty()) {
        std::swap(to, from);
        return;
    }
    for (const int m : from) {
        pos_[static_cast<size_t>(m)] = to.size();
        to.push_back(m);
    }
    from.clear();
}

void ListScan::read(LineReader& in, ScanFrame& frame) {
    RunOptions& options = frame.context().options();
    reset();
    std::string_view line;
    for (;;) {
        if (seek_.size() == texts_.size()) {
            frame.stopPoint(*this);  // between reports for every machine
            // Read for every header, so a station typed during the run takes effect.
            const std::string station = options.stationName();
            if (!in.nextContaining(station, line)) return;
            takeHeader(line);
            continue;
        }
        if (!in.next(line)) {
            endOfFile();
            return;
        }
        step(line, options);
    }
}

// Each group takes the line as its state says; the groups that leave a state make room for the
// ones entering it, so that a move of a whole group is a swap.
void ListScan::step(std::string_view line, RunOptions& options) {
    if (!copy_.empty()) {
        for (const int m : copy_) files_.writeLine(static_cast<size_t>(m), line);
        if (contains(line, endText_)) {
            for (const int m : copy_) files_.write(static_cast<size_t>(m), "\r\n\r\n");
            std::swap(ended_, copy_);
        }
    }
    if (!test_.empty()) testLine(line);
    if (!skip_.empty()) {
        std::swap(test_, skip_);
        std::swap(testHeader_, skipHeader_);
    }
    if (!seek_.empty() && contains(line, options.stationName())) takeHeader(line);
    append(seek_, ended_);
    append(seek_, missed_);
}

void ListScan::takeHeader(std::string_view line) {
    // The header is kept: the reader's view does not outlive the next read.
    if (kind_ == ListKind::Numbers) {
        skipHeader_.assign(line);
        std::swap(skip_, seek_);
    } else {
        testHeader_.assign(line);
        std::swap(test_, seek_);
    }
}

void ListScan::testLine(std::string_view line) {
    matched_.clear();
    if (kind_ == ListKind::Numbers) {
        matchNumbers(line);
    } else {
        for (size_t i = 0; i < test_.size();) {
            const int m = test_[i];
            if (!contains(line, texts_[static_cast<size_t>(m)])) {
                ++i;
                continue;
            }
            remove(test_, m);
            matched_.push_back(m);
        }
    }
    for (const int m : matched_) {
        const size_t f = static_cast<size_t>(m);
        files_.writeLine(f, testHeader_);
        if (kind_ == ListKind::Devices) files_.writeLine(f, line);
        files_.write(f, "\r\n");
        pos_[f] = copy_.size();
        copy_.push_back(m);
    }
    append(missed_, test_);
}

// A text followed by "  P" anywhere: every "  P" of the line is found once, and the texts that
// end right before it are looked up, one length at a time.
void ListScan::matchNumbers(std::string_view line) {
    for (size_t q = 2; q < line.size(); ++q) {
        const void* found = std::memchr(line.data() + q, 'P', line.size() - q);
        if (!found) return;
        q = static_cast<size_t>(static_cast<const char*>(found) - line.data());
        if (line[q - 1] != ' ' || line[q - 2] != ' ') continue;
        const size_t p = q - 2;
        for (const size_t n : lengths_) {
            if (n > p) break;
            const auto& texts = byLength_[n];
            const std::string_view key = line.substr(p - n, n);
            const auto it = std::lower_bound(texts.begin(), texts.end(), key,
                                             [](const auto& entry, std::string_view k) { return entry.first < k; });
            if (it == texts.end() || it->first != key || !inGroup(test_, it->second)) continue;
            remove(test_, it->second);
            matched_.push_back(it->second);
        }
    }
}

void ListScan::endOfFile() {
    // A block cut by the end of the file is closed like any other.
    for (const int m : copy_) files_.write(static_cast<size_t>(m), "\r\n\r\n");
}

// The passes from one on that share a read: their result files, each filled by the last pass
// that names it, and what the walk met.
struct SharedRead {
    InputMode mode;
    size_t from;
    ResultFiles files;
    std::vector<size_t> fileOf;  // per pass from `from` that names a file: its file, in order of first naming
    std::vector<size_t> first;   // per file: the first pass that names it
    std::vector<size_t> owner;   // per file: the last
    // The first file that could not be made: the run ends at its first pass, and no later
    // file is made.
    size_t failedFile = SIZE_MAX;
    std::exception_ptr failure;
    std::unique_ptr<ListScan> scan;
    WalkRecord record;
};

class ListRun {
public:
    ListRun(ScanFrame& frame, ListKind kind, const std::vector<ListEntry>& entries, bool modePerPass)
        : frame_(frame), ctx_(frame.context()), kind_(kind), entries_(entries), modePerPass_(modePerPass) {}
    void run();

private:
    void pass(size_t k);
    void startRead(size_t k, const Pass& p);
    void finish(size_t k, const Pass& p);
    size_t fileOf(size_t k) const { return read_->fileOf[k - read_->from]; }
    // After a failure: the files made early for passes not yet begun are taken back.
    void takeBack(size_t current) noexcept;

    ScanFrame& frame_;
    RunContext& ctx_;
    const ListKind kind_;
    const std::vector<ListEntry>& entries_;
    const bool modePerPass_;
    std::unique_ptr<SharedRead> read_;
};

void ListRun::run() {
    size_t k = 0;
    try {
        for (; k < entries_.size(); ++k) pass(k);
        if (read_) read_->files.flushAll();
    } catch (const RunStopped&) {
        throw;  // the stop point kept what the files hold
    } catch (...) {
        takeBack(k);
        throw;
    }
}

void ListRun::pass(size_t k) {
    const ListEntry& e = entries_[k];
    if (!e.pass) {
        ctx_.refuse(e.refusal);
        return;
    }
    Pass p = *e.pass;
    if (modePerPass_) p.mode = frame_.currentMode();
    if (!read_ || read_->mode != p.mode || read_->record.outcome != PassOutcome::Done) {
        startRead(k, p);
        return;
    }
    if (!frame_.begin(p)) return;
    if (fileOf(k) >= read_->failedFile) std::rethrow_exception(read_->failure);
    frame_.walk(*read_->scan, p, read_->record, true);
    finish(k, p);
}

void ListRun::startRead(size_t k, const Pass& p) {
    if (read_) {
        // What the earlier read gathered for the passes from here on is read again.
        read_->files.drop();
        read_.reset();
    }
    if (!frame_.begin(p)) return;
    auto read = std::make_unique<SharedRead>();
    read->mode = p.mode;
    read->from = k;
    std::unordered_map<std::string, size_t> byPath;
    std::vector<const std::string*> paths;
    for (size_t j = k; j < entries_.size(); ++j) {
        if (!entries_[j].pass) {
            read->fileOf.push_back(SIZE_MAX);
            continue;
        }
        const std::string& path = entries_[j].pass->outputPath;
        const auto [it, added] = byPath.emplace(path, paths.size());
        if (added) {
            paths.push_back(&path);
            read->first.push_back(j);
            read->owner.push_back(j);
        }
        read->fileOf.push_back(it->second);
        read->owner[it->second] = j;
    }
    // Made in the order the passes name them, as each pass makes its own.
    std::vector<std::string> texts;
    for (size_t f = 0; f < paths.size(); ++f) {
        try {
            read->files.create(*paths[f]);
        } catch (const IoError&) {
            if (f == 0) throw;  // this pass's own file
            read->failedFile = f;
            read->failure = std::current_exception();
            break;
        }
        texts.push_back(entries_[read->owner[f]].text);
    }
    read->scan = std::make_unique<ListScan>(kind_, texts, read->files);
    read_ = std::move(read);
    frame_.walk(*read_->scan, p, read_->record, false);
    finish(k, p);
}

void ListRun::finish(size_t k, const Pass& p) {
    frame_.endText(p, read_->record.outcome);
    const size_t f = fileOf(k);
    if (read_->owner[f] == k) read_->files.flush(f);  // where the pass closed its file
    frame_.stepBack(p);
}

void ListRun::takeBack(size_t current) noexcept {
    if (!read_) return;
    read_->files.drop();
    for (size_t f = 0; f < read_->files.size(); ++f) {
        if (read_->first[f] <= current) continue;
        try {
            removeFile(read_->files.path(f));
        } catch (const IoError&) {
            // The next run's clearing tries again.
        }
    }
}

}  // namespace

void runListPasses(ScanFrame& frame, ListKind kind, const std::vector<ListEntry>& entries, bool modePerPass) {
    ListRun(frame, kind, entries, modePerPass).run();
}

}  // namespace kalvimo
