// The windows the main window opens: which command opens which, modal or not, never two of
// one kind; the list windows read their files at each opening and their changes reach the
// next run; a run closes the results window; the results window reports on the status line.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <unistd.h>

#include "platform/qt/list_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_tests.h"
#include "tests/qt_controls.h"
#include "views/about_window.h"
#include "views/charts_window.h"
#include "views/device_list_window.h"
#include "views/help_window.h"
#include "views/report_list_window.h"
#include "views/results_window.h"
#include "views/sorted_list_box.h"
#include "views/text_document.h"

using namespace kalvimo;
using namespace kalvimo::apptest;
using kalvimo::test::control;

namespace {

// A menu item by its name, or a toolbar button by its key, as the user gives it.
void give(MainWindow& w, const QString& command) {
    if (QToolButton* b = toolButton(w, command.toLatin1().constData())) {
        b->click();
        return;
    }
    auto* a = w.findChild<QAction*>(command);
    QVERIFY2(a, qPrintable(command));
    a->trigger();
}

// The window the main window holds under the given name, while it is open.
QWidget* held(MainWindow& w, const QString& name) { return openWindow(w, name); }

int windowsNamed(MainWindow& w, const QString& name) {
    return int(w.findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly).size());
}

// Closes the window by its own exit button, or by its frame when it has none.
void closeByItsOwnControl(QWidget* window) {
    for (const char* name : {"btnExit", "btnQuit", "Command1"}) {
        if (auto* b = window->findChild<QPushButton*>(QString::fromLatin1(name))) {
            b->click();
            return;
        }
    }
    window->close();
}

// A left click that goes through the window system, so that a modal window can block it.
void clickThroughWindowSystem(QWidget* target) {
    QWindow* window = target->window()->windowHandle();
    QVERIFY(window);
    const QPoint at = window->mapFromGlobal(target->mapToGlobal(target->rect().center()));
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

QStringList itemTexts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QStringList comboItems(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

void appendBytes(const QString& path, const QByteArray& bytes) { writeBytes(path, readBytes(path) + bytes); }

// The names a results window should list for a directory, in any order.
QStringList sortedNames(QStringList names) {
    names.sort(Qt::CaseInsensitive);
    return names;
}

}  // namespace

// ---- which window, modal or not ----

void WindowsTest::commandsOpenTheirWindow_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("modal");
    const QString results = QStringLiteral("Результаты обработки"), help = QStringLiteral("Помощь");
    const QString rrn = QStringLiteral("Настройка списка RRN    "), dev = QStringLiteral("Настройка списка устройств    ");
    QTest::newRow("&Просмотр") << "mnudisp" << "frmDispRes" << results << false;
    QTest::newRow("t2") << "t2" << "frmDispRes" << results << false;
    QTest::newRow("&Результаты обработки") << "mnudisp_results" << "frmDispRes" << results << false;
    QTest::newRow("&Графики ошибок") << "mnudisp_charts" << "frmCharts" << QStringLiteral("Графики ошибок") << false;
    QTest::newRow("&Информация для пользователей") << "mnuhlp_info" << "FrmHlp" << help << false;
    QTest::newRow("t5") << "t5" << "FrmHlp" << help << false;
    QTest::newRow("&О программе") << "mnuhlp_about" << "frmInfo" << QStringLiteral("О программе") << true;
    QTest::newRow("&Настройка списка RRN") << "mnunastr_RRN" << "frmSpisokrrn" << rrn << true;
    QTest::newRow("t3") << "t3" << "frmSpisokrrn" << rrn << true;
    QTest::newRow("&Настройка списка устройств") << "mnunastr_DEV" << "frmSpisokDev" << dev << true;
    QTest::newRow("t4") << "t4" << "frmSpisokDev" << dev << true;
}

