#include "cli/terminal_progress.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/cp1251.h"
#include "platform/files.h"
#include "platform/system.h"

namespace kalvimo {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr const char* kSeparator = " · ";
constexpr const char* kEllipsis = "…";

// Characters on the screen: UTF-8 bytes that begin a character.
size_t width(const std::string& s) {
    return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The last `keep` characters of s.
std::string tail(const std::string& s, size_t keep) {
    size_t chars = 0;
    size_t i = s.size();
    while (i > 0 && chars < keep) {
        --i;
        if ((s[i] & 0xC0) != 0x80) ++chars;
    }
    return s.substr(i);
}

// The first `keep` characters of s.
std::string head(const std::string& s, size_t keep) {
    size_t chars = 0;
    size_t i = 0;
    for (; i < s.size(); ++i) {
        if ((s[i] & 0xC0) != 0x80 && chars++ == keep) break;
    }
    return s.substr(0, i);
}

// Shortened from the front to at most `limit` characters but not below `floor`.
std::string shortened(const std::string& s, size_t limit, size_t floor) {
    const size_t w = width(s);
    if (w <= limit || w <= floor) return s;
    return kEllipsis + tail(s, std::max(limit, floor) - 1);
}

// A control byte in a file name would move the cursor.
std::string printable(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return s;
}

std::string megabytes(double bytes) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", bytes / (1024.0 * 1024.0));
    std::string s = buf;
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string duration(double seconds) {
    const long long t = std::llround(seconds);
    char buf[32];
    if (t >= 3600) std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", t / 3600, t / 60 % 60, t % 60);
    else std::snprintf(buf, sizeof buf, "%lld:%02lld", t / 60, t % 60);
    return buf;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string line;
    for (const auto& p : parts) {
        if (p.empty()) continue;
        if (!line.empty()) line += kSeparator;
        line += p;
    }
    return line;
}

}  // namespace

std::string progressLine(const ProgressFigures& f, int columns) {
    std::string pass = printable(f.pass);
    std::string detail;
    std::string name;
    if (f.count.empty() && f.fileIndex >= 0) {
        detail = "файл " + std::to_string(f.fileIndex + 1) + "/" + std::to_string(f.fileCount);
        name = printable(fileNameForDisplay(f.fileName));
    } else {
        detail = printable(f.count);
        detail.erase(0, detail.find_first_not_of(' '));
    }
    std::string figures = megabytes(static_cast<double>(f.bytesRead)) + " МБ";
    if (f.seconds >= 0.5 && f.bytesRead > 0) {
        const double rate = static_cast<double>(f.bytesRead) / f.seconds;
        figures += kSeparator + megabytes(rate) + " МБ/с";
        if (f.bytesLeft >= 0) figures += std::string(kSeparator) + "осталось " + duration(f.bytesLeft / rate);
    }
    const auto line = [&] { return joined({pass, name.empty() ? detail : detail + " " + name, figures}); };
    const size_t limit = static_cast<size_t>(std::max(columns - 1, 2));
    std::string text = line();
    // Shortens part by what the line has too much, keeping at least floor characters of it.
    const auto shorten = [&](std::string& part, size_t floor) {
        const size_t excess = width(text) - limit, w = width(part);
        part = shortened(part, w > excess ? w - excess : 0, floor);
        text = line();
    };
    if (width(text) > limit) shorten(pass, 10);
    if (width(text) > limit) shorten(name, 8);
    if (width(text) > limit) text = head(text, limit - 1) + kEllipsis;
    return text;
}

long long bytesLeft(const std::vector<long long>& sizes, int index, long long readInFile, int min, int max,
                    int value) {
    const auto n = static_cast<long long>(sizes.size());
    if (index < 0 || index >= n) return -1;
    const long long passBytes = std::accumulate(sizes.begin(), sizes.end(), 0LL);
    const long long before = std::accumulate(sizes.begin(), sizes.begin() + index, 0LL);
    const long long current = sizes[static_cast<size_t>(index)];
    const long long inPass = passBytes - before - std::min(readInFile, current);
    if (n < 2) return inPass;  // one file: the range says nothing about passes
    const long long passes = std::max(1LL, std::llround(static_cast<double>(max - min) / static_cast<double>(n - 1)));
    const long long pass = std::clamp((static_cast<long long>(value) - min - index) / (n - 1), 0LL, passes - 1);
    return inPass + (passes - 1 - pass) * passBytes;
}

TerminalProgress::TerminalProgress(std::FILE* out, FixedInput& input) : out_(out), input_(input), lines_(out) {
    for (const auto& name : input.files()) {
        sys::PathInfo info;
        const bool regular = sys::pathInfo(joinPath(input.directory(), name), true, info) == 0 &&
                             info.kind == sys::Kind::Regular;
        sizes_.push_back(regular ? static_cast<long long>(info.size) : 0);
    }
    if (input.fileMode() && !input.files().empty()) {
        index_ = 0;
        fileName_ = input.files().front();
    }
}

void TerminalProgress::setStatus(const std::string& text) {
    erase();
    countPrefix_ = nullptr;
    lines_.setStatus(text);
    redraw();
}

void TerminalProgress::setCountStatus(const char* prefix, long count) {
    lines_.setCountStatus(prefix, count);
    countPrefix_ = prefix;
    count_ = count;
    redraw();
}

void TerminalProgress::setPassStatus(const std::string& text, const std::string& device) {
    // Devices that share a comment share a text; the device tells their passes apart.
    const auto trimmed = [](const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); };
    pass_ = device.empty() ? text : trimmed(text) + " " + trimmed(device);
    readInFile_ = 0;  // the pass reads its files again
    setStatus(text);
}

void TerminalProgress::setValue(int value) {
    value_ = value;
    redraw();
}

void TerminalProgress::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    redraw();
}

void TerminalProgress::selectFile(int index) {
    input_.selectFile(index);
    index_ = index;
    fileName_ = input_.currentFileName();
    readInFile_ = 0;
    redraw();
}

void TerminalProgress::bytesRead(size_t count) {
    if (!started_) {
        started_ = true;
        start_ = Clock::now();
    }
    total_ += static_cast<long long>(count);
    readInFile_ += static_cast<long long>(count);
    redraw();
}

void TerminalProgress::finish() {
    erase();
    lines_.flush();
}

void TerminalProgress::erase() {
    if (!drawn_) return;
    std::fputs("\r\x1b[K", out_);
    drawn_ = false;
}

ProgressFigures TerminalProgress::figures() const {
    ProgressFigures f;
    f.pass = pass_;
    if (countPrefix_) f.count = countPrefix_ + std::to_string(count_);
    f.fileIndex = index_;
    f.fileCount = static_cast<int>(sizes_.size());
    f.fileName = fileName_;
    f.bytesRead = total_;
    if (started_) f.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    // The error analysis after the walk reads its own file: the time left is not known.
    f.bytesLeft = countPrefix_ ? -1 : bytesLeft(sizes_, index_, readInFile_, min_, max_, value_);
    return f;
}

int TerminalProgress::columns() const {
    const int columns = sys::terminalColumns(out_);
    return columns > 0 ? columns : 80;
}

void TerminalProgress::redraw() {
    const auto now = Clock::now();
    if (now - lastDraw_ < kRedrawInterval) return;
    if (pass_.empty() && !countPrefix_) return;  // nothing under way yet
    lastDraw_ = now;
    const std::string text = progressLine(figures(), columns());
    std::fprintf(out_, "\r%s\x1b[K", text.c_str());
    std::fflush(out_);
    drawn_ = true;
}

}  // namespace kalvimo
