// Start-up of the main window from Kalvimo.ini and exchange.ini, and saving the settings.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/qt/list_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_tests.h"
#include "tests/unprivileged.h"

using namespace kalvimo;
using namespace kalvimo::apptest;

namespace {

const QStringList kBoxLabels = {
    QStringLiteral("   заданные рапорта"),   QStringLiteral("   заданные устройства"), QStringLiteral("   121 рапорт"),
    QStringLiteral("   аварии"),             QStringLiteral("   48 рапорт"),           QStringLiteral("   искать новые рапорта"),
    QStringLiteral("   искать новые устройства")};

// The eleven lines of a settings file; states in the order of the file: Check1, Check5,
// Check7, Check3, Check2, Check4, Check8.
QStringList settingsLines(const QString& dir, const QString& station, const QList<int>& states,
                          const QString& fileOption, const QString& dirOption) {
    QStringList lines = {dir, station};
    for (int i = 0; i < 7; ++i) lines << QStringLiteral(" %1 ").arg(states[i]) + kBoxLabels[i];
    lines << fileOption + QStringLiteral(" обрабатывать файл") << dirOption + QStringLiteral("  обрабатывать каталог");
    return lines;
}

QList<int> boxStates(MainWindow& w) {
    const Controls ui(w);
    QList<int> s;
    for (StateCheckBox* b : {ui.Check1, ui.Check5, ui.Check7, ui.Check3, ui.Check2, ui.Check4, ui.Check8}) s << b->state();
    return s;
}

QString mode(MainWindow& w) {
    const Controls ui(w);
    if (ui.Optionfile->isChecked() && !ui.OptionDir->isChecked()) return QStringLiteral("file");
    if (ui.OptionDir->isChecked() && !ui.Optionfile->isChecked()) return QStringLiteral("dir");
    if (!ui.OptionDir->isChecked() && !ui.Optionfile->isChecked()) return QStringLiteral("none");
    return QStringLiteral("both");
}

QStringList stationEntries(MainWindow& w) {
    const Controls ui(w);
    QStringList s;
    for (int i = 0; i < ui.exchlist->count(); ++i) s << ui.exchlist->itemText(i);
    return s;
}

bool showsPictureOf(const QLabel* shown, const QLabel* source) {
    return shown->pixmap().toImage() == source->pixmap().toImage();
}

const QList<int> kClear = {0, 0, 0, 0, 0, 0, 0};

}  // namespace

