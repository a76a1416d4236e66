#include "engine/device_extraction.h"

#include "engine/kinds.h"

#include "engine/report_blocks.h"
#include "engine/result_names.h"
#include "engine/scan_frame.h"
#include "engine/text_ops.h"
#include "engine/texts.h"
#include "platform/cp1251.h"

namespace kalvimo {
namespace {

// Copies every report whose line 2 holds the device text: the header, line 2, an empty
// line, lines 3 up to the "LAST REPORT" line, two empty lines.
class DeviceScan : public ReportHandler {
public:
    void setDevice(std::string_view device) { device_.assign(device); }
    void onHeader(LineReader& in, std::string_view header) override;

private:
    std::string device_;
    std::string header_;
};

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

}  // namespace

DeviceEntry splitDeviceEntry(std::string_view entry) {
    constexpr size_t kDeviceChars = 14;
    DeviceEntry e;
    e.device.assign(entry.substr(0, kDeviceChars));
    if (entry.size() > kDeviceChars)
        e.comment.assign(trimTrailingSpaces(trimLeadingSpaces(entry.substr(kDeviceChars))));
    return e;
}

void runDevices(RunContext& ctx) {
    ScanFrame frame(ctx);
    frame.clearOutputs();
    frame.resetProgress();
    const std::vector<std::string> entries = ctx.lists().workingDevices();
    frame.setPassRange(static_cast<long long>(entries.size()));
    DeviceScan scan;
    for (const auto& text : entries) {
        const DeviceEntry entry = splitDeviceEntry(text);
        const auto name = resultFileName("", entry.comment, "rep.log");
        if (!name) {
            ctx.refuse(texts::commentUnfitForFileName(shownName(entry.comment)));
            continue;
        }
        scan.setDevice(entry.device);
        const std::string comment = cp1251ToUtf8(entry.comment);
        // Each entry looks at the mode anew.
        frame.pass(scan, {.mode = frame.currentMode(),
                          .fileModeStatus = std::string(kindRow(RunKind::Devices).fileStatus) + comment,
                          .dirModeStatus = std::string(kindRow(RunKind::Devices).dirStatus) + comment,
                          .device = cp1251ToUtf8(entry.device),
                          .outputPath = ctx.data().logFile(*name),
                          .progressStepsBack = 1});
    }
    frame.closingPause();
}

}  // namespace kalvimo
