// The choice of input (drives and the pattern), the menus and the toolbar, and the
// statistics button.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <cstdio>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMap>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "platform/qt/list_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_tests.h"
#include "tests/qt_controls.h"
#include "views/about_window.h"
#include "views/help_window.h"
#include "views/results_window.h"

using namespace kalvimo;
using namespace kalvimo::apptest;

namespace {

const QString kDriveFailed = QStringLiteral("Не доступно выбранное вами устройство");

}  // namespace

// ---- drives ----

void ControlsTest::unreadableDrive_data() {
    QTest::addColumn<int>("driveMs");
    QTest::newRow("no drive pause") << 0;
    QTest::newRow("a short drive pause") << 30;
}

void ControlsTest::unreadableDrive() {
    QFETCH(int, driveMs);
    Place place;
    const QString noMedium = place.root + "/no-medium";
    RecordingStarter starter;
    MainWindowOptions options = place.options(&starter);
    options.driveRoots << noMedium;
    options.pauses.driveMs = driveMs;
    MainWindow w(options);
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.DrvList->drive(), QStringLiteral("c:"));
    StatusLog status(w);

    const int bad = ui.DrvList->findText(noMedium);
    QVERIFY(bad > 0);
    ui.DrvList->setCurrentIndex(bad);
    if (driveMs > 0) {
        // The message stays for the pause, and the drive list waits with it.
        QCOMPARE(ui.LabelInfo->text(), kDriveFailed);
        QVERIFY(!ui.DrvList->isEnabled());
        QTRY_COMPARE(ui.LabelInfo->text(), kStopAfterRun);
    }
    QCOMPARE(status.texts, (QStringList{kDriveFailed, kStopAfterRun}));
    QCOMPARE(int(ui.LabelInfo->text().at(0).unicode()), int('C'));
    QCOMPARE(ui.DrvList->drive(), QStringLiteral("c:"));
    QVERIFY(ui.DrvList->isEnabled());
    QCOMPARE(ui.dirList->path(), place.home);
    QCOMPARE(ui.FilList->path(), place.home);
    QCOMPARE(w.currentDirectory(), place.home);
}

void ControlsTest::readableDrives() {
    Place place;
    writeBytes(place.home + "/h.s12", "x\r\n");
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    StatusLog status(w);
    ui.DrvList->setDrive(QStringLiteral("/"));
    QCOMPARE(ui.dirList->path(), QStringLiteral("/"));
    QCOMPARE(w.currentDirectory(), QStringLiteral("/"));
    QCOMPARE(ui.FilList->path(), QStringLiteral("/"));
    ui.DrvList->setDrive(QStringLiteral("c:"));
    QCOMPARE(w.currentDirectory(), place.home);
    QCOMPARE(ui.FilList->names(), QStringList{"h.s12"});
    QVERIFY(status.texts.isEmpty());
    // A directory chosen in the list carries the drive with it.
    QVERIFY(ui.dirList->setPath(QStringLiteral("/")));
    QCOMPARE(ui.DrvList->drive(), QStringLiteral("/"));
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.DrvList->drive(), QStringLiteral("c:"));
}

// ---- pattern ----

void ControlsTest::patternTakesEffectAtEveryKeystroke() {
    Place place;
    for (const char* name : {"a.s12", "b.log", "c.LOG", "d.txt", "x.l", "y.lo", "z."})
        writeBytes(place.in + '/' + name, "x\r\n");
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.FilList->names(), QStringList{"a.s12"});

    QLineEdit* edit = ui.ExtList->lineEdit();
    edit->clear();
    QCOMPARE(ui.FilList->pattern(), QString());
    QCOMPARE(ui.FilList->count(), 0);  // an empty pattern matches nothing

    const struct {
        char key;
        QStringList shown;
    } steps[] = {
        {'*', {"a.s12", "b.log", "c.LOG", "d.txt", "x.l", "y.lo", "z."}},
        {'.', {"z."}},
        {'l', {"x.l"}},
        {'o', {"y.lo"}},
        {'g', {"b.log", "c.LOG"}},
    };
    QString typed;
    for (const auto& s : steps) {
        QTest::keyClick(edit, s.key);
        typed += QLatin1Char(s.key);
        QCOMPARE(ui.FilList->pattern(), typed);
        QCOMPARE(ui.FilList->names(), s.shown);
    }
    QCOMPARE(ui.FilList->path(), place.in);
    QCOMPARE(w.currentDirectory(), place.in);

    // Choosing an entry of the list works the same way.
    ui.ExtList->setCurrentIndex(ui.ExtList->findText(QStringLiteral("*.*")));
    QCOMPARE(ui.FilList->names(), (QStringList{"a.s12", "b.log", "c.LOG", "d.txt", "x.l", "y.lo", "z."}));
}

