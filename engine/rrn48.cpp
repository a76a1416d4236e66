#include "engine/rrn48.h"

#include "engine/engine.h"
#include "engine/error_analysis.h"
#include "engine/text_ops.h"
#include "engine/texts.h"

namespace kalvimo {

std::string composeAnomalyLine(std::string_view dataLine, std::string_view anomalyField,
                               std::string_view dateTime) {
    std::string line;
    composeAnomalyLine(line, dataLine, anomalyField, dateTime);
    return line;
}

void composeAnomalyLine(std::string& line, std::string_view dataLine, std::string_view anomalyField,
                        std::string_view dateTime) {
    line.assign(dataLine);
    line += ' ';
    line.append(anomalyField);
    line += ' ';
    line.append(dateTime);
    const size_t first = line.find_first_not_of(' ');
    line.erase(0, first == std::string::npos ? line.size() : first);
}

Rrn48Member::Rrn48Member(Engine& engine) : engine_(engine), devices_(engine), reports_(engine) {}

std::string Rrn48Member::statusFileMode() { return texts::kRrn48File; }
std::string Rrn48Member::statusDirMode() { return texts::kRrn48Dir; }
std::string Rrn48Member::outputPath() { return engine_.data().logFile("rep48.log"); }

void Rrn48Member::onHeader(LineReader& in, std::string_view header) {
    dateTime_.assign(lastChars(header, 25));
    std::string_view line;
    if (!in.next(line)) return;  // line 2
    if (line.find("ANOMALY REPORT") != std::string_view::npos) {
        anomaly_.assign(columns(line, 48, 4));
        if (!in.next(line)) return;  // line 3, not used
        if (!in.next(line)) return;  // line 4, the data line
        composeAnomalyLine(line_, line, anomaly_, dateTime_);
        out.writeLine(line_);
        return;
    }
    RunOptions& options = engine_.env().options;
    if (options.ticked(Choice::NewDevices)) devices_.search(columns(line, 10, 14));
    if (!in.next(line)) return;  // line 3, read whether or not a search runs
    if (options.ticked(Choice::NewReports)) reports_.search(columns(line, 21, 5));
}

void Rrn48Member::postProcess() { ErrorAnalysis(engine_).run(); }

}  // namespace kalvimo
