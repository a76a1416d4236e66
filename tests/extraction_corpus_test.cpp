// The extractions by number, by device and of alarms on generated printouts, byte for byte
// against the line-by-line models; whole, LF-only, cut and empty files; and the full run
// against the separate runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "platform/cp1251.h"
#include "tests/reference_extractions.h"
#include "tests/reference_rrn48.h"
#include "tests/test_support.h"

using namespace kalvimo;
using namespace kalvimo::test;

namespace {

using Files = std::map<std::string, std::string>;  // name -> bytes

const std::string kGenStation = "ZARYA-UZEL";

std::string generate(int seed, size_t size, const std::string& station = kGenStation, bool lf = false) {
    TempDir tmp;
    const std::string out = tmp.file("p.s12");
    std::vector<std::string> args = {KALVIMO_GENPRINT, "--size", std::to_string(size), "--seed",
                                     std::to_string(seed), "--station", station, "--out", out};
    if (lf) args.push_back("--lf");
    EXPECT_EQ(runAndWait(args), 0) << "generator seed " << seed;
    return readFile(out);
}

// The regular files of a directory with their bytes.
Files snapshot(const std::string& dir) {
    Files files;
    std::error_code ec;
    for (const std::string& name : dirEntries(dir))
        if (std::filesystem::is_regular_file(fsPath(under(dir, name)), ec)) files[name] = readFile(under(dir, name));
    return files;
}

// Result file names are built from Windows-1251 text but live on disk in UTF-8.
Files onDisk(const Files& byCp1251Name) {
    Files out;
    for (const auto& [name, bytes] : byCp1251Name) out[cp1251ToUtf8(name)] = bytes;
    return out;
}

// Where each line of a content starts, in bytes; lines as the program splits them.
std::vector<size_t> lineStarts(const std::string& content) {
    std::vector<size_t> starts;
    if (!content.empty()) starts.push_back(0);
    for (size_t i = 0; i < content.size(); ++i)
        if (content[i] == '\n' && i + 1 < content.size()) starts.push_back(i + 1);
    return starts;
}

bool contains(const std::string& s, const std::string& t) { return s.find(t) != std::string::npos; }

struct Corpus {
    using FileList = std::vector<std::pair<std::string, std::string>>;
    Corpus(std::string what_, FileList files_, std::string station_ = kGenStation, std::string fileModeOn_ = "")
        : what(std::move(what_)), files(std::move(files_)), station(std::move(station_)),
          fileModeOn(std::move(fileModeOn_)) {}

    std::string what;
    std::vector<std::pair<std::string, std::string>> files;  // in list order
    std::string station = kGenStation;                       // the engine's station name
    std::string fileModeOn;                                   // file mode on this file; else directory mode
    std::vector<std::string> extraDevices;                    // appended to the device list
    std::string generatedWith = kGenStation;                  // the station of the generated headers