void WindowsTest::commandsOpenTheirWindow() {
    QFETCH(QString, command);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(bool, modal);
    Place place;
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // "Статистика" of the main window serves to see whether the main window answers.
    writeBytes(place.data + "/error/errorstat", "stat\r\n");
    QVERIFY(!held(w, window));

    give(w, command);
    QPointer<QWidget> opened = held(w, window);
    QVERIFY(opened);
    QCOMPARE(opened->objectName(), window);
    QCOMPARE(opened->windowTitle(), caption);
    QVERIFY(opened->isWindow());
    QCOMPARE(opened->parentWidget(), &w);
    QVERIFY(opened->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(opened));
    QCOMPARE(windowsNamed(w, window), 1);
    // Only the window asked for.
    for (const char* other : {"frmDispRes", "frmCharts", "FrmHlp", "frmInfo", "frmSpisokrrn", "frmSpisokDev"})
        if (other != window) QVERIFY2(!held(w, other) && windowsNamed(w, other) == 0, other);

    clickThroughWindowSystem(ui.btnErrNum);
    if (modal) {
        QCOMPARE(opened->windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), opened.data());
        QVERIFY(starter.calls.isEmpty());  // the main window waits
        // Asked again while it is open, bypassing the block: still one window.
        give(w, command);
        QCOMPARE(held(w, window), opened.data());
        QCOMPARE(windowsNamed(w, window), 1);

        closeByItsOwnControl(opened);
        QTRY_VERIFY(opened.isNull());
        QVERIFY(!held(w, window));
        QCOMPARE(windowsNamed(w, window), 0);
        QVERIFY(!QApplication::activeModalWidget());
        clickThroughWindowSystem(ui.btnErrNum);
        QCOMPARE(starter.calls.size(), 1);  // the main window answers again
    } else {
        QCOMPARE(opened->windowModality(), Qt::NonModal);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(starter.calls.size(), 1);  // both stay usable
        QVERIFY(opened->isVisible());

        // Behind the main window: asking again brings the same one forward.
        w.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &w);
        give(w, command);
        QCOMPARE(held(w, window), opened.data());
        QCOMPARE(windowsNamed(w, window), 1);
        QTRY_COMPARE(QApplication::activeWindow(), opened.data());
        // Out of sight: asking again shows the same one.
        opened->hide();
        give(w, command);
        QCOMPARE(held(w, window), opened.data());
        QCOMPARE(windowsNamed(w, window), 1);
        QVERIFY(opened->isVisible());

        closeByItsOwnControl(opened);
        QTRY_VERIFY(opened.isNull());
        QVERIFY(!held(w, window));
        QCOMPARE(windowsNamed(w, window), 0);
    }
    // Closed, it opens anew.
    give(w, command);
    QVERIFY(held(w, window) && held(w, window)->isVisible());
    QCOMPARE(windowsNamed(w, window), 1);
}

// ---- the list windows read their files at each opening ----

void WindowsTest::listWindowsReadTheirFilesAtEachOpening_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("closeBy");
    for (const char* list : {"reports", "devices"})
        for (const char* by : {"btnExit", "close box"}) QTest::addRow("%s, closed by %s", list, by) << list << by;
}

