#include "viewer/line_search.h"

#include "platform/io_block.h"
#include "platform/io_error.h"

namespace kalvimo {

void LineSearch::start(std::shared_ptr<const ByteSource> file, Patterns patterns, bool countOccurrences) {
    clear();
    file_ = std::move(file);
    scanner_.emplace(std::move(patterns), countOccurrences, kIoBlock);
    run();
}

void LineSearch::clear() {
    worker_.stop();
    file_.reset();
    scanner_.reset();
    running_ = grewMeanwhile_ = reachedEnd_ = false;
    lines_.clear();
    totals_ = {};
    bytesRead_ = 0;
}

void LineSearch::grow() {
    if (running_) grewMeanwhile_ = true;
    else if (scanner_ && file_) run();
}

void LineSearch::run() {
    running_ = true;
    worker_.start([file = file_, scanner = std::move(*scanner_)](std::stop_token stop, const auto& post) mutable {
        Batch batch;
        BatchClock clock;
        uint64_t before = scanner.totals().bytes;
        const auto send = [&](bool done) {
            batch.totals = scanner.totals();
            batch.read = batch.totals.bytes - before;
            before = batch.totals.bytes;
            batch.done = done;
            if (done) batch.scanner = std::move(scanner);
            post(batch);
            batch = Batch();
        };
        try {
            const bool finished = scanner.scan(*file, stop, [&](const std::vector<uint64_t>& lines, const ScanTotals&) {
                batch.lines.insert(batch.lines.end(), lines.begin(), lines.end());
                if (clock.due()) send(false);
            });
            if (finished) send(true);
        } catch (const IoError& e) {
            batch.done = true;
            batch.error = e.message();
            post(batch);
        }
    });
    scanner_.reset();
}

LineSearch::Progress LineSearch::take() {
    Progress out;
    while (std::optional<Batch> b = worker_.take()) {
        for (uint64_t line : b->lines) lines_.append(line);
        if (b->totals.bytes > 0) totals_ = b->totals;
        bytesRead_ += b->read;
        out.added = true;
        if (!b->error.empty()) out.error = std::move(b->error);
        if (!b->done) continue;
        running_ = false;
        if (b->scanner) scanner_ = std::move(b->scanner);
        if (grewMeanwhile_ && scanner_) {
            grewMeanwhile_ = false;
            run();
        } else {
            grewMeanwhile_ = false;
            reachedEnd_ = out.finished = true;
        }
    }
    return out;
}

}  // namespace kalvimo
