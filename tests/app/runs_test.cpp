// Runs started from the main window: the same results as the batch program, the controls
// while a run goes on, the status line and progress bar it leaves, a change of mode during
// the walk, and closing the window during a run.
#include <QAction>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "platform/qt/list_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_tests.h"
#include "tests/busy_data_dir.h"
#include "views/about_window.h"
#include "views/device_list_window.h"
#include "views/help_window.h"
#include "views/report_list_window.h"
#include "views/results_window.h"

using namespace kalvimo;
using namespace kalvimo::apptest;

namespace {

const QString kDirDone = QStringLiteral("Каталог обработан");
const QString kFileDone = QStringLiteral("Файл обработан");
const QString kRrn48Dir = QStringLiteral("Идет обработка каталога RRN - 48");
const QString kComposing = QStringLiteral("Составляется отчет");
const QString kCount = QStringLiteral("  Идет обработка ошибок  ");

void tickFullRunBoxes(MainWindow& w) {
    const Controls ui(w);
    for (StateCheckBox* b : {ui.Check1, ui.Check5, ui.Check7, ui.Check3, ui.Check2}) b->click();
}

QByteArray allRep48Lines() { return corpusRep48Line(0) + corpusRep48Line(1) + corpusRep48Line(2); }

// How much a button stands out from the window as it is drawn: over its pixels, how far each
// lies from the window's colour.
qint64 ink(QWidget* button) {
    const QImage image = button->grab().toImage();
    const QColor back = button->palette().color(QPalette::Window);
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            sum += std::max({std::abs(c.red() - back.red()), std::abs(c.green() - back.green()),
                             std::abs(c.blue() - back.blue())});
        }
    return sum;
}

}  // namespace

void RunsTest::sameResultsAsTheBatchProgram_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("fileMode");
    QTest::addColumn<QStringList>("written");  // result files that must not be empty

    const QStringList rrn48 = {"log/rep48.log", "error/errorstat", "error/newdev", "error/newrep"};
    const QStringList devices = {"log/CBRrep.log", "log/rep.log"};
    const struct {
        const char* button;
        const char* command;
        QStringList written;
    } kinds[] = {
        {"btnFile48", "rrn48", rrn48},
        {"btnFile121", "rrn121", {"log/rep121.log"}},
        {"btnFileRrn", "reports", {"log/rep7.log"}},
        {"btnDev", "devices", devices},
        {"btnalarm", "alarms", {"log/alarm.log"}},
        {"btnFileAll", "full", rrn48 + devices + QStringList{"log/rep121.log", "log/rep7.log", "log/alarm.log"}},
    };
    for (const auto& k : kinds) {
        for (bool fileMode : {false, true}) {
            QTest::addRow("%s, %s mode", k.button, fileMode ? "file" : "directory")
                << QString::fromLatin1(k.button) << QString::fromLatin1(k.command) << fileMode << k.written;
        }
    }
}

void RunsTest::sameResultsAsTheBatchProgram() {
    QFETCH(QString, button);
    QFETCH(QString, command);
    QFETCH(bool, fileMode);
    QFETCH(QStringList, written);

    Place place;
    writeCorpus(place.in);
    const QString batchData = place.root + "/batch-data";
    QDir().mkpath(batchData);
    writeLists(place.data);
    writeLists(batchData);

    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    StatusLog status(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.FilList->names(), (QStringList{"a.s12", "b.s12", "c.s12"}));
    // Every box ticked: a single extraction must ignore the choices of the full run.
    tickFullRunBoxes(w);
    ui.Check4->click();
    ui.Check8->click();
    if (fileMode) {
        ui.Optionfile->click();
        ui.FilList->setCurrentRow(0);
    }
    auto* b = w.findChild<QPushButton*>(button);
    QVERIFY(b);
    QVERIFY(runAndWait(w, b));

    QStringList args = {command, "--data-dir", batchData, "--station", "ZARYA-UZEL", "--new-reports", "--new-devices"};
    if (command == "full") args << "--kinds" << "reports,devices,rrn121,alarms,rrn48";
    if (fileMode) args << "--file" << place.in + "/a.s12";
    else args << "--dir" << place.in;
    const BatchResult batch = runBatch(args, place.home);
    QCOMPARE(batch.exitCode, 0);

    for (const char* sub : {"", "/log", "/error"}) {
        const auto mine = filesOf(place.data + sub), theirs = filesOf(batchData + sub);
        QCOMPARE(mine.keys(), theirs.keys());
        for (const QString& name : mine.keys()) QVERIFY2(mine[name] == theirs[name], qPrintable(sub + ('/' + name)));
    }
    for (const QString& f : written) QVERIFY2(!readBytes(place.data + '/' + f).isEmpty(), qPrintable(f));
    // The same texts in the same order; the batch program prints the error count once.
    QCOMPARE(status.collapsedCounts(), batch.statusLines);
}