void WindowsTest::listWindowsReadTheirFilesAtEachOpening() {
    QFETCH(QString, list);
    QFETCH(QString, closeBy);
    const bool reports = list == "reports";
    Place place;
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString command = reports ? "mnunastr_RRN" : "mnunastr_DEV";
    const QString name = reports ? "frmSpisokrrn" : "frmSpisokDev";
    // The working list and the catalogue as the window shows them.
    auto shown = [&]() -> QPair<QStringList, QStringList> {
        if (reports)
            return {itemTexts(control<SortedListBox>(*openWindow(w, "frmSpisokrrn"), "ListRrnFor")),
                    itemTexts(control<SortedListBox>(*openWindow(w, "frmSpisokrrn"), "ListRrnAll"))};
        return {itemTexts(control<SortedListBox>(*openWindow(w, "frmSpisokDev"), "ListDev")),
                comboItems(control<QComboBox>(*openWindow(w, "frmSpisokDev"), "ComboAdd"))};
    };

    give(w, command);
    QPointer<QWidget> first = held(w, name);
    QVERIFY(first);
    const QPair<QStringList, QStringList> before =
        reports ? qMakePair(QStringList{"21", "7    "}, QStringList{"121  call failure"})
                : qMakePair(QStringList{"0012/0034/0005 CBR", "0099/0099/0099"}, QStringList{"0012/0034/0005"});
    QCOMPARE(shown(), before);

    // Lines added by hand while it is open.
    if (reports) {
        appendBytes(place.dataFile("reports.ini"), "121  by hand\r\n");
        appendBytes(place.dataFile("allreports.ini"), cp1251(QStringLiteral("48   аномалия\r\n")));
    } else {
        appendBytes(place.dataFile("dev.ini"), "0055/0055/0055  GTS\r\n");
        appendBytes(place.dataFile("alldev.ini"), "0077/0077/0077\r\n");
    }
    // Asked again while open: the same window with the same lists.
    give(w, command);
    QCOMPARE(held(w, name), first.data());
    QCOMPARE(windowsNamed(w, name), 1);
    QCOMPARE(shown(), before);

    if (closeBy == "btnExit") first->findChild<QPushButton*>("btnExit")->click();
    else QVERIFY(first->close());
    QTRY_VERIFY(first.isNull());  // discarded with its lists
    QVERIFY(!held(w, name));
    QCOMPARE(windowsNamed(w, name), 0);

    give(w, command);
    QVERIFY(held(w, name));
    QCOMPARE(windowsNamed(w, name), 1);
    const QPair<QStringList, QStringList> after =
        reports ? qMakePair(QStringList{"121  ", "21", "7    "},
                            QStringList{"121  call failure", QStringLiteral("48   аномалия")})
                : qMakePair(QStringList{"0012/0034/0005 CBR", "0055/0055/0055  GTS", "0099/0099/0099"},
                            QStringList{"0012/0034/0005", "0077/0077/0077"});
    QCOMPARE(shown(), after);
}

// ---- a change in a list window is what the next run processes ----

void WindowsTest::listChangesReachTheNextRun_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("resultFile");
    QTest::addColumn<QByteArrayList>("bodies");  // report bodies the result file must hold
    QTest::newRow("device with a Latin comment")
        << "device" << "0055/0055/0055  GTS" << "GTSrep.log" << QByteArrayList{"BODY 7", "BODY 121"};
    QTest::newRow("device with a Cyrillic comment")
        << "device" << QStringLiteral("0055/0055/0055 ГТС") << QStringLiteral("ГТСrep.log")
        << QByteArrayList{"BODY 7", "BODY 121"};
    QTest::newRow("catalogue line taken to the working list")
        << "pick" << "121  call failure" << "rep121.log" << QByteArrayList{"BODY 121", "BODY 121"};
    QTest::newRow("number typed into the catalogue, then taken")
        << "type" << QStringLiteral("121  повтор") << "rep121.log" << QByteArrayList{"BODY 121", "BODY 121"};
}

