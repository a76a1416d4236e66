#pragma once
// The progress line kalvimo-batch keeps at the bottom of a terminal: the pass, file i of n
// and its name, megabytes read, the speed and the time left. The status lines scroll above it,
// exactly the lines a log would get.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch_host.h"
#include "engine/interfaces.h"
#include "platform/line_reader.h"

namespace kalvimo {

// What the line shows.
struct ProgressFigures {
    std::string pass;          // the status text that began the pass
    std::string count;         // a running count, shown in place of the file while it runs
    int fileIndex = -1;        // -1: no file yet
    int fileCount = 0;
    std::string fileName;
    long long bytesRead = 0;
    double seconds = 0;        // since the first byte was read
    long long bytesLeft = -1;  // -1: not known
};

// The line for a terminal `columns` wide. It stays narrower than the terminal, so it never
// wraps: the pass text gives up its beginning first (its end names the number or device),
// then the file name.
std::string progressLine(const ProgressFigures& figures, int columns);

// Input bytes still to read when the walk stands at file `index` of files of these sizes with
// `readInFile` of it read. With more than one file the engine's progress range tells the
// number of passes (max - min = passes × (files - 1)) and its value the pass under way.
long long bytesLeft(const std::vector<long long>& sizes, int index, long long readInFile, int min, int max,
                    int value);

class TerminalProgress : public StatusSink, public ProgressSink, public InputSelection, public ReadObserver {
public:
    TerminalProgress(std::FILE* out, FixedInput& input);
    ~TerminalProgress() override { finish(); }

    void setStatus(const std::string& text) override;
    void setCountStatus(const char* prefix, long count) override;
    void setPassStatus(const std::string& text, const std::string& device) override;

    void setValue(int value) override;
    void setRange(int min, int max) override;

    // The input, watched for the file being read.
    bool fileMode() override { return input_.fileMode(); }
    int fileCount() override { return input_.fileCount(); }
    std::string currentFileName() override { return input_.currentFileName(); }
    void selectFile(int index) override;
    std::string directory() override { return input_.directory(); }

    void bytesRead(size_t count) override;

    // Prints a running count still held back and takes the progress line away.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    void erase();
    // Draws the line unless it was drawn less than a tenth of a second ago.
    void redraw();
    ProgressFigures figures() const;
    int columns() const;

    std::FILE* out_;
    FixedInput& input_;
    TerminalStatus lines_;
    std::vector<long long> sizes_;
    std::string pass_;
    const char* countPrefix_ = nullptr;
    long count_ = 0;
    int index_ = -1;
    std::string fileName_;
    long long total_ = 0;
    long long readInFile_ = 0;
    int min_ = 0, max_ = 1, value_ = 0;
    bool started_ = false;
    Clock::time_point start_{};
    Clock::time_point lastDraw_{};
    bool drawn_ = false;
};

}  // namespace kalvimo
