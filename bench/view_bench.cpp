// kalvimo-viewbench: the viewer on a large file. Opens it as the program does and measures the
// time to the first screen, to the complete line index, and of a search and a filter over the
// whole file (typed into their fields and started with Enter), with the memory it took.
// Usage: kalvimo-viewbench FILE SEARCH_TEXT FILTER_TEXT
// Prints one line: the times and speeds, the matches found, and the memory beyond what the
// window takes on a one-line file.
//
// With --grow, the viewer follows the end of FILE with the filter pane open while a thread
// appends the lines of SOURCE to it at MB_PER_S for SECONDS, as the exchange writes a printout.
// Usage: kalvimo-viewbench --grow FILE SOURCE SECONDS MB_PER_S FILTER_TEXT
// Prints how long appended lines took to come into view, how late a 10 ms timer of the window
// came, and the memory at the start and the end of the growth.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "views/text_document.h"
#include "views/text_pane.h"
#include "views/viewer_starter.h"
#include "views/viewer_tab.h"
#include "views/viewer_window.h"

namespace {

// Resident memory now and at its peak, in MiB, from the kernel's account of this process.
double statusMiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024;
    return 0;
}

bool waitFor(QObject* sender, const char* signal, int ms) {
    QSignalSpy spy(sender, signal);
    return spy.wait(ms);
}

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Appends whole lines of source to target, a piece every 50 ms, and notes when the file had how
// many lines.
class Appender {
public:
    struct Written {
        Clock::time_point at;
        uint64_t lines;  // in the file after this piece
    };
    Appender(const std::string& target, const std::string& source, uint64_t lines, double bytesPerSecond)
        : target_(target), source_(source), lines_(lines), perPiece_(static_cast<size_t>(bytesPerSecond / 20)) {}
    ~Appender() { stop(); }
    bool start() {
        out_ = ::open(target_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        in_ = ::open(source_.c_str(), O_RDONLY | O_CLOEXEC);
        if (out_ < 0 || in_ < 0) return false;
        thread_ = std::thread([this] { run(); });
        return true;
    }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (out_ >= 0) ::close(out_);
        if (in_ >= 0) ::close(in_);
        out_ = in_ = -1;
    }
    // The pieces written and not yet taken.
    std::deque<Written> take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(written_, {});
    }
    uint64_t bytes() const { return bytes_; }

private:
    void run() {
        std::string buf(perPiece_, '\0');
        std::string carry;
        auto next = Clock::now();
        while (!stop_) {
            next += std::chrono::milliseconds(50);
            ssize_t n = ::read(in_, buf.data(), buf.size());
            if (n <= 0) {
                ::lseek(in_, 0, SEEK_SET);  // round again
                continue;
            }
            std::string piece = carry + buf.substr(0, static_cast<size_t>(n));
            const size_t cut = piece.rfind('\n') + 1;  // whole lines only
            carry = piece.substr(cut);
            piece.resize(cut);
            if (::write(out_, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) return;
            bytes_ += piece.size();
            lines_ += static_cast<uint64_t>(std::count(piece.begin(), piece.end(), '\n'));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                written_.push_back({Clock::now(), lines_});
            }
            std::this_thread::sleep_until(next);
        }
    }

    std::string target_, source_;
    uint64_t lines_;
    size_t perPiece_;
    int out_ = -1, in_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> bytes_{0};
    std::mutex mutex_;
    std::deque<Written> written_;
    std::thread thread_;
};