// ---- toolbar and menus ----

void ControlsTest::toolbarButtons_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("tip");
    QTest::newRow("t1") << "t1" << QStringLiteral("Сохранить настройки");
    QTest::newRow("t2") << "t2" << QStringLiteral("Промотр результатов обработки");
    QTest::newRow("t3") << "t3" << QStringLiteral("Настроить список RRN");
    QTest::newRow("t4") << "t4" << QStringLiteral("Настроить список устройств");
    QTest::newRow("t5") << "t5" << QStringLiteral("Информация для пользователя");
    QTest::newRow("t6") << "t6" << QStringLiteral("Выход из программы");
    QTest::newRow("t7") << "t7" << QStringLiteral("Остановить обработку");
}

void ControlsTest::toolbarButtons() {
    QFETCH(QString, key);
    QFETCH(QString, tip);
    Place place;
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    const QList<QAction*> actions = ui.Toolbar1->actions();
    QCOMPARE(actions.size(), 7);
    const int index = key.mid(1).toInt() - 1;
    QAction* a = actions[index];  // left to right
    // The stop command is the menu's own action: enabled only during a run, with Escape.
    const bool stop = key == "t7";
    QCOMPARE(a->objectName(), stop ? QStringLiteral("mnufile_stop") : key);
    QCOMPARE(a->data().toString(), key);
    QCOMPARE(a->toolTip(), tip);
    QCOMPARE(a->isEnabled(), !stop);
    QCOMPARE(a->shortcut(), stop ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    auto* b = qobject_cast<QToolButton*>(ui.Toolbar1->widgetForAction(a));
    QVERIFY(b);
    QCOMPARE(b->isEnabled(), !stop);
    QVERIFY(!b->icon().isNull());
    // Only the first shows a caption.
    if (key == "t1") {
        QCOMPARE(a->text(), QStringLiteral("Сохранить"));
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    } else {
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
}

void ControlsTest::menuItems_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("under");  // the menu it is in, empty for the menu bar
    QTest::newRow("mnufile") << "mnufile" << QStringLiteral("&Файл") << "";
    QTest::newRow("mnufile_save") << "mnufile_save" << QStringLiteral("&Сохранить настройки") << "mnufile";
    QTest::newRow("mnufile_stop") << "mnufile_stop" << QStringLiteral("&Остановить обработку") << "mnufile";
    QTest::newRow("mnufile_exit") << "mnufile_exit" << QStringLiteral("&Выход") << "mnufile";
    QTest::newRow("mnudisp") << "mnudisp" << QStringLiteral("&Просмотр") << "";
    QTest::newRow("mnudisp_results") << "mnudisp_results" << QStringLiteral("&Результаты обработки") << "mnudisp_menu";
    QTest::newRow("mnudisp_charts") << "mnudisp_charts" << QStringLiteral("&Графики ошибок") << "mnudisp_menu";
    QTest::newRow("mnunastr") << "mnunastr" << QStringLiteral("&Настройка") << "";
    QTest::newRow("mnunastr_RRN") << "mnunastr_RRN" << QStringLiteral("&Настройка списка RRN") << "mnunastr";
    QTest::newRow("mnunastr_DEV") << "mnunastr_DEV" << QStringLiteral("&Настройка списка устройств") << "mnunastr";
    QTest::newRow("mnuhlp") << "mnuhlp" << QStringLiteral("&Помошь") << "";
    QTest::newRow("mnuhlp_info") << "mnuhlp_info" << QStringLiteral("&Информация для пользователей") << "mnuhlp";
    QTest::newRow("mnuhlp_about") << "mnuhlp_about" << QStringLiteral("&О программе") << "mnuhlp";
}

void ControlsTest::menuItems() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, under);
    Place place;
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    // A submenu stands in the bar by its menu action.
    QAction* a = nullptr;
    if (auto* m = w.findChild<QMenu*>(name)) a = m->menuAction();
    else a = w.findChild<QAction*>(name);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
    const bool stop = name == "mnufile_stop";  // only during a run, and by Escape
    QCOMPARE(a->isEnabled(), !stop);
    QCOMPARE(a->shortcut(), stop ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    const QList<QAction*> siblings = under.isEmpty() ? w.menuBar()->actions() : w.findChild<QMenu*>(under)->actions();
    QVERIFY(siblings.contains(a));
    if (under.isEmpty()) {
        QStringList bar;
        for (QAction* b : w.menuBar()->actions()) bar << b->text();
        QCOMPARE(bar, (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Просмотр"), QStringLiteral("&Настройка"),
                                   QStringLiteral("&Помошь")}));
        // A click in the bar drops "&Просмотр" down; the action itself still opens the results.
        if (name == "mnudisp") QCOMPARE(a->menu(), w.findChild<QMenu*>("mnudisp_menu"));
    } else {
        // The items of each submenu, in order.
        const QMap<QString, QStringList> items = {
            {"mnufile", {"mnufile_save", "mnufile_stop", "mnufile_exit"}},
            {"mnudisp_menu", {"mnudisp_results", "mnudisp_charts"}},
            {"mnunastr", {"mnunastr_RRN", "mnunastr_DEV"}},
            {"mnuhlp", {"mnuhlp_info", "mnuhlp_about"}},
        };
        QStringList names;
        for (QAction* b : siblings) names << b->objectName();
        QCOMPARE(names, items.value(under));
    }
}

