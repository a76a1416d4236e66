#include "cli/chart_command.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <algorithm>
#include <cstdio>

#include "engine/data_dir.h"
#include "engine/error_tally.h"
#include "platform/cp1251.h"
#include "platform/data_lock.h"
#include "platform/files.h"
#include "platform/qt/qt_text.h"
#include "views/error_charts.h"

namespace kalvimo {
namespace {

void fail(const std::string& text) { std::fprintf(stderr, "kalvimo-batch: %s\n", text.c_str()); }

// The toolkit's own notes (no runtime directory and the like) are no news to a nightly job.
void onlyFailures(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) fail(toUtf8(text));
}

// Everything the chart command reads from the data directory, in one place. With --wait a
// run of another program is waited for, saying so once per holder.
ChartSource readDataDirectory(const std::string& root, bool wait, const std::atomic<bool>* stop) {
    std::function<void(sys::ProcessId)> waiting;
    if (wait)
        waiting = [](sys::ProcessId holder) { std::fprintf(stderr, "%s; ожидание\n", dataDirBusyText(holder).c_str()); };
    return readChartSource(DataDir(root), stop, {}, waiting);
}

}  // namespace

int runChartCommand(const BatchOptions& o, char* programName, const std::atomic<bool>* stop) {
    // Nothing is created, not even the default data directory: without one there is no data.
    const std::string root = o.dataDir ? *o.dataDir : DataDir::defaultRoot();
    if (o.dataDir && !isDirectory(root)) {
        fail("каталог данных " + fileNameForDisplay(root) + " не существует");
        return 1;
    }
    const ChartSource source = readDataDirectory(root, o.wait, stop);
    if (stop && stop->load()) return 1;
    if (source.state == ChartSource::State::NoData) {
        fail(kNoChartData);
        return 1;
    }
    if (source.state == ChartSource::State::Failed) {
        fail(source.problem);
        return 1;
    }
    if (!source.catalogueProblem.empty()) fail(source.catalogueProblem + " - описания типов не показаны");

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(onlyFailures);
    int argc = 1;
    char* argv[] = {programName, nullptr};
    QApplication app(argc, argv);
    const bool byTime = o.by && *o.by == "time";
    QChart* chart = makeChart(byTime ? ChartKind::OverTime : ChartKind::ByType, source, fromUtf8(root));
    QChartView* view = chartView(chart);
    const int rows = static_cast<int>(typeBars(source.tally, source.catalogue).size());
    view->resize(1280, byTime ? 800 : std::max(600, 160 + 30 * rows));
    const QString problem = saveChartImage(view, QFile::decodeName(QByteArray::fromStdString(*o.out)));
    delete view;
    if (!problem.isEmpty()) {
        fail(toUtf8(problem));
        return 1;
    }
    return 0;
}

}  // namespace kalvimo
