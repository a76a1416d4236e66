// Every extraction of a full run on any printout, checked against the plain line-by-line
// models of the tests: the result files must be the models' to the byte.
#include <filesystem>

#include "cli/batch_host.h"
#include "engine/data_dir.h"
#include "engine/runner.h"
#include "fuzz/fuzz_support.h"
#include "tests/reference_extractions.h"
#include "tests/reference_rrn48.h"

using namespace kalvimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputCursor in(data, size);
    const uint8_t choice = in.byte();
    // A short station name meets many lines; an empty one makes every non-empty line a header.
    const std::string station = choice & 1 ? "" : (choice & 2 ? "ST" : "S");
    const std::string printout(in.rest());

    // The directories stay from one input to the next: the run empties log/ and error/ itself,
    // and every file it reads is written afresh here.
    static const bool ready = [] {
        fuzz::resetScratch();
        std::filesystem::create_directories(fuzz::scratch() + "/data");
        std::filesystem::create_directories(fuzz::scratch() + "/in");
        return true;
    }();
    (void)ready;
    const std::string root = fuzz::scratch() + "/data";
    const std::string inputDir = fuzz::scratch() + "/in";
    fuzz::writeBytes(inputDir + "/p.s12", printout);
    fuzz::writeBytes(root + "/alldev.ini", "0001/0001/0001\r\n");
    fuzz::writeBytes(root + "/allreports.ini", "48   anomaly\r\n121\r\n");

    fuzz::QuietStatus status;
    SilentProgress progress;
    FixedInput input = FixedInput::directory(inputDir, {"p.s12"});
    FixedOptions options;
    options.station = station;
    for (int& box : options.checks.inOrder()) box = 1;
    fuzz::FixedLists lists;
    lists.reports = {"", " 1", "12", "21"};  // in the order the list windows give them
    lists.devices = {"", "0  X", "A"};
    Pauses pauses;
    OutputsListener outputs;
    Runner runner(DataDir(root), RunEnvironment{status, progress, input, options, lists, pauses, outputs, nullptr});
    const RunOutcome outcome = runner.run(RunKind::Full);
    FUZZ_CHECK(!outcome.aborted && outcome.inputFailures == 0);
    FUZZ_CHECK(!runner.context().inFullRun() && runner.context().progressCount() == 0);

    const std::vector<std::string> contents{printout};
    const std::string log = root + "/log/";
    // The device passes write rep.log and Xrep.log; the working list's empty entry writes
    // rep.log before them, so the devices' file is the one left.
    for (const auto& [name, bytes] : test::referenceDeviceRun(contents, station, lists.devices))
        FUZZ_CHECK(fuzz::readBytes(log + name) == bytes);
    for (const auto& [name, bytes] : test::referenceWorkingListRun(contents, station, lists.reports)) {
        if (name == "rep.log") continue;
        FUZZ_CHECK(fuzz::readBytes(log + name) == bytes);
    }
    FUZZ_CHECK(fuzz::readBytes(log + "rep121.log") == test::referenceNumberReports(contents, station, "121"));
    FUZZ_CHECK(fuzz::readBytes(log + "alarm.log") == test::referenceAlarms(contents, station));
    const test::Rrn48Expectation rrn48 =
        test::referenceRrn48(contents, station, true, true, {"0001/0001/0001"}, {"48   anomaly", "121"});
    FUZZ_CHECK(fuzz::readBytes(log + "rep48.log") == rrn48.rep48);
    FUZZ_CHECK(fuzz::exists(root + "/error/errorstat"));
    return 0;
}
