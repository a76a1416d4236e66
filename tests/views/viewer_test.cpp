// The viewer as a person uses it: files opened the way the program opens them, read back
// through the clipboard, found with Ctrl+F and F3, filtered, gone to by number, and followed
// while a run rewrites or deletes them.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "platform/qt/qt_text.h"
#include "tests/unprivileged.h"
#include "views/text_document.h"
#include "views/text_pane.h"
#include "views/viewer_starter.h"
#include "views/viewer_tab.h"
#include "views/viewer_window.h"

using namespace kalvimo;

namespace {

QByteArray cp(const QString& text) { return QByteArray::fromStdString(toCp1251(text)); }

// Rewrites the file in place, as a run does: the same file, new content.
void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// "1 <word>", "2 <word>" and on, CR LF; or from another first number on.
QByteArray numbered(int count, const char* word = "A", int first = 1) {
    QByteArray out;
    out.reserve(count * 12);
    for (int i = first; i < first + count; ++i) out.append(QByteArray::number(i)).append(' ').append(word).append("\r\n");
    return out;
}

// Appends to the file, as the exchange appends to a printout.
void append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A turn of the mouse wheel over the pane, up or down by three rows.
void turnWheel(TextPane* pane, int notches) {
    const QPointF at(pane->viewport()->width() / 2.0, pane->viewport()->height() / 2.0);
    QWheelEvent wheel(at, pane->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pane->viewport(), &wheel);
}

// The desktop is only recorded.
struct Starter : ViewerStarter {
    QStringList desktop;
    bool succeed = true;
    bool openWithDesktop(const QString& path) override {
        desktop << path;
        return succeed;
    }
};

// Types text key by key; Cyrillic too, which QTest::keyClicks cannot.
void type(QWidget* widget, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c), Qt::NoModifier);
}

// Numbers as the window groups them: "2 000" with a no-break space.
QString grouped(QString text) {
    return text.replace(QRegularExpression(QStringLiteral("(\\d) (\\d)")), QStringLiteral("\\1\u00A0\\2"));
}

bool inView(TextPane* pane, uint64_t line) {
    const uint64_t top = pane->topRow();
    return line >= top && line < top + static_cast<uint64_t>(pane->verticalScrollBar()->pageStep());
}

bool lastInView(TextPane* pane, uint64_t rows) { return pane->rowCount() == rows && inView(pane, rows - 1); }

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::unique_ptr<Starter> starter_;

    QString file(const char* name) const { return tmp_.filePath(QString::fromUtf8(name)); }

    ViewerTab* open(const QString& path) {
        starter_->openInViewer(path);
        ViewerWindow* w = starter_->window();
        if (!QTest::qWaitForWindowActive(w)) qWarning("viewer window not active");
        return w->currentTab();
    }
    ViewerWindow* window() { return starter_->window(); }
    // What was in the field is selected and typed over.
    static void typeInto(QLineEdit* field, const QString& text) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        type(field, text);
    }