void ControlsTest::t1SavesLikeTheMenu() {
    Place place;
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    ui.Check3->click();
    ui.Check8->click();
    ui.exchlist->setEditText(QStringLiteral("ЮГ-1"));
    const QString ini = place.dataFile("Kalvimo.ini");
    ui.mnufile_save->trigger();
    const QByteArray byMenu = readBytes(ini);
    QVERIFY(byMenu.startsWith(cp1251(place.in + QStringLiteral("\r\nЮГ-1\r\n"))));
    QVERIFY(QFile::remove(ini));
    toolButton(w, "t1")->click();
    QCOMPARE(readBytes(ini), byMenu);
}

void ControlsTest::closeCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("windowsOpen");  // the results and help windows open beside it
    for (bool open : {false, true}) {
        const char* beside = open ? ", results and help open" : "";
        QTest::addRow("toolbar t6%s", beside) << "t6" << open;
        QTest::addRow("menu &Выход%s", beside) << "exit" << open;
        QTest::addRow("close box%s", beside) << "close" << open;
    }
}

void ControlsTest::closeCommands() {
    QFETCH(QString, command);
    QFETCH(bool, windowsOpen);
    Place place;
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (windowsOpen) {
        ui.mnudisp->trigger();
        ui.mnuhlp_info->trigger();
        auto* results = openWindow<ResultsWindow>(w, "frmDispRes");
        auto* help = openWindow<HelpWindow>(w, "FrmHlp");
        QVERIFY(results && results->isVisible());
        QVERIFY(help && help->isVisible());
    }
    if (command == "t6") toolButton(w, "t6")->click();
    else if (command == "exit") ui.mnufile_exit->trigger();
    else QVERIFY(w.close());
    QVERIFY(!w.isVisible());
    // No window of ours is left running without the main window.
    for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible(), qPrintable(top->objectName() + ' ' + top->metaObject()->className()));
    QTRY_VERIFY(!openWindow(w, "frmDispRes") && !openWindow(w, "FrmHlp"));
    QVERIFY(!QFile::exists(place.dataFile("Kalvimo.ini")));  // nothing is saved
}

// ---- statistics ----

void ControlsTest::statisticsButton_data() {
    QTest::addColumn<QString>("viewer");  // none, executable, plain (not executable)
    QTest::addColumn<bool>("errorstat");
    QTest::addColumn<bool>("succeed");
    QTest::addColumn<QString>("call");  // start (wordpad.exe) or view (the program's viewer)
    QTest::addColumn<bool>("failureShown");
    QTest::newRow("viewer in the data directory") << "executable" << true << true << "start" << false;
    QTest::newRow("viewer before any RRN 48 run") << "executable" << false << true << "start" << false;
    QTest::newRow("no viewer: the program's viewer opens it") << "none" << true << true << "view" << false;
    QTest::newRow("viewer that is not executable") << "plain" << true << true << "view" << false;
    QTest::newRow("viewer does not start") << "executable" << true << false << "start" << true;
    // What is wrong with the file the program's viewer shows itself.
    QTest::newRow("no viewer and no errorstat") << "none" << false << true << "view" << false;
    QTest::newRow("no viewer: the desktop is not asked") << "none" << true << false << "view" << false;
}

