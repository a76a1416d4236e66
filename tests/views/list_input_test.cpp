// The list windows driven as a person drives them: clicks on rows and buttons, double-clicks,
// typing and keys. What counts is what reaches the files and what stays selected.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <sys/stat.h>

#include "tests/file_bytes.h"
#include "tests/qt_controls.h"
#include "tests/qt_typing.h"
#include "views/device_list_window.h"
#include "views/report_list_window.h"
#include "views/sorted_list_box.h"

using namespace kalvimo;
using kalvimo::test::control;
using kalvimo::test::fileBytes;
using kalvimo::test::putFileBytes;
using kalvimo::test::typeInto;

namespace {

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QStringList selectedTexts(const QListWidget* list) {
    QStringList out;
    for (const QListWidgetItem* item : list->selectedItems()) out << item->text();
    return out;
}

QPoint rowCentre(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) qFatal("no row %s", qPrintable(text));
    return list->visualItemRect(found.first()).center();
}

void clickRow(QListWidget* list, const QString& text) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(list, text));
}

// A real double-click: a click, then the second press that the system reports as a double.
void doubleClick(QWidget* widget, QPoint at = {}) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
}

void doubleClickRow(QListWidget* list, const QString& text) { doubleClick(list->viewport(), rowCentre(list, text)); }