void StartupSettingsTest::startUp_data() {
    QTest::addColumn<QStringList>("settings");  // empty: no Kalvimo.ini
    QTest::addColumn<bool>("hasExchange");
    QTest::addColumn<QStringList>("exchange");
    QTest::addColumn<bool>("dataDirMissing");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("dir");    // {home}, {in} or "/"
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QString>("mode");  // file, dir or none
    QTest::addColumn<QStringList>("stations");

    const QString t = QStringLiteral("True"), f = QStringLiteral("False");
    const QString west = QStringLiteral("ZAPAD-2");
    const QList<int> mixed = {1, 0, 2, 1, 0, 1, 1};
    QStringList xLine3 = settingsLines("{in}", west, {1, 1, 1, 1, 1, 1, 1}, t, f);
    xLine3[2] = QStringLiteral("x 1   заданные рапорта");
    QStringList threeOnLine5 = settingsLines("{in}", west, {1, 1, 3, 1, 1, 1, 1}, t, f);
    QStringList tenLines = settingsLines("{in}", west, mixed, t, t);
    tenLines.removeLast();

    QTest::newRow("no settings file") << QStringList{} << false << QStringList{} << false << "ZARYA-UZEL" << "{home}"
                                      << "c:" << kClear << "dir" << QStringList{};
    QTest::newRow("only two lines") << QStringList{"{in}", west} << false << QStringList{} << false << west << "{home}"
                                    << "c:" << kClear << "dir" << QStringList{};
    QTest::newRow("line 3 starts with x") << xLine3 << false << QStringList{} << false << west << "{home}" << "c:"
                                          << kClear << "dir" << QStringList{};
    // The boxes read before the bad number keep their states.
    QTest::newRow("line 5 holds 3") << threeOnLine5 << false << QStringList{} << false << west << "{home}" << "c:"
                                    << QList<int>{1, 1, 0, 0, 0, 0, 0} << "dir" << QStringList{};
    QTest::newRow("ten lines") << tenLines << false << QStringList{} << false << west << "{home}" << "c:" << mixed
                               << "file" << QStringList{};
    QTest::newRow("both option lines False") << settingsLines("{in}", west, mixed, f, f) << false << QStringList{}
                                             << false << west << "{in}" << "c:" << mixed << "none" << QStringList{};
    QTest::newRow("both option lines True") << settingsLines("{in}", west, mixed, t, t) << false << QStringList{}
                                            << false << west << "{in}" << "c:" << mixed << "dir" << QStringList{};
    QTest::newRow("saved directory is gone")
        << settingsLines("{gone}", west, {0, 1, 0, 0, 1, 0, 1}, t, f) << false << QStringList{} << false << west
        << "{home}" << "c:" << QList<int>{0, 1, 0, 0, 1, 0, 1} << "file" << QStringList{};
    QTest::newRow("empty station line") << settingsLines("{in}", "", kClear, f, t) << false << QStringList{} << false
                                        << "" << "{in}" << "c:" << kClear << "dir" << QStringList{};
    QTest::newRow("full file, Cyrillic station")
        << settingsLines("{in}", QStringLiteral("ГТС-2"), {1, 0, 1, 0, 1, 1, 0}, t, f) << false << QStringList{}
        << false << QStringLiteral("ГТС-2") << "{in}" << "c:" << QList<int>{1, 0, 1, 0, 1, 1, 0} << "file"
        << QStringList{};
    QTest::newRow("c:\\ stands for the home directory")
        << settingsLines("c:\\", west, mixed, f, t) << false << QStringList{} << false << west << "{home}" << "c:"
        << mixed << "dir" << QStringList{};
    QTest::newRow("directory on another drive") << settingsLines("/", west, kClear, f, t) << false << QStringList{}
                                                << false << west << "/" << "/" << kClear << "dir" << QStringList{};
    QTest::newRow("empty station list") << settingsLines("{in}", west, kClear, f, t) << true << QStringList{} << false
                                        << west << "{in}" << "c:" << kClear << "dir" << QStringList{};
    QTest::newRow("stations out of order")
        << QStringList{} << true << QStringList{"CHITA", "ABAKAN", "BRATSK"} << false << "ZARYA-UZEL" << "{home}" << "c:"
        << kClear << "dir" << QStringList{"ABAKAN", "BRATSK", "CHITA"};
    // Lower-cased comparison by code point: Latin before Cyrillic; an empty line is an entry.
    QTest::newRow("stations in both alphabets")
        << QStringList{} << true
        << QStringList{"beta", QStringLiteral("Гамма"), "Alpha", QStringLiteral("альфа"), ""} << false << "ZARYA-UZEL"
        << "{home}" << "c:" << kClear << "dir"
        << QStringList{"", "Alpha", "beta", QStringLiteral("альфа"), QStringLiteral("Гамма")};
    QTest::newRow("missing data directory") << QStringList{} << false << QStringList{} << true << "ZARYA-UZEL"
                                            << "{home}" << "c:" << kClear << "dir" << QStringList{};
}

