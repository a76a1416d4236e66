#pragma once
// Extraction by device: one pass over the input per entry of the device working list, each
// into the result file its comment names (log/<comment>rep.log).
#include <string>
#include <string_view>

#include "engine/scan_frame.h"

namespace kalvimo {

class Engine;

// An entry of the device working list: the device text is its first 14 characters, the
// comment the rest without the spaces around it.
struct DeviceEntry {
    std::string device;
    std::string comment;
};
DeviceEntry splitDeviceEntry(std::string_view entry);

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

// btnDev_Click without the outer run handling.
class DeviceExtraction {
public:
    explicit DeviceExtraction(Engine& engine) : engine_(engine), frame_(engine) {}
    void run();

private:
    void pass(const DeviceEntry& entry, const std::string& fileName);

    Engine& engine_;
    ScanFrame frame_;
    DeviceScan scan_;
};

}  // namespace kalvimo
