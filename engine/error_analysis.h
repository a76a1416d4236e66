#pragma once
// The error analysis after an RRN 48 run: rep48.log sorted by error type into error/, the
// restarts and reboots collected, and the statistics report error/errorstat.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_context.h"
#include "engine/written_lines.h"
#include "platform/files.h"

namespace kalvimo {

// One row of the table of errorstat: exactly 81 + digits characters.
std::string errorTableRow(int type, long count, std::string_view catalogueLine);

// The key of a catalogue line of allerror.ini: columns 1 to 4 without trailing blanks.
std::string_view errorCatalogueKey(std::string_view line);

class ErrorAnalysis : private LineSink {
public:
    explicit ErrorAnalysis(RunContext& ctx);
    // A counting still under way is stopped, and what it wrote removed (see startCounting).
    ~ErrorAnalysis() override;
    ErrorAnalysis(const ErrorAnalysis&) = delete;
    ErrorAnalysis& operator=(const ErrorAnalysis&) = delete;

    // Counting while rep48.log is written, in a thread of its own: the file's OutFile shows
    // every byte it writes to countingTap(), so the file is never read back. When the scan
    // ends otherwise than with run(), the detail files are removed again and error/ stays as
    // the clearing left it. Not done when the input is read from error/ itself, where the scan
    // could meet a detail file; countingTap() is then null and run() reads rep48.log.
    void startCounting();
    WrittenBytes* countingTap();

    // Counts rep48.log (unless counted while it was written), writes the detail files and
    // errorstat. A file that fails throws IoError, which ends the run.
    void run();

private:

    // Detail files are written through memory and appended in large pieces, so that a huge
    // rep48.log costs little memory. Each file is opened once and stays open for the run;
    // when the process runs out of descriptors, files are opened for each piece instead.
    class DetailFiles {
    public:
        struct File {
            std::string path;
            std::string pending;
            OutFile out;
            bool written;  // opened for writing at least once
        };
        explicit DetailFiles(const DataDir& data) : data_(data) {}
        File& file(const std::string& name);
        void add(File& file, std::string_view text);
        void addLine(File& file, std::string_view line);  // with CR LF
        void flushAll();
        // Writes what is pending and closes every file; throws IoError.
        void closeAll();
        // Closes every file without writing and deletes the ones that were written to.
        void removeAll() noexcept;

    private:
        void write(File& file);

        const DataDir& data_;
        std::unordered_map<std::string, File> files_;
        size_t pendingBytes_ = 0;
        bool keepOpen_ = true;
    };

    struct Marks {
        bool rest = false;
        bool boot = false;
        void find(std::string_view text);
    };
    // One line of rep48.log, without its line break.
    void countReportLine(std::string_view line);
    void line(std::string_view text) override { countReportLine(text); }
    // Counts the line in the total and by its type; the type's detail file, with its heading
    // when the line is the first of its number, or null for a text that is no type.
    DetailFiles::File* countType(std::string_view line);
    DetailFiles::File& countRestart();
    DetailFiles::File& countReboot();
    // A line too long to be held whole, in pieces: its beginning (offset: where it begins in
    // rep48.log), further bytes, its end.
    void beginLongLine(std::string_view head, unsigned long long offset) override;
    void continueLongLine(std::string_view bytes) override;
    void endLongLine() override;
    struct LongLine {
        unsigned long long offset = 0;
        unsigned long long length = 0;
        DetailFiles::File* file = nullptr;
        Marks marks;
        char tail[3] = {};  // the last bytes so far, for a mark across two pieces
        size_t tailSize = 0;
    };
    // The detail file of each type text met so far (at most four bytes), so that a line costs
    // no look-up by name; none for a text that is no type. An open-addressing table, by the
    // text's bytes: thousands of types stay in a few cache lines each.
    struct TypeSlot {
        std::uint64_t key = 0;  // 0: free; else the text's bytes, then its length + 1
        DetailFiles::File* file = nullptr;
        int type = -1;
    };
    const TypeSlot& typeSlot(std::string_view typeText);
    void growTypeSlots();
    // Reads rep48.log back.
    void countLines();
    void writeReport();
    // The rows of the files the run read, with the time of their last change.
    void writeFileRows(OutFile& report);

    RunContext& ctx_;
    DetailFiles details_;
    DetailFiles::File* restart_ = nullptr;
    DetailFiles::File* reboot_ = nullptr;
    std::vector<TypeSlot> typeSlots_ = std::vector<TypeSlot>(64);
    size_t typeSlotsUsed_ = 0;
    std::unique_ptr<WrittenLines> counter_;
    LongLine long_;
    long total_ = 0;
    long restarts_ = 0;
    long reboots_ = 0;
    // Count per error type number; texts of one number ("7", "07") count together.
    std::vector<long> typeCounts_ = std::vector<long>(32768);
};

}  // namespace kalvimo
