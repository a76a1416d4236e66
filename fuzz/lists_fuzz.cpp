// The list loaders, the device entry split and the result names on any list file.
#include "engine/device_extraction.h"
#include "engine/result_names.h"
#include "engine/text_ops.h"
#include "fuzz/fuzz_support.h"
#include "lists/list_files.h"
#include "platform/collate.h"
#include "platform/cp1251.h"
#include "platform/files.h"

using namespace kalvimo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputCursor in(data, size);
    const std::string added(in.take(in.byte() % 40));
    const std::string content(in.rest());
    static const bool ready = (fuzz::resetScratch(), true);
    (void)ready;
    const std::string path = fuzz::scratch() + "/list.ini";  // written afresh for every input
    fuzz::writeBytes(path, content);
    const std::vector<std::string> lines = splitLines(content);

    const std::vector<std::string> reports = loadWorkingReports(path);
    FUZZ_CHECK(reports.size() == lines.size());
    for (size_t i = 0; i < reports.size(); ++i) {
        FUZZ_CHECK(reports[i].size() <= 5);
        if (i > 0) FUZZ_CHECK(alphaCompare(decodeCp1251(reports[i - 1]), decodeCp1251(reports[i])) <= 0);
    }
    const std::vector<std::string> devices = loadWorkingDevices(path);
    FUZZ_CHECK(devices.size() == lines.size());
    for (const auto& entry : devices) {
        const DeviceEntry e = splitDeviceEntry(entry);
        FUZZ_CHECK(e.device.size() <= 14 && entry.compare(0, e.device.size(), e.device) == 0);
        // A result name never leads out of its directory.
        for (const auto& name : {resultFileName("", e.comment, "rep.log"),
                                 resultFileName("rep", trimTrailingSpaces(reportEntry(entry)), ".log")}) {
            if (!name) continue;
            FUZZ_CHECK(name->find('/') == std::string::npos && name->find('\0') == std::string::npos);
            FUZZ_CHECK(*name != "." && *name != ".." && name->size() <= 255);
        }
    }
    // An appended line is a line of its own, whatever the file ended with.
    if (added.find('\n') == std::string::npos && (added.empty() || added.back() != '\r')) {
        appendListLine(path, added);
        const std::vector<std::string> after = splitLines(fuzz::readBytes(path));
        FUZZ_CHECK(after.size() == lines.size() + 1 && after.back() == added);
        for (size_t i = 0; i < lines.size(); ++i) FUZZ_CHECK(after[i] == lines[i]);
    }
    return 0;
}
