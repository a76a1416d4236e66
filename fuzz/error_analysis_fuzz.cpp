// The error analysis on any rep48.log and any error catalogue: no crash, and every line
// counted once; the counts behind the charts of errors agree with it.
#include <filesystem>

#include "cli/batch_host.h"
#include "engine/data_dir.h"
#include "engine/error_analysis.h"
#include "engine/error_chart_data.h"
#include "engine/error_tally.h"
#include "fuzz/fuzz_support.h"
#include "platform/cp1251.h"
#include "platform/files.h"

using namespace kalvimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputCursor in(data, size);
    const std::string catalogue(in.take(in.byte()));
    const std::string rep48(in.rest());

    // The directories stay from one input to the next; the analysis appends to its detail
    // files, so error/ is emptied here for every input.
    const std::string root = fuzz::scratch() + "/data";
    static const bool ready = [&] {
        fuzz::resetScratch();
        std::filesystem::create_directories(root + "/log");
        std::filesystem::create_directories(root + "/error");
        std::filesystem::create_directories(fuzz::scratch() + "/in");
        fuzz::writeBytes(fuzz::scratch() + "/in/p.s12", "");
        return true;
    }();
    (void)ready;
    for (const auto& e : std::filesystem::directory_iterator(root + "/error")) std::filesystem::remove(e.path());
    fuzz::writeBytes(root + "/allerror.ini", catalogue);
    fuzz::writeBytes(root + "/log/rep48.log", rep48);

    fuzz::QuietStatus status;
    SilentProgress progress;
    FixedInput input = FixedInput::directory(fuzz::scratch() + "/in", {"p.s12"});
    FixedOptions options;
    fuzz::FixedLists lists;
    Pauses pauses;
    OutputsListener outputs;
    RunContext ctx(DataDir(root), RunEnvironment{status, progress, input, options, lists, pauses, outputs, nullptr});
    bool failed = false;
    try {
        ErrorAnalysis(ctx).run();
    } catch (const std::exception&) {
        failed = true;  // a run would end here with the text
    }
    FUZZ_CHECK(!failed);
    FUZZ_CHECK(fuzz::exists(root + "/error/errorstat"));

    // Each line of rep48.log lands in at most one per-type file. A file has the three heading
    // lines when its text is the first to give its number (0012 before 12: 12 has none).
    size_t detailLines = 0;
    for (const auto& e : std::filesystem::directory_iterator(root + "/error")) {
        const std::string name = e.path().filename().string();
        if (name == "errorstat" || name == "restart" || name == "reboot") continue;
        const std::string bytes = fuzz::readBytes(e.path().string());
        size_t lines = splitLines(bytes).size();
        if (bytes.rfind(std::string(21, ' ') + "ERROR N " + name + "\r\n\r\n", 0) == 0) {
            FUZZ_CHECK(lines >= 4);
            lines -= 3;
        }
        detailLines += lines;
    }
    FUZZ_CHECK(detailLines <= splitLines(rep48).size());

    // The charts count what the analysis counted: the three totals of errorstat, and per type
    // the lines of all the type's files.
    const ChartSource source = readChartSource(DataDir(root));
    const ErrorTally& t = source.tally;
    FUZZ_CHECK(t.lines() == static_cast<long>(splitLines(rep48).size()));
    const std::string stat = fuzz::readBytes(root + "/error/errorstat");
    auto counted = [](const char* label, long n) { return utf8ToCp1251(label) + " " + std::to_string(n) + " \r\n"; };
    FUZZ_CHECK(stat.find(counted("   Restart's   : ", t.restarts())) != std::string::npos);
    FUZZ_CHECK(stat.find(counted("   Reboot's    : ", t.reboots())) != std::string::npos);
    FUZZ_CHECK(stat.find(counted("   Всего ошибок: ", t.lines())) != std::string::npos);
    long typed = 0;
    for (int type : t.typesByCount()) {
        long lines = 0;
        for (const auto& text : t.typeTexts(type)) {
            const std::string bytes = fuzz::readBytes(root + "/error/" + text);
            lines += static_cast<long>(splitLines(bytes).size());
            if (bytes.rfind(std::string(21, ' ') + "ERROR N " + text + "\r\n\r\n", 0) == 0) lines -= 3;
        }
        FUZZ_CHECK(lines == t.count(type));
        typed += t.count(type);
    }
    FUZZ_CHECK(typed + t.untyped() == t.lines());
    const TimeChart c = timeChart(t);
    long drawn = c.undated;
    for (const auto& s : c.series)
        for (long k : s.counts) drawn += k;
    FUZZ_CHECK(drawn == t.lines());
    return 0;
}
