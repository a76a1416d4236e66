#pragma once
// What both programs do before anything else. Part of the system layer (platform/system.h):
// defined in platform/posix/system.cpp and platform/windows/system.cpp.

namespace kalvimo {

// Opens /dev/null on each of the standard descriptors 0 to 2 that is closed, so that the
// first file the program opens never becomes its standard output or error (status texts
// would land in a result file). Returns the ones that were closed, as bits 1 << fd. Windows
// opens files as handles, which never take a standard stream's place: nothing to do there.
unsigned reopenClosedStandardDescriptors();

// A write past a file size limit (ulimit -f) then fails with EFBIG, which a run reports with
// the file's name, instead of ending the process.
void ignoreFileSizeLimitSignal();

// The soft limit of open files raised to the hard one, so that an analysis meeting thousands
// of error types can keep each of their files open for the whole run.
void raiseOpenFileLimit();

// A write to a closed pipe fails instead of ending the process.
void ignoreBrokenPipeSignal();

// The status texts are UTF-8: standard output and error pass their bytes as they are (no
// "\r\n" for "\n"), and a Windows console is told that they are UTF-8.
void writeOutputAsUtf8();

}  // namespace kalvimo
