#include "list_source.h"

#include "files.h"
#include "list_files.h"

namespace kalvimo {

std::vector<std::string> ListFilesSource::workingReports() {
    return loadWorkingReports(joinPath(dataDir_, kWorkingReportsFile));
}

std::vector<std::string> ListFilesSource::workingDevices() {
    return loadWorkingDevices(joinPath(dataDir_, kWorkingDevicesFile));
}

}  // namespace kalvimo
