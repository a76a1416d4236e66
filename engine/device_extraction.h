#pragma once
// Extraction by device: one pass over the input per entry of the device working list, each
// into the result file its comment names (log/<comment>rep.log).
#include <string>
#include <string_view>

#include "engine/run_context.h"

namespace kalvimo {

// An entry of the device working list: the device text is its first 14 characters, the
// comment the rest without the spaces around it.
struct DeviceEntry {
    std::string device;
    std::string comment;
};
DeviceEntry splitDeviceEntry(std::string_view entry);

void runDevices(RunContext& ctx);

}  // namespace kalvimo
