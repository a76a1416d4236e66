#pragma once
// What both programs do before anything else.

namespace kalvimo {

// Opens /dev/null on each of the standard descriptors 0 to 2 that is closed, so that the
// first file the program opens never becomes its standard output or error (status texts
// would land in a result file). Returns the ones that were closed, as bits 1 << fd.
unsigned reopenClosedStandardDescriptors();

// A write past a file size limit (ulimit -f) then fails with EFBIG, which a run reports with
// the file's name, instead of ending the process.
void ignoreFileSizeLimitSignal();

// The soft limit of open files raised to the hard one, so that an analysis meeting thousands
// of error types can keep each of their files open for the whole run.
void raiseOpenFileLimit();

}  // namespace kalvimo