    std::vector<std::string> walked() const {
        std::vector<std::string> contents;
        for (const auto& [name, bytes] : files)
            if (fileModeOn.empty() || name == fileModeOn) contents.push_back(bytes);
        return contents;
    }
    void install(Bench& b) const {
        for (const auto& [name, bytes] : files) b.addInput(name, bytes);
        if (!fileModeOn.empty()) b.useFile(fileModeOn);
        b.options.station = station;
    }
};

// Devices that open reports in the generated printouts (columns 10 to 23 of line 2), most
// frequent first.
std::vector<std::string> devicesPresent(const std::vector<std::string>& contents,
                                        const std::string& station = kGenStation) {
    std::map<std::string, int> count;
    for (const auto& c : contents) {
        const auto lines = referenceLines(c);
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            if (contains(lines[i], station) && lines[i + 1].size() >= 23) ++count[lines[i + 1].substr(9, 14)];
    }
    std::vector<std::pair<int, std::string>> byCount;
    for (const auto& [dev, n] : count) byCount.push_back({-n, dev});
    std::sort(byCount.begin(), byCount.end());
    std::vector<std::string> devices;
    for (const auto& p : byCount) devices.push_back(p.second);
    return devices;
}

// A report number of the printouts other than 121, 48 and 00011, without its leading blanks.
std::string otherNumberPresent(const std::vector<std::string>& contents, const std::string& station) {
    for (const auto& c : contents) {
        const auto lines = referenceLines(c);
        for (size_t i = 0; i + 2 < lines.size(); ++i) {
            if (!contains(lines[i], station) || lines[i + 2].size() < 28) continue;
            std::string field = lines[i + 2].substr(20, 5);
            if (lines[i + 2].substr(25, 3) != "  P" || field == "  121" || field == "   48" || field == "00011")
                continue;
            field.erase(0, field.find_first_not_of(' '));
            return field;
        }
    }
    return "";
}

// The lists one corpus is run with: devices taken from the printouts it holds.
struct Lists {
    std::vector<std::string> numbers;
    std::vector<std::string> devices;
};

Lists listsFor(const Corpus& corpus) {
    std::vector<std::string> all;
    for (const auto& f : corpus.files) all.push_back(f.second);
    const auto devs = devicesPresent(all, corpus.generatedWith);
    Lists l;
    // In the list's order; " 121" keeps its leading blank in the file name and the pattern.
    l.numbers = {"", " 121", "121", "21", "48  "};
    const std::string other = otherNumberPresent(all, corpus.generatedWith);
    if (!other.empty()) l.numbers.push_back(other);
    if (devs.size() < 3) return l;
    std::string named;  // a device with trailing blanks, such as "CBR-7         "
    for (const auto& d : devs)
        if (d.back() == ' ' && d.front() != ' ') {
            named = d;
            break;
        }
    if (named.empty()) named = devs[1];
    std::string third;
    for (const auto& d : devs)
        if (d != devs[0] && d != named) {
            third = d;
            break;
        }
    l.devices = {
        devs[0].substr(0, 5),       // a short entry: all device text, no comment, into rep.log first
        devs[0],                    // 14 characters, no comment: replaces rep.log
        named + "  CBR",            // comment after two blanks
        third + "\xC3\xD2\xD1 ",    // Cyrillic comment right after the device
    };
    l.devices.insert(l.devices.end(), corpus.extraDevices.begin(), corpus.extraDevices.end());
    return l;
}

std::string visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            static const char* hex = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else out += static_cast<char>(c);
    }
    return out;
}

// Compares result files by name and bytes, showing where a file first differs rather than
// printing whole files.
void expectSameFiles(const Files& got, const Files& want, const std::string& what) {
    std::vector<std::string> gotNames, wantNames;
    for (const auto& f : got) gotNames.push_back(f.first);
    for (const auto& f : want) wantNames.push_back(f.first);
    EXPECT_EQ(gotNames, wantNames) << what;
    for (const auto& [name, bytes] : want) {
        const auto it = got.find(name);
        if (it == got.end() || it->second == bytes) continue;
        const std::string& other = it->second;
        size_t at = 0;
        while (at < bytes.size() && at < other.size() && bytes[at] == other[at]) ++at;
        const size_t lineStart = at == 0 ? 0 : bytes.rfind('\n', at - 1) + 1;  // npos + 1 is 0
        const auto line = std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n') + 1;
        ADD_FAILURE() << what << ": " << name << " differs from byte " << at << ", line " << line << " (engine "
                      << other.size() << " bytes, model " << bytes.size() << ")\n  engine: "
                      << visible(other.substr(std::min(lineStart, other.size()), 160))
                      << "\n  model:  " << visible(bytes.substr(lineStart, 160));
    }
}

// Runs one kind on the bench and returns what log/ holds afterwards.
Files runAlone(Bench& b, RunKind kind) {
    b.runner.run(kind);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    return snapshot(b.data("log"));
}