void ControlsTest::statisticsButton() {
    QFETCH(QString, viewer);
    QFETCH(bool, errorstat);
    QFETCH(bool, succeed);
    QFETCH(QString, call);
    QFETCH(bool, failureShown);
    Place place;
    const QString wordpad = place.dataFile("wordpad.exe");
    const QString stat = place.data + "/error/errorstat";
    if (viewer != "none") {
        writeBytes(wordpad, "#!/bin/sh\n");
        if (viewer == "executable")
            QFile::setPermissions(wordpad, QFile::permissions(wordpad) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }
    RecordingStarter starter;
    starter.succeed = succeed;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    if (errorstat) writeBytes(stat, "stat\r\n");

    ui.btnErrNum->click();
    QCOMPARE(starter.calls.size(), 1);
    QCOMPARE(starter.calls[0].kind, call);
    QCOMPARE(starter.calls[0].path, call == "start" ? wordpad : stat);
    QCOMPARE(starter.calls[0].arguments, call == "start" ? QStringList{stat} : QStringList{});
    if (failureShown) {
        const QString shown = ui.LabelInfo->text();
        QVERIFY(shown != kStopAtStart);
        QVERIFY2(shown.contains(call == "start" ? wordpad : stat), qPrintable(shown));
    } else {
        QCOMPARE(ui.LabelInfo->text(), kStopAtStart);
    }

    // The window stays usable: once the cause is gone the button works.
    QVERIFY(ui.btnErrNum->isEnabled());
    starter.succeed = true;
    writeBytes(stat, "stat\r\n");
    const int before = int(starter.calls.size());
    ui.btnErrNum->click();
    QCOMPARE(int(starter.calls.size()), before + 1);
    QVERIFY(runAndWait(w, ui.btnalarm));
    QCOMPARE(ui.LabelInfo->text(), kStopAfterRun);
}

// ---- input names that are not UTF-8, and skipped files after a run ----

void ControlsTest::oddFileNamesAreReadAndSkipsAreNoted() {
    Place place;
    const QByteArray alarm = cp1251Lines({QStringLiteral("  ZARYA-UZEL"), "  T", "                    00011  P", "4", "5",
                                          "6", "7", "8", "9", "  ALARM LINE", ""});
    // A name in Windows-1251 bytes ("АБ.s12"), as printouts copied from elsewhere may have.
    const std::string odd = place.in.toStdString() + "/\xC0\xC1.s12";
    // Qt cannot remove a name that is not UTF-8, so the test does, or /tmp keeps the directory.
    struct RemoveAtEnd {
        std::string path;
        ~RemoveAtEnd() { ::unlink(path.c_str()); }
    } removeOdd{odd};
    {
        std::FILE* f = std::fopen(odd.c_str(), "wb");
        QVERIFY(f);
        std::fwrite(alarm.constData(), 1, static_cast<size_t>(alarm.size()), f);
        std::fclose(f);
    }
    QVERIFY(QDir().mkpath(place.in + "/z.s12"));  // a directory, not listed
    writeBytes(place.in + "/y.s12", alarm);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    QCOMPARE(ui.FilList->count(), 2);
    QSignalSpy finished(&w, &MainWindow::runFinished);
    ui.btnalarm->click();
    QVERIFY(finished.wait(10000));
    QCOMPARE(readBytes(place.dataFile("log/alarm.log")), QByteArray("  ALARM LINE\r\n  ALARM LINE\r\n"));
    QCOMPARE(ui.LabelInfo->text(), kStopAfterRun);

    // A file that cannot be read is skipped; the status line says so once the run is over.
    QVERIFY(::unlink((place.in.toStdString() + "/y.s12").c_str()) == 0);
    QVERIFY(::symlink("/nonexistent/target", (place.in.toStdString() + "/y.s12").c_str()) == 0);
    ui.FilList->refresh();
    QCOMPARE(ui.FilList->count(), 1);  // a dangling link is no regular file
    QVERIFY(::unlink((place.in.toStdString() + "/y.s12").c_str()) == 0);
    QVERIFY(QDir().mkpath(place.in + "/y.s12"));  // vanishes into a directory after the listing
    writeBytes(place.in + "/x.s12", alarm);
    ui.FilList->refresh();
    QCOMPARE(ui.FilList->count(), 2);
    QVERIFY(::unlink((place.in.toStdString() + "/x.s12").c_str()) == 0);
    StatusLog status(w);
    ui.btnalarm->click();
    QVERIFY(finished.wait(10000));
    QCOMPARE(ui.LabelInfo->text(), kStopAfterRun + QStringLiteral(" (пропущено файлов: 1)"));

    // Which file and why stays readable after the run: in the tooltip, and in a window that a
    // click on the status line opens.
    const QStringList skips = status.texts.filter(QStringLiteral("; файл пропущен"));
    QCOMPARE(skips.size(), 1);
    QVERIFY2(skips[0].contains(place.in + "/x.s12"), qPrintable(skips[0]));
    QVERIFY2(ui.LabelInfo->toolTip().contains(skips[0]), qPrintable(ui.LabelInfo->toolTip()));
    QTest::mouseClick(ui.LabelInfo, Qt::LeftButton);
    auto* failures = openWindow<QDialog>(w, "runFailures");
    QVERIFY(failures && failures->isVisible());
    QCOMPARE(kalvimo::test::control<QPlainTextEdit>(*failures, "runFailuresText")->toPlainText(), skips[0]);
}
