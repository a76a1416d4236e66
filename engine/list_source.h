#pragma once
// The working lists of a data directory, handed to the engine as the list windows load them.
#include <string>
#include <vector>

#include "engine/interfaces.h"

namespace kalvimo {

// The working lists as the list windows load them from the data directory. A list that
// exists but cannot be read throws IoError; the engine ends the run with it.
class ListFilesSource : public ListSources {
public:
    explicit ListFilesSource(std::string dataDir) : dataDir_(std::move(dataDir)) {}
    std::vector<std::string> workingReports() override;
    std::vector<std::string> workingDevices() override;

private:
    std::string dataDir_;
};

}  // namespace kalvimo