int growBench(const QStringList& args) {
    if (args.size() != 7) {
        std::fprintf(stderr, "Usage: kalvimo-viewbench --grow FILE SOURCE SECONDS MB_PER_S FILTER_TEXT\n");
        return 2;
    }
    const QString path = args[2];
    const double seconds = args[4].toDouble(), rate = args[5].toDouble() * 1e6;
    kalvimo::ViewerStarter starter;
    starter.openInViewer(path);
    kalvimo::ViewerTab* tab = starter.window()->currentTab();
    if (!tab->document()->indexComplete() && !waitFor(tab->document(), SIGNAL(indexFinished()), 600000)) return 1;
    QSignalSpy filtered(tab, SIGNAL(filterFinished()));
    tab->setFilter(args[6]);
    if (filtered.isEmpty() && !filtered.wait(600000)) return 1;
    tab->follow();
    const uint64_t rowsBefore = tab->filtered->rowCount();
    QCoreApplication::processEvents();
    const double rssBefore = statusMiB("VmRSS:");

    Appender appender(kalvimo::pathToBytes(path), kalvimo::pathToBytes(args[3]), tab->document()->lines(), rate);
    std::deque<Appender::Written> waiting;
    std::vector<double> lags, lateness;
    double rssMost = rssBefore;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    auto last = Clock::now();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        lateness.push_back(std::max(0.0, msSince(last) - 10));
        last = Clock::now();
        for (Appender::Written& w : appender.take()) waiting.push_back(w);
        // A piece is in view once the pane shows the last line it brought.
        kalvimo::TextPane* pane = tab->text;
        const uint64_t shownUpTo = pane->rowCount() ? pane->topRow() + static_cast<uint64_t>(pane->verticalScrollBar()->pageStep()) : 0;
        const uint64_t visible = std::min(shownUpTo, pane->rowCount());
        while (!waiting.empty() && waiting.front().lines <= visible) {
            lags.push_back(msSince(waiting.front().at));
            waiting.pop_front();
        }
    });
    QTimer memory;
    memory.setInterval(1000);
    QObject::connect(&memory, &QTimer::timeout, [&] { rssMost = std::max(rssMost, statusMiB("VmRSS:")); });
    if (!appender.start()) return 1;
    probe.start();
    memory.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    appender.stop();
    // The last pieces come into view; what never does counts at its age now.
    QElapsedTimer settle;
    settle.start();
    while (!waiting.empty() && settle.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (const Appender::Written& w : waiting) lags.push_back(msSince(w.at));
    probe.stop();
    const double rssAfter = statusMiB("VmRSS:");
    std::sort(lags.begin(), lags.end());
    std::sort(lateness.begin(), lateness.end());
    std::printf("grow %.0f s at %.1f MB/s: appended %.0f MiB in %zu pieces; in view after p50 %.0f ms p99 %.0f ms max %.0f ms;"
                "  event loop late p50 %.1f ms p99 %.1f ms max %.1f ms;  rss %.1f -> %.1f MiB (most %.1f);"
                "  filter rows %llu -> %llu, following %s\n",
                seconds, rate / 1e6, static_cast<double>(appender.bytes()) / (1 << 20), lags.size(), percentile(lags, 0.5),
                percentile(lags, 0.99), lags.empty() ? 0 : lags.back(), percentile(lateness, 0.5),
                percentile(lateness, 0.99), lateness.empty() ? 0 : lateness.back(), rssBefore, rssAfter, rssMost,
                static_cast<unsigned long long>(rowsBefore), static_cast<unsigned long long>(tab->filtered->rowCount()),
                tab->text->following() ? "yes" : "no");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && args[1] == QStringLiteral("--grow")) return growBench(args);
    if (args.size() != 4 || !QFileInfo(args[1]).isFile()) {
        std::fprintf(stderr, "Usage: kalvimo-viewbench FILE SEARCH_TEXT FILTER_TEXT\n");
        return 2;
    }
    const double bytes = static_cast<double>(QFileInfo(args[1]).size());
    kalvimo::ViewerStarter starter;
    // The window, its fonts and a painted screen first, on a file of one line: what the large
    // file costs beyond them is the viewer's own.
    QTemporaryFile small;
    if (!small.open() || small.write("x\r\n") != 3 || !small.flush()) return 1;
    starter.openInViewer(small.fileName());
    starter.window()->currentTab()->text->viewport()->grab();
    const double before = statusMiB("VmRSS:");

    QElapsedTimer clock;
    clock.start();
    starter.openInViewer(args[1]);
    kalvimo::ViewerTab* tab = starter.window()->currentTab();
    tab->text->viewport()->grab();  // the first screen, painted
    const double firstMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (tab->text->rowCount() == 0) {
        std::fprintf(stderr, "kalvimo-viewbench: nothing shown: %s\n", qPrintable(tab->status->text()));
        return 1;
    }
    if (!tab->document()->indexComplete() && !waitFor(tab->document(), SIGNAL(indexFinished()), 600000)) return 1;
    const double indexS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    tab->findText->setText(args[2]);
    clock.restart();
    emit tab->findText->returnPressed();
    if (tab->searching() && !waitFor(tab, SIGNAL(searchFinished()), 600000)) return 1;
    const double searchS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    tab->filterText->setText(args[3]);
    QSignalSpy filtered(tab, SIGNAL(filterFinished()));
    clock.restart();
    emit tab->filterText->returnPressed();
    if (filtered.isEmpty() && !filtered.wait(600000)) return 1;
    const double filterS = static_cast<double>(clock.nsecsElapsed()) / 1e9;

    const double peak = statusMiB("VmHWM:");
    std::printf("first %.1f ms  index %.3f s %.2f GB/s  search %.3f s %.0f MB/s [%s]  filter %.3f s %.0f MB/s [%s]"
                "  rss_growth %.1f MiB (window on a one-line file %.1f MiB, peak %.1f MiB)  index %.2f MiB  lines %llu\n",
                firstMs, indexS, bytes / indexS / 1e9, searchS, bytes / searchS / 1e6,
                qPrintable(tab->findCount->text()), filterS, bytes / filterS / 1e6, qPrintable(tab->filterCount->text()),
                peak - before, before, peak, static_cast<double>(tab->document()->memoryBytes()) / (1 << 20),
                static_cast<unsigned long long>(tab->document()->lines()));
    return 0;
}
