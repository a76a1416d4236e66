#pragma once
// Where kalvimo-batch's texts go: every status on a line of its own (a log, a pipe, the
// journal keep exactly these); on a terminal the same lines with the progress line below
// them; with --quiet only the failures.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/batch_host.h"
#include "cli/terminal_progress.h"
#include "engine/interfaces.h"
#include "platform/line_reader.h"

namespace kalvimo {

// --quiet: the failures the engine reports as such, and nothing else.
class FailureStatus : public StatusSink {
public:
    explicit FailureStatus(std::FILE* out) : out_(out) {}
    void setStatus(const std::string&) override {}
    void setCountStatus(const char*, long) override {}
    void setFailureStatus(const std::string& text) override;

private:
    std::FILE* out_;
};

class BatchOutput {
public:
    BatchOutput(std::FILE* out, bool quiet, FixedInput& input);
    StatusSink& status() { return *status_; }
    ProgressSink& progress() { return *progress_; }
    InputSelection& input() { return *input_; }
    ReadObserver* readObserver() { return terminal_.get(); }  // null: no bytes are counted
    // Prints what is held back and leaves the terminal's line clear.
    void finish();

private:
    std::unique_ptr<TerminalStatus> lines_;
    std::unique_ptr<FailureStatus> failures_;
    std::unique_ptr<TerminalProgress> terminal_;
    SilentProgress silent_;
    StatusSink* status_ = nullptr;
    ProgressSink* progress_ = &silent_;
    InputSelection* input_ = nullptr;
};

}  // namespace kalvimo
