#pragma once
// The error analysis after an RRN 48 run: rep48.log sorted by error type into error/, the
// restarts and reboots collected, and the statistics report error/errorstat.
#include <map>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_context.h"

namespace kalvimo {

class OutFile;

// One row of the table of errorstat: exactly 81 + digits characters.
std::string errorTableRow(int type, long count, std::string_view catalogueLine);

// The key of a catalogue line of allerror.ini: columns 1 to 4 without trailing blanks.
std::string_view errorCatalogueKey(std::string_view line);

class ErrorAnalysis {
public:
    explicit ErrorAnalysis(RunContext& ctx) : ctx_(ctx) {}
    // A file that fails throws IoError, which ends the run.
    void run();

private:
    // Detail files are written through memory and appended in large pieces, so that many
    // error types cost few opens and a huge rep48.log little memory.
    class DetailFiles {
    public:
        struct File {
            std::string path;
            std::string pending;
        };
        explicit DetailFiles(const DataDir& data) : data_(data) {}
        File& file(const std::string& name);
        void add(File& file, std::string_view text);
        void flushAll();

    private:
        const DataDir& data_;
        std::unordered_map<std::string, File> files_;
        size_t pendingBytes_ = 0;
    };

    void countLines(DetailFiles& details);
    void writeReport();
    // The rows of the files the run read, with the time of their last change.
    void writeFileRows(OutFile& report);

    RunContext& ctx_;
    long total_ = 0;
    long restarts_ = 0;
    long reboots_ = 0;
    // Count per error type; a run meets few types, and the report wants them in order.
    std::map<int, long> errorCount_;
};

}  // namespace kalvimo
