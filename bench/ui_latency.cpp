// kalvimo-uibench: how well the main window keeps answering while "RRN 48" runs on a printout.
// A 10 ms timer in the window's event loop records how late each tick comes; the run is timed
// from the click to the window's runFinished signal.
// Usage: kalvimo-uibench PRINTOUT
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "platform/qt/list_boxes.h"

namespace {

constexpr int kIntervalMs = 10;

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "Usage: kalvimo-uibench PRINTOUT\n");
        return 2;
    }
    const QFileInfo printout(args[1]);
    if (!printout.isFile()) {
        std::fprintf(stderr, "kalvimo-uibench: %s is not a file\n", qPrintable(args[1]));
        return 2;
    }

    // A fresh data directory and home, so no saved settings or lists of the user's take part.
    QTemporaryDir tmp;
    if (!tmp.isValid()) {
        std::fprintf(stderr, "kalvimo-uibench: no temporary directory\n");
        return 1;
    }
    const QString dataRoot = tmp.filePath(QStringLiteral("data"));
    const QString home = tmp.filePath(QStringLiteral("home"));
    const QString input = tmp.filePath(QStringLiteral("input"));
    for (const QString& d : {dataRoot, home, input}) QDir().mkpath(d);
    // The directory walk follows links, so the printout is not copied.
    if (!QFile::link(printout.absoluteFilePath(), input + QStringLiteral("/print.s12"))) {
        std::fprintf(stderr, "kalvimo-uibench: cannot link the printout into %s\n", qPrintable(input));
        return 1;
    }

    kalvimo::MainWindowOptions options;
    options.dataRoot = dataRoot.toStdString();
    options.homeDirectory = home.toStdString();
    options.driveRoots = {QStringLiteral("/")};
    options.pauses = {0, 0, 0, 0};  // only the work is timed
    kalvimo::MainWindow window(options);
    // The controls by their names, as a user's description of the window gives them.
    auto* directoryMode = window.findChild<QRadioButton*>(QStringLiteral("OptionDir"));
    auto* directories = window.findChild<kalvimo::DirListBox*>(QStringLiteral("dirList"));
    auto* files = window.findChild<kalvimo::FileListBox*>(QStringLiteral("FilList"));
    auto* rrn48 = window.findChild<QPushButton*>(QStringLiteral("btnFile48"));
    auto* status = window.findChild<QLabel*>(QStringLiteral("LabelInfo"));
    if (!directoryMode || !directories || !files || !rrn48 || !status) {
        std::fprintf(stderr, "kalvimo-uibench: the main window lacks a control it should have\n");
        return 1;
    }
    directoryMode->setChecked(true);
    directories->setPath(input);  // the window's own handler moves the file list there
    window.show();
    if (files->listCount() != 1) {
        std::fprintf(stderr, "kalvimo-uibench: the file list shows %d files, not 1\n", files->listCount());
        return 1;
    }

    // Queued deliveries of what the run sets, to see whether they crowd the event loop.
    long updates = 0;
    auto count = [&updates] { ++updates; };
    QObject::connect(&window.host(), &kalvimo::RunHost::statusText, &window, count);
    QObject::connect(&window.host(), &kalvimo::RunHost::countPending, &window, count);
    QObject::connect(&window.host(), &kalvimo::RunHost::progressValue, &window, count);
    QObject::connect(&window.host(), &kalvimo::RunHost::progressRange, &window, count);

    std::vector<double> lateness;  // ms
    lateness.reserve(1 << 16);
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);  // a coarse timer may drift by 5% on purpose
    ticker.setInterval(kIntervalMs);
    QObject::connect(&ticker, &QTimer::timeout, &window, [&] {
        lateness.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - kIntervalMs);
        sinceTick.restart();
    });

    QElapsedTimer run;
    qint64 runNs = 0;
    QObject::connect(&window, &kalvimo::MainWindow::runFinished, &window, [&] {
        runNs = run.nsecsElapsed();
        ticker.stop();
        QApplication::quit();
    });

    // Click once the window has settled into the event loop.
    QTimer::singleShot(0, &window, [&] {
        ticker.start();
        sinceTick.start();
        run.start();
        rrn48->click();
        if (!window.running()) {
            std::fprintf(stderr, "kalvimo-uibench: the click started no run\n");
            QApplication::exit(1);
        }
    });
    if (QApplication::exec() != 0) return 1;

    const QString shown = status->text();
    const QFileInfo log(dataRoot + QStringLiteral("/log/rep48.log"));
    if (window.runner().outcome().anyFailure() || !log.isFile() || log.size() == 0) {
        std::fprintf(stderr, "kalvimo-uibench: the run did not produce log/rep48.log (status: %s)\n",
                     qPrintable(shown));
        return 1;
    }

    std::sort(lateness.begin(), lateness.end());
    std::printf("run %.3f s  lateness p50 %.2f ms  p99 %.2f ms  max %.2f ms  ticks %zu  updates %ld\n",
                static_cast<double>(runNs) / 1e9, percentile(lateness, 0.50), percentile(lateness, 0.99),
                lateness.empty() ? 0.0 : lateness.back(), lateness.size(), updates);
    return 0;
}