void WindowsTest::listChangesReachTheNextRun() {
    QFETCH(QString, how);
    QFETCH(QString, entry);
    QFETCH(QString, resultFile);
    QFETCH(QByteArrayList, bodies);
    const bool device = how == "device";
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    if (device) {
        toolButton(w, "t4")->click();
        QPointer<DeviceListWindow> d = openWindow<DeviceListWindow>(w, "frmSpisokDev");
        QVERIFY(d);
        control<QComboBox>(*d, "ComboAdd")->setEditText(entry);
        control<QPushButton>(*d, "addnew")->click();
        QVERIFY(itemTexts(control<SortedListBox>(*d, "ListDev")).contains(entry));
        control<QPushButton>(*d, "btnExit")->click();
        QTRY_VERIFY(d.isNull());
    } else {
        toolButton(w, "t3")->click();
        QPointer<ReportListWindow> r = openWindow<ReportListWindow>(w, "frmSpisokrrn");
        QVERIFY(r);
        if (how == "type") {
            control<QLineEdit>(*r, "TextAddRrn")->setText(entry);
            control<QPushButton>(*r, "addnew")->click();
        }
        auto* catalogue = control<SortedListBox>(*r, "ListRrnAll");
        const QList<QListWidgetItem*> found = catalogue->findItems(entry, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        catalogue->setCurrentItem(found[0]);
        control<QPushButton>(*r, "addRRN")->click();
        // The whole line while it is open.
        QVERIFY(itemTexts(control<SortedListBox>(*r, "ListRrnFor")).contains(entry));
        control<QPushButton>(*r, "btnExit")->click();
        QTRY_VERIFY(r.isNull());
        // Reopened, it shows the entry.
        ui.mnunastr_RRN->trigger();
        r = openWindow<ReportListWindow>(w, "frmSpisokrrn");
        QVERIFY(r);
        QVERIFY(itemTexts(control<SortedListBox>(*r, "ListRrnFor")).contains(entry.left(5)));
        control<QPushButton>(*r, "btnExit")->click();
        QTRY_VERIFY(r.isNull());
    }

    QVERIFY(runAndWait(w, device ? ui.btnDev : ui.btnFileRrn));
    const auto log = filesOf(place.data + "/log");
    QVERIFY2(log.contains(resultFile), qPrintable(QStringList(log.keys()).join(", ")));
    const QByteArray result = log.value(resultFile);
    for (const QByteArray& body : bodies) QVERIFY2(result.contains(body), body.constData());
    QCOMPARE(int(result.count(bodies.first())), int(bodies.count(bodies.first())));

    // The same as the batch program makes of the list files the window left.
    const QString batchData = place.root + "/batch-data";
    QVERIFY(QDir().mkpath(batchData));
    for (const char* f : {"reports.ini", "allreports.ini", "dev.ini", "alldev.ini", "allerror.ini"})
        writeBytes(batchData + '/' + f, readBytes(place.dataFile(f)));
    const BatchResult batch = runBatch({device ? "devices" : "reports", "--data-dir", batchData, "--station",
                                        "ZARYA-UZEL", "--dir", place.in},
                                       place.home);
    QCOMPARE(batch.exitCode, 0);
    QCOMPARE(log, filesOf(batchData + "/log"));
}

// ---- a run closes the results window ----

void WindowsTest::aRunClosesTheResultsWindow_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("written");  // a result file the run writes into log/; empty: none
    QTest::newRow("Аварии") << "btnalarm" << "alarm.log";
    QTest::newRow("RRN 48") << "btnFile48" << "rep48.log";
    QTest::newRow("Полная") << "btnFileAll" << "rep121.log";
    QTest::newRow("Заданные рапорта refused: the list is empty") << "btnFileRrn" << "";
}

