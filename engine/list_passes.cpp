#include "engine/list_passes.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <unordered_map>
#include <utility>

#include "engine/list_texts.h"
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
    void closeOutputs() override { files_.closeAll(); }

private:
    using Group = std::vector<int>;
    void reset();
    void step(std::string_view line);
    void takeHeader(std::string_view line);
    // The machines of the group whose text the line holds leave it and begin their blocks,
    // copying from the next line on.
    void testLine(std::string_view line, Group& group);
    void beginBlocks(std::string_view testLine);
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
    const size_t machines_;
    std::vector<size_t> pos_;  // where each machine stands in its group
    Group seek_, skip_, test_, copy_;
    Group ended_, missed_, matched_;  // on their way back to seek_, within one line
    std::string skipHeader_, testHeader_;
    std::string station_;  // as read for the last header search
    const NumberTexts numbers_;
    const DeviceTexts devices_;
    std::vector<int> found_;
};

ListScan::ListScan(ListKind kind, const std::vector<std::string>& texts, ResultFiles& files)
    : kind_(kind), endText_(kind == ListKind::Numbers ? "NO = 0" : "LAST REPORT"), files_(files), machines_(texts.size()),
      pos_(texts.size()), numbers_(kind == ListKind::Numbers ? texts : std::vector<std::string>()),
      devices_(kind == ListKind::Devices ? texts : std::vector<std::string>()) {}

void ListScan::reset() {
    seek_.clear();
    skip_.clear();
    test_.clear();
    copy_.clear();
    for (size_t m = 0; m < machines_; ++m) {
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
    if (to.size() < from.size()) std::swap(to, from);  // the order within a group does not count
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
        if (seek_.size() == machines_) {
            if (frame.context().stopRequested()) frame.stopPoint(*this);  // between reports for every machine
            // Read for every header, so a station typed during the run takes effect.
            station_ = options.stationName();
            if (!in.nextContaining(station_, line)) return;
            // The header is kept: the reader's view does not outlive the next read.
            testHeader_.assign(line);
            // Every machine passes the same lines up to the test line, and tests it.
            if (kind_ == ListKind::Numbers && !in.next(line)) return;
            if (!in.next(line)) return;
            testLine(line, seek_);
            continue;
        }
        if (!in.next(line)) {
            endOfFile();
            return;
        }
        step(line);
    }
}

// Each group takes the line as its state says; the groups that leave a state make room for the
// ones entering it, so that a move of a whole group is a swap.
void ListScan::step(std::string_view line) {
    if (!copy_.empty()) {
        for (const int m : copy_) files_.writeLine(static_cast<size_t>(m), line);
        if (contains(line, endText_)) {
            for (const int m : copy_) files_.write(static_cast<size_t>(m), "\r\n\r\n");
            std::swap(ended_, copy_);
        }
    }
    if (!test_.empty()) {
        testLine(line, test_);
        std::swap(missed_, test_);  // back to looking for a header once this line is done
    }
    if (!skip_.empty()) {
        std::swap(test_, skip_);
        std::swap(testHeader_, skipHeader_);
    }
    if (!seek_.empty() && contains(line, station_)) takeHeader(line);
    if (!ended_.empty()) append(seek_, ended_);
    if (!missed_.empty()) append(seek_, missed_);
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

void ListScan::testLine(std::string_view line, Group& group) {
    found_.clear();
    if (kind_ == ListKind::Numbers) numbers_.find(line, found_);
    else devices_.find(line, found_);
    if (found_.empty()) return;
    matched_.clear();
    for (const int m : found_) {
        if (!inGroup(group, m)) continue;  // found before, at another place of the line
        remove(group, m);
        matched_.push_back(m);
    }
    beginBlocks(line);
}

void ListScan::beginBlocks(std::string_view testLine) {
    for (const int m : matched_) {
        const size_t f = static_cast<size_t>(m);
        files_.writeLine(f, testHeader_);
        if (kind_ == ListKind::Devices) files_.writeLine(f, testLine);
        files_.write(f, "\r\n");
        pos_[f] = copy_.size();
        copy_.push_back(m);
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
        if (read_) read_->files.closeAll();
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
    if (read_->owner[f] == k) read_->files.close(f);  // where the pass closed its file
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