void RunsTest::controlsDuringARun_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("pause");  // where the run is held
    QTest::newRow("RRN 48") << "btnFile48" << "closing";
    QTest::newRow("RRN 121") << "btnFile121" << "closing";
    QTest::newRow("working list") << "btnFileRrn" << "closing";
    QTest::newRow("devices") << "btnDev" << "closing";
    QTest::newRow("alarms") << "btnalarm" << "closing";
    QTest::newRow("full run") << "btnFileAll" << "final";
}

void RunsTest::controlsDuringARun() {
    QFETCH(QString, button);
    QFETCH(QString, pause);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    tickFullRunBoxes(w);
    QSignalSpy finished(&w, &MainWindow::runFinished);
    QSignalSpy cleared(&w, &MainWindow::outputsCleared);
    RunHold hold(w, pause.toLatin1().constData());

    QWidget* const runCommands[] = {ui.btnFile48, ui.btnFile121, ui.btnFileRrn, ui.btnDev,  ui.btnalarm,
                                    ui.btnFileAll, ui.btnErrNum, ui.DrvList,    ui.dirList, ui.ExtList};
    QWidget* const liveControls[] = {ui.Optionfile, ui.OptionDir, ui.Check4, ui.Check8, ui.exchlist};
    // The commands that open a window, by menu and by toolbar; saving and leaving stay live.
    QAction* const windowItems[] = {ui.mnudisp, ui.mnunastr_RRN, ui.mnunastr_DEV, ui.mnuhlp_info, ui.mnuhlp_about};
    QToolButton* const windowKeys[] = {toolButton(w, "t2"), toolButton(w, "t3"), toolButton(w, "t4"),
                                       toolButton(w, "t5")};
    QAction* const liveItems[] = {ui.mnufile_save, ui.mnufile_exit};
    QToolButton* const liveKeys[] = {toolButton(w, "t1"), toolButton(w, "t6")};
    for (QWidget* c : runCommands) QVERIFY(c->isEnabled());
    for (QAction* a : windowItems) QVERIFY(a->isEnabled());
    for (QToolButton* b : windowKeys) QVERIFY(b && b->isEnabled());
    QList<qint64> inkAtRest;
    for (QToolButton* b : windowKeys) inkAtRest << ink(b);
    // Stopping is offered only while there is a run to stop.
    QAction* const stopItem = w.findChild<QAction*>("mnufile_stop");
    QVERIFY(stopItem && ui.mnufile->actions().contains(stopItem));
    auto* const stopKey = qobject_cast<QToolButton*>(ui.Toolbar1->widgetForAction(stopItem));
    QVERIFY(!stopItem->isEnabled() && stopKey && !stopKey->isEnabled());

    w.findChild<QPushButton*>(button)->click();
    QVERIFY(hold.waitUntilHeld());
    QVERIFY(w.running());
    QVERIFY(stopItem->isEnabled() && stopKey->isEnabled());
    for (QWidget* c : runCommands) QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    for (QWidget* c : liveControls) QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    for (QAction* a : windowItems) QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    for (QToolButton* b : windowKeys) QVERIFY2(!b->isEnabled(), qPrintable(b->defaultAction()->objectName()));
    // And they look it, as greyed menu items do: faded to less than half of how they stand out.
    for (int i = 0; i < int(std::size(windowKeys)); ++i)
        QVERIFY2(ink(windowKeys[i]) * 2 < inkAtRest[i],
                 qPrintable(QStringLiteral("%1: %2 of %3").arg(windowKeys[i]->defaultAction()->objectName())
                                .arg(ink(windowKeys[i])).arg(inkAtRest[i])));
    for (QAction* a : liveItems) QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    for (QToolButton* b : liveKeys) QVERIFY2(b->isEnabled(), qPrintable(b->defaultAction()->objectName()));
    // A window command given anyway opens nothing.
    for (QAction* a : windowItems) a->trigger();
    for (QToolButton* b : windowKeys) b->click();
    for (const char* name : {"frmDispRes", "FrmHlp", "frmSpisokrrn", "frmSpisokDev", "frmInfo"})
        QVERIFY2(!openWindow(w, name), name);
    QVERIFY(w.findChildren<QDialog*>().isEmpty());
    // What the run reads stays live.
    ui.Check4->click();
    QCOMPARE(w.host().checkState(Search::NewReports), 1);
    ui.exchlist->setEditText(QStringLiteral("ЮГ-1"));
    QCOMPARE(QByteArray::fromStdString(w.host().stationName()), cp1251(QStringLiteral("ЮГ-1")));
    // A second command while one runs is ignored.
    QMetaObject::invokeMethod(&w, "startRrn48");
    QMetaObject::invokeMethod(&w, "startFullRun");

    hold.release();
    QVERIFY(finished.wait(10000));
    QVERIFY(!w.running());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(cleared.size(), 1);
    for (QWidget* c : runCommands) QVERIFY2(c->isEnabled(), qPrintable(c->objectName()));
    for (QAction* a : windowItems) QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    for (QToolButton* b : windowKeys) QVERIFY2(b->isEnabled(), qPrintable(b->defaultAction()->objectName()));
    // And they work again.
    toolButton(w, "t5")->click();
    auto* help = openWindow<HelpWindow>(w, "FrmHlp");
    QVERIFY(help && help->isVisible());
    QCOMPARE(ui.LabelInfo->text(), kStopAfterRun);
    QCOMPARE(int(ui.LabelInfo->text().at(0).unicode()), int('C'));
    QCOMPARE(ui.ProgressBar1->value(), 0);
    QCOMPARE(w.runner().context().inFullRun(), false);
}

