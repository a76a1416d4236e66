#include "engine/rrn48.h"

#include <cstring>

#include "engine/error_analysis.h"
#include "engine/kinds.h"
#include "engine/new_entry_search.h"
#include "engine/scan_frame.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/files.h"

namespace kalvimo {
namespace {

// A field kept in a place of its own size; the usual full field is copied as a whole.
template <size_t N>
void keep(std::string_view field, char (&to)[N], size_t& size) {
    if (field.size() == N) std::memcpy(to, field.data(), N);
    else if (!field.empty()) std::memcpy(to, field.data(), field.size());  // an empty view may hold no pointer
    size = field.size();
}

class AnomalyScan : public ReportHandler {
public:
    explicit AnomalyScan(RunContext& ctx) : options_(ctx.options()), devices_(ctx.data(), ctx.journal()), reports_(ctx.data()) {}
    void onHeader(LineReader& in, std::string_view header) override;

private:
    void writeAnomalyLine(std::string_view dataLine);

    RunOptions& options_;
    NewDeviceSearch devices_;
    NewReportSearch reports_;
    // Kept in place, so a report costs no allocation.
    char dateTime_[25];
    size_t dateTimeSize_ = 0;
    char anomaly_[4];
    size_t anomalySize_ = 0;
};

void AnomalyScan::onHeader(LineReader& in, std::string_view header) {
    keep(lastChars(header, sizeof dateTime_), dateTime_, dateTimeSize_);
    std::string_view line;
    if (!in.next(line)) return;  // line 2
    if (contains(line, "ANOMALY REPORT")) {
        keep(columns(line, 48, sizeof anomaly_), anomaly_, anomalySize_);
        if (!in.next(line)) return;  // line 3, not used
        if (!in.next(line)) return;  // line 4, the data line
        writeAnomalyLine(line);
        return;
    }
    // The boxes are read for every report, so ticking one during the run takes effect.
    if (options_.ticked(Search::NewDevices)) devices_.search(columns(line, 10, 14));
    if (!in.next(line)) return;  // line 3, read whether or not a search runs
    if (options_.ticked(Search::NewReports)) reports_.search(columns(line, 21, 5));
}

void AnomalyScan::writeAnomalyLine(std::string_view dataLine) {
    const auto pieces = anomalyLinePieces(dataLine, {anomaly_, anomalySize_}, {dateTime_, dateTimeSize_});
    // A usual line is put together here and written at once; a long one goes straight into the
    // file's buffer in its pieces, never copied whole.
    char composed[512];
    size_t size = 2;
    for (const std::string_view piece : pieces) size += piece.size();
    if (size > sizeof composed) {
        for (const std::string_view piece : pieces) out.write(piece);
        out.write("\r\n");
        return;
    }
    char* to = composed;
    for (const std::string_view piece : pieces) {
        if (!piece.empty()) std::memcpy(to, piece.data(), piece.size());  // an empty view may hold no pointer
        to += piece.size();
    }
    *to++ = '\r';
    *to++ = '\n';
    out.write(std::string_view(composed, size));
}

}  // namespace

std::array<std::string_view, 5> anomalyLinePieces(std::string_view dataLine, std::string_view anomalyField,
                                                  std::string_view dateTime) {
    std::array<std::string_view, 5> pieces = {trimLeadingSpaces(dataLine), " ", anomalyField, " ", dateTime};
    // No line starts with blanks: those of the data line are skipped, and when it holds nothing
    // else, those the pieces after it begin with.
    for (std::string_view& piece : pieces) {
        piece = trimLeadingSpaces(piece);
        if (!piece.empty()) break;
    }
    return pieces;
}

void runRrn48(RunContext& ctx) {
    ScanFrame frame(ctx);
    frame.prepare();
    ErrorAnalysis analysis(ctx);
    analysis.startCounting();
    AnomalyScan scan(ctx);
    scan.out.setTap(analysis.countingTap());
    PassOutcome read;
    try {
        read = frame.pass(scan, {.mode = frame.currentMode(),
                                 .fileModeStatus = std::string(kindRow(RunKind::Rrn48).fileStatus),
                                 .dirModeStatus = std::string(kindRow(RunKind::Rrn48).dirStatus),
                                 .outputPath = ctx.data().logFile("rep48.log")});
    } catch (...) {
        // A scan that does not end leaves error/ as the clearing left it: the analysis takes
        // its files back, and the new devices and numbers found so far go too.
        for (const char* name : {"newdev", "newrep"}) {
            try {
                removeFile(ctx.data().errorFile(name));
            } catch (const IoError&) {
                // The next run's clearing tries again.
            }
        }
        throw;
    }
    scan.out.setTap(nullptr);  // the counting ends with run()
    if (read != PassOutcome::Refused) analysis.run();
    frame.closingPause();
}

}  // namespace kalvimo