// Every extraction of the three kinds, and a device pass with an empty entry, against the
// models. With expectMatches, the corpus must give every kind something to copy.
void checkSeparateRuns(const Corpus& corpus, bool expectMatches) {
    SCOPED_TRACE(corpus.what);
    Bench b;
    corpus.install(b);
    const auto contents = corpus.walked();
    const Lists lists = listsFor(corpus);
    ASSERT_EQ(lists.devices.size(), 4 + corpus.extraDevices.size()) << "too few devices in the printouts";

    const std::string rep121 = referenceNumberReports(contents, corpus.station, "121");
    expectSameFiles(runAlone(b, RunKind::Rrn121), {{"rep121.log", rep121}}, "RRN 121");

    b.lists.reports = lists.numbers;
    const Files numbers = referenceWorkingListRun(contents, corpus.station, lists.numbers);
    expectSameFiles(runAlone(b, RunKind::Reports), numbers, "working list");

    b.lists.devices = lists.devices;
    const Files devices = onDisk(referenceDeviceRun(contents, corpus.station, lists.devices));
    expectSameFiles(runAlone(b, RunKind::Devices), devices, "devices");

    b.lists.devices = {""};
    expectSameFiles(runAlone(b, RunKind::Devices),
                    {{"rep.log", referenceDeviceReports(contents, corpus.station, "")}}, "empty device entry");

    const std::string alarms = referenceAlarms(contents, corpus.station);
    expectSameFiles(runAlone(b, RunKind::Alarms), {{"alarm.log", alarms}}, "alarms");

    if (expectMatches) {
        // Guards on the corpus itself: every kind has reports to copy, and the short device
        // entry copies other reports than the full one, so that the replacement of rep.log shows.
        EXPECT_FALSE(rep121.empty());
        EXPECT_FALSE(alarms.empty());
        EXPECT_EQ(lists.numbers.size(), 6u);
        EXPECT_EQ(devices.size(), 3u);
        for (const auto& [name, bytes] : devices) EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_NE(devices.at("rep.log"), referenceDeviceReports(contents, corpus.station, lists.devices[0]));
    }
}

// "Полная" with every kind ticked leaves the files the five separate runs leave, a later kind's
// file replacing an earlier one of the same name in the order the full run takes them.
void checkFullRun(const Corpus& corpus) {
    SCOPED_TRACE(corpus.what);
    Bench b;
    corpus.install(b);
    const Lists lists = listsFor(corpus);
    b.lists.reports = lists.numbers;
    b.lists.devices = lists.devices;

    Files expectLog;
    Files expectError;
    for (RunKind kind : {RunKind::Reports, RunKind::Devices, RunKind::Rrn121, RunKind::Alarms, RunKind::Rrn48}) {
        for (const auto& [name, bytes] : runAlone(b, kind)) expectLog[name] = bytes;
    }
    expectError = snapshot(b.data("error"));
    // The separate runs themselves, against the models; the working list's empty entry and the
    // device entry without comment share rep.log, and the devices come later.
    const auto contents = corpus.walked();
    Files model = referenceWorkingListRun(contents, corpus.station, lists.numbers);
    for (const auto& [name, bytes] : onDisk(referenceDeviceRun(contents, corpus.station, lists.devices)))
        model[name] = bytes;
    model["rep121.log"] = referenceNumberReports(contents, corpus.station, "121");
    model["alarm.log"] = referenceAlarms(contents, corpus.station);
    model["rep48.log"] = referenceRrn48(contents, corpus.station, false, false, {}, {}).rep48;
    expectSameFiles(expectLog, model, "separate runs");
    EXPECT_TRUE(expectError.count("errorstat"));

    for (Box box : {RunKind::Reports, RunKind::Devices, RunKind::Rrn121, RunKind::Alarms, RunKind::Rrn48})
        b.options.set(box, 1);
    b.runner.run(RunKind::Full);
    EXPECT_FALSE(b.runner.outcome().anyFailure());
    expectSameFiles(snapshot(b.data("log")), expectLog, "full run, log");
    expectSameFiles(snapshot(b.data("error")), expectError, "full run, error");
}