void RunsTest::stateAfterARun_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("files");
    for (const QString& b : {QStringLiteral("btnFile48"), QStringLiteral("btnFileAll")})
        for (int n : {0, 1, 3}) QTest::addRow("%s over %d files", qPrintable(b), n) << b << n;
}

void RunsTest::stateAfterARun() {
    QFETCH(QString, button);
    QFETCH(int, files);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    const char* names[] = {"a.s12", "b.s12", "c.s12"};
    for (int i = files; i < 3; ++i) QFile::remove(place.in + '/' + names[i]);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.FilList->count(), files);
    tickFullRunBoxes(w);
    QVERIFY(runAndWait(w, w.findChild<QPushButton*>(button)));
    QCOMPARE(ui.LabelInfo->text(), kStopAfterRun);
    QCOMPARE(int(ui.LabelInfo->text().at(0).unicode()), int('C'));
    QCOMPARE(ui.ProgressBar1->value(), 0);
    QCOMPARE(ui.ProgressBar1->minimum(), 0);
    QVERIFY(ui.ProgressBar1->minimum() < ui.ProgressBar1->maximum());
    // One below the number of listed files, where that is above the minimum.
    if (files == 3) QCOMPARE(ui.ProgressBar1->maximum(), 2);
    QCOMPARE(w.runner().context().inFullRun(), false);
    QCOMPARE(w.runner().context().progressCount(), 0);
}

void RunsTest::statusAndSelectionFollowTheWalk() {
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    StatusLog status(w);
    QList<int> selections, values;
    connect(&w.host(), &RunHost::fileSelected, &w, [&](int i) { selections << i; });
    connect(&w.host(), &RunHost::progressValue, &w, [&](int v) { values << v; });
    QSignalSpy bar(ui.ProgressBar1, &QProgressBar::valueChanged);
    QCOMPARE(ui.FilList->currentRow(), -1);

    QVERIFY(runAndWait(w, ui.btnFile48));
    // In-progress text, end of the walk, the analysis with its count of the three lines,
    // the report, and the rest text.
    QCOMPARE(status.collapsedCounts(), (QStringList{kRrn48Dir, kDirDone, kCount + "3", kComposing, kStopAfterRun}));
    QVERIFY(selections.size() >= 3);
    QCOMPARE(selections.mid(0, 3), (QList<int>{0, 1, 2}));
    QCOMPARE(ui.FilList->currentRow(), 2);
    // Cleared to 0, then 0, 1, 2 before the three files, then back to 0.
    QCOMPARE(values, (QList<int>{0, 0, 1, 2, 0}));
    QCOMPARE(bar.size(), 3);  // the bar shows the changes among them
    QCOMPARE(bar[0][0].toInt(), 1);
    QCOMPARE(bar[1][0].toInt(), 2);
    QCOMPARE(bar[2][0].toInt(), 0);
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), allRep48Lines());
}

void RunsTest::modeSwitchDuringTheWalk_data() {
    QTest::addColumn<bool>("byRadioButton");
    QTest::newRow("the user selects Optionfile") << true;
    QTest::newRow("the mode given to the run directly") << false;
}