void StartupSettingsTest::startUp() {
    QFETCH(QStringList, settings);
    QFETCH(bool, hasExchange);
    QFETCH(QStringList, exchange);
    QFETCH(bool, dataDirMissing);
    QFETCH(QString, station);
    QFETCH(QString, dir);
    QFETCH(QString, drive);
    QFETCH(QList<int>, states);
    QFETCH(QString, mode);
    QFETCH(QStringList, stations);

    Place place(!dataDirMissing);
    // Printouts in the home directory and in home/in, which also holds files and a
    // directory the pattern must leave out.
    writeBytes(place.home + "/home.s12", "x\r\n");
    for (const char* name : {"b.s12", "A.s12", "c.S12", "notes.log"}) writeBytes(place.in + '/' + name, "x\r\n");
    QDir().mkpath(place.in + "/sub.s12");
    auto resolve = [&](QString s) {
        return s.replace("{in}", place.in).replace("{home}", place.home).replace("{gone}", place.root + "/gone");
    };
    QByteArray settingsBytes, exchangeBytes;
    if (!settings.isEmpty()) {
        for (QString& l : settings) l = resolve(l);
        settingsBytes = cp1251Lines(settings);
        writeBytes(place.dataFile("Kalvimo.ini"), settingsBytes);
    }
    if (hasExchange) {
        exchangeBytes = cp1251Lines(exchange);
        writeBytes(place.dataFile("exchange.ini"), exchangeBytes);
    }

    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);

    const QString expectedDir = resolve(dir);
    QCOMPARE(w.currentDirectory(), expectedDir);
    QCOMPARE(ui.FilList->path(), expectedDir);
    QCOMPARE(ui.dirList->path(), expectedDir);
    QCOMPARE(ui.DrvList->drive(), drive);
    QCOMPARE(ui.ExtList->currentText(), QStringLiteral("*.s12"));
    QCOMPARE(ui.FilList->pattern(), QStringLiteral("*.s12"));
    if (dir == "{in}") QCOMPARE(ui.FilList->names(), (QStringList{"A.s12", "b.s12", "c.S12"}));
    if (dir == "{home}") QCOMPARE(ui.FilList->names(), QStringList{"home.s12"});

    QCOMPARE(ui.exchlist->currentText(), station);
    QCOMPARE(QByteArray::fromStdString(w.host().stationName()), cp1251(station));
    QCOMPARE(stationEntries(w), stations);
    QCOMPARE(boxStates(w), states);
    QCOMPARE(::mode(w), mode);
    QCOMPARE(w.host().fileMode(), mode == "file");
    QVERIFY(!ui.Image2->pixmap().isNull());
    QVERIFY(!showsPictureOf(ui.Image2, ui.Image3));
    QVERIFY(showsPictureOf(ui.Image4, mode == "file" ? ui.Image2 : ui.Image3));

    QCOMPARE(w.runner().context().inFullRun(), false);
    QCOMPARE(ui.LabelInfo->text(), kStopAtStart);
    QCOMPARE(int(ui.LabelInfo->text().at(0).unicode()), 0x0421);
    QVERIFY(!w.running());

    // Start-up creates what is missing and writes nothing else.
    QVERIFY(QFileInfo(place.data + "/log").isDir());
    QVERIFY(QFileInfo(place.data + "/error").isDir());
    QCOMPARE(readBytes(place.dataFile("Kalvimo.ini")), settingsBytes);
    QCOMPARE(readBytes(place.dataFile("exchange.ini")), exchangeBytes);
    QCOMPARE(QFileInfo::exists(place.dataFile("Kalvimo.ini")), !settings.isEmpty());
}

void StartupSettingsTest::modeButtonsFollowTheirPicture() {
    Place place;
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    ui.Optionfile->click();
    QVERIFY(showsPictureOf(ui.Image4, ui.Image2));
    QVERIFY(w.host().fileMode());
    QVERIFY(!ui.OptionDir->isChecked());
    ui.OptionDir->click();
    QVERIFY(showsPictureOf(ui.Image4, ui.Image3));
    QVERIFY(!w.host().fileMode());
    QVERIFY(!ui.Optionfile->isChecked());
}

