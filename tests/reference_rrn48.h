#pragma once
// A plain, line-by-line model of the RRN 48 extraction, written from the rules and nothing
// else, to check the engine against on cut and generated printouts.
#include <string>
#include <vector>

namespace kalvimo::test {

struct Rrn48Expectation {
    std::string rep48;
    std::vector<std::string> newdev;
    std::vector<std::string> newrep;
    std::vector<std::string> alldev;  // the catalogue after the run
};

// contents: the input files in walk order; catalogues as their lines.
Rrn48Expectation referenceRrn48(const std::vector<std::string>& contents, const std::string& station,
                                bool searchReports, bool searchDevices, std::vector<std::string> alldev,
                                const std::vector<std::string>& allreports);

std::vector<std::string> referenceLines(const std::string& content);

}  // namespace kalvimo::test