void RunsTest::modeSwitchDuringTheWalk() {
    QFETCH(bool, byRadioButton);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QVERIFY(ui.OptionDir->isChecked());
    StatusLog status(w);
    std::atomic<bool> switched{false};
    // At the first file, on the run's thread: the click itself has to happen on the window's.
    connect(
        &w.host(), &RunHost::fileSelected, &w.host(),
        [&](int index) {
            if (index != 0 || switched.exchange(true)) return;
            if (byRadioButton)
                QMetaObject::invokeMethod(ui.Optionfile, [&] { ui.Optionfile->click(); }, Qt::BlockingQueuedConnection);
            else
                w.host().setFileMode(true);
        },
        Qt::DirectConnection);

    QVERIFY(runAndWait(w, ui.btnFile48));
    QVERIFY(switched);
    QCOMPARE(status.collapsedCounts(), (QStringList{kRrn48Dir, kFileDone, kCount + "1", kComposing, kStopAfterRun}));
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), corpusRep48Line(0));
    const QByteArray stat = readBytes(place.data + "/error/errorstat");
    QVERIFY(stat.contains("  a.s12   "));
    QVERIFY(!stat.contains("b.s12"));
    QCOMPARE(ui.FilList->currentRow(), 0);
    if (byRadioButton) {
        QVERIFY(ui.Optionfile->isChecked());
        QVERIFY(!ui.OptionDir->isChecked());
    }
}

void RunsTest::closingDuringARun_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("holdAt");  // a pause, or "file 2": when the walk reaches the second file
    QTest::addColumn<QString>("closeBy");
    QTest::newRow("RRN 48 between the passes of the analysis") << "btnFile48" << "analysis" << "close box";
    QTest::newRow("RRN 48 at its closing pause, t6") << "btnFile48" << "closing" << "t6";
    QTest::newRow("full run at its final pause, &Выход") << "btnFileAll" << "final" << "exit";
    QTest::newRow("RRN 48 in the walk") << "btnFile48" << "file 2" << "close box";
    QTest::newRow("alarms in the walk, t6") << "btnalarm" << "file 2" << "t6";
    // Stopping ends the run the same way and leaves the window open.
    QTest::newRow("RRN 48 in the walk, Escape") << "btnFile48" << "file 2" << "Escape";
    QTest::newRow("alarms in the walk, stop button") << "btnalarm" << "file 2" << "stop button";
    QTest::newRow("full run in the walk, Escape") << "btnFileAll" << "file 2" << "Escape";
    QTest::newRow("RRN 48 between the passes of the analysis, stop item") << "btnFile48" << "analysis" << "stop item";
}

