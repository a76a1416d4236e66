#pragma once
// Plain line-by-line models of the extraction by report number, the device extraction and the
// alarm extraction, written from the rules alone, to check the engine against on generated
// and cut printouts. Each works on whole files split into lines, with index loops.
#include <map>
#include <string>
#include <vector>

namespace kalvimo::test {

// contents: the input files in walk order. Results are the bytes of the result file.

// One pass of the extraction by report number, for a number as the working list holds it.
std::string referenceNumberReports(const std::vector<std::string>& contents, const std::string& station,
                                   const std::string& number);

// One pass of the device extraction, for the device text of an entry.
std::string referenceDeviceReports(const std::vector<std::string>& contents, const std::string& station,
                                   const std::string& deviceText);

// alarm.log of one run.
std::string referenceAlarms(const std::vector<std::string>& contents, const std::string& station);

// The number with its trailing blanks gone.
std::string referenceTrimmedNumber(const std::string& number);

struct ReferenceDeviceEntry {
    std::string device;
    std::string comment;
};
ReferenceDeviceEntry referenceSplitDeviceEntry(const std::string& entry);

// The result files a whole run leaves, by file name (Windows-1251 bytes, as the name is built
// from the entry), passes applied in list order so a later pass replaces an earlier file.
std::map<std::string, std::string> referenceWorkingListRun(const std::vector<std::string>& contents,
                                                           const std::string& station,
                                                           const std::vector<std::string>& entries);
std::map<std::string, std::string> referenceDeviceRun(const std::vector<std::string>& contents,
                                                      const std::string& station,
                                                      const std::vector<std::string>& entries);

}  // namespace kalvimo::test
