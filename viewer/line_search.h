#pragma once
// A search of the whole file in the background: the lines that hold a match (a filter's, or
// the ones a search steps through) and how many matches there are. When the file grows, the
// search reads on from where it ended, so the new lines are added to what it found.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_source.h"
#include "viewer/line_scan.h"
#include "viewer/line_set.h"
#include "viewer/matches.h"
#include "viewer/worker.h"

namespace kalvimo {

class LineSearch {
public:
    // wake is called on the searching thread whenever it has found more: take() then takes it
    // on the thread that owns the search.
    explicit LineSearch(std::function<void()> wake) : worker_(std::move(wake)) {}

    // Searches file from its start; what was found before is dropped.
    void start(std::shared_ptr<const ByteSource> file, Patterns patterns, bool countOccurrences);
    // The file grew: the search reads on from where it ended. Nothing without a search.
    void grow();
    // No search, nothing found.
    void clear();

    struct Progress {
        bool added = false;     // more was found or read
        bool finished = false;  // the search reached the end of the file
        std::string error;      // the file could not be read, in Russian (UTF-8)
    };
    // What the search found since the last call, put into lines() and totals().
    Progress take();

    const LineSet& lines() const { return lines_; }
    const ScanTotals& totals() const { return totals_; }
    bool running() const { return running_; }
    // The search had reached the end, and what was appended since is being read.
    bool readingAppended() const { return reachedEnd_ && running_; }
    // Bytes read since the search started, over every growth of the file.
    uint64_t bytesRead() const { return bytesRead_; }

private:
    struct Batch {
        std::vector<uint64_t> lines;
        ScanTotals totals;
        uint64_t read = 0;
        bool done = false;
        std::string error;
        std::optional<LineScanner> scanner;  // back with the last batch, to go on from
    };
    void run();

    Worker<Batch> worker_;
    std::shared_ptr<const ByteSource> file_;
    std::optional<LineScanner> scanner_;  // while no reading runs
    bool running_ = false;
    bool grewMeanwhile_ = false;
    bool reachedEnd_ = false;
    LineSet lines_;
    ScanTotals totals_;
    uint64_t bytesRead_ = 0;
};

}  // namespace kalvimo
