#include "engine/device_extraction.h"

#include "engine/engine.h"
#include "engine/report_blocks.h"
#include "engine/result_names.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {

DeviceEntry splitDeviceEntry(std::string_view entry) {
    constexpr size_t kDeviceChars = 14;
    DeviceEntry e;
    e.device.assign(entry.substr(0, kDeviceChars));
    if (entry.size() > kDeviceChars)
        e.comment.assign(trimTrailingSpaces(trimLeadingSpaces(entry.substr(kDeviceChars))));
    return e;
}

void DeviceScan::onHeader(LineReader& in, std::string_view header) {
    header_.assign(header);
    std::string_view line;
    if (!in.next(line)) return;  // the device line
    if (!contains(line, device_)) return;
    out.writeLine(header_);
    out.writeLine(line);
    out.write("\r\n");
    copyReportBody(in, out, "LAST REPORT");
}

void DeviceExtraction::run() {
    frame_.clearAndReset();
    const std::vector<std::string> entries = engine_.workingDevices();
    frame_.setPassRange(static_cast<long long>(entries.size()));
    for (const auto& text : entries) {
        const DeviceEntry entry = splitDeviceEntry(text);
        const auto name = resultFileName("", entry.comment, "rep.log");
        if (!name) {
            engine_.refuse("Комментарий «" + shownName(entry.comment) +
                           "» не годится для имени файла результата; устройство пропущено");
            continue;
        }
        pass(entry, *name);
    }
    frame_.closingPause();
}

void DeviceExtraction::pass(const DeviceEntry& entry, const std::string& fileName) {
    InputSelection& input = engine_.env().input;
    scan_.setDevice(entry.device);
    const std::string comment = cp1251ToUtf8(entry.comment);
    if (input.fileMode()) {
        if (input.currentFileName().empty()) {
            engine_.refuse(texts::kNoFileSelected);
            return;
        }
        engine_.setStatus(texts::kDeviceFilePrefix + comment);
        frame_.createOutput(scan_.out, engine_.data().logFile(fileName));
        frame_.scanCurrentFile(scan_);
        engine_.setStatus(texts::kFileDone);
    } else {
        if (input.fileCount() == 0) {
            engine_.refuse(texts::kNoFilesInDir);
            return;
        }
        engine_.setStatus(texts::kDeviceDirPrefix + comment);
        frame_.createOutput(scan_.out, engine_.data().logFile(fileName));
        if (frame_.walkDirectory(scan_, true)) engine_.setStatus(texts::kDirDone);
    }
    frame_.closeOutput(scan_.out);
    --engine_.progressCount;
}

}  // namespace kalvimo
