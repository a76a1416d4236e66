// The two list windows against their files: what is shown, what is written, in which order,
// byte for byte, and what happens when a file refuses a change.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/busy_data_dir.h"
#include "tests/unprivileged.h"
#include "views/list_windows.h"
#include "views/sorted_list_box.h"

using namespace kalvimo;

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

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
    w.btnclear_Click();
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
        frmSpisokrrn rrn(root_);
        frmSpisokDev dev(root_);
        QCOMPARE(rrn.windowTitle(), QStringLiteral("Настройка списка RRN    "));
        QCOMPARE(dev.windowTitle(), QStringLiteral("Настройка списка устройств    "));
        QCOMPARE(dev.ComboAdd->currentText(), QStringLiteral("0000/0000/0000"));
        QCOMPARE(dev.remspisok->toolTip(), QStringLiteral("удалить из   списка"));
        QVERIFY(rrn.ListRrnAll->count() == 0 && rrn.ListRrnFor->count() == 0);  // missing files: empty lists
    }

    void wholeCatalogueLineAddedAndFiveCharactersAfterReopening() {
        writeBytes(file("allreports.ini"), "121  \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n48   anomaly\r\n");  // "Описание"
        {
            frmSpisokrrn w(root_);
            QCOMPARE(texts(w.ListRrnAll), QStringList({QStringLiteral("121  Описание"), QStringLiteral("48   anomaly")}));
            select(w.ListRrnAll, QStringLiteral("121  Описание"));
            w.addRRN_Click();
            QCOMPARE(texts(w.ListRrnFor), QStringList({QStringLiteral("121  Описание")}));
            QCOMPARE(readBytes(file("reports.ini")), std::string("121  \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n"));
        }
        frmSpisokrrn again(root_);
        QCOMPARE(texts(again.ListRrnFor), QStringList({QStringLiteral("121  ")}));
    }

    void removalRewritesLoadedEntriesAndAddedWholeLines() {
        writeBytes(file("allreports.ini"), "48   anomaly\r\n");
        writeBytes(file("reports.ini"), "7    seven\r\n121  x\r\n30\r\n");
        frmSpisokrrn w(root_);
        QCOMPARE(texts(w.ListRrnFor), QStringList({"121  ", "30", "7    "}));
        select(w.ListRrnAll, "48   anomaly");
        w.addRRN_Click();
        select(w.ListRrnFor, "30");
        w.remspisok_Click();
        QCOMPARE(readBytes(file("reports.ini")), std::string("121  \r\n48   anomaly\r\n7    \r\n"));
    }

    void fileOrderKeptUntilTheNextRemoval() {
        writeBytes(file("dev.ini"), "C\r\nA\r\nB\r\n");
        frmSpisokDev w(root_);
        QCOMPARE(texts(w.ListDev), QStringList({"A", "B", "C"}));
        w.ComboAdd->setEditText("AA");
        w.addnew_Click();
        QCOMPARE(texts(w.ListDev), QStringList({"A", "AA", "B", "C"}));
        QCOMPARE(readBytes(file("dev.ini")), std::string("C\r\nA\r\nB\r\nAA\r\n"));
        select(w.ListDev, "B");
        w.remspisok_Click();
        QCOMPARE(readBytes(file("dev.ini")), std::string("A\r\nAA\r\nC\r\n"));
    }

    void emptyItemGoesOnlyWithClear() {
        writeBytes(file("reports.ini"), "\r\n121\r\n");
        {
            frmSpisokrrn w(root_);
            QCOMPARE(texts(w.ListRrnFor), QStringList({"", "121"}));
            w.ListRrnFor->setCurrentRow(0);
            w.remspisok_Click();
            emit w.ListRrnFor->itemDoubleClicked(w.ListRrnFor->item(0));
            QCOMPARE(w.ListRrnFor->count(), 2);
            QCOMPARE(readBytes(file("reports.ini")), std::string("\r\n121\r\n"));
            clearConfirmed(w);
            QCOMPARE(w.ListRrnFor->count(), 0);
            QVERIFY(QFileInfo::exists(QString::fromStdString(file("reports.ini"))));
            QCOMPARE(readBytes(file("reports.ini")), std::string());
        }
        frmSpisokDev d(root_);
        d.ComboAdd->setEditText("");
        d.addnew_Click();  // no check: an empty entry
        QCOMPARE(readBytes(file("dev.ini")), std::string("\r\n"));
        d.ListDev->setCurrentRow(0);
        d.ListDev_dblClick();
        QCOMPARE(d.ListDev->count(), 1);
        d.ListDev->setCurrentRow(-1);
        d.ListDev->clearSelection();
        d.remspisok_Click();  // no selection: nothing
        QCOMPARE(readBytes(file("dev.ini")), std::string("\r\n"));
    }

    void addingTwiceAndTheDefaultDevice() {
        writeBytes(file("allreports.ini"), "121\r\n");
        frmSpisokrrn w(root_);
        select(w.ListRrnAll, "121");
        w.addRRN_Click();
        w.addRRN_Click();
        QCOMPARE(readBytes(file("reports.ini")), std::string("121\r\n121\r\n"));
        QCOMPARE(texts(w.ListRrnFor), QStringList({"121", "121"}));
        w.ListRrnAll->clearSelection();
        w.addRRN_Click();  // nothing selected: nothing added
        QCOMPARE(w.ListRrnFor->count(), 2);

        frmSpisokDev d(root_);
        d.addnew_Click();
        d.addnew_Click();
        QCOMPARE(readBytes(file("dev.ini")), std::string("0000/0000/0000\r\n0000/0000/0000\r\n"));
    }

    void typedTextStoredExactlyAsTyped() {
        writeBytes(file("allreports.ini"), "121  x");  // the last line lacks its line break
        frmSpisokrrn w(root_);
        w.TextAddRrn->setText("   48  ошибка ");
        w.addnew_Click();
        QCOMPARE(w.TextAddRrn->text(), QStringLiteral("   48  ошибка "));  // the box keeps its text
        QCOMPARE(readBytes(file("allreports.ini")), std::string("121  x\r\n   48  \xEE\xF8\xE8\xE1\xEA\xE0 \r\n"));
        w.TextAddRrn->setText("    ");
        w.addnew_Click();  // blank: nothing
        QCOMPARE(w.ListRrnAll->count(), 2);
        select(w.ListRrnAll, QStringLiteral("   48  ошибка "));
        w.addRRN_Click();
        w.close();
        frmSpisokrrn again(root_);
        QCOMPARE(texts(again.ListRrnFor), QStringList({"   48"}));
    }

    void bytesWithoutACharacterSurviveARewrite() {
        // 0x98 has no character in Windows-1251; a loaded line must go back unchanged.
        const std::string odd = "0001/0002/0003  \x98\xC3\xD2\xD1";
        writeBytes(file("dev.ini"), odd + "\r\nZZZ\r\n");
        writeBytes(file("alldev.ini"), "0009/0009/0009\r\n0001/0001/0001\r\n");
        frmSpisokDev w(root_);
        QCOMPARE(w.ComboAdd->count(), 2);
        QCOMPARE(w.ComboAdd->itemText(0), QStringLiteral("0001/0001/0001"));
        QCOMPARE(w.ComboAdd->currentText(), QStringLiteral("0000/0000/0000"));
        w.ComboAdd->setEditText(QStringLiteral("0009/0009/0009  ГТС"));
        w.addnew_Click();
        select(w.ListDev, "ZZZ");
        w.remspisok_Click();
        QCOMPARE(readBytes(file("dev.ini")), odd + "\r\n0009/0009/0009  \xC3\xD2\xD1\r\n");
        QCOMPARE(readBytes(file("alldev.ini")), std::string("0009/0009/0009\r\n0001/0001/0001\r\n"));  // only read
    }

    void unreadableWorkingListIsNotRewritten() {
        // A list that cannot be read shows empty; rewriting it from there would lose it.
        QVERIFY(::mkdir(file("reports.ini").c_str(), 0755) == 0);
        writeBytes(file("allreports.ini"), "121\r\n");
        frmSpisokrrn w(root_);
        QTRY_VERIFY(w.findChild<QMessageBox*>("listFailure"));
        QVERIFY(!w.btnclear->isEnabled() && !w.remspisok->isEnabled() && !w.addRRN->isEnabled());
        select(w.ListRrnAll, "121");
        w.addRRN_Click();
        w.btnclear_Click();
        QCOMPARE(w.ListRrnFor->count(), 0);
        QVERIFY(QFileInfo(QString::fromStdString(file("reports.ini"))).isDir());
        w.TextAddRrn->setText("48   still possible");  // the catalogue was read: it may grow
        w.addnew_Click();
        QCOMPARE(readBytes(file("allreports.ini")), std::string("121\r\n48   still possible\r\n"));
    }

    void refusedAppendIsTakenBackAndReported() {
        writeBytes(file("allreports.ini"), "121\r\n");
        frmSpisokrrn w(root_);
        QVERIFY(!w.findChild<QMessageBox*>("listFailure"));
        QVERIFY(::mkdir(file("reports.ini").c_str(), 0755) == 0);  // appears after loading
        select(w.ListRrnAll, "121");
        w.addRRN_Click();
        QCOMPARE(w.ListRrnFor->count(), 0);
        auto* box = w.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QVERIFY2(box->text().contains("reports.ini"), qPrintable(box->text()));
    }

    void textWithALineBreakIsRefused() {
        writeBytes(file("dev.ini"), "A\r\n");
        frmSpisokrrn w(root_);
        w.TextAddRrn->setText(QStringLiteral("121  one\n48   two"));
        w.addnew_Click();
        QCOMPARE(w.ListRrnAll->count(), 0);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(file("allreports.ini"))));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
        frmSpisokDev d(root_);
        d.ComboAdd->setEditText(QStringLiteral("DEV1\rDEV2"));
        d.addnew_Click();
        QCOMPARE(readBytes(file("dev.ini")), std::string("A\r\n"));
        QCOMPARE(d.ListDev->count(), 1);
    }

    void failedRewriteKeepsTheListAndTheFile() {
        writeBytes(file("dev.ini"), "A\r\nB\r\n");
        frmSpisokDev w(root_);
        // Replace the file by a directory behind the window's back: the rewrite must fail.
        QVERIFY(::unlink(file("dev.ini").c_str()) == 0);
        QVERIFY(::mkdir(file("dev.ini").c_str(), 0755) == 0);
        QVERIFY(::mkdir(file("dev.ini/x").c_str(), 0755) == 0);
        select(w.ListDev, "B");
        w.remspisok_Click();
        QCOMPARE(texts(w.ListDev), QStringList({"A", "B"}));
        clearConfirmed(w);
        QCOMPARE(texts(w.ListDev), QStringList({"A", "B"}));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
    }

    void readOnlyListIsNotReplaced() {
        kalvimo::test::Unprivileged user(dir_.path().toStdString());
        if (!user.active()) QSKIP("root cannot give up its rights here");
        writeBytes(file("reports.ini"), "121\r\n48\r\n");
        QVERIFY(::chmod(file("reports.ini").c_str(), 0444) == 0);
        frmSpisokrrn w(root_);
        select(w.ListRrnFor, "48");
        w.remspisok_Click();
        QCOMPARE(texts(w.ListRrnFor), QStringList({"121", "48"}));
        QCOMPARE(readBytes(file("reports.ini")), std::string("121\r\n48\r\n"));
        QVERIFY(w.findChild<QMessageBox*>("listFailure"));
    }

    void busyDataDirectoryLeavesTheListAsOnDisk() {
        // Another program's run holds the data directory: a change waits two seconds for it,
        // then says the list was not changed, and window and file stay as they were.
        writeBytes(file("allreports.ini"), "121\r\n");
        writeBytes(file("reports.ini"), "48\r\n");
        writeBytes(file("dev.ini"), "A\r\nB\r\n");
        kalvimo::test::BusyDataDir holder(KALVIMO_BATCH, root_, dir_.path().toStdString());
        QVERIFY(holder.holding());
        const QString refused =
            QStringLiteral("Список не изменён. Каталог данных занят: идёт обработка (PID %1)").arg(holder.pid());
        frmSpisokrrn rrn(root_);
        rrn.show();
        select(rrn.ListRrnAll, "121");
        QTest::mouseClick(rrn.addRRN, Qt::LeftButton);
        auto* box = rrn.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QVERIFY2(box->text() == refused, qPrintable(box->text() + " / " + refused));
        QCOMPARE(texts(rrn.ListRrnFor), QStringList{"48"});
        QCOMPARE(readBytes(file("reports.ini")), std::string("48\r\n"));

        frmSpisokDev dev(root_);
        dev.show();
        select(dev.ListDev, "B");
        QTest::mouseClick(dev.remspisok, Qt::LeftButton);
        box = dev.findChild<QMessageBox*>("listFailure");
        QVERIFY(box);
        QCOMPARE(box->text(), refused);
        QCOMPARE(texts(dev.ListDev), QStringList({"A", "B"}));
        QCOMPARE(readBytes(file("dev.ini")), std::string("A\r\nB\r\n"));

        // Once that run is over, the same change goes through.
        holder.kill();
        select(dev.ListDev, "B");
        QTest::mouseClick(dev.remspisok, Qt::LeftButton);
        QCOMPARE(texts(dev.ListDev), QStringList{"A"});
        QCOMPARE(readBytes(file("dev.ini")), std::string("A\r\n"));
    }
};

QTEST_MAIN(ListWindowsTest)
#include "list_windows_test.moc"
