#include "engine/written_lines.h"

#include <cstring>
#include <new>
#include <optional>

#include "platform/io_block.h"
#include "platform/line_end.h"

namespace kalvimo {

WrittenLines::WrittenLines(LineSink& sink)
    : sink_(sink), thread_([this](std::stop_token stopping) { work(stopping); }) {}

void WrittenLines::take(std::string& bytes) {
    if (bytes.empty()) return;
    // A buffer already split, emptied, takes the place of the one handed over.
    std::optional<std::string> spare = emptied_.tryTake();
    if (!written_.put(bytes)) return;  // the splitting has ended
    bytes = spare ? std::move(*spare) : std::string();
}

std::exception_ptr WrittenLines::finish() {
    end(HandOver<std::string>::Waiting::Kept);
    // Bytes written but never shown: the sink would be short of lines.
    if (missed_ && !failure_) return std::make_exception_ptr(std::bad_alloc());
    return failure_;
}

void WrittenLines::stop() noexcept { end(HandOver<std::string>::Waiting::Dropped); }

void WrittenLines::end(HandOver<std::string>::Waiting waiting) noexcept {
    if (!thread_.joinable()) return;
    if (waiting == HandOver<std::string>::Waiting::Dropped) thread_.request_stop();
    written_.close(waiting);
    thread_.join();
}

void WrittenLines::work(const std::stop_token& stopping) {
    while (std::optional<std::string> piece = written_.take()) {
        if (stopping.stop_requested()) return;
        safely([this, &piece] { split(*piece); });
        piece->clear();
        emptied_.tryPut(*piece);
    }
    // A last line without its line break, as a read of the file gives it.
    if (!stopping.stop_requested()) safely([this] { lastLine(); });
}

template <class F>
void WrittenLines::safely(F&& f) noexcept {
    if (failure_) return;
    try {
        f();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void WrittenLines::split(std::string_view piece) {
    const auto whole = [this](std::string_view line) {
        sink_.line(lineBeforeLf(line));
    };
    size_t start = 0;
    for (const char* lf; (lf = static_cast<const char*>(std::memchr(piece.data() + start, '\n', piece.size() - start)));) {
        const size_t end = static_cast<size_t>(lf - piece.data());
        const std::string_view line = piece.substr(start, end - start);
        if (longLine_) {
            endLongLine(line);
        } else if (carry_.empty()) {
            whole(line);
        } else {
            carry_.append(line);
            whole(carry_);
            carry_.clear();
        }
        start = end + 1;
    }
    const std::string_view rest = piece.substr(start);
    if (longLine_) {
        continueLongLine(rest);
    } else if (!rest.empty()) {
        if (carry_.empty()) carryStart_ = offset_ + start;
        carry_.append(rest);
        if (carry_.size() > kIoBlock) beginLongLine();
    }
    offset_ += piece.size();
}

// A CR at the end of a piece is held back until the next byte shows whether it is the one the
// line break drops.
void WrittenLines::beginLongLine() {
    longLine_ = true;
    std::string_view head = carry_;
    heldCr_ = head.back() == '\r';
    if (heldCr_) head.remove_suffix(1);
    sink_.beginLongLine(head, carryStart_);
    std::string().swap(carry_);
}

void WrittenLines::continueLongLine(std::string_view bytes) {
    if (bytes.empty()) return;
    if (heldCr_) sink_.continueLongLine("\r");
    heldCr_ = bytes.back() == '\r';
    if (heldCr_) bytes.remove_suffix(1);
    sink_.continueLongLine(bytes);
}

void WrittenLines::endLongLine(std::string_view last) {
    if (!last.empty()) {
        if (heldCr_) sink_.continueLongLine("\r");
        sink_.continueLongLine(lineBeforeLf(last));
    }
    heldCr_ = false;
    longLine_ = false;
    sink_.endLongLine();
}

void WrittenLines::lastLine() {
    if (longLine_) {
        if (heldCr_) sink_.continueLongLine("\r");
        longLine_ = heldCr_ = false;
        sink_.endLongLine();
    } else if (!carry_.empty()) {
        sink_.line(carry_);
    }
}

}  // namespace kalvimo
