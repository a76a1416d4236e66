// kalvimo-chartbench: the window "Графики ошибок" on the rep48.log of a data directory. Times
// the opening of the window to both charts drawn, and how late a 10 ms timer in the window's
// event loop comes while rep48.log is read.
// Usage: kalvimo-chartbench DATA_DIR
#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "views/charts_window.h"
#include "views/viewer_starter.h"

namespace {

constexpr int kIntervalMs = 10;

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// A control of the window, found by its name.
template <class T, class W>
T* part(const W& window, const char* name) {
    return window->template findChild<T*>(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2 || !QFileInfo(args[1] + QStringLiteral("/log/rep48.log")).isFile()) {
        std::fprintf(stderr, "Usage: kalvimo-chartbench DATA_DIR (with log/rep48.log)\n");
        return 2;
    }
    kalvimo::ViewerStarter starter;

    QElapsedTimer clock;
    clock.start();
    auto* window = new kalvimo::ChartsWindow(args[1].toStdString(), starter);
    QSignalSpy shown(window, &kalvimo::ChartsWindow::chartsShown);
    window->show();

    std::vector<double> late;
    QElapsedTimer tick;
    tick.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        late.push_back(std::max(0.0, static_cast<double>(tick.nsecsElapsed()) / 1e6 - kIntervalMs));
        tick.restart();
    });
    timer.start(kIntervalMs);
    if (!shown.wait(600000)) {
        std::fprintf(stderr, "kalvimo-chartbench: the charts never came\n");
        return 1;
    }
    const double readMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    timer.stop();
    // Drawn: both charts painted, as switching to the other tab would paint it.
    part<QChartView>(window, "chartTypes")->grab();
    part<QChartView>(window, "chartTime")->grab();
    const double drawnMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!part<QLabel>(window, "labNote")->text().isEmpty() && !part<QChartView>(window, "chartTypes")->isEnabled()) {
        std::fprintf(stderr, "kalvimo-chartbench: %s\n", qPrintable(part<QLabel>(window, "labNote")->text()));
        return 1;
    }
    std::sort(late.begin(), late.end());
    std::printf("read %.0f ms drawn %.0f ms p99 %.1f max %.1f ticks %zu\n", readMs, drawnMs, percentile(late, 0.99),
                late.empty() ? 0.0 : late.back(), late.size());
    delete window;
    return 0;
}