void StartupSettingsTest::savesTheElevenLines() {
    Place place;
    RecordingStarter starter;
    {
        MainWindow w(place.options(&starter));
        const Controls ui(w);
        QCOMPARE(w.currentDirectory(), place.home);
        ui.exchlist->setEditText(QStringLiteral("ГТС"));
        ui.exchlist->setEditText(QStringLiteral("ZARYA-UZEL"));
        ui.Optionfile->click();
        ui.Check2->click();
        ui.Check4->click();
        ui.mnufile_save->trigger();
        QCOMPARE(ui.LabelInfo->text(), kStopAtStart);  // saving shows nothing
    }
    const QByteArray saved = readBytes(place.dataFile("Kalvimo.ini"));
    const QList<QByteArray> lines = saved.split('\n');
    QCOMPARE(lines.size(), 12);  // eleven ended lines
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines[0], cp1251(place.home) + '\r');
    const QStringList rest = {"ZARYA-UZEL",
                              QStringLiteral(" 0    заданные рапорта"),
                              QStringLiteral(" 0    заданные устройства"),
                              QStringLiteral(" 0    121 рапорт"),
                              QStringLiteral(" 0    аварии"),
                              QStringLiteral(" 1    48 рапорт"),
                              QStringLiteral(" 1    искать новые рапорта"),
                              QStringLiteral(" 0    искать новые устройства"),
                              QStringLiteral("True обрабатывать файл"),
                              QStringLiteral("False  обрабатывать каталог")};
    QCOMPARE(saved, cp1251Lines(QStringList{place.home} + rest));

    MainWindow again(place.options(&starter));
    const Controls againUi(again);
    QCOMPARE(again.currentDirectory(), place.home);
    QCOMPARE(againUi.exchlist->currentText(), QStringLiteral("ZARYA-UZEL"));
    QCOMPARE(boxStates(again), (QList<int>{0, 0, 0, 0, 1, 1, 0}));
    QCOMPARE(mode(again), QStringLiteral("file"));
    QVERIFY(showsPictureOf(againUi.Image4, againUi.Image2));
}

void StartupSettingsTest::saveRoundTrip_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QString>("fileOption");
    QTest::addColumn<QString>("dirOption");
    QTest::newRow("greyed Check1") << "{in}" << "ZARYA-UZEL" << QList<int>{2, 0, 0, 0, 0, 0, 0} << "False" << "True";
    QTest::newRow("every state, file mode, Cyrillic station")
        << "{in}" << QStringLiteral("Узел «Юг»") << QList<int>{1, 2, 0, 1, 2, 1, 2} << "True" << "False";
    QTest::newRow("neither mode selected") << "{home}" << "ZARYA-UZEL" << QList<int>{0, 0, 1, 0, 0, 0, 0} << "False"
                                           << "False";
    QTest::newRow("empty station") << "{in}" << "" << QList<int>{1, 1, 1, 1, 1, 1, 1} << "False" << "True";
}

void StartupSettingsTest::saveRoundTrip() {
    QFETCH(QString, dir);
    QFETCH(QString, station);
    QFETCH(QList<int>, states);
    QFETCH(QString, fileOption);
    QFETCH(QString, dirOption);
    Place place;
    dir.replace("{in}", place.in).replace("{home}", place.home);
    const QByteArray handMade = cp1251Lines(settingsLines(dir, station, states, fileOption, dirOption));
    writeBytes(place.dataFile("Kalvimo.ini"), handMade);
    const QString expectedMode = fileOption == "True" ? "file" : dirOption == "True" ? "dir" : "none";
    RecordingStarter starter;
    {
        MainWindow w(place.options(&starter));
        const Controls ui(w);
        QCOMPARE(boxStates(w), states);
        QCOMPARE(mode(w), expectedMode);
        for (StateCheckBox* b : {ui.Check1, ui.Check5, ui.Check7, ui.Check3, ui.Check2, ui.Check4, ui.Check8})
            if (b->state() == 2) QCOMPARE(b->checkState(), Qt::PartiallyChecked);
        QFile::remove(place.dataFile("Kalvimo.ini"));
        ui.mnufile_save->trigger();
    }
    QCOMPARE(readBytes(place.dataFile("Kalvimo.ini")), handMade);
    MainWindow again(place.options(&starter));
    const Controls againUi(again);
    QCOMPARE(boxStates(again), states);
    QCOMPARE(mode(again), expectedMode);
    QCOMPARE(againUi.exchlist->currentText(), station);
    QCOMPARE(again.currentDirectory(), dir);
}

