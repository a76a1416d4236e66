#include "tests/app/app_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

#include "platform/cp1251.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/state_check_box.h"
#include "tests/printout_builder.h"
#include "tests/qt_controls.h"

namespace kalvimo::apptest {

QByteArray cp1251(const QString& text) {
    const std::string bytes = utf8ToCp1251(text.toStdString());
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString fromCp1251Bytes(const QByteArray& bytes) {
    return QString::fromStdString(cp1251ToUtf8(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

QByteArray cp1251Lines(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines) out += cp1251(l) + "\r\n";
    return out;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QMap<QString, QByteArray> filesOf(const QString& dir) {
    QMap<QString, QByteArray> files;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries)
        if (!e.isSymLink()) files.insert(e.fileName(), readBytes(e.filePath()));
    return files;
}

Place::Place(bool makeDataDir) {
    root = QDir(tmp.path()).canonicalPath();
    home = root + QStringLiteral("/home");
    in = home + QStringLiteral("/in");
    data = root + QStringLiteral("/data");
    QDir().mkpath(in);
    if (makeDataDir) QDir().mkpath(data);
}

MainWindowOptions Place::options(ProgramStarter* starter) const {
    MainWindowOptions o;
    o.dataRoot = data.toStdString();
    o.homeDirectory = home.toStdString();
    o.driveRoots = {QStringLiteral("/"), root};
    o.pauses = PauseLengths{0, 0, 0, 0};
    o.starter = starter;
    return o;
}

using kalvimo::test::control;

Controls::Controls(const MainWindow& w)
    : Toolbar1(control<QToolBar>(w, "Toolbar1")),
      ProgressBar1(control<QProgressBar>(w, "ProgressBar1")),
      exchlist(control<QComboBox>(w, "exchlist")),
      ExtList(control<QComboBox>(w, "ExtList")),
      DrvList(control<DriveListBox>(w, "DrvList")),
      dirList(control<DirListBox>(w, "dirList")),
      FilList(control<FileListBox>(w, "FilList")),
      Image4(control<QLabel>(w, "Image4")),
      Image3(control<QLabel>(w, "Image3")),
      Image2(control<QLabel>(w, "Image2")),
      LabelInfo(control<QLabel>(w, "LabelInfo")),
      Optionfile(control<QRadioButton>(w, "Optionfile")),
      OptionDir(control<QRadioButton>(w, "OptionDir")),
      btnErrNum(control<QPushButton>(w, "btnErrNum")),
      btnFileAll(control<QPushButton>(w, "btnFileAll")),
      btnFileRrn(control<QPushButton>(w, "btnFileRrn")),
      btnDev(control<QPushButton>(w, "btnDev")),
      btnFile121(control<QPushButton>(w, "btnFile121")),
      btnalarm(control<QPushButton>(w, "btnalarm")),
      btnFile48(control<QPushButton>(w, "btnFile48")),
      Check1(control<StateCheckBox>(w, "Check1")),
      Check2(control<StateCheckBox>(w, "Check2")),
      Check3(control<StateCheckBox>(w, "Check3")),
      Check4(control<StateCheckBox>(w, "Check4")),
      Check5(control<StateCheckBox>(w, "Check5")),
      Check7(control<StateCheckBox>(w, "Check7")),
      Check8(control<StateCheckBox>(w, "Check8")),
      mnufile(control<QMenu>(w, "mnufile")),
      mnudisp_menu(control<QMenu>(w, "mnudisp_menu")),
      mnufile_save(control<QAction>(w, "mnufile_save")),
      mnufile_stop(control<QAction>(w, "mnufile_stop")),
      mnufile_exit(control<QAction>(w, "mnufile_exit")),
      mnudisp(control<QAction>(w, "mnudisp")),
      mnudisp_results(control<QAction>(w, "mnudisp_results")),
      mnudisp_charts(control<QAction>(w, "mnudisp_charts")),
      mnunastr_RRN(control<QAction>(w, "mnunastr_RRN")),
      mnunastr_DEV(control<QAction>(w, "mnunastr_DEV")),
      mnuhlp_info(control<QAction>(w, "mnuhlp_info")),
      mnuhlp_about(control<QAction>(w, "mnuhlp_about")) {}

// ---- status ----

StatusLog::StatusLog(MainWindow& window) {
    QObject::connect(&window, &MainWindow::statusShown, &window, [this](const QString& t) { texts << t; });
}

QStringList StatusLog::collapsedCounts() const {
    const QString count = QStringLiteral("  Идет обработка ошибок  ");
    QStringList out;
    for (const QString& t : texts) {
        if (t.startsWith(count) && !out.isEmpty() && out.last().startsWith(count)) out.last() = t;
        else out << t;
    }
    return out;
}

// ---- runs ----

RunHold::RunHold(MainWindow& window, const char* pause) : state_(std::make_shared<State>()) {
    const std::atomic<bool>* stop = window.host().stopFlag();
    const QByteArray which(pause);
    window.host().pauseHook = [state = state_, stop, which](const char* name) {
        if (which != name || state->held.exchange(true)) return;
        state->reached.release();
        // Bounded, so that a window that fails to stop the run shows as a failure, not a hang.
        const QDeadlineTimer limit(5000);
        while (!state->released.tryAcquire(1, 10) && !stop->load() && !limit.hasExpired()) {
        }
    };
}

bool RunHold::waitUntilHeld(int ms) { return state_->reached.tryAcquire(1, ms); }

void RunHold::release() { state_->released.release(); }

QToolButton* toolButton(MainWindow& window, const char* key) {
    auto* a = window.findChild<QAction*>(QString::fromLatin1(key));
    return a ? qobject_cast<QToolButton*>(control<QToolBar>(window, "Toolbar1")->widgetForAction(a)) : nullptr;
}

bool runAndWait(MainWindow& window, QPushButton* button, int ms) {
    QSignalSpy finished(&window, &MainWindow::runFinished);
    button->click();
    return finished.wait(ms) || !finished.isEmpty();
}

// ---- corpus ----

using namespace kalvimo::test;

namespace {

const std::string kDevA = "0012/0034/0005";  // on the working list with comment CBR, in the catalogue
const std::string kDevB = "0099/0099/0099";  // on the working list, not in the catalogue
const std::string kDevC = "0055/0055/0055";  // on neither

std::vector<std::string> numberReport(const std::string& number, const std::string& device) {
    return {header(), line2(device, "STATUS REPORT"), numberLine(number), "  BODY " + number, "  END NO = 0",
            "  LAST REPORT"};
}

std::vector<std::string> alarmReport(const std::string& tag) {
    return {header(), "  ALARM TITLE", numberLine("00011"), "  PRE 4", "  PRE 5", "  PRE 6", "  PRE 7", "  PRE 8",
            "  PRE 9", "  ALARM " + tag, "  EXTERNAL X", "  ALARM " + tag + " AGAIN", ""};
}

QByteArray joined(const std::vector<std::string>& lines) {
    QByteArray out;
    for (const auto& l : lines) out += QByteArray::fromStdString(l) + "\r\n";
    return out;
}

}  // namespace

const char* const kCorpusData[3] = {"ERC001 0045 SEQ1", "  ERC002 0107 RESTART", "ERC003 0045 BOOT"};
const char* const kCorpusAnomaly[3] = {"N123", "N045", "N200"};

QByteArray corpusRep48Line(int i) {
    // Data line, blank, anomaly field, blank, the last 25 characters of the header; leading
    // blanks removed.
    std::string line = std::string(kCorpusData[i]) + " " + kCorpusAnomaly[i] + " " + kDate;
    line.erase(0, line.find_first_not_of(' '));
    return QByteArray::fromStdString(line) + "\r\n";
}

void writeCorpus(const QString& dir) {
    writeBytes(dir + QStringLiteral("/a.s12"),
               joined(std::vector<std::string>{"JUNK BEFORE"} + numberReport("121", kDevA) +
                      anomalyReport(kCorpusData[0], kCorpusAnomaly[0], kDevA) + alarmReport("ONE") +
                      numberReport("7", kDevB)));
    writeBytes(dir + QStringLiteral("/b.s12"),
               joined(numberReport("21", kDevB) + anomalyReport(kCorpusData[1], kCorpusAnomaly[1], kDevC) +
                      numberReport("7", kDevC)));
    writeBytes(dir + QStringLiteral("/c.s12"),
               joined(anomalyReport(kCorpusData[2], kCorpusAnomaly[2], kDevA) + numberReport("121", kDevC) +
                      alarmReport("TWO") + std::vector<std::string>{"JUNK AFTER"}));
    writeBytes(dir + QStringLiteral("/notes.txt"), joined(anomalyReport("ERC009 0099 NOT LISTED")));
}

void writeLists(const QString& dataDir) {
    writeBytes(dataDir + QStringLiteral("/reports.ini"), "21\r\n7    seven\r\n");
    writeBytes(dataDir + QStringLiteral("/dev.ini"), QByteArray::fromStdString(kDevA + " CBR\r\n" + kDevB + "\r\n"));
    writeBytes(dataDir + QStringLiteral("/alldev.ini"), QByteArray::fromStdString(kDevA + "\r\n"));
    writeBytes(dataDir + QStringLiteral("/allreports.ini"), "121  call failure\r\n");
    writeBytes(dataDir + QStringLiteral("/allerror.ini"), "45   LINK FAILURE\r\n107  PROCESSOR RESTART\r\n");
}

BatchResult runBatch(const QStringList& arguments, const QString& home) {
    QProcess p;
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KALVIMO_BATCH), arguments);
    BatchResult r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.exitCode = p.exitCode();
    QString err = QString::fromUtf8(p.readAllStandardError());
    if (err.endsWith('\n')) err.chop(1);
    if (!err.isEmpty()) r.statusLines = err.split('\n');
    return r;
}

}  // namespace kalvimo::apptest