// Presses Tab until the widget has the focus; false when it never gets it.
bool tabTo(QWidget* window, QWidget* target) {
    for (int i = 0; i < 20 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

// Both windows seen the same way: the working list, its remove and clear buttons, its file.
struct Working {
    QDialog* window;
    SortedListBox* list;
    QPushButton* remove;
    QPushButton* clear;
    std::string file;
};

}  // namespace

class ListInputTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string root_;
    std::string file(const char* name) const { return root_ + "/" + name; }

    // The window of kind "rrn" or "dev" with the working list A, B, C, shown and active.
    std::unique_ptr<QDialog> open(const QString& kind, Working& w) {
        std::unique_ptr<QDialog> window;
        if (kind == "rrn") {
            putFileBytes(file("reports.ini"), "111\r\n222\r\n333\r\n");
            auto* r = new ReportListWindow(root_);
            w = {r, control<SortedListBox>(*r, "ListRrnFor"), control<QPushButton>(*r, "remspisok"),
                 control<QPushButton>(*r, "btnclear"), file("reports.ini")};
            window.reset(r);
        } else {
            putFileBytes(file("dev.ini"), "111\r\n222\r\n333\r\n");
            auto* d = new DeviceListWindow(root_);
            w = {d, control<SortedListBox>(*d, "ListDev"), control<QPushButton>(*d, "remspisok"),
                 control<QPushButton>(*d, "btnclear"), file("dev.ini")};
            window.reset(d);
        }
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        if (!QTest::qWaitForWindowActive(window.get())) qFatal("the window did not become active");
        return window;
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        root_ = dir_.path().toStdString() + "/" + QTest::currentTestFunction() + "-" +
                (QTest::currentDataTag() ? QTest::currentDataTag() : "");
        QVERIFY(::mkdir(root_.c_str(), 0755) == 0);
    }

    void aRemovalTakesOnlyTheSelectedEntry_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("how");
        for (const char* kind : {"rrn", "dev"}) {
            for (const char* how : {"remove clicked twice", "remove double-clicked", "row double-clicked, then remove",
                                    "Delete pressed twice"})
                QTest::addRow("%s: %s", kind, how) << QString(kind) << QString(how);
        }
    }

    void aRemovalTakesOnlyTheSelectedEntry() {
        QFETCH(QString, kind);
        QFETCH(QString, how);
        Working w{};
        const auto window = open(kind, w);
        if (how == "row double-clicked, then remove") {
            doubleClickRow(w.list, "222");
            QTest::mouseClick(w.remove, Qt::LeftButton);
        } else {
            clickRow(w.list, "222");
            QCOMPARE(selectedTexts(w.list), QStringList{"222"});
            if (how == "remove clicked twice") {
                QTest::mouseClick(w.remove, Qt::LeftButton);
                QTest::mouseClick(w.remove, Qt::LeftButton);
            } else if (how == "remove double-clicked") {
                doubleClick(w.remove);
            } else {
                QTest::keyClick(w.list, Qt::Key_Delete);
                QTest::keyClick(w.list, Qt::Key_Delete);
            }
        }
        QCOMPARE(texts(w.list), (QStringList{"111", "333"}));
        QCOMPARE(fileBytes(w.file), std::string("111\r\n333\r\n"));
        QVERIFY(selectedTexts(w.list).isEmpty());
    }

    void keysPressTheFocusedButton_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        for (const char* kind : {"rrn", "dev"}) {
            QTest::addRow("%s: Return", kind) << QString(kind) << int(Qt::Key_Return);
            QTest::addRow("%s: Enter", kind) << QString(kind) << int(Qt::Key_Enter);
            QTest::addRow("%s: Space", kind) << QString(kind) << int(Qt::Key_Space);
        }
    }

    void keysPressTheFocusedButton() {
        QFETCH(QString, kind);
        QFETCH(int, key);
        Working w{};
        const auto window = open(kind, w);
        clickRow(w.list, "222");
        QVERIFY(tabTo(w.window, w.remove));
        QTest::keyClick(w.remove, Qt::Key(key));
        QCOMPARE(fileBytes(w.file), std::string("111\r\n333\r\n"));
    }

    void clearingAsksFirst_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("answer");
        for (const char* kind : {"rrn", "dev"}) {
            QTest::addRow("%s: Нет", kind) << QString(kind) << QStringLiteral("Нет");
            QTest::addRow("%s: Да", kind) << QString(kind) << QStringLiteral("Да");
        }
    }

    void clearingAsksFirst() {
        QFETCH(QString, kind);
        QFETCH(QString, answer);
        Working w{};
        const auto window = open(kind, w);
        QTest::mouseClick(w.clear, Qt::LeftButton);
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w.window->findChild<QMessageBox*>()) && box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("Очистить весь список?"));
        QAbstractButton* chosen = nullptr;
        QStringList captions;
        for (QAbstractButton* b : box->buttons()) {
            captions << b->text();
            if (b->text() == answer) chosen = b;
        }
        captions.sort();
        QCOMPARE(captions, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
        QCOMPARE(fileBytes(w.file), std::string("111\r\n222\r\n333\r\n"));  // nothing before the answer
        QTest::mouseClick(chosen, Qt::LeftButton);
        QTRY_VERIFY(!box || !box->isVisible());
        if (answer == QStringLiteral("Да")) {
            QCOMPARE(w.list->count(), 0);
            QCOMPARE(fileBytes(w.file), std::string());
        } else {
            QCOMPARE(w.list->count(), 3);
            QCOMPARE(fileBytes(w.file), std::string("111\r\n222\r\n333\r\n"));
        }
    }

    // Adding puts exactly what was typed or picked in its file and leaves the selection as
    // it was.
    void anAdditionKeepsTheSelection_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("rrn: arrow") << "rrn arrow" << "reports.ini" << QByteArray("111\r\n48   x\r\n");
        QTest::newRow("rrn: Enter on the catalogue line") << "rrn Enter on the catalogue" << "reports.ini"
                                                          << QByteArray("111\r\n48   x\r\n");
        QTest::newRow("rrn: Enter in the text box") << "rrn Enter in the text" << "allreports.ini"
                                                    << QByteArray("48   x\r\n0001/0002/000\r\n");
        QTest::newRow("dev: arrow") << "dev arrow" << "dev.ini" << QByteArray("111\r\n0001/0002/000\r\n");
        QTest::newRow("dev: Enter in the field") << "dev Enter" << "dev.ini" << QByteArray("111\r\n0001/0002/000\r\n");
    }

    void anAdditionKeepsTheSelection() {
        QFETCH(QString, how);
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        // Catalogues whose lines begin like what is typed: nothing may complete it.
        putFileBytes(this->file("allreports.ini"), "48   x\r\n");
        putFileBytes(this->file("alldev.ini"), "0001/0002/0003\r\n0001/0002/0004\r\n");
        std::unique_ptr<QDialog> window;
        QListWidget* kept = nullptr;  // the list whose selection must stay
        if (how.startsWith("rrn")) {
            putFileBytes(this->file("reports.ini"), "111\r\n");
            auto* r = new ReportListWindow(root_);
            window.reset(r);
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            if (how.contains("text")) {
                clickRow(control<SortedListBox>(*r, "ListRrnAll"), "48   x");
                kept = control<SortedListBox>(*r, "ListRrnAll");
                typeInto(control<QLineEdit>(*r, "TextAddRrn"), "0001/0002/000");
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                clickRow(control<SortedListBox>(*r, "ListRrnFor"), "111");
                clickRow(control<SortedListBox>(*r, "ListRrnAll"), "48   x");
                kept = control<SortedListBox>(*r, "ListRrnFor");
                if (how.contains("Enter")) QTest::keyClick(control<SortedListBox>(*r, "ListRrnAll"), Qt::Key_Return);
                else QTest::mouseClick(control<QPushButton>(*r, "addRRN"), Qt::LeftButton);
            }
        } else {
            putFileBytes(this->file("dev.ini"), "111\r\n");
            auto* d = new DeviceListWindow(root_);
            window.reset(d);
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            clickRow(control<SortedListBox>(*d, "ListDev"), "111");
            kept = control<SortedListBox>(*d, "ListDev");
            typeInto(control<QComboBox>(*d, "ComboAdd")->lineEdit(), "0001/0002/000");
            QCOMPARE(control<QComboBox>(*d, "ComboAdd")->currentText(), QStringLiteral("0001/0002/000"));
            if (how.contains("Enter")) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else QTest::mouseClick(control<QPushButton>(*d, "addnew"), Qt::LeftButton);
        }
        QCOMPARE(QByteArray::fromStdString(fileBytes(this->file(file.toLatin1().constData()))).toPercentEncoding(),
                 bytes.toPercentEncoding());
        QCOMPARE(selectedTexts(kept), QStringList{kept->objectName() == "ListRrnAll" ? "48   x" : "111"});
    }
};

QTEST_MAIN(ListInputTest)
#include "list_input_test.moc"
