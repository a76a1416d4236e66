#pragma once
// kalvimo-batch chart: the charts of errors of the last RRN 48 run written as a picture,
// without a display. It reads the data directory and writes only the picture.
#include <atomic>

#include "cli/batch_options.h"

namespace kalvimo {

// Returns the exit status: 0 when the picture was written, 1 when there is nothing to draw or
// a file failed. A set stop flag ends the reading early; the caller then exits for the signal.
int runChartCommand(const BatchOptions& options, char* programName, const std::atomic<bool>* stop);

}  // namespace kalvimo
