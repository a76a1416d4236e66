// kalvimo-genprint: writes a synthetic S12 exchange printout for benchmarks
// and end-to-end tests. Output depends only on --seed, --size, --station, --lf and
// --error-types, so tests can regenerate the same bytes instead of storing them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/line_time.h"
#include "platform/process_setup.h"
#include "platform/system.h"

namespace {

// ---------------------------------------------------------------- random

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// xoshiro256**: fast, and its output is fixed for a seed on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) {
        for (auto& w : s_) w = splitmix64(seed);
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    // Uniform enough in [0, n) for n < 2^32; no division in the hot path.
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    std::uint32_t range(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
    bool chance(std::uint32_t per, std::uint32_t of) { return below(of) < per; }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

// ---------------------------------------------------------------- line building

constexpr std::size_t kMaxBody = 79;

// Fixed-size scratch line; snprintf is far too slow for a 1 GiB run.
struct Line {
    char b[256];
    std::size_t n = 0;

    void clear() { n = 0; }
    void put(char c) { b[n++] = c; }
    void put(std::string_view s) {
        std::memcpy(b + n, s.data(), s.size());
        n += s.size();
    }
    void spaces(std::size_t k) {
        std::memset(b + n, ' ', k);
        n += k;
    }
    void padTo(std::size_t len) {
        if (n < len) spaces(len - n);
    }
    // Right-aligned decimal in `width` cells, padded with `fill`.
    void dec(std::uint32_t v, std::size_t width, char fill) {
        char tmp[12];
        std::size_t k = 0;
        do {
            tmp[k++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        for (std::size_t i = k; i < width; ++i) b[n++] = fill;
        while (k != 0) b[n++] = tmp[--k];
    }
    void dec(std::uint32_t v) { dec(v, 0, ' '); }
    void hex(std::uint64_t v, int digits) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (int i = digits - 1; i >= 0; --i) b[n++] = kHex[(v >> (4 * i)) & 0xF];
    }
    std::string_view view() const { return {b, n}; }
};

// ---------------------------------------------------------------- output

class Sink {
public:
    Sink(std::FILE* f, bool crlf, std::string_view station)
        : f_(f), eol_(crlf ? "\r\n" : "\n"), station_(station), buf_(kCap) {
        // Pick a replacement byte that cannot recreate the station name.
        for (char c : std::string_view("#~*@%^")) {
            if (station_.find(c) == std::string_view::npos) {
                scrub_ = c;
                break;
            }
        }
    }

    std::uint64_t total() const { return flushed_ + used_; }
    bool failed() const { return failed_; }

    // Body lines must never carry the station name: the reader keys headers on it.
    void line(Line& l) {
        if (!station_.empty()) {
            std::size_t pos;
            while ((pos = l.view().find(station_)) != std::string_view::npos) l.b[pos] = scrub_;
        }
        raw(l.b, l.n);
        raw(eol_.data(), eol_.size());
    }
    void line(std::string_view s) {
        Line l;
        l.put(s);
        line(l);
    }
    void header(std::string_view datetime25) {
        raw("  ", 2);
        raw(station_.data(), station_.size());
        static constexpr char kBlanks[48] = {
            ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
            ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
            ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
        const std::size_t used = 2 + station_.size();
        if (used < 48) raw(kBlanks, 48 - used);
        raw(datetime25.data(), datetime25.size());
        raw(eol_.data(), eol_.size());
    }
    void flush() {
        if (used_ == 0) return;
        if (std::fwrite(buf_.data(), 1, used_, f_) != used_) failed_ = true;
        flushed_ += used_;
        used_ = 0;
    }

private:
    static constexpr std::size_t kCap = std::size_t{8} << 20;

    void raw(const char* p, std::size_t k) {
        if (used_ + k > kCap) {
            flush();
            if (k > kCap) {  // only a silly long station name gets here
                if (std::fwrite(p, 1, k, f_) != k) failed_ = true;
                flushed_ += k;
                return;
            }
        }
        std::memcpy(buf_.data() + used_, p, k);
        used_ += k;
    }

    std::FILE* f_;
    std::string_view eol_;
    std::string_view station_;
    char scrub_ = '\x7F';
    std::vector<char> buf_;
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;
    bool failed_ = false;
};

// ---------------------------------------------------------------- calendar

using kalvimo::civilFromDays;
using kalvimo::daysFromCivil;

// Produces "   DD.MM.YYYY   HH:MM:SS " (25 chars); the date part is cached per day.
class Clock {
public:
    Clock() : t_(daysFromCivil(2000, 8, 28) * 86400 + 10 * 3600 + 15 * 60 + 32) {}
    void advance(std::uint32_t secs) { t_ += secs; }
    std::string_view text() {
        const std::int64_t day = t_ / 86400;
        if (day != day_) {
            day_ = day;
            int y;
            unsigned m, d;
            civilFromDays(day, y, m, d);
            Line l;
            l.spaces(3);
            l.dec(d, 2, '0');
            l.put('.');
            l.dec(m, 2, '0');
            l.put('.');
            l.dec(static_cast<std::uint32_t>(y), 4, '0');
            l.spaces(3);
            std::memcpy(buf_.data(), l.b, l.n);  // 16 chars
        }
        const auto sod = static_cast<std::uint32_t>(t_ % 86400);
        Line l;
        l.dec(sod / 3600, 2, '0');
        l.put(':');
        l.dec(sod / 60 % 60, 2, '0');
        l.put(':');
        l.dec(sod % 60, 2, '0');
        l.put(' ');
        std::memcpy(buf_.data() + 16, l.b, l.n);  // 9 chars
        return {buf_.data(), buf_.size()};
    }

private:
    std::int64_t t_;
    std::int64_t day_ = -1;
    std::array<char, 25> buf_{};
};

// ---------------------------------------------------------------- vocabulary
// Kept free of the words the engine looks for (REST, BOOT, the alarm
// keywords, LAST REPORT, NO = 0, ANOMALY), so only the places meant to carry
// them do.

constexpr std::string_view kWords[] = {
    "LINK",     "TRUNK",     "CIRCUIT",  "STATE",    "IDLE",      "BUSY",     "FAULT",    "CLEARED",
    "MODULE",   "PORT",      "SLOT",     "RACK",     "SHELF",     "CLOCK",    "SYNC",     "LOSS",
    "SIGNAL",   "DIGITAL",   "SWITCH",   "ELEMENT",  "PATH",      "TSU",      "LTG",      "DTM",
    "ACE",      "CTRL",      "PROCESS",  "TIMER",    "EXPIRED",   "QUEUE",    "OVERFLOW", "MEMORY",
    "CHECKSUM", "PARITY",    "ERROR",    "COUNTER",  "THRESHOLD", "EXCEEDED", "ROUTE",    "BUNDLE",
    "LINE",     "GROUP",     "HUNT",     "TONE",     "RINGING",   "SEIZURE",  "RELEASE",  "BLOCKED",
    "SERVICE",  "TEST",      "PASSED",   "FAILED",   "COMMAND",   "ACCEPTED", "PATCH",    "LOADED",
    "VERSION",  "BACKUP",    "DISK",     "FILE",     "WRITE",     "READ",     "ACTIVE",   "STANDBY",
    "MAIN",     "SPARE",     "TRAFFIC",  "PERIOD",   "START",     "STOP",     "END",      "OF",
    "DATA",     "BLOCK",     "SEQUENCE", "CHANNEL",  "PCM",       "FRAME",    "SLIP",     "CRC4",
    "AIS",      "RAI",       "LOS",      "BER",      "DEGRADED",  "RESET",    "POWER",    "SUPPLY",
    "FAN",      "UNIT",      "BOARD",    "CARD",     "ON",        "OFF",      "OK",       "NOT",
    "AVAILABLE", "REQUEST",  "RESPONSE", "MESSAGE",  "TIMEOUT",   "RETRY",    "SWITCHOVER", "PLANE",
};
constexpr std::size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

constexpr std::string_view kKeys[] = {
    "STATE", "CAUSE", "CODE", "LEVEL", "COUNT", "PORT", "LINK", "SLOT",
    "TSU",   "RACK",  "ADDR", "MODE",  "CRC",   "PCM",  "CHAN", "ID",
};

constexpr std::string_view kLine2Prefix[] = {"  OUTPUT ", "  OUTPUT ", "  OUTPUT ", "  PRINT  ", " *OUTPUT "};

constexpr std::string_view kOtherKinds[] = {
    "STATUS REPORT", "MAINTENANCE REPORT", "TRAFFIC REPORT", "SUPERVISION REPORT",
    "MEASUREMENT REPORT", "SECURITY REPORT", "ROUTINE TEST REPORT", "OVERLOAD REPORT",
};

constexpr std::string_view kLine3Lead[] = {
    "  REPORT NUMBER", "  REPORT NR", "  OUTPUT NUMBER", "  MSG", "",
};

constexpr std::string_view kNoZeroLines[] = {
    "   MORE DATA NO = 0", "   FOLLOW-UP NO = 0", "  CONTINUATION NO = 0", "   BLOCKS TO FOLLOW NO = 0",
};

constexpr std::string_view kLastLines[] = {
    "  LAST REPORT", "   *** LAST REPORT ***", "  END OF OUTPUT - LAST REPORT", "    LAST REPORT OF SERIES",
};

constexpr std::string_view kCommands[] = {
    "<DISPLAY-ALARMS;", "<DISPLAY-ANOMALY;", "<DISP-LINK-STATE;", "<DISPLAY-TRAFFIC:PERIOD=15;",
    "<STAT-DEVICE;",    "<DISPLAY-ALARMS:CLASS=MAJOR;",
};

constexpr std::string_view kCyrWords[] = {
    "\xCE\xD8\xC8\xC1\xCA\xC0",  // error
    "\xC0\xC2\xC0\xD0\xC8\xDF",  // failure
    "\xCB\xC8\xCD\xC8\xDF",      // line
};

constexpr std::string_view kOperatorNotes[] = {
    "\xD1\xCC\xC5\xCD\xC0 \xCF\xD0\xC8\xCD\xDF\xD2\xC0",
    "\xCF\xD0\xCE\xC2\xC5\xD0\xCA\xC0 \xCB\xC8\xCD\xC8\xC8",
    "\xC7\xC0\xCC\xC5\xCD\xC0 \xCF\xCB\xC0\xD2\xDB",
};

// Alarm lines; the first group carries the keywords the alarm filter looks for.
constexpr std::string_view kAlarmKeyed[] = {
    "SPECIAL SUPERVISION ON LINK", "CAT 2 ALARM ACTIVE ON", "CATEGORY 3 THRESHOLD EXCEEDED ON",
    "DIRECT ROUTE FAULTY", "EXTERNAL ALARM INPUT", "SBL STATE CHANGE ON", "DEVICE SBL BY SYSTEM",
    "EXTERNALLY BLOCKED TRUNK", "INDIRECT PATH SELECTED FOR", "SPECIAL SERVICE BLOCKED",
};
constexpr std::string_view kAlarmPlain[] = {
    "ALARM COUNT", "FAULT ON PCM", "CLOCK SYNC LOSS", "POWER SUPPLY FAILED", "FAN UNIT FAILED",
    "PARITY ERROR ON PLANE", "TIMER EXPIRED FOR", "BOARD NOT RESPONDING",
};

constexpr std::string_view kAlarmClass[] = {"MAJOR", "MINOR", "CRITICAL", "WARNING"};
constexpr std::string_view kAlarmState[] = {"ON", "OFF", "CLEARED", "PENDING"};

template <std::size_t N>
std::string_view pick(Rng& r, const std::string_view (&a)[N]) {
    return a[r.below(static_cast<std::uint32_t>(N))];
}

// ---------------------------------------------------------------- pools

struct Pools {
    std::vector<std::string> devices;       // 14 chars each
    std::vector<std::string> numbers;       // 5 chars each, never 11/48/121
    std::vector<std::string> anomalyField;  // 4 chars each
    std::vector<std::string> erclacs;       // 7 chars, first one non-blank
    std::vector<std::string> errTypes;      // 4 chars, decimal

    Pools(Rng& r, std::size_t errTypeCount) {
        static constexpr std::string_view kNames[] = {"CBR", "ACE", "LTG", "DTM", "SCM",
                                                      "CTL", "TTM", "MPM", "CCM", "PBX"};
        while (devices.size() < 300) {
            Line l;
            if (devices.size() % 15 == 7) {
                l.put(pick(r, kNames));
                l.put('-');
                l.dec(r.range(1, 99));
                l.padTo(14);  // trailing blanks are part of the device
            } else {
                l.dec(r.below(40), 4, '0');
                l.put('/');
                l.dec(r.below(200), 4, '0');
                l.put('/');
                l.dec(r.below(32), 4, '0');
            }
            addUnique(devices, l);
        }
        while (numbers.size() < 60) {
            const std::uint32_t v = r.chance(3, 4) ? r.range(1, 999) : r.range(1000, 9999);
            if (v == 11 || v == 48 || v == 121) continue;
            Line l;
            l.dec(v, 5, r.chance(1, 6) ? '0' : ' ');
            addUnique(numbers, l);
        }
        while (anomalyField.size() < 40) {
            Line l;
            switch (r.below(4)) {
                case 0:
                case 1: l.put('N'); l.dec(r.below(1000), 3, '0'); break;
                case 2: l.dec(r.range(1, 999), 3, ' '); l.put(' '); break;
                default: l.put('E'); l.dec(r.below(100), 3, '0'); break;
            }
            addUnique(anomalyField, l);
        }
        while (erclacs.size() < 200) {
            Line l;
            if (r.chance(3, 5)) {
                l.dec(r.below(100000), 7, '0');
            } else {
                l.hex(0x100000 + r.below(0xF00000), 6);
                l.put(' ');
            }
            addUnique(erclacs, l);
        }
        // Beyond the 99 small types most are drawn from the large ones, as on an exchange
        // whose software reports thousands of kinds of error.
        std::unordered_set<std::string> seen;
        while (errTypes.size() < errTypeCount) {
            const std::uint32_t v = r.chance(4, 5) ? r.range(1, 99) : r.range(100, 9999);
            Line l;
            if (r.chance(2, 5)) {
                l.dec(v, 4, '0');
            } else {
                l.dec(v);
                l.padTo(4);
            }
            if (seen.emplace(l.view()).second) errTypes.emplace_back(l.view());
        }
    }

private:
    static void addUnique(std::vector<std::string>& v, const Line& l) {
        for (const auto& s : v)
            if (s == l.view()) return;
        v.emplace_back(l.view());
    }
};

// ---------------------------------------------------------------- generator

enum class Kind { Anomaly, R121, Alarm, Other };

struct Plan {
    Kind kind;
    bool rest = false;
    bool boot = false;
    bool shortLine2 = false;
    bool oddErrType = false;
    bool emptyLine9 = false;
    bool lastReport = false;
};

class Generator {
public:
    Generator(std::uint64_t seed, std::size_t errTypes, Sink& out) : rng_(seed), pools_(rng_, errTypes), out_(out) {}

    void run(std::uint64_t size) {
        for (std::uint64_t i = 0; out_.total() < size && !out_.failed(); ++i) {
            if (i != 0) gap();
            report(i < kScriptLen ? kScript[i] : randomPlan());
        }
        out_.flush();
    }

private:
    // The first reports are fixed so even a small file holds every case.
    static constexpr std::size_t kScriptLen = 10;
    static constexpr Plan kScript[kScriptLen] = {
        {Kind::Anomaly, true, false, false, false, false, false},
        {Kind::Anomaly, false, true, false, false, false, false},
        {Kind::R121, false, false, false, false, false, false},
        {Kind::Alarm, false, false, false, false, false, false},
        {Kind::Other, false, false, false, false, false, true},
        {Kind::Anomaly, true, true, false, false, false, false},
        {Kind::Other, false, false, false, false, false, false},
        {Kind::Alarm, false, false, false, false, true, false},
        {Kind::Anomaly, false, false, true, false, false, false},
        {Kind::Anomaly, false, false, false, true, false, false},
    };

    Plan randomPlan() {
        const std::uint32_t k = rng_.below(100);
        Plan p{k < 35 ? Kind::Anomaly : k < 45 ? Kind::R121 : k < 55 ? Kind::Alarm : Kind::Other};
        switch (p.kind) {
            case Kind::Anomaly: {
                const std::uint32_t u = rng_.below(1000);
                p.rest = u < 20;            // ~2 %
                p.boot = u < 4 || (u >= 20 && u < 26);  // ~1 %, a few with REST too
                p.shortLine2 = rng_.chance(3, 100);
                p.oddErrType = rng_.chance(1, 20);
                break;
            }
            case Kind::Alarm: p.emptyLine9 = rng_.chance(1, 20); break;
            case Kind::Other: p.lastReport = rng_.chance(7, 10); break;
            case Kind::R121: break;
        }
        return p;
    }

    // Operator noise between reports.
    void gap() {
        const std::uint32_t g = rng_.below(100);
        if (g < 55) {
            // most reports follow each other directly
        } else if (g < 75) {
            out_.line("");
        } else if (g < 82) {
            out_.line("");
            out_.line("");
        } else if (g < 89) {
            dashes();
        } else if (g < 97) {
            out_.line("");
            out_.line(pick(rng_, kCommands));
            out_.line("");
            out_.line("EXECUTED");
            if (rng_.chance(1, 2)) out_.line("");
        } else {
            out_.line("");
            dashes();
            out_.line("");
        }
        if (rng_.chance(1, 2000)) {
            Line l;
            l.put("  * \xCE\xEF\xE5\xF0\xE0\xF2\xEE\xF0: ");
            l.put(pick(rng_, kOperatorNotes));
            out_.line(l);
        }
    }

    void dashes() {
        static const std::string kDash(79, '-');
        out_.line(std::string_view(kDash).substr(0, rng_.chance(1, 2) ? 79 : 72));
    }

    void report(const Plan& p) {
        clock_.advance(rng_.range(1, 20));
        out_.header(clock_.text());
        tabPending_ = rng_.chance(1, 5000);
        oddPending_ = rng_.chance(1, 5000);
        switch (p.kind) {
            case Kind::Anomaly: anomaly(p); break;
            case Kind::R121: r121(); break;
            case Kind::Alarm: alarm(p); break;
            case Kind::Other: other(p); break;
        }
    }

    void line2(std::string_view kind) {
        Line l;
        l.put(pick(rng_, kLine2Prefix));
        l.put(device());
        l.spaces(2);
        l.put(kind);
        if (rng_.chance(1, 3)) {
            l.padTo(47);
            l.put("PRIO ");
            l.dec(rng_.range(1, 4));
        }
        out_.line(l);
    }

    void line3(std::string_view number) {
        Line l;
        l.put(pick(rng_, kLine3Lead));
        l.padTo(20);
        l.put(number);
        l.put("  P");
        if (rng_.chance(1, 3)) {
            l.put("   SEQ ");
            l.dec(rng_.below(10000), 4, '0');
        }
        out_.line(l);
    }

    // Most reports are short, a few run long.
    std::uint32_t shortish(std::uint32_t lo, std::uint32_t hi) {
        // Two statements: compilers evaluate call arguments in different orders.
        const std::uint32_t a = rng_.range(lo, hi);
        return std::min(a, rng_.range(lo, hi));
    }

    std::string_view device() {
        // A few devices report far more often than the rest.
        const auto& d = pools_.devices;
        const std::uint32_t n = static_cast<std::uint32_t>(d.size());
        return d[rng_.chance(3, 10) ? rng_.below(30) : rng_.below(n)];
    }

    void anomaly(const Plan& p) {
        {
            Line l;
            l.put(pick(rng_, kLine2Prefix));
            l.put(device());
            l.put("  ANOMALY REPORT");
            if (!p.shortLine2) {
                l.padTo(47);
                const auto& f = pools_.anomalyField;
                l.put(f[rng_.below(static_cast<std::uint32_t>(f.size()))]);
                if (rng_.chance(1, 2)) {
                    l.put("   CLASS ");
                    l.dec(rng_.range(1, 5));
                }
            }
            out_.line(l);
        }
        line3("   48");
        dataLine(p);
        const std::uint32_t extra = rng_.range(1, 4);
        for (std::uint32_t i = 0; i < extra; ++i) body();
        out_.line(pick(rng_, kNoZeroLines));
    }

    void dataLine(const Plan& p) {
        Line l;
        l.spaces(rng_.below(4));
        const auto& e = pools_.erclacs;
        l.put(e[rng_.below(static_cast<std::uint32_t>(e.size()))]);
        if (p.oddErrType) {  // not a number: blank or a stray letter
            if (rng_.chance(1, 2)) {
                l.spaces(4);
            } else {
                l.dec(rng_.range(1, 99));
                l.put(static_cast<char>('a' + rng_.below(6)));
            }
        } else {
            const auto& t = pools_.errTypes;
            l.put(t[rng_.below(static_cast<std::uint32_t>(t.size()))]);
        }
        fixErrTypeWidth(l);
        l.put(' ');
        l.dec(rng_.below(10000), 4, '0');  // seq
        l.put(' ');
        l.hex(rng_.below(16), 2);          // rlvl
        l.put(' ');
        l.hex(rng_.below(0x10000), 4);     // fmm
        l.put(' ');
        l.hex(rng_.below(0x10000), 4);     // proc
        l.put(' ');
        l.hex(rng_.next(), 8);             // cs_ip
        if (p.rest) l.put(" RESTART");
        if (p.boot) l.put(" REBOOT");
        const std::size_t target = rng_.range(60, 75);
        while (l.n + 5 <= target) {  // userdata words
            l.put(' ');
            l.hex(rng_.below(0x10000), 4);
        }
        while (l.n < 60) l.hex(rng_.below(16), 1);
        out_.line(l);
    }

    // The error-type field is exactly 4 cells after the 7-char erclac.
    void fixErrTypeWidth(Line& l) {
        std::size_t lead = 0;
        while (lead < l.n && l.b[lead] == ' ') ++lead;
        const std::size_t end = lead + 11;
        if (l.n < end) l.padTo(end);
        else l.n = end;
    }

    void r121() {
        line2(rng_.chance(1, 2) ? "CALL FAILURE REPORT" : "CHARGING REPORT");
        line3("  121");
        const std::uint32_t lines = shortish(3, 12);
        for (std::uint32_t i = 0; i + 1 < lines; ++i) body();
        out_.line(pick(rng_, kNoZeroLines));
    }

    void alarm(const Plan& p) {
        line2("ALARM REPORT");
        line3("00011");
        Line l;
        l.put("  ALARM CLASS      : ");
        l.put(pick(rng_, kAlarmClass));
        out_.line(l);
        l.clear();
        l.put("  ALARM CODE       : ");
        l.dec(rng_.below(10000), 4, '0');
        out_.line(l);
        l.clear();
        l.put("  RACK/SHELF/SLOT  : ");
        l.dec(rng_.below(100), 2, '0');
        l.put('/');
        l.dec(rng_.below(100), 2, '0');
        l.put('/');
        l.dec(rng_.below(100), 2, '0');
        out_.line(l);
        l.clear();
        l.put("  OCCURRENCES      : ");
        l.dec(rng_.range(1, 999), 4, '0');
        out_.line(l);
        l.clear();
        l.put("  ALARM STATE      : ");
        l.put(pick(rng_, kAlarmState));
        out_.line(l);
        if (p.emptyLine9) {
            out_.line("");
            return;
        }
        out_.line("  ALARM TEXT       :");
        const std::uint32_t n = shortish(1, 10);
        for (std::uint32_t i = 0; i < n; ++i) alarmLine();
        out_.line("");
    }

    void alarmLine() {
        Line l;
        if (rng_.chance(1, 40)) {  // blank-looking but not empty
            l.spaces(rng_.range(1, 8));
            out_.line(l);
            return;
        }
        l.spaces(4);
        l.put(rng_.chance(1, 2) ? pick(rng_, kAlarmKeyed) : pick(rng_, kAlarmPlain));
        l.put(' ');
        l.dec(rng_.below(10000), 4, '0');
        if (rng_.chance(1, 6))
            for (std::size_t i = 0; i < l.n; ++i)
                if (l.b[i] >= 'A' && l.b[i] <= 'Z') l.b[i] = static_cast<char>(l.b[i] + ('a' - 'A'));
        out_.line(l);
    }

    void other(const Plan& p) {
        line2(pick(rng_, kOtherKinds));
        const auto& nums = pools_.numbers;
        line3(nums[rng_.below(static_cast<std::uint32_t>(nums.size()))]);
        const std::uint32_t lines = shortish(2, 15);
        for (std::uint32_t i = 0; i + 1 < lines; ++i) body();
        out_.line(p.lastReport ? pick(rng_, kLastLines) : pick(rng_, kNoZeroLines));
    }

    // Free-form body text: words, key = value pairs or hex dumps, 20..79 chars.
    void body() {
        Line l;
        // Longer lines are more common in real printouts.
        const std::uint32_t t1 = rng_.range(20, 79);
        const std::size_t target = std::max(t1, rng_.range(20, 79));
        const std::uint32_t style = rng_.below(20);
        if (style < 8) {
            l.spaces(rng_.chance(1, 3) ? 2 * rng_.range(1, 3) : 2);
            bool first = true;
            while (l.n < target) {
                char tok[16];
                std::size_t len;
                const std::uint32_t t = rng_.below(8);
                if (t < 6) {
                    const std::string_view w = kWords[rng_.below(static_cast<std::uint32_t>(kWordCount))];
                    std::memcpy(tok, w.data(), w.size());
                    len = w.size();
                } else {
                    Line h;
                    if (t == 6) h.hex(rng_.below(0x10000), 4);
                    else h.dec(rng_.below(1000));
                    std::memcpy(tok, h.b, h.n);
                    len = h.n;
                }
                const std::size_t sep = first ? 0 : 1 + (rng_.chance(1, 8) ? 1 : 0);
                if (l.n + sep + len > kMaxBody) break;
                l.spaces(sep);
                l.put(std::string_view(tok, len));
                first = false;
            }
        } else if (style < 12) {
            l.spaces(2);
            while (l.n < target) {
                const std::string_view k = pick(rng_, kKeys);
                if (l.n + k.size() + 3 + 4 + 3 > kMaxBody) break;
                l.put(k);
                l.put(" = ");
                const int digits = rng_.chance(1, 2) ? 4 : 2;
                l.hex(rng_.below(0x10000), digits);
                l.spaces(3);
            }
            while (l.n != 0 && l.b[l.n - 1] == ' ') --l.n;
        } else {
            l.spaces(rng_.chance(1, 2) ? 4 : 2);
            if (rng_.chance(1, 2)) {
                l.put("H'");
                l.hex(rng_.below(0x1000) * 16, 4);
                l.put(": ");
            }
            while (l.n + 5 <= target) {
                l.hex(rng_.below(0x10000), 4);
                l.put(' ');
            }
            --l.n;
        }
        if (l.n < 20) {
            while (l.n + 5 <= 24) {
                l.put(' ');
                l.hex(rng_.below(0x10000), 4);
            }
        }
        if (tabPending_) {  // first blank after the indent becomes a tab
            tabPending_ = false;
            std::size_t i = 0;
            while (i < l.n && l.b[i] == ' ') ++i;
            while (i < l.n && l.b[i] != ' ') ++i;
            if (i < l.n) l.b[i] = '\t';
            else l.put("\tEND");
        }
        if (oddPending_) {
            oddPending_ = false;
            l.n = l.n > 60 ? 60 : l.n;
            if (rng_.chance(1, 2)) {
                l.put(" \x98");
            } else {
                l.put(' ');
                l.put(pick(rng_, kCyrWords));
            }
        }
        out_.line(l);
    }

    Rng rng_;
    Pools pools_;
    Sink& out_;
    Clock clock_;
    bool tabPending_ = false;
    bool oddPending_ = false;
};

// ---------------------------------------------------------------- command line

void usage(std::FILE* f) {
    std::fputs(
        "usage: kalvimo-genprint --size BYTES[K|M|G] [--seed N] [--station TEXT]\n"
        "                        [--out FILE] [--lf] [--error-types N]\n"
        "Writes a synthetic exchange printout of at least BYTES bytes (cp1251,\n"
        "CR LF line ends unless --lf) with N distinct error types (default 50,\n"
        "at most 9000). Same arguments give the same bytes.\n",
        f);
}

bool parseU64(const char* s, std::uint64_t& v, bool allowSuffix) {
    if (*s < '0' || *s > '9') return false;
    char* end = nullptr;
    v = std::strtoull(s, &end, 10);
    if (allowSuffix && *end != '\0' && end[1] == '\0') {
        int shift = 0;
        switch (*end) {
            case 'k': case 'K': shift = 10; break;
            case 'm': case 'M': shift = 20; break;
            case 'g': case 'G': shift = 30; break;
            default: return false;
        }
        if (v > (UINT64_MAX >> shift)) return false;
        v <<= shift;
        ++end;
    }
    return *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t size = 0;
    bool haveSize = false;
    std::uint64_t seed = 1;
    std::string station = "ZARYA-UZEL";
    const char* outPath = nullptr;
    bool crlf = true;
    std::uint64_t errTypes = 50;

    // Our own line ends, and on Windows the arguments in UTF-8.
    kalvimo::writeOutputAsUtf8();
    const std::vector<std::string> args = kalvimo::sys::programArguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--size" && hasValue) {
            if (!parseU64(args[++i].c_str(), size, true)) {
                std::fprintf(stderr, "kalvimo-genprint: bad --size '%s'\n", args[i].c_str());
                return 2;
            }
            haveSize = true;
        } else if (a == "--seed" && hasValue) {
            if (!parseU64(args[++i].c_str(), seed, false)) {
                std::fprintf(stderr, "kalvimo-genprint: bad --seed '%s'\n", args[i].c_str());
                return 2;
            }
        } else if (a == "--station" && hasValue) {
            station = args[++i];
        } else if (a == "--out" && hasValue) {
            outPath = args[++i].c_str();
        } else if (a == "--error-types" && hasValue) {
            if (!parseU64(args[++i].c_str(), errTypes, false) || errTypes == 0 || errTypes > 9000) {
                std::fprintf(stderr, "kalvimo-genprint: bad --error-types '%s' (1 to 9000)\n", args[i].c_str());
                return 2;
            }
        } else if (a == "--lf") {
            crlf = false;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "kalvimo-genprint: unexpected argument '%s'\n", args[i].c_str());
            usage(stderr);
            return 2;
        }
    }
    if (!haveSize) {
        usage(stderr);
        return 2;
    }

    std::FILE* f = stdout;
    if (outPath != nullptr) {
        f = kalvimo::sys::openStream(outPath, "wb");
        if (f == nullptr) {
            std::fprintf(stderr, "kalvimo-genprint: cannot open '%s'\n", outPath);
            return 1;
        }
    }

    Sink sink(f, crlf, station);
    Generator gen(seed, static_cast<std::size_t>(errTypes), sink);
    gen.run(size);

    bool ok = !sink.failed();
    if (outPath != nullptr) ok = std::fclose(f) == 0 && ok;
    else ok = std::fflush(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "kalvimo-genprint: write failed\n");
        return 1;
    }
    return 0;
}
