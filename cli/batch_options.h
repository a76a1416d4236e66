#pragma once
// The command line of kalvimo-batch.
#include <optional>
#include <string>
#include <vector>

namespace kalvimo {

enum class BatchCommand { Rrn48, Rrn121, Reports, Devices, Alarms, Full, Chart };

struct BatchOptions {
    BatchCommand command = BatchCommand::Rrn48;
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
    std::optional<std::string> kinds;
    std::optional<std::string> out;  // chart: the picture to write
    std::optional<std::string> by;   // chart: "type" or "time"
};

// Parses the arguments (without the program name). On a usage error returns nothing and
// sets error to a Russian text saying what is wrong.
std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& args, std::string& error);

// The kinds of a full run, in the order of the check boxes Check1, Check5, Check7, Check3,
// Check2; nothing when a kind is unknown.
struct FullKinds {
    bool reports = false, devices = false, rrn121 = false, alarms = false, rrn48 = false;
};
std::optional<FullKinds> parseKinds(const std::string& list, std::string& error);

// The options of chart, and chart's options with no other command; false with error set.
bool chartOptionsFit(const BatchOptions& options, std::string& error);

extern const char* const kBatchUsage;

}  // namespace kalvimo