// A printout cut inside one report, and what the cut must leave for the model to show.
struct Cut {
    std::string what;
    size_t offset;
    std::string kind;  // "number", "device", "alarm": which model shows the cut report's tail
    std::string key;   // the number or device text
    std::string tail;  // what that model's output must end with
};

// Cuts of one generated printout, each inside the last report of its kind there.
std::vector<Cut> cutsOf(const std::string& content, const std::string& device) {
    const auto lines = referenceLines(content);
    const auto starts = lineStarts(content);
    const size_t n = lines.size();
    auto lastReport = [&](auto&& wanted) {
        for (size_t i = n; i-- > 0;)
            if (contains(lines[i], kGenStation) && wanted(i)) return i;
        return n;
    };
    std::vector<Cut> cuts;

    const size_t r121 = lastReport([&](size_t i) { return i + 5 < n && contains(lines[i + 2], "  121  P"); });
    if (r121 < n) {
        // Lines 4 and 5 of a report 121 are body lines: its end line comes later.
        const std::string& l5 = lines[r121 + 4];
        cuts.push_back({"inside line 5 of a report 121", starts[r121 + 4] + l5.size() / 2, "number", "121",
                        lines[r121 + 3] + "\r\n" + l5.substr(0, l5.size() / 2) + "\r\n\r\n\r\n"});
        const std::string& l4 = lines[r121 + 3];
        cuts.push_back({"between CR and LF of line 4 of a report 121", starts[r121 + 3] + l4.size() + 1, "number",
                        "121", lines[r121] + "\r\n\r\n" + l4 + "\r\r\n\r\n\r\n"});
        cuts.push_back({"right after the number line of a report 121", starts[r121 + 3], "number", "121",
                        lines[r121] + "\r\n\r\n\r\n\r\n"});
        cuts.push_back({"right after a header", starts[r121 + 1], "number", "121", ""});
        cuts.push_back({"inside the header", starts[r121] + 5, "number", "121", ""});
    }

    const size_t rDev = lastReport([&](size_t i) {
        return i + 4 < n && contains(lines[i + 1], device) && !contains(lines[i + 2], "LAST REPORT") &&
               !contains(lines[i + 3], "LAST REPORT");
    });
    if (rDev < n) {
        const std::string& l4 = lines[rDev + 3];
        cuts.push_back({"inside line 4 of a device's report", starts[rDev + 3] + l4.size() - 1, "device", device,
                        lines[rDev + 2] + "\r\n" + l4.substr(0, l4.size() - 1) + "\r\n\r\n\r\n"});
    }

    auto plainAlarmLine = [&](const std::string& l) {
        for (const char* w : {"SPECIAL", "CAT", "DIRECT", "EXTERNAL", "SBL"})
            if (contains(l, w)) return false;
        return l.size() > 6;
    };
    const size_t rAlarm = lastReport([&](size_t i) {
        return i + 10 < n && contains(lines[i + 2], "00011  P") && !lines[i + 8].empty() &&
               plainAlarmLine(lines[i + 9]);
    });
    if (rAlarm < n) {
        const std::string& l10 = lines[rAlarm + 9];
        cuts.push_back({"inside the first alarm line", starts[rAlarm + 9] + l10.size() - 2, "alarm", "",
                        l10.substr(0, l10.size() - 2) + "\r\n"});
        cuts.push_back({"inside the preamble of an alarm report", starts[rAlarm + 5] + 3, "alarm", "", ""});
    }
    return cuts;
}

std::string modelOf(const Cut& cut, const std::vector<std::string>& contents) {
    if (cut.kind == "number") return referenceNumberReports(contents, kGenStation, cut.key);
    if (cut.kind == "device") return referenceDeviceReports(contents, kGenStation, cut.key);
    return referenceAlarms(contents, kGenStation);
}

// What the run's reader takes from the files.
struct BytesRead : ReadObserver {
    unsigned long long total = 0;
    void bytesRead(size_t count) override { total += count; }
};