void RunsTest::closingDuringARun() {
    QFETCH(QString, button);
    QFETCH(QString, holdAt);
    QFETCH(QString, closeBy);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    const auto lists = filesOf(place.data);
    RecordingStarter starter;
    auto w = std::make_unique<MainWindow>(place.options(&starter));
    const Controls ui(*w);
    QVERIFY(ui.dirList->setPath(place.in));
    tickFullRunBoxes(*w);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));

    std::unique_ptr<RunHold> pauseHold;
    QSemaphore atFile, never;
    const std::atomic<bool>* stop = w->host().stopFlag();
    if (holdAt == "file 2") {
        connect(
            &w->host(), &RunHost::fileSelected, &w->host(),
            [&, stop](int index) {
                if (index != 1) return;
                atFile.release();
                const QDeadlineTimer limit(5000);
                while (!never.tryAcquire(1, 10) && !stop->load() && !limit.hasExpired()) {
                }
            },
            Qt::DirectConnection);
    } else {
        pauseHold = std::make_unique<RunHold>(*w, holdAt.toLatin1().constData());
    }

    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    StatusLog status(*w);
    w->findChild<QPushButton*>(button)->click();
    QVERIFY(pauseHold ? pauseHold->waitUntilHeld() : atFile.tryAcquire(1, 10000));
    QVERIFY(w->running());
    const bool stopOnly = closeBy == "Escape" || closeBy.startsWith("stop");
    QAction* stopCommand = w->findChild<QAction*>("mnufile_stop");
    QVERIFY(stopCommand && stopCommand->isEnabled());
    if (stopOnly) {
        QSignalSpy finished(w.get(), &MainWindow::runFinished);
        if (closeBy == "Escape") QTest::keyClick(w.get(), Qt::Key_Escape);
        else if (closeBy == "stop button")
            QTest::mouseClick(ui.Toolbar1->widgetForAction(stopCommand), Qt::LeftButton);
        else stopCommand->trigger();
        QVERIFY(finished.wait(10000) || !finished.isEmpty());
        QVERIFY(w->isVisible());
        QVERIFY(!stopCommand->isEnabled());
        QCOMPARE(status.texts.mid(status.texts.size() - 2),
                 (QStringList{QStringLiteral("Обработка остановлена"), kStopAfterRun}));
        QCOMPARE(ui.ProgressBar1->value(), 0);
    } else if (closeBy == "close box") {
        QVERIFY(w->close());
    } else if (closeBy == "t6") {
        QAction* t6 = w->findChild<QAction*>("t6");
        qobject_cast<QToolButton*>(ui.Toolbar1->widgetForAction(t6))->click();
    } else {
        ui.mnufile_exit->trigger();
    }
    QVERIFY(!w->running());
    QVERIFY(w->isVisible() == stopOnly);
    QVERIFY(w->runner().outcome().stopped);  // ended by the close, not run to its end
    if (!stopOnly) w.reset();  // returns: no run is left to wait for

    // What the run left: whole files only, the lists untouched, nothing temporary.
    const QByteArray rep48 = readBytes(place.data + "/log/rep48.log");
    const bool hasStat = QFileInfo::exists(place.data + "/error/errorstat");
    if (holdAt == "analysis") {
        QCOMPARE(rep48, allRep48Lines());
        QVERIFY(!hasStat);
    } else if (holdAt == "closing" || holdAt == "final") {
        QCOMPARE(rep48, allRep48Lines());
        QVERIFY(hasStat);
        if (holdAt == "final") QVERIFY(!readBytes(place.data + "/log/alarm.log").isEmpty());
    } else if (button == "btnFile48") {
        // What was read before the stop is written, in whole lines.
        QCOMPARE(rep48, corpusRep48Line(0));
        QVERIFY(!hasStat);
    } else if (button == "btnalarm") {
        const QByteArray alarms = readBytes(place.data + "/log/alarm.log");
        QVERIFY(alarms.contains("ALARM ONE") && !alarms.contains("ALARM TWO") && alarms.endsWith("\r\n"));
    } else {
        QVERIFY(rep48.isEmpty() && !hasStat);
    }
    const auto after = filesOf(place.data);
    QCOMPARE(after, lists);
    if (!stopOnly) return;
    // The window goes on: the next run runs to its end.
    pauseHold.reset();
    w->host().pauseHook = nullptr;
    disconnect(&w->host(), &RunHost::fileSelected, &w->host(), nullptr);
    QVERIFY(runAndWait(*w, ui.btnFile48));
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), allRep48Lines());
    QVERIFY(QFileInfo::exists(place.data + "/error/errorstat"));
}

void RunsTest::busyDataDirectoryStartsNothing() {
    // Another program's run holds the data directory: the button says so and touches nothing.
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    const auto busyText = [](pid_t pid) { return QStringLiteral("Каталог данных занят: идёт обработка (PID %1)").arg(pid); };
    auto holder = std::make_unique<kalvimo::test::BusyDataDir>(KALVIMO_BATCH, place.data.toStdString(),
                                                               place.root.toStdString());
    QVERIFY(holder->holding());
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));

    // Saving is refused the same way; once that run is gone, the line is back at rest.
    QTest::mouseClick(toolButton(w, "t1"), Qt::LeftButton);
    QCOMPARE(ui.LabelInfo->text(), QStringLiteral("Настройки не сохранены: ") + busyText(holder->pid()));
    holder.reset();
    QTRY_COMPARE(ui.LabelInfo->text(), kStopAtStart);

    holder = std::make_unique<kalvimo::test::BusyDataDir>(KALVIMO_BATCH, place.data.toStdString(),
                                                          place.root.toStdString());
    QVERIFY(holder->holding());
    writeBytes(place.data + "/log/old.log", "old");
    const auto before = filesOf(place.data + "/log");
    StatusLog status(w);
    QVERIFY(runAndWait(w, ui.btnFile48));
    const QString busy = busyText(holder->pid());
    QCOMPARE(status.texts, QStringList{busy});
    QCOMPARE(ui.LabelInfo->text(), busy);
    QCOMPARE(filesOf(place.data + "/log"), before);
    QVERIFY(!QFileInfo::exists(place.data + "/error/errorstat"));

    // Another run that takes its place is named, or the line is at rest; never the run that ended.
    holder.reset();
    holder = std::make_unique<kalvimo::test::BusyDataDir>(KALVIMO_BATCH, place.data.toStdString(),
                                                          place.root.toStdString());
    QVERIFY(holder->holding());
    QTRY_VERIFY(ui.LabelInfo->text() != busy);
    QVERIFY2(ui.LabelInfo->text() == busyText(holder->pid()) || ui.LabelInfo->text() == kStopAfterRun,
             qPrintable(ui.LabelInfo->text()));
    holder.reset();
    QTRY_COMPARE(ui.LabelInfo->text(), kStopAfterRun);
}
