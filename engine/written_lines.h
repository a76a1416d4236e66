#pragma once
// The lines of a result file as it is written, split on a thread of their own: the file's
// OutFile shows every buffer it writes to WrittenLines, which swaps it for an emptied one and
// hands the lines to a LineSink in order. Nothing is copied or allocated on the way, and the
// memory stays the same whatever the size of the file. A line may begin in one buffer and
// end in the next; one longer than a buffer goes to the sink as it comes, never held whole.
#include <exception>
#include <string>
#include <string_view>
#include <thread>

#include "platform/files.h"
#include "platform/hand_over.h"

namespace kalvimo {

// Told each line as a read of the finished file gives it (up to LF, one CR before it dropped),
// on the splitting thread.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void line(std::string_view line) = 0;
    // A line longer than a buffer: its beginning (offset: where it begins in the file), the
    // bytes that follow, its end.
    virtual void beginLongLine(std::string_view head, unsigned long long offset) = 0;
    virtual void continueLongLine(std::string_view bytes) = 0;
    virtual void endLongLine() = 0;
};

class WrittenLines : public WrittenBytes {
public:
    explicit WrittenLines(LineSink& sink);
    ~WrittenLines() override { stop(); }
    WrittenLines(const WrittenLines&) = delete;
    WrittenLines& operator=(const WrittenLines&) = delete;

    void take(std::string& bytes) override;
    void missed() noexcept override { missed_ = true; }

    // Waits until every line is with the sink; what the sink threw, or null.
    std::exception_ptr finish();
    // Ends the splitting where it is.
    void stop() noexcept;

private:
    void end(HandOver<std::string>::Waiting waiting) noexcept;
    void work(const std::stop_token& stopping);
    template <class F>
    void safely(F&& f) noexcept;
    void split(std::string_view piece);
    void beginLongLine();
    void continueLongLine(std::string_view bytes);
    void endLongLine(std::string_view last);
    void lastLine();

    static constexpr size_t kWaiting = 4;  // buffers written and not yet split

    LineSink& sink_;
    std::string carry_;                  // the beginning of a line whose end is in the next piece
    unsigned long long carryStart_ = 0;  // where that line begins in the file
    unsigned long long offset_ = 0;      // where the next piece begins in the file
    bool longLine_ = false;
    bool heldCr_ = false;
    HandOver<std::string> written_{kWaiting};
    HandOver<std::string> emptied_{kWaiting};
    bool missed_ = false;         // the writing thread's
    std::exception_ptr failure_;  // the splitting thread's alone until it is joined
    std::jthread thread_;         // last: it starts once the rest is set up
};

}  // namespace kalvimo
