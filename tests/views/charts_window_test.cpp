// The window "Графики ошибок", opened from the results window and used with the mouse: a bar
// clicked opens the file of its lines, hovering shows the count, the chart shown is saved, and
// an empty or missing rep48.log says so.
#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <fstream>

#include "platform/qt/program_starter.h"
#include "platform/qt/qt_translations.h"
#include "tests/qt_controls.h"
#include "tests/views/recording_starter.h"
#include "views/charts_window.h"
#include "views/error_charts.h"
#include "views/results_window.h"

using namespace kalvimo;

using kalvimo::test::control;
using kalvimo::test::RecordingStarter;

namespace {

void write(const QString& path, const std::string& bytes) { std::ofstream(path.toStdString(), std::ios::binary) << bytes; }

std::string line(const std::string& type, const std::string& marks, const std::string& date) {
    return "0012345" + type + " 1 0B DATA " + marks + " N1  " + date + "\r\n";
}

// Where the middle of a value range of a series lies in the view, for the mouse.
QPoint inView(QChartView* view, QAbstractSeries* series, QPointF value) {
    return view->mapFromScene(view->chart()->mapToScene(view->chart()->mapToPosition(value, series)));
}

QAbstractBarSeries* bars(QChartView* view) { return qobject_cast<QAbstractBarSeries*>(view->chart()->series().first()); }

}  // namespace

class ChartsWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString root_;
    RecordingStarter starter_;
    std::unique_ptr<ResultsWindow> results_;

    // Opened as the user does, by the button of the results window; null when it did not read.
    ChartsWindow* openCharts() {
        results_.reset(new ResultsWindow(root_.toStdString(), starter_, [](const QString&) {}));
        results_->show();
        QTest::mouseClick(control<QPushButton>(*results_, "btnCharts"), Qt::LeftButton);
        auto* w = results_->findChild<ChartsWindow*>(QStringLiteral("frmCharts"));
        if (!w) return nullptr;
        QSignalSpy shown(w, &ChartsWindow::chartsShown);
        if (!shown.wait(10000)) return nullptr;
        if (!QTest::qWaitForWindowExposed(w)) return nullptr;
        return w;
    }

