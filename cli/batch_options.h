#pragma once
// The command line of kalvimo-batch.
#include <optional>
#include <string>
#include <vector>

#include "engine/choices.h"

namespace kalvimo {

struct BatchOptions {
    RunKind command = RunKind::Rrn48;
    bool help = false;
    bool version = false;
    bool wait = false;  // wait for another run that holds the data directory
    bool quiet = false;  // print nothing but failures
    std::optional<std::string> dataDir;
    std::optional<std::string> station;  // UTF-8 as given
    std::optional<std::string> dir;
    std::optional<std::string> pattern;
    std::optional<std::string> file;
    bool newReports = false;
    bool newDevices = false;
    std::optional<std::vector<RunKind>> kinds;  // the kinds --kinds ticks for a full run
    bool chart = false;              // the chart command: draws, runs nothing; command is unused
    std::optional<std::string> out;  // chart: the picture to write
    std::optional<std::string> by;   // chart: "type" or "time"
};

// Parses the arguments (without the program name). On a usage error returns nothing and
// sets error to a Russian text saying what is wrong.
std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& args, std::string& error);

// The kinds named in a comma list ("reports,alarms"); nothing when a name is not one of the
// five kinds.
std::optional<std::vector<RunKind>> parseKinds(const std::string& list, std::string& error);

// The options of chart, and chart's options with no other command; false with error set.
bool chartOptionsFit(const BatchOptions& options, std::string& error);

// The text of --help, its commands read from the table of kinds.
const std::string& batchUsage();

}  // namespace kalvimo
