#include "viewer/document.h"

#include <algorithm>

#include "platform/io_block.h"
#include "platform/io_error.h"

namespace kalvimo {
namespace {

// Indexed before the first screen: at least this much, and up to where the views stood, but
// never more than the second figure, so that the window stays quick.
constexpr uint64_t kFirstBytes = 1024 * 1024;
constexpr uint64_t kMostBytesAtOnce = 16 * 1024 * 1024;
// Of each end of the file, compared to tell an append from a rewrite.
constexpr size_t kEdgeBytes = 4096;

}  // namespace

ViewerDocument::ViewerDocument(std::string path, std::function<void()> wake)
    : path_(std::move(path)), indexer_(std::move(wake)) {}

int ViewerDocument::indexPercent() const {
    if (index_.complete() || size() == 0) return 100;
    return static_cast<int>(std::min<uint64_t>(99, index_.count().bytes * 100 / size()));
}

ViewerDocument::Edges ViewerDocument::edgesUpTo(uint64_t size) const {
    Edges e;
    const auto read = [&](uint64_t at, size_t n) {
        std::string bytes(n, '\0');
        bytes.resize(file_->readAt(at, bytes.data(), n));
        return bytes;
    };
    e.head = read(0, static_cast<size_t>(std::min<uint64_t>(size, kEdgeBytes)));
    const uint64_t tailAt = size > kEdgeBytes ? size - kEdgeBytes : 0;
    e.tail = read(tailAt, static_cast<size_t>(size - tailAt));
    return e;
}

void ViewerDocument::open() {
    indexer_.stop();
    indexing_ = grewMeanwhile_ = reachedEnd_ = false;
    builder_.reset();
    index_.clear();
    file_.reset();
    problem_.clear();
    seen_ = looked_ = stampOf(path_);
    auto file = std::make_shared<ViewedFile>();
    problem_ = file->open(path_);
    if (!problem_.empty()) return;
    file_ = std::move(file);
    opened_ = true;
    seen_ = looked_ = file_->stamp();
    // The beginning (or as far as the views stood) at once, the rest in the background.
    LineIndexBuilder builder;
    std::string buf(kIoBlock, '\0');
    try {
        edges_ = edgesUpTo(seen_.size);
        for (uint64_t at = 0; at < kMostBytesAtOnce;) {
            const size_t n = file_->readAt(at, buf.data(), kIoBlock);
            bytesIndexed_ += n;
            if (n == 0) {
                index_.add(builder.takeMarks(), builder.count(), true);
                reachedEnd_ = true;
                builder_ = std::move(builder);
                return;
            }
            builder.feed(buf.data(), n);
            at += n;
            if (at >= kFirstBytes && builder.count().breaks > shownUpTo_) break;
        }
    } catch (const IoError& e) {
        fail(e.message());
        return;
    }
    index_.add(builder.takeMarks(), builder.count(), false);
    builder_ = std::move(builder);
    index();
}

FileChange ViewerDocument::look() {
    const FileStamp now = stampOf(path_);
    if (now == seen_) return FileChange::None;
    looked_ = now;
    if (!now.exists) return opened_ ? FileChange::Gone : FileChange::Replaced;
    if (!file_ || now.device != seen_.device || now.inode != seen_.inode) return FileChange::Replaced;
    if (now.size < seen_.size) return FileChange::Shrunk;
    if (now.size == seen_.size) return FileChange::Rewritten;
    try {
        if (edgesUpTo(seen_.size) == edges_) return FileChange::Grown;
    } catch (const IoError&) {
        // Read anew, which says what is wrong.
    }
    return FileChange::Rewritten;
}

void ViewerDocument::grow() {
    seen_ = looked_;
    try {
        edges_ = edgesUpTo(seen_.size);
    } catch (const IoError& e) {
        fail(e.message());
        return;
    }
    index_.add({}, index_.count(), false);
    if (indexing_) grewMeanwhile_ = true;
    else index();
}

void ViewerDocument::fail(std::string problem) {
    indexer_.stop();
    indexing_ = grewMeanwhile_ = reachedEnd_ = false;
    builder_.reset();
    file_.reset();
    index_.clear();
    problem_ = std::move(problem);
    seen_ = looked_;  // told once
}

void ViewerDocument::index() {
    indexing_ = true;
    indexer_.start([file = file_, builder = std::move(*builder_)](std::stop_token stop, const auto& post) mutable {
        uint64_t read = 0;
        const auto batch = [&](bool done) {
            Batch b;
            b.marks = builder.takeMarks();
            b.count = builder.count();
            b.read = std::exchange(read, 0);
            b.done = done;
            if (done) b.builder = std::move(builder);
            return b;
        };
        std::string buf(kIoBlock, '\0');
        BatchClock clock;
        try {
            for (uint64_t at = builder.count().bytes;;) {
                if (stop.stop_requested()) return;
                const size_t n = file->readAt(at, buf.data(), kIoBlock);
                if (n == 0) break;
                builder.feed(buf.data(), n);
                at += n;
                read += n;
                if (clock.due()) {
                    Batch b = batch(false);
                    if (!post(b)) return;
                }
            }
            if (beforeLastIndexBatch) beforeLastIndexBatch();
            Batch b = batch(true);
            post(b);
        } catch (const IoError& e) {
            Batch b;
            b.done = true;
            b.error = e.message();
            post(b);
        }
    });
    builder_.reset();
}

ViewerDocument::Indexed ViewerDocument::takeIndexed() {
    Indexed out;
    while (std::optional<Batch> b = indexer_.take()) {
        if (!b->error.empty()) {
            out.error = std::move(b->error);
            return out;
        }
        bytesIndexed_ += b->read;
        const bool last = b->done && !grewMeanwhile_;
        index_.add(b->marks, b->count, last);
        out.added = true;
        if (!b->done) continue;
        indexing_ = false;
        builder_ = std::move(b->builder);
        if (grewMeanwhile_) {
            grewMeanwhile_ = false;
            index();
        } else {
            reachedEnd_ = out.finished = true;
        }
    }
    return out;
}

std::vector<ShownLine> ViewerDocument::readLines(uint64_t first, size_t count) const {
    if (!file_) return {};
    return index_.readLines(*file_, first, count, kShownWidth);
}

}  // namespace kalvimo
