// The main window driven as a person drives it: typing into the combo boxes, tabbing and
// clicking in the lists, keys on focused buttons. The files a run writes show what it took.
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "platform/qt/list_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_tests.h"
#include "tests/qt_typing.h"
#include "tests/unprivileged.h"

using namespace kalvimo;
using namespace kalvimo::apptest;
using kalvimo::test::typeInto;

namespace {

QByteArray allRep48Lines() { return corpusRep48Line(0) + corpusRep48Line(1) + corpusRep48Line(2); }

void showActive(QWidget& w) {
    w.show();
    if (!QTest::qWaitForWindowActive(&w)) qFatal("the window did not become active");
}

void clickRow(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) qFatal("no row %s", qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

QStringList selectedTexts(const QListWidget* list) {
    QStringList out;
    for (const QListWidgetItem* item : list->selectedItems()) out << item->text();
    return out;
}

QStringList shownFolders(const DirListBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text().trimmed();
    return out;
}

}  // namespace

void InputTest::typedTextStaysAsTyped_data() {
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("typed");
    // Entries of the list that begin with what is typed would complete it.
    QTest::newRow("station") << "exchlist" << "ZARYA-UZEL";
    QTest::newRow("pattern") << "ExtList" << "*";
}

void InputTest::typedTextStaysAsTyped() {
    QFETCH(QString, combo);
    QFETCH(QString, typed);
    Place place;
    writeCorpus(place.in);
    writeLists(place.data);
    writeBytes(place.dataFile("exchange.ini"), "ZARYA-UZEL-2\r\nZARYA-UZEL-3\r\n");
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    showActive(w);
    auto* box = w.findChild<QComboBox*>(combo);
    typeInto(box->lineEdit(), typed);
    QCOMPARE(box->currentText(), typed);
    if (combo == "ExtList") {
        QCOMPARE(ui.FilList->names(), (QStringList{"a.s12", "b.s12", "c.s12", "notes.txt"}));
        return;
    }
    // The run looks for the station as typed: every report of the corpus is found.
    QVERIFY(runAndWait(w, ui.btnFile48));
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), allRep48Lines());
}

void InputTest::fileModeTakesOnlyAVisiblySelectedFile() {
    Place place;
    writeCorpus(place.in);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    showActive(w);
    QTest::mouseClick(ui.Optionfile, Qt::LeftButton, {}, QPoint(ui.Optionfile->width() - 8, ui.Optionfile->height() / 2));
    QVERIFY(ui.Optionfile->isChecked());
    // Tabbing into the file list gives it a current row that nobody selected.
    ui.dirList->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.dirList, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.FilList));
    QVERIFY(selectedTexts(ui.FilList).isEmpty());
    StatusLog status(w);
    QVERIFY(runAndWait(w, ui.btnFile48));
    QCOMPARE(status.texts.value(0), QStringLiteral("Файл не выбран"));
    QVERIFY(!QFileInfo::exists(place.data + "/log/rep48.log"));

    clickRow(ui.FilList, "b.s12");
    QVERIFY(runAndWait(w, ui.btnFile48));
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), corpusRep48Line(1));
}

void InputTest::hiddenFoldersStayHidden_data() {
    QTest::addColumn<QString>("at");  // relative to the home directory
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");
    QTest::newRow("home") << "" << QStringList{"in", "visible"} << QStringList{".cache", ".config"};
    QTest::newRow("inside a hidden folder") << ".config" << QStringList{".inner", "app"} << QStringList{};
}

void InputTest::hiddenFoldersStayHidden() {
    QFETCH(QString, at);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);
    Place place;
    for (const char* d : {".cache", ".config/.inner", ".config/app", "visible"}) QDir().mkpath(place.home + '/' + d);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(QDir(place.home).filePath(at)));
    const QStringList folders = shownFolders(ui.dirList);
    for (const QString& f : shown) QVERIFY2(folders.contains(f), qPrintable(f));
    for (const QString& f : notShown) QVERIFY2(!folders.contains(f), qPrintable(f));
}

void InputTest::aFolderWithoutAccessIsNamed_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("byEnter");  // else by a double click
    QTest::newRow("no rights, double click") << 0 << false;
    QTest::newRow("no rights, Enter") << 0 << true;
    QTest::newRow("readable but not to be entered, double click") << 0644 << false;
}

