#pragma once
// The scanning frame that every extraction runs: preparation, the choice of input, the walk
// over the files, the search for header lines, and the closing pause.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/line_reader.h"

namespace kalvimo {

class Engine;

// Reads a report from its header line on; the reader stands on the line after the header,
// and whatever the handler reads is not looked at for headers again.
class ReportHandler {
public:
    virtual ~ReportHandler() = default;
    virtual void onHeader(LineReader& in, std::string_view header) = 0;

    OutFile out;  // the result file, open during the walk; never read as an input
};

// An extraction that runs the whole frame with one output file.
class FrameMember : public ReportHandler {
public:
    virtual std::string statusFileMode() = 0;
    virtual std::string statusDirMode() = 0;
    virtual std::string outputPath() = 0;
    virtual void afterOutputClosed() {}
    virtual void postProcess() {}
};

class ScanFrame {
public:
    explicit ScanFrame(Engine& engine) : engine_(engine) {}

    // The whole frame for one member.
    void run(FrameMember& member);

    // Outside a full run: clear the output directories and set the progress bar up for
    // passes over the listed files.
    void prepare(long long passes = 1) {
        clearAndReset();
        setPassRange(passes);
    }
    // The two halves of it, for a member that learns its number of passes only after the
    // clearing.
    void clearAndReset();
    void setPassRange(long long passes);
    // Opens the current file of the selection and hands every header line to the handler.
    void scanCurrentFile(ReportHandler& handler);
    // Walks every listed file. With modeTest, a switch to file mode during the walk ends it
    // after the current file ("Файл обработан"); returns whether the walk went to its end.
    bool walkDirectory(ReportHandler& handler, bool modeTest);
    // Creates an output file; a failure ends the run.
    void createOutput(OutFile& out, const std::string& path);
    void closeOutput(OutFile& out);
    // The short pause after a run, then "Cтоп"; left at once in a full run unless always is
    // set. Returns whether it ran.
    bool pauseThenStop(bool always = false);
    // The same, followed by the return of the progress bar and progressCount to 0.
    void closingPause(bool always = false);

private:
    // Ends the run when a stop was asked for, keeping what the handler wrote.
    void stopPoint(ReportHandler& handler);

    Engine& engine_;
};

}  // namespace kalvimo