void WindowsTest::aRunClosesTheResultsWindow() {
    QFETCH(QString, button);
    QFETCH(QString, written);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    if (written.isEmpty()) writeBytes(place.dataFile("reports.ini"), "");
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    for (StateCheckBox* b : {ui.Check1, ui.Check5, ui.Check7, ui.Check3, ui.Check2}) b->click();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    writeBytes(place.data + "/log/old.log", "old\r\n");
    writeBytes(place.data + "/error/olderror", "old\r\n");

    ui.mnudisp->trigger();
    QPointer<ResultsWindow> before = openWindow<ResultsWindow>(w, "frmDispRes");
    QVERIFY(before && before->isVisible());
    QCOMPARE(control<FileListBox>(*before, "File1")->names(), QStringList{"old.log"});
    ui.mnuhlp_info->trigger();  // the help window is not the run's business
    QVERIFY(openWindow<HelpWindow>(w, "FrmHlp"));
    // The results window's "Графики ошибок" opens the main window's one charts window, which
    // would show what the run replaces.
    QTest::mouseClick(control<QPushButton>(*before, "btnCharts"), Qt::LeftButton);
    QPointer<ChartsWindow> charts = openWindow<ChartsWindow>(w, "frmCharts");
    QVERIFY(charts && charts->isVisible());
    QVERIFY(!before->findChild<ChartsWindow*>());
    ui.mnudisp_charts->trigger();
    QCOMPARE(openWindow<ChartsWindow>(w, "frmCharts"), charts.data());

    QSignalSpy cleared(&w, &MainWindow::outputsCleared);
    QVERIFY(runAndWait(w, w.findChild<QPushButton*>(button)));
    QCOMPARE(cleared.size(), 1);
    QTRY_VERIFY(before.isNull());
    QTRY_VERIFY(charts.isNull());
    QVERIFY(!openWindow(w, "frmDispRes"));
    QCOMPARE(windowsNamed(w, "frmDispRes"), 0);
    auto* help = openWindow<HelpWindow>(w, "FrmHlp");
    QVERIFY(help && help->isVisible());

    // The next "&Просмотр" lists what this run left.
    ui.mnudisp->trigger();
    ResultsWindow* after = openWindow<ResultsWindow>(w, "frmDispRes");
    QVERIFY(after && after->isVisible());
    QVERIFY(control<QRadioButton>(*after, "OptionRep")->isChecked());
    QStringList logNames = QDir(place.data + "/log").entryList({"*.log"}, QDir::Files);
    if (written.isEmpty()) QVERIFY(logNames.isEmpty());
    else QVERIFY(logNames.contains(written));
    QVERIFY(!logNames.contains("old.log"));
    QCOMPARE(sortedNames(control<FileListBox>(*after, "File1")->names()), sortedNames(logNames));
    control<QRadioButton>(*after, "OptionErr")->click();
    const QStringList errorNames = QDir(place.data + "/error").entryList(QDir::Files);
    QVERIFY(!errorNames.contains("olderror"));
    QCOMPARE(sortedNames(control<FileListBox>(*after, "File1")->names()), sortedNames(errorNames));
}

// ---- the results window reports on the main window's status line ----

void WindowsTest::resultsWindowReportsOnTheStatusLine_data() {
    QTest::addColumn<QString>("action");  // no file, double-click, statistics
    QTest::addColumn<bool>("viewer");      // an executable wordpad.exe in the data directory
    QTest::addColumn<bool>("succeed");     // the starter starts what it is given
    QTest::addColumn<QString>("shown");    // part of the text shown; empty when nothing goes wrong
    QTest::addColumn<QString>("call");     // start (wordpad.exe), view (the program's viewer) or none
    QTest::addColumn<QString>("file");     // in the data directory
    QTest::newRow("no file selected") << "no file" << true << true << QStringLiteral("Файл не выбран") << "none" << "";
    QTest::newRow("viewer does not start") << "double-click" << true << false << "/wordpad.exe" << "start"
                                           << "log/rep48.log";
    QTest::newRow("no viewer: the program's viewer") << "double-click" << false << false << "" << "view"
                                                     << "log/rep48.log";
    QTest::newRow("Статистика without viewer and errorstat") << "statistics" << false << true << "" << "view"
                                                             << "error/errorstat";
    QTest::newRow("the viewer starts") << "double-click" << true << true << "" << "start" << "log/rep48.log";
}

