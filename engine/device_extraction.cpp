#include "engine/device_extraction.h"

#include "engine/kinds.h"
#include "engine/list_passes.h"
#include "engine/result_names.h"
#include "engine/scan_frame.h"
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

void runDevices(RunContext& ctx) {
    ScanFrame frame(ctx);
    frame.clearOutputs();
    frame.resetProgress();
    const std::vector<std::string> list = ctx.lists().workingDevices();
    frame.setPassRange(static_cast<long long>(list.size()));
    std::vector<ListEntry> entries;
    entries.reserve(list.size());
    for (const auto& text : list) {
        const DeviceEntry entry = splitDeviceEntry(text);
        const auto name = resultFileName("", entry.comment, "rep.log");
        if (!name) {
            entries.push_back({.refusal = texts::commentUnfitForFileName(shownName(entry.comment))});
            continue;
        }
        const std::string comment = cp1251ToUtf8(entry.comment);
        entries.push_back({.pass = Pass{.mode = InputMode::File,  // each entry looks at the mode anew
                                        .fileModeStatus = std::string(kindRow(RunKind::Devices).fileStatus) + comment,
                                        .dirModeStatus = std::string(kindRow(RunKind::Devices).dirStatus) + comment,
                                        .device = cp1251ToUtf8(entry.device),
                                        .outputPath = ctx.data().logFile(*name),
                                        .progressStepsBack = 1},
                           .text = entry.device});
    }
    runListPasses(frame, ListKind::Devices, entries, true);
    frame.closingPause();
}

}  // namespace kalvimo
