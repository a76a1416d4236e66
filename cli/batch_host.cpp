#include "cli/batch_host.h"

#include "platform/files.h"

namespace kalvimo {

void TerminalStatus::setStatus(const std::string& text) {
    flush();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void TerminalStatus::setCountStatus(const char* prefix, long count) {
    countPrefix_ = prefix;
    count_ = count;
}

void TerminalStatus::flush() {
    if (!countPrefix_) return;
    std::fprintf(out_, "%s%ld\n", countPrefix_, count_);
    std::fflush(out_);
    countPrefix_ = nullptr;
}

FixedInput FixedInput::directory(std::string dir, std::vector<std::string> files) {
    FixedInput in;
    in.dir_ = std::move(dir);
    in.files_ = std::move(files);
    return in;
}

FixedInput FixedInput::file(std::string dir, std::string name) {
    FixedInput in;
    in.fileMode_ = true;
    in.dir_ = std::move(dir);
    if (!name.empty()) {
        in.files_.push_back(std::move(name));
        in.current_ = 0;
    }
    return in;
}

std::string FixedInput::currentFileName() {
    if (current_ < 0 || current_ >= static_cast<int>(files_.size())) return {};
    return files_[static_cast<size_t>(current_)];
}

}  // namespace kalvimo
