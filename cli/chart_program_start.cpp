#include "cli/chart_program.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/system.h"

namespace kalvimo {

int runChartProgram(const std::vector<std::string>& args) {
    const std::string self = sys::programPath();
    const std::string dir = self.empty() ? "." : directoryOf(self);
    const std::string name = std::string("kalvimo-chart") + sys::kProgramSuffix;
    std::vector<std::string> candidates{joinPath(dir, name)};
    // Installed, it lives in the library-executables folder; on Windows beside kalvimo-batch still.
    if (!sys::kWindows) candidates.push_back(joinPath(joinPath(dir, KALVIMO_CHART_FROM_BINDIR), name));
    int err = ENOENT;
    std::string tried;
    for (const std::string& candidate : candidates) {
        if (!sys::isProgram(candidate)) continue;
        tried = candidate;
        std::vector<std::string> argv{candidate};
        argv.insert(argv.end(), args.begin(), args.end());
        int status = 1;
        err = sys::runInstead(candidate, argv, status);
        if (err == 0) return status;
    }
    if (tried.empty()) tried = candidates.back();
    std::fprintf(stderr, "kalvimo-batch: не удалось запустить программу графиков %s: %s\n", tried.c_str(),
                 describeErrno(err).c_str());
    return 1;
}

}  // namespace kalvimo