private slots:
    void initTestCase() { installQtTranslations(); }  // as the programs do at start
    void init() {
        root_ = tmp_.path() + "/" + QTest::currentTestFunction() + QTest::currentDataTag();
        QVERIFY(QDir().mkpath(root_ + "/log") && QDir().mkpath(root_ + "/error"));
        starter_ = RecordingStarter();
    }
    void cleanup() { results_.reset(); }

    void barsOpenTheirFilesAndShowTheirCounts() {
        write(root_ + "/log/rep48.log", line("12  ", "RESTART", "28.08.2000 10:15:46") +
                                            line("0012", "", "28.08.2000 10:20:00") +
                                            line("12  ", "", "28.08.2000 11:20:00") +
                                            line("7   ", "REBOOT", "28.08.2000 11:30:00") + line("7   ", "", "no date"));
        write(root_ + "/allerror.ini", "12   twelve\r\n");
        ChartsWindow* w = openCharts();
        QVERIFY(w);
        QVERIFY(control<QProgressBar>(*w, "barReading")->isHidden());
        QVERIFY2(control<QLabel>(*w, "labNote")->text().startsWith(QStringLiteral("Строк без даты: 1 — ")), qPrintable(control<QLabel>(*w, "labNote")->text()));

        // By type, from the bottom: reboots, restarts, 7, 12.
        QChartView* types = control<QChartView>(*w, "chartTypes");
        QAbstractBarSeries* series = bars(types);
        const struct {
            qreal value, category;
            QStringList files;
        } clicks[] = {{1.5, 3, {"/error/12", "/error/0012"}}, {0.5, 1, {"/error/restart"}}, {1, 2, {"/error/7"}}};
        for (const auto& c : clicks) {
            starter_.started.clear();
            QTest::mouseClick(types->viewport(), Qt::LeftButton, {}, inView(types, series, {c.value, c.category}));
            QStringList expected;
            for (const QString& f : c.files) expected << "viewer|" + root_ + f;
            QCOMPARE(starter_.started, expected);
        }
        QTest::mouseMove(types->viewport(), inView(types, series, {1.5, 3}));
        QTRY_VERIFY2(QToolTip::text().startsWith(QStringLiteral("Тип 12: 3\ntwelve")), qPrintable(QToolTip::text()));

        // Over time, hour 11: type 12 below, type 7 on top.
        QTabBar* tabs = control<QTabWidget>(*w, "tabCharts")->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(w->currentChart(), control<QChartView>(*w, "chartTime"));
        QVERIFY(QTest::qWaitForWindowExposed(control<QChartView>(*w, "chartTime")->window()));
        QCOMPARE(bars(control<QChartView>(*w, "chartTime"))->barSets().size(), 2);
        QTest::mouseClick(control<QChartView>(*w, "chartTime")->viewport(), Qt::LeftButton, {},
                          inView(control<QChartView>(*w, "chartTime"), bars(control<QChartView>(*w, "chartTime")), {1, 1.5}));
        QCOMPARE(starter_.started.last(), "viewer|" + root_ + "/error/7");
        QVERIFY(control<QChartView>(*w, "chartTime")->chart()->axes(Qt::Horizontal).first()->titleText().contains("без даты: 1"));
    }

    void theShownChartIsSaved() {
        write(root_ + "/log/rep48.log", line("12  ", "", "28.08.2000 10:15:46"));
        qputenv("HOME", root_.toLocal8Bit());  // where the dialog starts
        ChartsWindow* w = openCharts();
        QVERIFY(w);
        for (const QString name : {"by-type.png", "over-time.svg"}) {
            if (name.endsWith(".svg")) QTest::mouseClick(control<QTabWidget>(*w, "tabCharts")->tabBar(), Qt::LeftButton, {}, control<QTabWidget>(*w, "tabCharts")->tabBar()->tabRect(1).center());
            QTest::mouseClick(control<QPushButton>(*w, "btnSave"), Qt::LeftButton);
            auto* dialog = w->findChild<QFileDialog*>(QStringLiteral("dlgSave"));
            QVERIFY(dialog);
            QTRY_VERIFY(dialog->isVisible());
            // Qt's own texts in Russian, as the program's are.
            QCOMPARE(control<QLabel>(*dialog, "fileNameLabel")->text(), QStringLiteral("&Имя файла:"));
            QCOMPARE(control<QDialogButtonBox>(*dialog, "buttonBox")->buttons().first()->text(), QStringLiteral("&Сохранить"));
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->clear();
            const QString path = root_ + "/" + name;
            QTest::keyClicks(edit, name);
            QTest::keyClick(edit, Qt::Key_Return);
            QTRY_VERIFY(QFile::exists(path));
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.read(5) == (name.endsWith(".png") ? QByteArray("\x89PNG\r") : QByteArray("<?xml")));
            QVERIFY(f.size() > 5000);
            QCOMPARE(control<QLabel>(*w, "labNote")->text(), QStringLiteral("Сохранено: ") + path);
            QTRY_VERIFY(!w->findChild<QFileDialog*>());  // gone once closed
        }
    }

    void nothingToDrawSaysSo_data() {
        QTest::addColumn<int>("what");  // 0 no file, 1 an empty file, 2 a directory in its place
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << 0 << QString::fromUtf8(kNoChartData);
        QTest::newRow("empty") << 1 << QString::fromUtf8(kNoChartData);
        QTest::newRow("directory") << 2 << QStringLiteral("Не удалось открыть файл %1/log/rep48.log: это каталог");
    }
    void nothingToDrawSaysSo() {
        QFETCH(int, what);
        QFETCH(QString, shown);
        if (what == 1) write(root_ + "/log/rep48.log", "");
        if (what == 2) QVERIFY(QDir().mkpath(root_ + "/log/rep48.log"));
        ChartsWindow* w = openCharts();
        QVERIFY(w);
        QCOMPARE(control<QLabel>(*w, "labNote")->text(), shown.contains("%1") ? shown.arg(root_) : shown);
        QVERIFY(!control<QPushButton>(*w, "btnSave")->isEnabled());
        QVERIFY(!control<QTabWidget>(*w, "tabCharts")->isEnabled());
        QTest::mouseClick(control<QPushButton>(*w, "btnQuit"), Qt::LeftButton);
        QTRY_VERIFY(!results_->findChild<ChartsWindow*>());
    }
};

QTEST_MAIN(ChartsWindowTest)
#include "charts_window_test.moc"
