// The results window's directories, patterns and viewer command lines, and the help and
// about windows' fixed texts.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRawFont>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/qt/list_boxes.h"
#include "platform/qt/program_starter.h"
#include "tests/qt_controls.h"
#include "tests/views/recording_starter.h"
#include "views/about_window.h"
#include "views/help_window.h"
#include "views/results_window.h"
#include "views/text_document.h"

using namespace kalvimo;
using kalvimo::test::control;
using kalvimo::test::RecordingStarter;

namespace {

void touch(const QString& path, const char* bytes = "x") { std::ofstream(path.toStdString(), std::ios::binary) << bytes; }

QStringList names(const QWidget* window) { return control<FileListBox>(*window, "File1")->names(); }

// The file list's row opened as a double-click opens it; with no row, as nothing else can.
void openRow(QWidget* window, int row) {
    auto* files = control<FileListBox>(*window, "File1");
    files->setCurrentRow(row);
    if (row >= 0) emit files->itemActivated(files->item(row));
    else QMetaObject::invokeMethod(window, "openSelected");
}

}  // namespace

class ViewsTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString root_;
    QStringList reports_;
    RecordingStarter starter_;

    ResultsWindow* open() {
        return new ResultsWindow(root_.toStdString(), starter_, [this](const QString& t) { reports_ << t; });
    }

