#pragma once
// A file open in the viewer: the file itself, its line index built in the background, and what
// changed in it since it was last looked at. A file that grows keeps its index and is indexed
// on from where the index ended; one that shrinks, is rewritten or replaced is indexed anew.
// Everything but the indexing itself runs on the thread that owns the document.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/viewed_file.h"
#include "viewer/line_index.h"
#include "viewer/worker.h"

namespace kalvimo {

enum class FileChange {
    None,       // as last seen
    Grown,      // the same file, longer, and the bytes it had are as they were
    Shrunk,     // the same file, shorter
    Rewritten,  // the same file with other bytes
    Replaced,   // another file under the name, or one where there was none
    Gone,       // no file under the name any more
};

class ViewerDocument {
public:
    // Bytes of a line shown before it is cut.
    static constexpr size_t kShownWidth = 4096;

    // wake is called on the indexing thread whenever it has found more: takeIndexed() then
    // takes it on the document's own thread.
    ViewerDocument(std::string path, std::function<void()> wake);

    const std::string& path() const { return path_; }
    // Why the file cannot be shown, in Russian (UTF-8); empty when it can.
    const std::string& problem() const { return problem_; }
    bool isOpen() const { return file_ != nullptr; }
    uint64_t lines() const { return index_.lines(); }
    bool indexComplete() const { return index_.complete(); }
    // The index had reached the end, and what was appended since is being indexed.
    bool indexingAppended() const { return reachedEnd_ && !index_.complete(); }
    int indexPercent() const;
    uint64_t size() const { return file_ ? seen_.size : 0; }
    size_t memoryBytes() const { return index_.memoryBytes(); }
    // Bytes the indexing has read since the document was made, for every opening and growth.
    uint64_t bytesIndexed() const { return bytesIndexed_; }
    // The open file, for background scans; null while there is none.
    std::shared_ptr<const ViewedFile> file() const { return file_; }

    // Opens the file anew: its beginning (or as far as the views stood) is indexed at once, the
    // rest in the background.
    void open();
    // How the file changed since it was opened or last grew.
    FileChange look();
    // After look() said Grown: the index goes on from where it ended.
    void grow();
    // Closes the file, saying why.
    void fail(std::string problem);

    // Lines from first on, cut to kShownWidth. Throws IoError.
    std::vector<ShownLine> readLines(uint64_t first, size_t count) const;
    // Where the views stand, so that a reopening indexes at once as far as they show.
    void noteShownUpTo(uint64_t line) { shownUpTo_ = line; }

    // What the indexing found since the last call, put into the index.
    struct Indexed {
        bool added = false;     // lines or marks came
        bool finished = false;  // the index reached the end of the file
        std::string error;      // the file could not be read: fail() with it
    };
    Indexed takeIndexed();

    // Called on the indexing thread right before it hands over its last batch; for tests.
    static inline std::function<void()> beforeLastIndexBatch;

private:
    struct Batch {
        std::vector<LineMark> marks;
        LineCount count;
        uint64_t read = 0;  // bytes read for this batch
        bool done = false;
        std::string error;
        std::optional<LineIndexBuilder> builder;  // back with the last batch, to go on from
    };
    // The bytes that tell an appended file from a rewritten one: its first and its last ones.
    struct Edges {
        std::string head, tail;
        bool operator==(const Edges&) const = default;
    };
    Edges edgesUpTo(uint64_t size) const;
    void index();

    std::string path_;
    std::string problem_;
    std::shared_ptr<ViewedFile> file_;
    LineIndex index_;
    FileStamp seen_;    // the file as last opened or grown, or found missing
    FileStamp looked_;  // as look() found it
    Edges edges_;       // of seen_
    bool opened_ = false;
    uint64_t shownUpTo_ = 0;
    uint64_t bytesIndexed_ = 0;
    std::optional<LineIndexBuilder> builder_;  // while no indexing runs
    bool indexing_ = false;
    bool reachedEnd_ = false;  // since the file was opened
    bool grewMeanwhile_ = false;  // the file grew while the indexing ran
    Worker<Batch> indexer_;
};

}  // namespace kalvimo
