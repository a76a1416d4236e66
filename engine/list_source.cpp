#include "engine/list_source.h"

#include "lists/list_files.h"
#include "platform/files.h"

namespace kalvimo {

std::vector<std::string> ListFilesSource::workingReports() {
    return loadWorkingReports(joinPath(dataDir_, kWorkingReportsFile));
}

std::vector<std::string> ListFilesSource::workingDevices() {
    return loadWorkingDevices(joinPath(dataDir_, kWorkingDevicesFile));
}

}  // namespace kalvimo