bool endsWith(const std::string& s, const std::string& t) {
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

TEST(ReferenceExtractions, HandWrittenPrintouts) {
    // Expected blocks written out by hand from the rules, so that the models are not only
    // checked against the engine.
    const std::vector<std::string> numbered = {
        "noise", "H1 ZARYA", "L2 ZARYA", "x  121  P", "b1", "b2 NO = 01",  // ends at "NO = 01"
        "H2 ZARYA", "l2", "   48  P", "c1 NO = 0",                           // another number
        "H3 ZARYA", "ZARYA", "  121 P", "d",                                  // one blank before P
        "H4 ZARYA", "l2", "0121  P", "cut",                                   // file ends in the body
    };
    const std::vector<std::string> devices = {
        "H ZARYA", "  OUTPUT DEV-1", "b", "LAST REPORTS", "after",
        "H ZARYA", "", "H ZARYA", "DEV-2 x",  // an empty device line: the header after it starts one
        "b2", "LAST REPORT", "H ZARYA", "DEV-1",
    };
    const std::vector<std::string> alarms = {
        "H ZARYA", "t", "00011  P", "4", "5", "6", "7", "8", "9",
        "ok1", "CATALOG", "   ", "ok2", "", "ok3",            // ends at the empty line
        "H ZARYA", "t", "00011  P", "4", "5", "6", "7", "8", "",  // empty line 9: no alarm lines,
        "H ZARYA", "t", "00011  P", "4", "5", "6", "7", "8", "9", "r3", "",  // and line 10 is a header
        "H ZARYA", "t", "00011 P", "4", "5", "6", "7", "8", "9", "no", "",
        "H ZARYA", "t", "00011  P", "4", "5", "6", "7", "8", "9", "sbl lower", "SBL", "last",
    };
    struct Case {
        const char* what;
        std::string got, expected;
    } cases[] = {
        {"number 121", referenceNumberReports({crlf(numbered)}, "ZARYA", "121"),
         crlf({"H1 ZARYA", "", "b1", "b2 NO = 01", "", "", "H4 ZARYA", "", "cut", "", ""})},
        {"number 48 with trailing blanks", referenceNumberReports({crlf(numbered)}, "ZARYA", "48  "),
         crlf({"H2 ZARYA", "", "c1 NO = 0", "", ""})},
        {"empty number matches every two blanks and P", referenceNumberReports({crlf(numbered)}, "ZARYA", ""),
         crlf({"H1 ZARYA", "", "b1", "b2 NO = 01", "", "", "H2 ZARYA", "", "c1 NO = 0", "", "", "H4 ZARYA", "",
               "cut", "", ""})},
        {"station missing", referenceNumberReports({crlf(numbered)}, "NOWHERE", ""), ""},
        {"number line missing", referenceNumberReports({"H ZARYA\r\nl2\r\n", "x\r\n"}, "ZARYA", ""), ""},
        {"device DEV-", referenceDeviceReports({crlf(devices)}, "ZARYA", "DEV-"),
         crlf({"H ZARYA", "  OUTPUT DEV-1", "", "b", "LAST REPORTS", "", "", "H ZARYA", "DEV-2 x", "", "b2",
               "LAST REPORT", "", "", "H ZARYA", "DEV-1", "", "", ""})},
        {"empty device text skips the empty device line",
         referenceDeviceReports({crlf(devices)}, "ZARYA", ""),
         crlf({"H ZARYA", "  OUTPUT DEV-1", "", "b", "LAST REPORTS", "", "", "H ZARYA", "DEV-2 x", "", "b2",
               "LAST REPORT", "", "", "H ZARYA", "DEV-1", "", "", ""})},
        {"device DEV-1 and lines without LF or with lone CR",
         referenceDeviceReports({"H ZARYA\nDEV-1\r\nx\ry\r\r\nLAST REPORT"}, "ZARYA", "DEV-1"),
         crlf({"H ZARYA", "DEV-1", "", "x\ry\r", "LAST REPORT", "", ""})},
        {"alarms", referenceAlarms({crlf(alarms)}, "ZARYA"),
         crlf({"ok1", "   ", "ok2", "r3", "sbl lower", "last"})},
        {"alarms over two files, the first cut in its preamble",
         referenceAlarms({"H ZARYA\r\nt\r\n00011  P\r\n4\r\n5", crlf(alarms)}, "ZARYA"),
         crlf({"ok1", "   ", "ok2", "r3", "sbl lower", "last"})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;

    struct Split {
        std::string entry, device, comment;
    } splits[] = {
        {"0012/0034/0005  CBR", "0012/0034/0005", "CBR"},
        {"0012/0034/0005CBR", "0012/0034/0005", "CBR"},
        {"CBR-7" + std::string(11, ' ') + "GTS  ", "CBR-7" + std::string(9, ' '), "GTS"},
        {"short", "short", ""},
        {"", "", ""},
        {"0012/0034/0005   ", "0012/0034/0005", ""},
    };
    for (const auto& s : splits) {
        const auto e = referenceSplitDeviceEntry(s.entry);
        EXPECT_EQ(e.device, s.device) << s.entry;
        EXPECT_EQ(e.comment, s.comment) << s.entry;
    }
}

TEST(ExtractionCorpus, GeneratedPrintoutsMatchTheModels) {
    const std::string seed1 = generate(1, 200 * 1024);
    std::vector<Corpus> corpora = {
        {"seed 1, CR LF, file mode on the second file", {{"a.s12", generate(9, 8 * 1024)}, {"b.s12", seed1}},
         kGenStation, "b.s12"},
        {"seed 2, LF only", {{"a.s12", generate(2, 90 * 1024, kGenStation, true)}}},
        {"seed 3, another station", {{"a.s12", generate(3, 60 * 1024, "KRASNOYE-7")}}, "KRASNOYE-7"},
    };
    corpora[2].generatedWith = "KRASNOYE-7";
    for (const auto& c : corpora) checkSeparateRuns(c, true);
}

TEST(ExtractionCorpus, StationNamesFoundInsideReports) {
    // Headers keyed on text that also occurs in report bodies, and an empty station name that
    // makes every non-empty line a header: lines taken by a report must never start one.
    const std::string printout = generate(4, 48 * 1024);
    const std::vector<Corpus> corpora = {
        {"station ALARM", {{"a.s12", printout}}, "ALARM"},
        {"station LINK", {{"a.s12", printout}}, "LINK"},
        {"empty station", {{"a.s12", printout}}, ""},
    };
    for (const auto& c : corpora) {
        // The devices and numbers still come from the real report lines.
        checkSeparateRuns(c, false);
    }
}

TEST(ExtractionCorpus, DirectoryWithAnEmptyFile) {
    const Corpus corpus{"three files, the second empty",
                        {{"a.s12", generate(5, 40 * 1024)},
                         {"b.s12", ""},
                         {"c.s12", generate(6, 40 * 1024, kGenStation, true)}}};
    checkSeparateRuns(corpus, true);
}

TEST(ExtractionCorpus, FilesCutInsideAReport) {
    const std::string whole = generate(11, 48 * 1024);
    const std::string next = generate(12, 16 * 1024);
    const std::string device = devicesPresent({whole})[0];
    const auto cuts = cutsOf(whole, device);
    ASSERT_EQ(cuts.size(), 8u) << "the printout lacks a report to cut";
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.what);
        const std::string cutFile = whole.substr(0, cut.offset);
        // The cut lands where it is meant to: the model's output for the cut file ends with
        // the tail of the cut report.
        const std::string alone = modelOf(cut, {cutFile});
        EXPECT_TRUE(endsWith(alone, cut.tail)) << "model output ends: "
                                               << alone.substr(alone.size() - std::min<size_t>(alone.size(), 200));
        if (!cut.tail.empty()) {
            EXPECT_LT(alone.size(), modelOf(cut, {whole}).size());
        }
        // The walk goes on with the next file.
        Corpus corpus{cut.what, {{"a.s12", cutFile}, {"b.s12", next}}};
        corpus.extraDevices = {device + "CUT"};
        checkSeparateRuns(corpus, false);
    }
}

TEST(ExtractionCorpus, FullRunLeavesWhatTheSeparateRunsLeave) {
    checkFullRun(Corpus{"seed 7, one file", {{"a.s12", generate(7, 120 * 1024)}}});
    checkFullRun(Corpus{"directory of three, one empty",
                        {{"a.s12", generate(8, 30 * 1024, kGenStation, true)}, {"b.s12", ""},
                         {"c.s12", generate(13, 30 * 1024)}}});
    checkFullRun(Corpus{"file mode", {{"a.s12", generate(14, 20 * 1024)}, {"b.s12", generate(15, 20 * 1024)}},
                        kGenStation, "a.s12"});
}

TEST(ExtractionCorpus, WholeListsReadEachFileOnce) {
    // Twenty numbers and ten devices, some naming one file twice, over a directory of two
    // files: each file is read once for the whole list, every pass is shown in its place, and
    // each result file is what its last pass alone gives.
    // Large enough that the files are written in several pieces.
    const Corpus corpus{"two files", {{"a.s12", generate(16, 3 << 20)}, {"b.s12", generate(17, 1 << 20, kGenStation, true)}}};
    const auto contents = corpus.walked();
    const Lists lists = listsFor(corpus);
    std::vector<std::string> numbers = lists.numbers;
    for (const char* n : {"121  ", "48", "00011", "1", "11", "0", "9", "571", "441", " 48", "8", "7", "12", "99999"})
        numbers.push_back(n);
    std::vector<std::string> devices = lists.devices;
    for (const std::string& d : {std::string(), lists.devices[1] + "  CBR", lists.devices[1].substr(0, 2) + "  CBR",
                                 std::string("SCM"), lists.devices[2].substr(0, 9) + "     GTS", std::string("00  GTS")})
        devices.push_back(d);
    ASSERT_EQ(numbers.size(), 20u);
    ASSERT_EQ(devices.size(), 10u);
    unsigned long long size = 0;
    for (const auto& c : contents) size += c.size();

    struct Case {
        RunKind kind;
        std::vector<std::string> entries;
        Files expected;
        std::string status;
        std::vector<std::string> after;  // the texts after each pass, and after the last
        std::vector<std::string> end;
    } cases[] = {
        {RunKind::Reports, numbers, referenceWorkingListRun(contents, corpus.station, numbers),
         "Идет обработка каталога RRN - ", {}, {"Каталог обработан", kStop, kStop}},
        {RunKind::Devices, devices, onDisk(referenceDeviceRun(contents, corpus.station, devices)),
         "Идет обработка каталога по устройству ", {"Каталог обработан"}, {kStop}},
    };
    for (const auto& c : cases) {
        Bench b;
        corpus.install(b);
        b.lists.reports = numbers;
        b.lists.devices = devices;
        BytesRead read;
        b.runner.reader().setReadObserver(&read);
        expectSameFiles(runAlone(b, c.kind), c.expected, c.status);
        EXPECT_EQ(read.total, size) << c.status;
        std::vector<std::string> statuses;
        for (const auto& e : c.entries) {
            const std::string shown = c.kind == RunKind::Reports ? e : referenceSplitDeviceEntry(e).comment;
            statuses.push_back(c.status + cp1251ToUtf8(shown));
            statuses.insert(statuses.end(), c.after.begin(), c.after.end());
        }
        statuses.insert(statuses.end(), c.end.begin(), c.end.end());
        EXPECT_EQ(b.rec.statuses, statuses) << c.status;
        std::vector<int> selections;
        for (size_t i = 0; i < c.entries.size(); ++i) selections.insert(selections.end(), {0, 1});
        EXPECT_EQ(b.input.selections, selections) << c.status;
    }
}