private slots:
    void init() {
        root_ = tmp_.path() + "/" + QTest::currentTestFunction();
        QVERIFY(QDir().mkpath(root_ + "/log") && QDir().mkpath(root_ + "/error"));
        reports_.clear();
        starter_ = RecordingStarter();
    }

    void resultsWindowShowsLogThenErrorFiles() {
        for (const char* n : {"rep48.log", "CBRrep.log", "alarm.LOG", "notes.txt"}) touch(root_ + "/log/" + n);
        for (const char* n : {"0012", "errorstat", "restart", "x.y"}) touch(root_ + "/error/" + n);
        std::unique_ptr<ResultsWindow> w(open());
        QCOMPARE(w->windowTitle(), QStringLiteral("Результаты обработки"));
        QVERIFY(control<QRadioButton>(*w, "OptionRep")->isChecked());
        QCOMPARE(names(w.get()), QStringList({"alarm.LOG", "CBRrep.log", "rep48.log"}));
        control<QRadioButton>(*w, "OptionErr")->click();
        QCOMPARE(names(w.get()), QStringList({"0012", "errorstat", "restart", "x.y"}));
        control<QRadioButton>(*w, "OptionRep")->click();
        QCOMPARE(names(w.get()), QStringList({"alarm.LOG", "CBRrep.log", "rep48.log"}));
    }

    void viewerCommandFollowsTheOptionButton() {
        // An executable wordpad.exe in the data directory is the viewer.
        touch(root_ + "/wordpad.exe");
        QVERIFY(::chmod((root_ + "/wordpad.exe").toLocal8Bit().constData(), 0755) == 0);
        touch(root_ + "/log/my rep.log");
        touch(root_ + "/error/0012");
        std::unique_ptr<ResultsWindow> w(open());
        openRow(w.get(), 0);
        // The file goes as one argument, spaces and all.
        QCOMPARE(starter_.started.last(), root_ + "/wordpad.exe|" + root_ + "/log/my rep.log");
        control<QRadioButton>(*w, "OptionErr")->click();
        openRow(w.get(), 0);
        QCOMPARE(starter_.started.last(), root_ + "/wordpad.exe|" + root_ + "/error/0012");
        control<QPushButton>(*w, "btnErrNum")->click();
        QCOMPARE(starter_.started.last(), root_ + "/wordpad.exe|" + root_ + "/error/errorstat");
        // The directory is the option button's, whatever the list shows.
        control<QRadioButton>(*w, "OptionRep")->setChecked(true);  // no click handler: the list still shows error/
        openRow(w.get(), 0);
        QCOMPARE(starter_.started.last(), root_ + "/wordpad.exe|" + root_ + "/log/0012");
        QVERIFY(reports_.isEmpty());
    }

    void aWindows1251NameIsShownAndOpenedByItsBytes() {
        const std::string odd = root_.toStdString() + "/error/\xCE\xF2\xF7\xB8\xF2";  // "Отчёт", copied from Windows
        std::ofstream(odd, std::ios::binary) << "x";
        struct RemoveAtEnd {  // Qt cannot remove a name that is not UTF-8
            std::string path;
            ~RemoveAtEnd() { ::unlink(path.c_str()); }
        } removeOdd{odd};
        std::unique_ptr<ResultsWindow> w(open());
        control<QRadioButton>(*w, "OptionErr")->click();
        QCOMPARE(names(w.get()), QStringList{QStringLiteral("Отчёт")});
        openRow(w.get(), 0);
        QCOMPARE(starter_.started.size(), 1);
        QCOMPARE(pathToBytes(starter_.started[0].mid(7)), odd);  // after "viewer|"
    }

    void failedStartsAreReported() {
        touch(root_ + "/log/rep48.log");
        std::unique_ptr<ResultsWindow> w(open());
        openRow(w.get(), -1);  // no file selected
        QCOMPARE(reports_, QStringList{"Файл не выбран"});
        QVERIFY(starter_.started.isEmpty());
        // Without wordpad.exe the program's own viewer opens the file, a missing one too: the
        // viewer says what is wrong with it.
        control<QPushButton>(*w, "btnErrNum")->click();
        QCOMPARE(starter_.started.last(), "viewer|" + root_ + "/error/errorstat");
        openRow(w.get(), 0);
        QCOMPARE(starter_.started.last(), "viewer|" + root_ + "/log/rep48.log");
        QCOMPARE(reports_.size(), 1);
        // A wordpad.exe that does not start is reported.
        touch(root_ + "/wordpad.exe");
        QVERIFY(::chmod((root_ + "/wordpad.exe").toLocal8Bit().constData(), 0755) == 0);
        starter_.succeed = false;
        openRow(w.get(), 0);
        QCOMPARE(starter_.started.last(), root_ + "/wordpad.exe|" + root_ + "/log/rep48.log");
        QCOMPARE(reports_.size(), 2);
        QVERIFY2(reports_.last().contains(root_ + "/wordpad.exe"), qPrintable(reports_.last()));
        QVERIFY(w->isEnabled());
    }

    void helpWindowCarriesTheManual() {
        const QString manual = userManual();
        QVERIFY(manual.endsWith("\r\n"));
        const QStringList lines = manual.split("\r\n");
        QCOMPARE(lines.size() - 1, 63);  // 63 lines, each ended
        QCOMPARE(lines.first(), QStringLiteral("         Эта программа предназначена для обработки рапортов S12"));
        QVERIFY(!manual.contains(QLatin1Char('\n')) || manual.count("\n") == manual.count("\r\n"));
        for (int i = 1; i < 63; ++i)
            QVERIFY2(lines[i].isEmpty() || lines[i].startsWith("  "), qPrintable(lines[i]));
        HelpWindow h;
        QCOMPARE(h.windowTitle(), QStringLiteral("Помощь"));
        QCOMPARE(control<QLabel>(h, "Label1")->text(), QStringLiteral("Kalvimo версия 1.2 28.08.2000"));
        QCOMPARE(control<QPushButton>(h, "Command1")->text(), QStringLiteral("Выход"));
        QCOMPARE(control<QPlainTextEdit>(h, "Text2")->toPlainText(), QString(manual).remove('\r'));
        QVERIFY(control<QPlainTextEdit>(h, "Text2")->isReadOnly());
        AboutWindow about;
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(control<QLabel>(about, "Label1")->text(), QStringLiteral("Kalvimo версия 1.2 28.08.2000г. "));
        // A bold caption in one face, no letter taken from a fallback font.
        const QLabel* name = control<QLabel>(about, "Label1");
        const QRawFont face = QRawFont::fromFont(name->font(), QFontDatabase::Cyrillic);
        for (const QChar c : name->text())
            QVERIFY2(c.isSpace() || face.supportsCharacter(c), qPrintable(face.familyName() + ": " + c));
        QVERIFY(!control<QLabel>(about, "Picture1")->pixmap().isNull());
        QVERIFY(about.isModal());
    }
};

QTEST_MAIN(ViewsTest)
#include "views_test.moc"
