#include "cli/chart_program.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include "platform/io_error.h"

namespace kalvimo {
namespace {

std::string ownDirectory() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string p(path, static_cast<size_t>(n));
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
}

}  // namespace

int runChartProgram(char** argv) {
    const std::string dir = ownDirectory();
    int err = ENOENT;
    std::string tried;
    for (const std::string& candidate : {dir + "/kalvimo-chart", dir + "/" KALVIMO_CHART_FROM_BINDIR "/kalvimo-chart"}) {
        if (::access(candidate.c_str(), X_OK) != 0) continue;
        tried = candidate;
        argv[0] = const_cast<char*>(candidate.c_str());
        ::execv(candidate.c_str(), argv);
        err = errno;
    }
    if (tried.empty()) tried = dir + "/" KALVIMO_CHART_FROM_BINDIR "/kalvimo-chart";
    std::fprintf(stderr, "kalvimo-batch: не удалось запустить программу графиков %s: %s\n", tried.c_str(),
                 describeErrno(err).c_str());
    return 1;
}

}  // namespace kalvimo