void InputTest::aFolderWithoutAccessIsNamed() {
    QFETCH(int, mode);
    QFETCH(bool, byEnter);
    Place place;
    writeCorpus(place.in);
    const QString closed = place.in + "/closed";
    QVERIFY(QDir().mkpath(closed + "/open"));
    writeBytes(closed + "/x.s12", "x\r\n");
    QVERIFY(QDir().mkpath(place.in + "/open"));
    QCOMPARE(::chmod(closed.toLocal8Bit().constData(), static_cast<mode_t>(mode)), 0);
    kalvimo::test::Unprivileged user(place.tmp.path().toStdString());
    if (!user.active()) QSKIP("root cannot give up its rights here");
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    showActive(w);
    const auto open = [&](const QString& name, bool enter) {
        const auto found = ui.dirList->findItems(' ' + name, Qt::MatchEndsWith);
        const QPoint at = ui.dirList->visualItemRect(found.value(0)).center();
        QTest::mouseClick(ui.dirList->viewport(), Qt::LeftButton, {}, at);
        if (enter) QTest::keyClick(ui.dirList, Qt::Key_Return);
        else QTest::mouseDClick(ui.dirList->viewport(), Qt::LeftButton, {}, at);
    };
    open(QStringLiteral("closed"), byEnter);
    QCOMPARE(ui.LabelInfo->text(), QStringLiteral("Нет доступа к каталогу ") + closed);
    // The lists stay where they were, and usable.
    QCOMPARE(ui.dirList->path(), place.in);
    QCOMPARE(ui.dirList->currentItem()->text().trimmed(), QStringLiteral("in"));
    QCOMPARE(ui.FilList->names(), (QStringList{"a.s12", "b.s12", "c.s12"}));
    open(QStringLiteral("open"), byEnter);
    QCOMPARE(ui.dirList->path(), place.in + "/open");
    QCOMPARE(w.currentDirectory(), place.in + "/open");
    QCOMPARE(ui.FilList->count(), 0);
}

void InputTest::aLongStatusStaysReadable() {
    Place place;
    // A data directory deep enough that a failure naming one of its files needs many lines.
    const QString deep = place.root + "/operator-workstation/maintenance-desk/station-zarya-uzel/KARDOVELNIST";
    QVERIFY(QDir().mkpath(deep + "/Kalvimo.ini"));  // a directory: saving must fail
    RecordingStarter starter;
    MainWindowOptions options = place.options(&starter);
    options.dataRoot = deep.toStdString();
    MainWindow w(options);
    const Controls ui(w);
    showActive(w);
    QTest::mouseClick(toolButton(w, "t1"), Qt::LeftButton);
    const QString text = ui.LabelInfo->text();
    QVERIFY2(text.startsWith(QStringLiteral("Настройки не сохранены")) && text.contains(deep), qPrintable(text));
    // Everything drawn lies inside the label, and the label inside the window.
    QVERIFY(ui.LabelInfo->heightForWidth(ui.LabelInfo->width()) <= ui.LabelInfo->height());
    QVERIFY(w.centralWidget()->rect().contains(ui.LabelInfo->geometry()));
    QCOMPARE(ui.LabelInfo->toolTip(), text);
}

void InputTest::theFileListFollowsTheFolder() {
    Place place;
    writeCorpus(place.in);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    showActive(w);
    clickRow(ui.FilList, "b.s12");
    // F5 lists a new printout at once and keeps the selection.
    writeBytes(place.in + "/0-first.s12", "x\r\n");
    QTest::keyClick(ui.FilList, Qt::Key_F5);
    QCOMPARE(ui.FilList->names(), (QStringList{"0-first.s12", "a.s12", "b.s12", "c.s12"}));
    QCOMPARE(selectedTexts(ui.FilList), QStringList{"b.s12"});
    // Printouts that come and go show by themselves.
    writeBytes(place.in + "/d.s12", "x\r\n");
    QFile::remove(place.in + "/a.s12");
    QTRY_COMPARE_WITH_TIMEOUT(ui.FilList->names(), (QStringList{"0-first.s12", "b.s12", "c.s12", "d.s12"}), 3000);
    QCOMPARE(selectedTexts(ui.FilList), QStringList{"b.s12"});
    // Re-choosing the folder lists it again too.
    writeBytes(place.in + "/e.s12", "x\r\n");
    const auto here = ui.dirList->findItems(QStringLiteral("in"), Qt::MatchEndsWith);
    QVERIFY(!here.isEmpty());
    const QPoint at = ui.dirList->visualItemRect(here.first()).center();
    QTest::mouseClick(ui.dirList->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(ui.dirList->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(ui.FilList->names().contains("e.s12"));
    QCOMPARE(selectedTexts(ui.FilList), QStringList{"b.s12"});
}

void InputTest::keysPressTheFocusedButton_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

void InputTest::keysPressTheFocusedButton() {
    QFETCH(int, key);
    Place place;
    writeCorpus(place.in);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    QVERIFY(ui.dirList->setPath(place.in));
    showActive(w);
    // Tab from the button before it, as a person reaches the button.
    ui.btnalarm->setFocus(Qt::TabFocusReason);
    QTest::keyClick(ui.btnalarm, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.btnFile48));
    QSignalSpy finished(&w, &MainWindow::runFinished);
    QTest::keyClick(ui.btnFile48, Qt::Key(key));
    QVERIFY(finished.wait(20000) || !finished.isEmpty());
    QCOMPARE(readBytes(place.data + "/log/rep48.log"), allRep48Lines());
}