void StartupSettingsTest::failedSave_data() {
    QTest::addColumn<QString>("cause");
    QTest::newRow("Kalvimo.ini is a directory") << "directory";
    QTest::newRow("file size limit reached") << "size limit";
    QTest::newRow("data directory not writable") << "read-only";
}

void StartupSettingsTest::failedSave() {
    QFETCH(QString, cause);
    Place place;
    const QString ini = place.dataFile("Kalvimo.ini");
    const QByteArray old = cp1251Lines(settingsLines(place.in, "OLD", kClear, "False", "True"));
    if (cause == "directory") {
        QDir().mkpath(ini);
        writeBytes(ini + "/inside", "kept");
    } else {
        writeBytes(ini, old);
    }
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    ui.Check1->click();

    // The failure to bring about, and its undoing.
    struct rlimit oldLimit {};
    void (*oldHandler)(int) = nullptr;
    std::unique_ptr<kalvimo::test::Unprivileged> user;
    if (cause == "read-only") {
        user = std::make_unique<kalvimo::test::Unprivileged>(place.tmp.path().toStdString());
        if (!user->active()) QSKIP("root cannot give up its rights here");
        QFile::setPermissions(place.data, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (::access(place.data.toLocal8Bit().constData(), W_OK) == 0) {
            QFile::setPermissions(place.data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("this user may write into a read-only directory");
        }
    } else if (cause == "size limit") {
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &oldLimit);
        struct rlimit small = oldLimit;
        small.rlim_cur = 16;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ui.mnufile_save->trigger();
    if (cause == "read-only") {
        QFile::setPermissions(place.data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        user.reset();
    } else if (cause == "size limit") {
        ::setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);
    }

    const QString shown = ui.LabelInfo->text();
    QVERIFY2(shown.startsWith(QStringLiteral("Настройки не сохранены")), qPrintable(shown));
    QVERIFY2(shown.contains(place.data), qPrintable(shown));  // says which file
    if (cause == "directory") {
        QVERIFY(QFileInfo(ini).isDir());
        QCOMPARE(readBytes(ini + "/inside"), QByteArray("kept"));
    } else {
        QCOMPARE(readBytes(ini), old);
    }
    // Nothing half-written is left beside it.
    QStringList entries = QDir(place.data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.sort();
    QCOMPARE(entries, (QStringList{"Kalvimo.ini", "error", "log"}));

    // The window stays usable: once the cause is gone, saving works.
    if (cause == "directory") QDir(ini).removeRecursively();
    ui.mnufile_save->trigger();
    const QString station = cause == "directory" ? QStringLiteral("ZARYA-UZEL") : QStringLiteral("OLD");
    const QString dir = cause == "directory" ? place.home : place.in;
    QVERIFY(readBytes(ini).startsWith(cp1251(dir + "\r\n" + station + "\r\n 1    ")));
}

void StartupSettingsTest::fifosInPlaceOfTheSettingsFiles() {
    // The window comes up and says why the station list is empty; the settings read as
    // missing. Were an open to wait on a FIFO, the alarm would end the test instead of it
    // hanging.
    Place place;
    for (const char* name : {"exchange.ini", "Kalvimo.ini"})
        QVERIFY(::mkfifo(place.dataFile(name).toLocal8Bit().constData(), 0644) == 0);
    ::alarm(20);
    RecordingStarter starter;
    MainWindow w(place.options(&starter));
    const Controls ui(w);
    ::alarm(0);
    QCOMPARE(ui.LabelInfo->text(), QStringLiteral("Файл ") + place.dataFile("exchange.ini") +
                                      QStringLiteral(" не является обычным файлом"));
    QCOMPARE(ui.exchlist->count(), 0);
    QCOMPARE(ui.exchlist->currentText(), QStringLiteral("ZARYA-UZEL"));
    QCOMPARE(w.currentDirectory(), place.home);
}
