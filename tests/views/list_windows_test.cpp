// The two list windows against their files: what is shown, what is written, in which order,
// byte for byte, and what happens when a file refuses a change.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/busy_data_dir.h"
#include "tests/file_bytes.h"
#include "tests/qt_controls.h"
#include "tests/unprivileged.h"
#include "views/device_list_window.h"
#include "views/report_list_window.h"
#include "views/sorted_list_box.h"

using namespace kalvimo;
using kalvimo::test::control;
using kalvimo::test::fileBytes;
using kalvimo::test::putFileBytes;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

void select(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}

// Clears the working list, answering "Да" to the question that comes first.
template <class Window>
void clearConfirmed(Window& w) {
    control<QPushButton>(w, "btnclear")->click();
    auto* box = w.template findChild<QMessageBox*>("clearQuestion");
    QVERIFY(box);
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QStringLiteral("Да")) b->click();
}

}  // namespace

class ListWindowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string root_;
    std::string file(const char* name) const { return root_ + "/" + name; }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        root_ = dir_.path().toStdString() + "/" + QTest::currentTestFunction();
        QVERIFY(::mkdir(root_.c_str(), 0755) == 0);
    }

    void windowsCarryTheirCaptions() {
        ReportListWindow rrn(root_);
        DeviceListWindow dev(root_);
        QCOMPARE(rrn.windowTitle(), QStringLiteral("Настройка списка RRN    "));
        QCOMPARE(dev.windowTitle(), QStringLiteral("Настройка списка устройств    "));
        QCOMPARE(control<QComboBox>(dev, "ComboAdd")->currentText(), QStringLiteral("0000/0000/0000"));
        QCOMPARE(control<QPushButton>(dev, "remspisok")->toolTip(), QStringLiteral("удалить из   списка"));
        // Missing files: empty lists.
        QVERIFY(control<SortedListBox>(rrn, "ListRrnAll")->count() == 0 &&
                control<SortedListBox>(rrn, "ListRrnFor")->count() == 0);
    }

    void wholeCatalogueLineAddedAndFiveCharactersAfterReopening() {
        putFileBytes(file("allreports.ini"), "121  \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n48   anomaly\r\n");  // "Описание"
        {
            ReportListWindow w(root_);
            QCOMPARE(texts(control<SortedListBox>(w, "ListRrnAll")),
                     QStringList({QStringLiteral("121  Описание"), QStringLiteral("48   anomaly")}));
            select(control<SortedListBox>(w, "ListRrnAll"), QStringLiteral("121  Описание"));
            control<QPushButton>(w, "addRRN")->click();
            QCOMPARE(texts(control<SortedListBox>(w, "ListRrnFor")), QStringList({QStringLiteral("121  Описание")}));
            QCOMPARE(fileBytes(file("reports.ini")), std::string("121  \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n"));
        }
        ReportListWindow again(root_);
        QCOMPARE(texts(control<SortedListBox>(again, "ListRrnFor")), QStringList({QStringLiteral("121  ")}));
    }

    void removalRewritesLoadedEntriesAndAddedWholeLines() {
        putFileBytes(file("allreports.ini"), "48   anomaly\r\n");
        putFileBytes(file("reports.ini"), "7    seven\r\n121  x\r\n30\r\n");
        ReportListWindow w(root_);
        QCOMPARE(texts(control<SortedListBox>(w, "ListRrnFor")), QStringList({"121  ", "30", "7    "}));
        select(control<SortedListBox>(w, "ListRrnAll"), "48   anomaly");
        control<QPushButton>(w, "addRRN")->click();
        select(control<SortedListBox>(w, "ListRrnFor"), "30");
        control<QPushButton>(w, "remspisok")->click();
        QCOMPARE(fileBytes(file("reports.ini")), std::string("121  \r\n48   anomaly\r\n7    \r\n"));
    }

    void fileOrderKeptUntilTheNextRemoval() {
        putFileBytes(file("dev.ini"), "C\r\nA\r\nB\r\n");
        DeviceListWindow w(root_);
        QCOMPARE(texts(control<SortedListBox>(w, "ListDev")), QStringList({"A", "B", "C"}));
        control<QComboBox>(w, "ComboAdd")->setEditText("AA");
        control<QPushButton>(w, "addnew")->click();
        QCOMPARE(texts(control<SortedListBox>(w, "ListDev")), QStringList({"A", "AA", "B", "C"}));
        QCOMPARE(fileBytes(file("dev.ini")), std::string("C\r\nA\r\nB\r\nAA\r\n"));
        select(control<SortedListBox>(w, "ListDev"), "B");
        control<QPushButton>(w, "remspisok")->click();
        QCOMPARE(fileBytes(file("dev.ini")), std::string("A\r\nAA\r\nC\r\n"));
    }

    void emptyItemGoesOnlyWithClear() {
        putFileBytes(file("reports.ini"), "\r\n121\r\n");
        {
            ReportListWindow w(root_);
            auto* working = control<SortedListBox>(w, "ListRrnFor");
            QCOMPARE(texts(working), QStringList({"", "121"}));
            working->setCurrentRow(0);
            control<QPushButton>(w, "remspisok")->click();
            emit working->itemDoubleClicked(working->item(0));
            QCOMPARE(working->count(), 2);
            QCOMPARE(fileBytes(file("reports.ini")), std::string("\r\n121\r\n"));
            clearConfirmed(w);
            QCOMPARE(working->count(), 0);
            QVERIFY(QFileInfo::exists(QString::fromStdString(file("reports.ini"))));
            QCOMPARE(fileBytes(file("reports.ini")), std::string());
        }
        DeviceListWindow d(root_);
        auto* devices = control<SortedListBox>(d, "ListDev");
        control<QComboBox>(d, "ComboAdd")->setEditText("");
        control<QPushButton>(d, "addnew")->click();  // no check: an empty entry
        QCOMPARE(fileBytes(file("dev.ini")), std::string("\r\n"));
        devices->setCurrentRow(0);
        emit devices->itemDoubleClicked(devices->item(0));
        QCOMPARE(devices->count(), 1);
        devices->setCurrentRow(-1);
        devices->clearSelection();
        control<QPushButton>(d, "remspisok")->click();  // no selection: nothing
        QCOMPARE(fileBytes(file("dev.ini")), std::string("\r\n"));
    }

    void addingTwiceAndTheDefaultDevice() {
        putFileBytes(file("allreports.ini"), "121\r\n");
        ReportListWindow w(root_);
        select(control<SortedListBox>(w, "ListRrnAll"), "121");
        control<QPushButton>(w, "addRRN")->click();
        control<QPushButton>(w, "addRRN")->click();
        QCOMPARE(fileBytes(file("reports.ini")), std::string("121\r\n121\r\n"));
        QCOMPARE(texts(control<SortedListBox>(w, "ListRrnFor")), QStringList({"121", "121"}));
        control<SortedListBox>(w, "ListRrnAll")->clearSelection();
        control<QPushButton>(w, "addRRN")->click();  // nothing selected: nothing added
        QCOMPARE(control<SortedListBox>(w, "ListRrnFor")->count(), 2);

        DeviceListWindow d(root_);
        control<QPushButton>(d, "addnew")->click();
        control<QPushButton>(d, "addnew")->click();
        QCOMPARE(fileBytes(file("dev.ini")), std::string("0000/0000/0000\r\n0000/0000/0000\r\n"));
    }

    void typedTextStoredExactlyAsTyped() {
        putFileBytes(file("allreports.ini"), "121  x");  // the last line lacks its line break
        ReportListWindow w(root_);
        control<QLineEdit>(w, "TextAddRrn")->setText("   48  ошибка ");
        control<QPushButton>(w, "addnew")->click();
        QCOMPARE(control<QLineEdit>(w, "TextAddRrn")->text(), QStringLiteral("   48  ошибка "));  // the box keeps its text
        QCOMPARE(fileBytes(file("allreports.ini")), std::string("121  x\r\n   48  \xEE\xF8\xE8\xE1\xEA\xE0 \r\n"));
        control<QLineEdit>(w, "TextAddRrn")->setText("    ");
        control<QPushButton>(w, "addnew")->click();  // blank: nothing
        QCOMPARE(control<SortedListBox>(w, "ListRrnAll")->count(), 2);
        select(control<SortedListBox>(w, "ListRrnAll"), QStringLiteral("   48  ошибка "));
        control<QPushButton>(w, "addRRN")->click();
        w.close();
        ReportListWindow again(root_);
        QCOMPARE(texts(control<SortedListBox>(again, "ListRrnFor")), QStringList({"   48"}));
    }

    void bytesWithoutACharacterSurviveARewrite() {
        // 0x98 has no character in Windows-1251; a loaded line must go back unchanged.
        const std::string odd = "0001/0002/0003  \x98\xC3\xD2\xD1";
        putFileBytes(file("dev.ini"), odd + "\r\nZZZ\r\n");
        putFileBytes(file("alldev.ini"), "0009/0009/0009\r\n0001/0001/0001\r\n");
        DeviceListWindow w(root_);
        QCOMPARE(control<QComboBox>(w, "ComboAdd")->count(), 2);
        QCOMPARE(control<QComboBox>(w, "ComboAdd")->itemText(0), QStringLiteral("0001/0001/0001"));
        QCOMPARE(control<QComboBox>(w, "ComboAdd")->currentText(), QStringLiteral("0000/0000/0000"));
        control<QComboBox>(w, "ComboAdd")->setEditText(QStringLiteral("0009/0009/0009  ГТС"));
        control<QPushButton>(w, "addnew")->click();
        select(control<SortedListBox>(w, "ListDev"), "ZZZ");
        control<QPushButton>(w, "remspisok")->click();
        QCOMPARE(fileBytes(file("dev.ini")), odd + "\r\n0009/0009/0009  \xC3\xD2\xD1\r\n");
        QCOMPARE(fileBytes(file("alldev.ini")), std::string("0009/0009/0009\r\n0001/0001/0001\r\n"));  // only read
    }

    void unreadableWorkingListIsNotRewritten() {
        // A list that cannot be read shows empty; rewriting it from there would lose it.
        QVERIFY(::mkdir(file("reports.ini").c_str(), 0755) == 0);
        putFileBytes(file("allreports.ini"), "121\r\n");
        ReportListWindow w(root_);
        QTRY_VERIFY(w.findChild<QMessageBox*>("listFailure"));
        QVERIFY(!control<QPushButton>(w, "btnclear")->isEnabled() && !control<QPushButton>(w, "remspisok")->isEnabled() &&
                !control<QPushButton>(w, "addRRN")->isEnabled());
        auto* catalogue = control<SortedListBox>(w, "ListRrnAll");
        select(catalogue, "121");
        control<QPushButton>(w, "addRRN")->click();
        emit catalogue->itemDoubleClicked(catalogue->item(0));  // the way round the disabled arrow
        control<QPushButton>(w, "btnclear")->click();
        QCOMPARE(control<SortedListBox>(w, "ListRrnFor")->count(), 0);
        QVERIFY(QFileInfo(QString::fromStdString(file("reports.ini"))).isDir());
        control<QLineEdit>(w, "TextAddRrn")->setText("48   still possible");  // the catalogue was read: it may grow
        control<QPushButton>(w, "addnew")->click();
        QCOMPARE(fileBytes(file("allreports.ini")), std::string("121\r\n48   still possible\r\n"));
    }

    void refusedAppendIsTakenBackAndReported() {
        putFileBytes(file("allreports.ini"), "121\r\n");
        ReportListWindow w(root_);
        QVERIFY(!w.findChild<QMessageBox*>("listFailure"));
        QVERIFY(::mkdir(file("reports.ini").c_str(), 0755) == 0);  // appears after loading
        select(control<SortedListBox>(w, "ListRrnAll"), "121");
        control<QPushButton>(w, "addRRN")->click();
        QCOMPARE(control<SortedListBox>(w, "ListRrnFor")->count(), 0);
        auto* box = w.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QVERIFY2(box->text().contains("reports.ini"), qPrintable(box->text()));
    }

    void textWithALineBreakIsRefused() {
        putFileBytes(file("dev.ini"), "A\r\n");
        ReportListWindow w(root_);
        control<QLineEdit>(w, "TextAddRrn")->setText(QStringLiteral("121  one\n48   two"));
        control<QPushButton>(w, "addnew")->click();
        QCOMPARE(control<SortedListBox>(w, "ListRrnAll")->count(), 0);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(file("allreports.ini"))));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
        DeviceListWindow d(root_);
        control<QComboBox>(d, "ComboAdd")->setEditText(QStringLiteral("DEV1\rDEV2"));
        control<QPushButton>(d, "addnew")->click();
        QCOMPARE(fileBytes(file("dev.ini")), std::string("A\r\n"));
        QCOMPARE(control<SortedListBox>(d, "ListDev")->count(), 1);
    }

    void failedRewriteKeepsTheListAndTheFile() {
        putFileBytes(file("dev.ini"), "A\r\nB\r\n");
        DeviceListWindow w(root_);
        // Replace the file by a directory behind the window's back: the rewrite must fail.
        QVERIFY(::unlink(file("dev.ini").c_str()) == 0);
        QVERIFY(::mkdir(file("dev.ini").c_str(), 0755) == 0);
        QVERIFY(::mkdir(file("dev.ini/x").c_str(), 0755) == 0);
        select(control<SortedListBox>(w, "ListDev"), "B");
        control<QPushButton>(w, "remspisok")->click();
        QCOMPARE(texts(control<SortedListBox>(w, "ListDev")), QStringList({"A", "B"}));
        clearConfirmed(w);
        QCOMPARE(texts(control<SortedListBox>(w, "ListDev")), QStringList({"A", "B"}));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
    }

    void readOnlyListIsNotReplaced() {
        kalvimo::test::Unprivileged user(dir_.path().toStdString());
        if (!user.active()) QSKIP("root cannot give up its rights here");
        putFileBytes(file("reports.ini"), "121\r\n48\r\n");
        QVERIFY(::chmod(file("reports.ini").c_str(), 0444) == 0);
        ReportListWindow w(root_);
        select(control<SortedListBox>(w, "ListRrnFor"), "48");
        control<QPushButton>(w, "remspisok")->click();
        QCOMPARE(texts(control<SortedListBox>(w, "ListRrnFor")), QStringList({"121", "48"}));
        QCOMPARE(fileBytes(file("reports.ini")), std::string("121\r\n48\r\n"));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
    }

    void busyDataDirectoryLeavesTheListAsOnDisk() {
        // Another program's run holds the data directory: a change waits two seconds for it,
        // then says the list was not changed, and window and file stay as they were.
        putFileBytes(file("allreports.ini"), "121\r\n");
        putFileBytes(file("reports.ini"), "48\r\n");
        putFileBytes(file("dev.ini"), "A\r\nB\r\n");
        kalvimo::test::BusyDataDir holder(KALVIMO_BATCH, root_, dir_.path().toStdString());
        QVERIFY(holder.holding());
        const QString refused =
            QStringLiteral("Список не изменён. Каталог данных занят: идёт обработка (PID %1)").arg(holder.pid());
        ReportListWindow rrn(root_);
        rrn.show();
        select(control<SortedListBox>(rrn, "ListRrnAll"), "121");
        QTest::mouseClick(control<QPushButton>(rrn, "addRRN"), Qt::LeftButton);
        auto* box = rrn.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QVERIFY2(box->text() == refused, qPrintable(box->text() + " / " + refused));
        QCOMPARE(texts(control<SortedListBox>(rrn, "ListRrnFor")), QStringList{"48"});
        QCOMPARE(fileBytes(file("reports.ini")), std::string("48\r\n"));

        DeviceListWindow dev(root_);
        dev.show();
        select(control<SortedListBox>(dev, "ListDev"), "B");
        QTest::mouseClick(control<QPushButton>(dev, "remspisok"), Qt::LeftButton);
        box = dev.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QCOMPARE(box->text(), refused);
        QCOMPARE(texts(control<SortedListBox>(dev, "ListDev")), QStringList({"A", "B"}));
        QCOMPARE(fileBytes(file("dev.ini")), std::string("A\r\nB\r\n"));

        // Once that run is over, the same change goes through.
        holder.kill();
        select(control<SortedListBox>(dev, "ListDev"), "B");
        QTest::mouseClick(control<QPushButton>(dev, "remspisok"), Qt::LeftButton);
        QCOMPARE(texts(control<SortedListBox>(dev, "ListDev")), QStringList{"A"});
        QCOMPARE(fileBytes(file("dev.ini")), std::string("A\r\n"));
    }
};

QTEST_MAIN(ListWindowsTest)
#include "list_windows_test.moc"