void WindowsTest::resultsWindowReportsOnTheStatusLine() {
    QFETCH(QString, action);
    QFETCH(bool, viewer);
    QFETCH(bool, succeed);
    QFETCH(QString, shown);
    QFETCH(QString, call);
    QFETCH(QString, file);
    Place place;
    const QString wordpad = place.dataFile("wordpad.exe");
    if (viewer) {
        writeBytes(wordpad, "#!/bin/sh\n");
        QFile::setPermissions(wordpad, QFile::permissions(wordpad) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }
    RecordingStarter starter;
    starter.succeed = succeed;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    writeBytes(place.data + "/log/rep48.log", "x\r\n");
    toolButton(w, "t2")->click();
    QPointer<ResultsWindow> r = openWindow<ResultsWindow>(w, "frmDispRes");
    QVERIFY(r);
    QVERIFY(QTest::qWaitForWindowExposed(r));
    auto* files = control<FileListBox>(*r, "File1");
    QCOMPARE(files->names(), QStringList{"rep48.log"});
    QSignalSpy status(&w, &MainWindow::statusShown);

    if (action == "no file") {
        // Nothing a user does opens no row; the window's own command is asked directly.
        files->setCurrentRow(-1);
        QMetaObject::invokeMethod(r.data(), "openSelected");
    } else if (action == "statistics") {
        control<QPushButton>(*r, "btnErrNum")->click();
    } else {
        QWidget* view = files->viewport();
        const QPoint at = files->visualItemRect(files->item(0)).center();
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        QTest::mouseDClick(view, Qt::LeftButton, {}, at);
    }

    if (call == "none") {
        QCOMPARE(starter.calls.size(), 0);
    } else {
        QCOMPARE(starter.calls.size(), 1);
        QCOMPARE(starter.calls[0].kind, call);
        QCOMPARE(starter.calls[0].path, call == "start" ? wordpad : place.dataFile(file));
        QCOMPARE(starter.calls[0].arguments, call == "start" ? QStringList{place.dataFile(file)} : QStringList{});
    }
    if (shown.isEmpty()) {
        QCOMPARE(status.size(), 0);
        QCOMPARE(ui.LabelInfo->text(), kStopAtStart);
    } else {
        QCOMPARE(status.size(), 1);
        const QString text = status[0][0].toString();
        QVERIFY2(text.contains(shown), qPrintable(text));
        QCOMPARE(ui.LabelInfo->text(), text);
    }
    // The results window stays open and the main window usable.
    QVERIFY(r && r->isVisible());
    QVERIFY(ui.btnErrNum->isEnabled());
    QVERIFY(!QApplication::activeModalWidget());
}

// "Открыть в просмотре" in the file list's context menu opens the printout in the program's
// viewer, under its name as the file system holds it, even one that is not UTF-8.
void WindowsTest::printoutOpensInTheViewerFromTheFileList() {
    Place place;
    const std::string odd = place.in.toStdString() + "/\xC0\xC1.s12";  // "АБ.s12" in Windows-1251
    struct RemoveAtEnd {
        std::string path;
        ~RemoveAtEnd() { ::unlink(path.c_str()); }
    } removeOdd{odd};
    std::FILE* f = std::fopen(odd.c_str(), "wb");
    QVERIFY(f);
    std::fclose(f);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.FilList->names(), QStringList{QStringLiteral("АБ.s12")});
    QWidget* list = ui.FilList->viewport();
    const QPoint at = ui.FilList->visualItemRect(ui.FilList->item(0)).center();
    QTest::mouseClick(list, Qt::LeftButton, {}, at);

    // The menu opens on a right click; the user picks its item.
    bool picked = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        QCOMPARE(menu->actions().value(0) ? menu->actions()[0]->text() : QString(), QStringLiteral("Открыть в просмотре"));
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        picked = true;
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, list->mapToGlobal(at));
    QApplication::sendEvent(list, &menuEvent);
    QVERIFY(picked);
    QCOMPARE(starter.calls.size(), 1);
    QCOMPARE(starter.calls[0].kind, QStringLiteral("view"));
    QCOMPARE(pathToBytes(starter.calls[0].path), odd);
    QCOMPARE(ui.LabelInfo->text(), kStopAtStart);
}
