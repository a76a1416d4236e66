#include "cli/batch_output.h"

#include "platform/system.h"

namespace kalvimo {

void FailureStatus::setFailureStatus(const std::string& text) {
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

BatchOutput::BatchOutput(std::FILE* out, bool quiet, FixedInput& input) : input_(&input) {
    if (quiet) {
        failures_ = std::make_unique<FailureStatus>(out);
        status_ = failures_.get();
    } else if (sys::isRedrawingTerminal(out)) {
        terminal_ = std::make_unique<TerminalProgress>(out, input);
        status_ = terminal_.get();
        progress_ = terminal_.get();
        input_ = terminal_.get();
    } else {
        lines_ = std::make_unique<TerminalStatus>(out);
        status_ = lines_.get();
    }
}

void BatchOutput::finish() {
    if (lines_) lines_->flush();
    if (terminal_) terminal_->finish();
}

}  // namespace kalvimo
