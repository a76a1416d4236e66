#pragma once
// The one line reader of the program. Large block reads, line ends found with memchr, a line
// ends at LF with one CR before it dropped, the last line needs no LF, no length limit. Its
// position is shared by whoever reads from it: the scan looks for headers, a report handler
// reads on from the same place.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/io_block.h"
#include "platform/system.h"

namespace kalvimo {

// Told the size of every block read from a file, on the reading thread: a progress display
// counts the bytes with it.
class ReadObserver {
public:
    virtual ~ReadObserver() = default;
    virtual void bytesRead(size_t count) = 0;
};

class ReadAhead;

class LineReader {
public:
    // readAhead: the next block is read by a thread of its own while the caller scans the
    // current one; by default for blocks of 64 KiB and more.
    explicit LineReader(size_t blockSize = kIoBlock);
    LineReader(size_t blockSize, bool readAhead);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Throws IoError(Open) on failure, and for anything but a regular file or a directory
    // (a FIFO is never waited on). A directory opens and fails at the first read.
    void open(const std::string& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }

    // When the flag becomes true, reading stops as at the end of the file.
    void setCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }
    void setReadObserver(ReadObserver* observer) { observer_ = observer; }

    // The next line, valid until the next call; false at the end of the file.
    // Throws IoError(Read) when the file cannot be read.
    bool next(std::string_view& line);

    // Skips to the next line that contains needle and returns it; lines passed over are
    // consumed. An empty needle is contained in every non-empty line. Searches whole blocks
    // for the needle, so lines without it cost nothing per line, and time stays linear in the
    // size of the file whatever the lengths of its lines. A line passed over is never kept
    // whole: of a long one only the last bytes a match may begin in stay in memory. When the
    // needle turns up in such a line after all, its beginning is read again from the file.
    // Throws IoError(Read) with ENOMEM when the line found cannot be held in memory, and with
    // kChangedWhileRead when the file no longer holds the part read again.
    bool nextContaining(std::string_view needle, std::string_view& line);

    // How long a line without the needle may grow in memory before its beginning is let go.
    size_t keepLimit() const { return 4 * blockSize_; }

private:
    // Moves the unread part to the front and reads more; false when nothing more came.
    bool fill();
    // fill() with the block the read-ahead thread has read: the buffers change places.
    bool fillFromReadAhead();
    // Places the unread part so that a read of a block can land at the returned offset.
    size_t makeRoom();
    // Asks for reads of the blocks after those asked for, into every spare buffer not in use.
    void readAhead();
    // Waits for the reads under way and drops what they read.
    void dropReadsAhead();
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }
    // A buffer of cap bytes on a page boundary; null when there is no memory for it.
    static char* allocate(size_t cap) noexcept;
    struct Free {
        void operator()(char* p) const noexcept;
    };
    // Reads to the end of the file, keeping nothing.
    void skipToEnd();
    // Where a search for a needle stands in the buffer, which holds from pos_ the line being
    // searched: all of it, or when it grew long without the needle (cut), only its last bytes;
    // cutStart is then where it began in the file.
    struct Search {
        size_t from;    // where a match may start
        size_t lfFrom;  // [pos_, lfFrom) is known to hold no LF
        bool cut = false;
        int64_t cutStart = 0;
    };
    // Reads on until the line at pos_ has its LF or the file ends; its first `searched` bytes
    // hold none. lf is null at the end of the file. False when stopped.
    bool completeLine(size_t searched, const char*& lf);
    // Nothing matched in the buffer: keeps the unfinished last line (only its end once it has
    // grown long, where a match of n bytes across the next block may begin) and reads on.
    // False when stopped.
    bool readOnWithout(size_t n, Search& s);
    // The whole line whose beginning, from the file offset start, was let go: that part read
    // again, then the part in the buffer up to lineEnd.
    std::string_view rejoin(int64_t start, size_t lineEnd);
    // A buffer of cap bytes holding the unread part at its new place; throws IoError(Read)
    // with ENOMEM when there is no memory for it.
    void moveTo(size_t cap, size_t unreadAt);

    sys::File file_;
    std::string path_;
    std::unique_ptr<char[], Free> buf_;
    size_t cap_ = 0;
    size_t blockSize_;
    size_t align_;  // where reads land in buf_: a multiple of this
    // Blocks read ahead at once: enough that a moment in which the reading thread waits for
    // its core, or for the analysis that shares it, leaves the scan something to read.
    static constexpr size_t kReadsAhead = 8;
    std::unique_ptr<ReadAhead> ahead_;
    // What the reads ahead land in, from blockSize_ on: the reads under way go into
    // spares_[first_], spares_[first_ + 1], ... (in a ring), in the order they were asked for.
    std::unique_ptr<char[], Free> spares_[kReadsAhead];
    size_t first_ = 0;
    size_t reading_ = 0;      // reads under way
    uint64_t askedTo_ = 0;    // where the next read asked for starts
    size_t pos_ = 0;  // start of the next line
    size_t end_ = 0;  // end of the data in buf_
    int64_t base_ = 0;  // offset in the file of buf_[0]
    uint64_t next_ = 0;  // offset in the file of the next block read
    std::string rejoined_;  // a line put together by rejoin(), until the next read
    bool eof_ = false;
    const std::atomic<bool>* cancel_ = nullptr;
    ReadObserver* observer_ = nullptr;
};

}  // namespace kalvimo