private slots:
    void init() { starter_ = std::make_unique<Starter>(); }
    void cleanup() { starter_.reset(); }

    void showsTheTextAsWindows1251() {
        const QString path = file("errorstat");
        QByteArray bytes = cp(QStringLiteral("Статистика ошибок ZARYA-UZEL\r\n"));
        bytes += QByteArray("\x98\x00\tX\rY\n", 7);  // 0x98, NUL, tab and a lone CR are data
        bytes += cp(QStringLiteral("Ёё\r\n")) + QByteArray(5000, 'L') + "\r\n" + cp(QStringLiteral("без перевода"));
        put(path, bytes);
        ViewerTab* t = open(path);
        QCOMPARE(window()->windowTitle(), QStringLiteral("errorstat — Просмотр"));
        QCOMPARE(window()->tabs->tabText(0), QStringLiteral("errorstat"));
        QVERIFY2(t->status->text().startsWith(QStringLiteral("Строк: 5 · ")), qPrintable(t->status->text()));

        QTest::keyClick(t->text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(t->text, Qt::Key_C, Qt::ControlModifier);
        const QString want = QStringLiteral("Статистика ошибок ZARYA-UZEL\n") + QChar(0x98) + QChar(0) +
                             QStringLiteral("\tX\rY\nЁё\n") + QString(4096, 'L') + QStringLiteral("\nбез перевода");
        QCOMPARE(QApplication::clipboard()->text(), want);
        // The long line was shown cut, so only its shown part was copied; the note says so.
        QVERIFY2(t->note->text().contains(QStringLiteral("часть")), qPrintable(t->note->text()));
        QCOMPARE(QFileInfo(path).size(), bytes.size());  // nothing written to it
    }

    void aWindows1251NameIsShownAsSuch() {
        const std::string odd = tmp_.path().toStdString() + "/\xCE\xF2\xF7\xB8\xF2.s12";  // "Отчёт.s12", from Windows
        std::ofstream(odd, std::ios::binary) << "x\r\n";
        struct RemoveAtEnd {  // Qt cannot remove a name that is not UTF-8
            std::string path;
            ~RemoveAtEnd() { ::unlink(path.c_str()); }
        } removeOdd{odd};
        ViewerTab* t = open(pathFromBytes(odd));
        QCOMPARE(window()->tabs->tabText(0), QStringLiteral("Отчёт.s12"));
        QCOMPARE(window()->windowTitle(), QStringLiteral("Отчёт.s12 — Просмотр"));
        QVERIFY2(t->status->text().startsWith(QStringLiteral("Строк: 1 · ")), qPrintable(t->status->text()));
    }

    void findsWithCtrlFAndF3() {
        QByteArray bytes = cp(QStringLiteral("начало\r\nЁЛКА и ёлка\r\nничего\r\nёлка\r\n"));
        for (int i = 5; i <= 400; ++i) bytes += cp(i == 251 ? QStringLiteral("ЁЛКА\r\n") : QStringLiteral("строка\r\n"));
        const QString path = file("rep48.log");
        put(path, bytes);
        ViewerTab* t = open(path);
        QSignalSpy finished(t, &ViewerTab::searchFinished);
        QTest::keyClick(t->text, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(t->findText->hasFocus());
        type(t->findText, QStringLiteral("ёлка"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(t->findCount->text(), QStringLiteral("Найдено: 4 (строк: 3)"));

        // The first match is shown as found, then F3 goes on, through the line and the file.
        struct Stop {
            uint64_t line;
            size_t column;
            const char* note;
        };
        const Stop forward[] = {{1, 0, ""}, {1, 7, ""}, {3, 0, ""}, {250, 0, ""}, {1, 0, "Поиск продолжен с начала файла"}};
        for (const Stop& s : forward) {
            if (&s != forward) QTest::keyClick(t->findText, Qt::Key_F3);
            QCOMPARE(t->text->currentLine(), s.line);
            QCOMPARE(t->text->currentColumn(), s.column);
            QCOMPARE(t->note->text(), QString::fromUtf8(s.note));
            QVERIFY(inView(t->text, s.line));
        }
        QTest::keyClick(t->text, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(t->text->currentLine(), 250u);
        QCOMPARE(t->note->text(), QStringLiteral("Поиск продолжен с конца файла"));

        QTest::mouseClick(t->matchCase, Qt::LeftButton, {}, QPoint(5, t->matchCase->height() / 2));
        QVERIFY(t->matchCase->isChecked());
        QVERIFY(finished.wait(5000));
        QCOMPARE(t->findCount->text(), QStringLiteral("Найдено: 2 (строк: 2)"));
        typeInto(t->findText, QStringLiteral("日本"));
        QTRY_COMPARE(t->findCount->text(), QStringLiteral("Таких знаков нет в Windows-1251"));
        typeInto(t->findText, QStringLiteral("нет такого"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(t->findCount->text(), QStringLiteral("Не найдено"));
    }

    void filtersAndJumpsToTheClickedLine() {
        QByteArray bytes;
        const char* devices[] = {"ALFA", "BETA", "GAMMA"};
        for (int i = 0; i < 3000; ++i) bytes += QByteArray("0032/0063/0015 ") + devices[i % 3] + "\r\n";
        const QString path = file("alarm.log");
        put(path, bytes);
        ViewerTab* t = open(path);
        QVERIFY(!t->filtered->isVisible());
        QSignalSpy finished(t, &ViewerTab::filterFinished);
        QTest::keyClick(t->text, Qt::Key_L, Qt::ControlModifier);
        type(t->filterText, QStringLiteral("alfa|GAMMA|"));  // case does not matter by default
        QVERIFY(finished.wait(5000));
        QCOMPARE(t->filterCount->text(), grouped(QStringLiteral("Строк: 2 000")));
        QVERIFY(t->filtered->isVisible());
        QCOMPARE(t->filtered->rowCount(), 2000u);
        for (uint64_t row : {0, 1, 2, 1999}) QCOMPARE(t->filtered->lineOfRow(row), row / 2 * 3 + row % 2 * 2);

        QTest::keyClick(t->filtered, Qt::Key_PageDown);
        const uint64_t row = t->filtered->topRow() + 3;
        const QRect r = t->filtered->rowRect(row);
        QVERIFY(!r.isEmpty());
        QTest::mouseClick(t->filtered->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(t->text->currentLine(), t->filtered->lineOfRow(row));
        QVERIFY(inView(t->text, t->text->currentLine()));

        typeInto(t->filterText, QString());
        QTRY_VERIFY(!t->filtered->isVisible());
    }

    void goesToALineAndMovesWithTheKeys() {
        const QString path = file("rep121.log");
        put(path, numbered(1000));
        ViewerTab* t = open(path);
        QTest::keyClick(t->text, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(t->goToLine->hasFocus());
        type(t->goToLine, QStringLiteral("700"));
        QTest::keyClick(t->goToLine, Qt::Key_Return);
        QCOMPARE(t->text->currentLine(), 699u);
        QVERIFY(inView(t->text, 699));
        QVERIFY(t->text->hasFocus());

        QScrollBar* v = t->text->verticalScrollBar();
        const int top = v->value();
        QTest::keyClick(t->text, Qt::Key_PageDown);
        QCOMPARE(v->value(), top + v->pageStep());
        QTest::keyClick(t->text, Qt::Key_End);
        QCOMPARE(t->text->topRow() + static_cast<uint64_t>(v->pageStep()), 1000u);
        QTest::keyClick(t->text, Qt::Key_Home);
        QCOMPARE(t->text->topRow(), 0u);

        const struct {
            const char* typed;
            uint64_t line;
            const char* note;
        } cases[] = {{"0", 699, "Номер строки — целое число от 1"}, {"x", 699, "Номер строки — целое число от 1"},
                     {"5000", 999, "В файле строк: 1\u00A0000"}, {"1001", 999, "В файле строк: 1\u00A0000"},
                     {" 3 ", 2, ""}};
        for (const auto& c : cases) {
            typeInto(t->goToLine, QString::fromUtf8(c.typed));
            QTest::keyClick(t->goToLine, Qt::Key_Return);
            QCOMPARE(t->text->currentLine(), c.line);
            QCOMPARE(t->note->text(), QString::fromUtf8(c.note));
        }
    }

    void followsARewriteAndADeletion() {
        // Larger than what is indexed before the first screen, so that the place in view has
        // to wait for the background.
        const QString path = file("rep48.log");
        put(path, numbered(2000000));
        ViewerTab* t = open(path);
        typeInto(t->filterText, QStringLiteral("B"));
        QTest::keyClick(t->filterText, Qt::Key_Return);
        typeInto(t->goToLine, QStringLiteral("1900000"));
        QTest::keyClick(t->goToLine, Qt::Key_Return);
        QTRY_VERIFY(inView(t->text, 1899999));  // once the background has got there
        const uint64_t top = t->text->topRow();

        // A longer file: the same lines in view once it is read, and the filter runs again.
        put(path, numbered(2100000, "B"));
        QTRY_VERIFY2(t->status->text().startsWith(grouped(QStringLiteral("Строк: 2 100 000 · "))), qPrintable(t->status->text()));
        QCOMPARE(t->text->topRow(), top);
        QTRY_COMPARE(t->filterCount->text(), grouped(QStringLiteral("Строк: 2 100 000")));
        // A shorter one: its end.
        put(path, numbered(100));
        QTRY_COMPARE(t->status->text(), QStringLiteral("Строк: 100 · 592 байт"));
        QCOMPARE(t->text->topRow() + static_cast<uint64_t>(t->text->verticalScrollBar()->pageStep()), 100u);

        QVERIFY(QFile::remove(path));
        QTRY_VERIFY(t->problem->isVisible());
        QCOMPARE(t->problem->text(), QStringLiteral("Файл удалён"));
        QVERIFY(!t->text->isVisible());
        put(path, numbered(3));
        QTRY_VERIFY(t->text->isVisible());
        QCOMPARE(t->status->text(), QStringLiteral("Строк: 3 · 15 байт"));
    }

    void followsTheEndOfAGrowingFile() {
        const QString path = file("print.s12");
        put(path, numbered(1000));
        ViewerTab* t = open(path);
        QVERIFY(!t->followEnd->isChecked());
        QTest::keyClick(t->text, Qt::Key_End);
        QVERIFY(t->followEnd->isChecked());
        QVERIFY2(t->status->text().endsWith(QStringLiteral(" · слежение")), qPrintable(t->status->text()));

        // Appended lines come into view as the file grows.
        QElapsedTimer clock;
        clock.start();
        append(path, numbered(50, "A", 1001));
        QTRY_VERIFY_WITH_TIMEOUT(lastInView(t->text, 1050), 5000);
        qInfo("appended lines in view after %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));

        // The wheel up pauses following: the rows in view stay while the file grows.
        turnWheel(t->text, 1);
        QVERIFY(!t->followEnd->isChecked());
        QVERIFY(!t->status->text().contains(QStringLiteral("слежение")));
        const uint64_t top = t->text->topRow();
        append(path, numbered(50, "A", 1051));
        QTRY_COMPARE(t->text->rowCount(), 1100u);
        QCOMPARE(t->text->topRow(), top);
        // The wheel down to the end follows again, so does End.
        QScrollBar* v = t->text->verticalScrollBar();
        for (int turns = 0; turns < 100 && v->value() < v->maximum(); ++turns) {
            QVERIFY(!t->followEnd->isChecked());
            turnWheel(t->text, -1);
        }
        QVERIFY(t->followEnd->isChecked());
        QTest::keyClick(t->text, Qt::Key_PageUp);
        QVERIFY(!t->followEnd->isChecked());
        QTest::keyClick(t->text, Qt::Key_End);
        QVERIFY(lastInView(t->text, 1100));
        append(path, numbered(50, "A", 1101));
        QTRY_VERIFY(lastInView(t->text, 1150));

        // The box does the same as the keys.
        QTest::keyClick(t->text, Qt::Key_Home);
        QTest::mouseClick(t->followEnd, Qt::LeftButton, {}, QPoint(5, t->followEnd->height() / 2));
        QVERIFY(t->followEnd->isChecked());
        QVERIFY(lastInView(t->text, 1150));
        QVERIFY(t->text->hasFocus());
        QTest::mouseClick(t->followEnd, Qt::LeftButton, {}, QPoint(5, t->followEnd->height() / 2));
        QVERIFY(!t->text->following());
        append(path, numbered(50, "A", 1151));
        QTRY_COMPARE(t->text->rowCount(), 1200u);
        QVERIFY(!inView(t->text, 1199));
    }

    void aGrownFileIsSearchedAndFilteredOnlyWhereItGrew() {
        const QString path = file("rep48.log");
        put(path, numbered(100000, "ALFA"));
        ViewerTab* t = open(path);
        QSignalSpy searched(t, &ViewerTab::searchFinished), filtered(t, &ViewerTab::filterFinished);
        QTest::keyClick(t->text, Qt::Key_F, Qt::ControlModifier);
        type(t->findText, QStringLiteral("alfa"));
        QVERIFY(searched.wait(5000));
        QCOMPARE(t->findCount->text(), grouped(QStringLiteral("Найдено: 100 000 (строк: 100 000)")));
        QTest::keyClick(t->findText, Qt::Key_L, Qt::ControlModifier);
        type(t->filterText, QStringLiteral("beta|gamma"));
        QTest::keyClick(t->filterText, Qt::Key_Return);
        QTRY_COMPARE(t->filterCount->text(), QStringLiteral("Строк: 0"));

        append(path, numbered(10, "ALFA BETA ALFA", 100001) + "100011 GAMMA");
        QTRY_COMPARE(t->filterCount->text(), QStringLiteral("Строк: 11"));
        QTRY_COMPARE(t->findCount->text(), grouped(QStringLiteral("Найдено: 100 020 (строк: 100 010)")));
        QCOMPARE(t->filtered->rowCount(), 11u);
        QCOMPARE(t->filtered->lineOfRow(0), 100000u);
        QCOMPARE(t->filtered->lineOfRow(10), 100010u);
        // The line still being written goes on in the same row.
        append(path, " BETA\r\n");
        const auto size = static_cast<uint64_t>(QFileInfo(path).size());
        QTRY_COMPARE(t->filter().bytesRead(), size);
        QTRY_COMPARE(t->search().bytesRead(), size);
        QCOMPARE(t->document()->lines(), 100011u);
        QCOMPARE(t->filterCount->text(), QStringLiteral("Строк: 11"));
        QCOMPARE(t->filtered->rowCount(), 11u);
        // Each byte was read once by the index, the count and the filter: they went on, not over.
        QCOMPARE(t->document()->model().bytesIndexed(), size);
    }

    void aReplacedFileIsReadAnew() {
        const QString path = file("rep121.log");
        put(path, numbered(100));
        ViewerTab* t = open(path);
        t->setFilter(QStringLiteral("A"));
        QTRY_COMPARE(t->filterCount->text(), QStringLiteral("Строк: 100"));
        // Another file under the name that starts as the first did: read anew all the same.
        put(path + QStringLiteral(".new"), numbered(150));
        QCOMPARE(std::rename(qPrintable(path + QStringLiteral(".new")), qPrintable(path)), 0);
        QTRY_COMPARE(t->status->text(), QStringLiteral("Строк: 150 · 942 байт"));
        QTRY_COMPARE(t->filterCount->text(), QStringLiteral("Строк: 150"));
        QCOMPARE(t->document()->model().bytesIndexed(), 592u + 942u);
    }

    void aSelectionIsThePrimarySelection() {
        QClipboard* clipboard = QApplication::clipboard();
        if (!clipboard->supportsSelection()) {
            if (qEnvironmentVariableIsSet("KALVIMO_NEED_SELECTION")) QFAIL("the window system has no primary selection");
            QSKIP("the window system has no primary selection");
        }
        const QString path = file("alarm.log");
        put(path, cp(QStringLiteral("первая строка\r\nвторая строка\r\nтретья\r\n")));
        ViewerTab* t = open(path);
        clipboard->setText(QStringLiteral("before"));
        QWidget* view = t->text->viewport();
        const QPoint from(1, t->text->rowRect(0).center().y()), to(view->width() - 2, t->text->rowRect(1).center().y());
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("первая строка\nвторая строка"));
        QCOMPARE(clipboard->text(), QStringLiteral("before"));  // the clipboard only on Ctrl+C
        QTest::keyClick(t->text, Qt::Key_A, Qt::ControlModifier);
        QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("первая строка\nвторая строка\nтретья"));
    }

    void dropsAnIndexBuiltForTheOldContent() {
        // Longer than what is indexed before the first screen, so the rest is indexed in the
        // background; that indexing is held until the file has been rewritten.
        const QString path = file("rep121.log");
        put(path, numbered(300000));
        QSemaphore reached, released;
        ViewerDocument::beforeLastIndexBatch = [&] {
            reached.release();
            released.tryAcquire(1, 5000);
        };
        ViewerTab* t = open(path);
        QVERIFY(reached.tryAcquire(1, 5000));
        QVERIFY(!t->document()->indexComplete());
        put(path, numbered(3));
        released.release();
        // The old content's last batch is sent by the time the reload has stopped its indexing,
        // so it arrives after the reload.
        t->document()->checkFile();
        ViewerDocument::beforeLastIndexBatch = nullptr;
        QCOMPARE(t->status->text(), QStringLiteral("Строк: 3 · 15 байт"));
        QCoreApplication::processEvents();
        QCOMPARE(t->status->text(), QStringLiteral("Строк: 3 · 15 байт"));
        QTest::keyClick(t->text, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(t->text, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1 A\n2 A\n3 A"));
    }

    void refusesWhatItCannotShow_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("shown");  // %1 is the path
        QTest::newRow("missing") << "missing" << "Нет файла %1";
        QTest::newRow("directory") << "directory" << "%1 — это каталог, а не файл";
        QTest::newRow("pipe") << "pipe" << "Файл %1 не является обычным файлом";
        QTest::newRow("unreadable") << "unreadable" << "Не удалось открыть файл %1: нет доступа";
        QTest::newRow("empty") << "empty" << "";
    }

    void refusesWhatItCannotShow() {
        QFETCH(QString, kind);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x"));
        if (kind == "directory") QVERIFY(QDir().mkpath(path));
        if (kind == "pipe") QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0644), 0);
        if (kind == "unreadable" || kind == "empty") put(path, kind == "empty" ? QByteArray() : QByteArray("x\r\n"));
        if (kind == "unreadable") QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        test::Unprivileged nobody(dir.path().toStdString());
        if (kind == "unreadable" && !nobody.active()) QSKIP("cannot give up root");
        ViewerTab* t = open(path);
        if (shown.isEmpty()) {
            QCOMPARE(t->status->text(), QStringLiteral("Файл пуст"));
            QVERIFY(t->text->isVisible());
        } else {
            QCOMPARE(t->problem->text(), shown.arg(path));
            QVERIFY(t->problem->isVisible());
        }
        QVERIFY(window()->isEnabled());
    }

    void hugeLineShowsAtOnceAndIsSearched() {
        // A line of 20 MB: more than is indexed before the first screen.
        const QString path = file("huge.log");
        put(path, QByteArray(20 * 1024 * 1024, 'x') + cp(QStringLiteral("КОНЕЦ\r\nвторая\r\n")));
        ViewerTab* t = open(path);
        // The first screen is there before the background has said anything.
        if (!t->document()->indexComplete()) {
            QCOMPARE(t->text->rowCount(), 1u);
            QVERIFY(t->progress->isVisible());
        }
        QTRY_VERIFY(t->document()->indexComplete());
        QCOMPARE(t->text->rowCount(), 2u);
        QVERIFY(t->progress->isHidden());
        QCOMPARE(t->status->text(), QStringLiteral("Строк: 2 · 20,0 МБ"));
        QSignalSpy finished(t, &ViewerTab::searchFinished);
        QTest::keyClick(t->text, Qt::Key_F, Qt::ControlModifier);
        type(t->findText, QStringLiteral("конец"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(t->findCount->text(), QStringLiteral("Найдено: 1 (строк: 1)"));
        QCOMPARE(t->text->currentLine(), 0u);  // past the cut: the line itself
    }

    void oneWindowWithTabsThatKeepsItsSize() {
        const QString a = file("a.log"), b = file("b.log");
        put(a, "a\r\n");
        put(b, "b\r\n");
        open(a);
        open(b);
        ViewerWindow* w = window();
        open(a);  // brought forward, not opened twice
        QCOMPARE(w->tabs->count(), 2);
        QCOMPARE(w->currentTab()->path(), a);
        starter_->openInViewer(b, QStringLiteral("ALARM|SBL"));  // as the charts ask for it
        QCOMPARE(w->currentTab()->filterText->text(), QStringLiteral("ALARM|SBL"));

        w->openElsewhere->trigger();
        QCOMPARE(starter_->desktop, QStringList{b});
        starter_->succeed = false;
        w->openElsewhere->trigger();
        QCOMPARE(w->currentTab()->note->text(), QStringLiteral("Не удалось открыть файл %1: нет программы для просмотра").arg(b));

        w->resize(900, 500);
        QTest::keyClick(w, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(w->tabs->count(), 1);
        w->close();
        QTRY_VERIFY(!window());
        open(a);
        QCOMPARE(window()->size(), QSize(900, 500));
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"
