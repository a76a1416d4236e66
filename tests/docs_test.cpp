// The options and commands that --help, the manual pages and README.md describe are the same,
// and the package's version is the program's.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include "cli/batch_options.h"
#include "engine/kinds.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

using Names = std::set<std::string>;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Names optionsIn(const std::string& text) {
    static const std::regex option("(^|[^a-z-])(--?[a-z][a-z-]*)");
    Names names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
        names.insert((*it)[2]);
    return names;
}

// --help: the first column of the lines of a section ("Параметры:"), up to its empty line.
Names helpSection(const std::string& help, const std::string& title, bool options) {
    Names names;
    bool in = false;
    for (const auto& line : linesOf(help)) {
        if (line.rfind(title, 0) == 0) in = true;
        else if (in && line.empty()) break;
        else if (in && line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') {
            const std::string first = line.substr(2, line.find("  ", 2) - 2);
            if (options) {
                const Names o = optionsIn(first);
                names.insert(o.begin(), o.end());
            } else {
                names.insert(first);
            }
        }
    }
    return names;
}

// A manual page: the tags (the line after .TP) of a section, with "\-" read as "-".
Names manSection(const std::string& page, const std::string& section, bool options) {
    Names names;
    bool in = false, tag = false;
    for (auto line : linesOf(page)) {
        for (size_t p; (p = line.find("\\-")) != std::string::npos;) line.replace(p, 2, "-");
        if (line.rfind(".SH", 0) == 0) in = line == ".SH " + section;
        else if (in && line == ".TP") tag = true;
        else if (in && tag) {
            tag = false;
            if (options) {
                const Names o = optionsIn(line);
                names.insert(o.begin(), o.end());
            } else {
                names.insert(line.substr(line.find(' ') + 1));
            }
        }
    }
    return names;
}

// README.md: the first column of the table of a section.
Names readmeTable(const std::string& readme, const std::string& section) {
    Names names;
    bool in = false;
    for (const auto& line : linesOf(readme)) {
        if (line.rfind("## ", 0) == 0) in = line == "## " + section;
        else if (in && line.rfind("| `", 0) == 0) {
            const Names o = optionsIn(line.substr(0, line.find(" |", 2)));
            names.insert(o.begin(), o.end());
        }
    }
    return names;
}

std::string source(const std::string& path) { return readFile(std::string(KALVIMO_SOURCE_DIR) + "/" + path); }

std::string output(const std::string& command) {
    std::string text;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) text.append(buf, n);
        ::pclose(p);
    }
    return text;
}

}  // namespace

TEST(Documentation, HelpManualPagesAndReadmeListTheSameOptions) {
    const std::string batchPage = source("docs/man/kalvimo-batch.1.in");
    const Names batchOptions = helpSection(batchUsage(), "Параметры:", true);
    EXPECT_GE(batchOptions.size(), 12u);
    EXPECT_EQ(manSection(batchPage, "ПАРАМЕТРЫ", true), batchOptions);
    EXPECT_EQ(readmeTable(source("README.md"), "Параметры"), batchOptions);
    const Names commands = helpSection(batchUsage(), "КОМАНДА", false);
    Names kindWords = {std::string(kFullRunWord), "chart"};
    for (const KindRow& k : kinds()) kindWords.insert(std::string(k.word));
    EXPECT_EQ(commands, kindWords);
    EXPECT_EQ(manSection(batchPage, "КОМАНДЫ", false), commands);

    const std::string desktopHelp = output(std::string(KALVIMO_DESKTOP) + " --help");
    const Names desktopOptions = helpSection(desktopHelp, "Параметры:", true);
    EXPECT_EQ(desktopOptions, (Names{"-h", "--help", "--version", "--follow"})) << desktopHelp;
    EXPECT_EQ(manSection(source("docs/man/kalvimo.1.in"), "ПАРАМЕТРЫ", true), desktopOptions);
}

TEST(Documentation, ThePackageHasTheProgramsVersion) {
    const std::string changelog = source("debian/changelog");
    EXPECT_EQ(changelog.substr(0, changelog.find('\n')).rfind("kalvimo (" KALVIMO_VERSION ") ", 0), 0u) << changelog;
    EXPECT_EQ(output(std::string(KALVIMO_DESKTOP) + " --version"), "kalvimo " KALVIMO_VERSION "\n");
}
