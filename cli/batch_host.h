#pragma once
// What the engine sees of the outside when it runs from a terminal: status texts go to
// standard error, the input is fixed at the start, there are no pauses.
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/interfaces.h"

namespace kalvimo {

class TerminalStatus : public StatusSink {
public:
    explicit TerminalStatus(std::FILE* out) : out_(out) {}
    ~TerminalStatus() override { flush(); }
    // The running count of the error analysis is shown once, with its last value.
    void setStatus(const std::string& text) override;
    void setCountStatus(const char* prefix, long count) override;
    void flush();

private:
    std::FILE* out_;
    const char* countPrefix_ = nullptr;
    long count_ = 0;
};

class SilentProgress : public ProgressSink {
public:
    void setValue(int) override {}
    void setRange(int, int) override {}
};

class FixedInput : public InputSelection {
public:
    // Directory mode over the listed files.
    static FixedInput directory(std::string dir, std::vector<std::string> files);
    // File mode; an empty name means there is no current file.
    static FixedInput file(std::string dir, std::string name);

    bool fileMode() override { return fileMode_; }
    int fileCount() override { return static_cast<int>(files_.size()); }
    std::string currentFileName() override;
    void selectFile(int index) override { current_ = index; }
    std::string directory() override { return dir_; }
    const std::vector<std::string>& files() const { return files_; }

private:
    bool fileMode_ = false;
    std::string dir_;
    std::vector<std::string> files_;
    int current_ = -1;
};

class FixedOptions : public RunOptions {
public:
    std::string station;
    BoxStates checks;
    std::string stationName() override { return station; }
    int checkState(Box box) override { return checks[box]; }
};
}  // namespace kalvimo
