#pragma once
// Shared by the main-window tests: a temporary home, data and input directory, the window
// built on them, a starter that records instead of starting, a log of the status line,
// a hold on the run at one of its pauses, and small file helpers.
#include <QAction>
#include <QByteArray>
#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QMap>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolBar>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/state_check_box.h"

class QToolButton;

namespace kalvimo::apptest {

// The main window's controls, found by the names a description of the window gives them.
struct Controls {
    explicit Controls(const MainWindow& window);
    QToolBar* Toolbar1;
    QProgressBar* ProgressBar1;
    QComboBox *exchlist, *ExtList;
    DriveListBox* DrvList;
    DirListBox* dirList;
    FileListBox* FilList;
    QLabel *Image4, *Image3, *Image2, *LabelInfo;
    QRadioButton *Optionfile, *OptionDir;
    QPushButton *btnErrNum, *btnFileAll, *btnFileRrn, *btnDev, *btnFile121, *btnalarm, *btnFile48;
    StateCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check7, *Check8;
    QMenu *mnufile, *mnudisp_menu;
    QAction *mnufile_save, *mnufile_stop, *mnufile_exit, *mnudisp, *mnudisp_results, *mnudisp_charts, *mnunastr_RRN,
        *mnunastr_DEV, *mnuhlp_info, *mnuhlp_about;
};

// A window the main window has opened, by its name, while it is open; null when there is none.
template <class T = QWidget>
T* openWindow(const MainWindow& window, const QString& name) {
    return qobject_cast<T*>(window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly));
}

// "Cтоп" with a Latin C: the status after a run.
inline const QString kStopAfterRun = QStringLiteral("C") + QStringLiteral("топ");
// "Стоп", all Cyrillic: the status after start-up.
inline const QString kStopAtStart = QStringLiteral("Стоп");

// Lines joined with CR LF, each ended, in Windows-1251.
QByteArray cp1251Lines(const QStringList& lines);
QByteArray cp1251(const QString& text);
QString fromCp1251Bytes(const QByteArray& bytes);

QByteArray readBytes(const QString& path);  // empty when missing
void writeBytes(const QString& path, const QByteArray& bytes);
// The regular files of a directory with their bytes.
QMap<QString, QByteArray> filesOf(const QString& dir);

// tmp/home with tmp/home/in for the printouts and tmp/data as the data directory.
struct Place {
    QTemporaryDir tmp;
    QString root, home, in, data;
    explicit Place(bool makeDataDir = true);
    // Drives: "/" and the temporary directory, which holds the home directory and so is "c:".
    MainWindowOptions options(ProgramStarter* starter) const;
    QString dataFile(const QString& name) const { return data + '/' + name; }
};

class RecordingStarter : public ProgramStarter {
public:
    struct Call {
        QString kind;  // "start", "open" (the desktop) or "view" (the program's viewer)
        QString path;
        QStringList arguments;
    };
    QList<Call> calls;
    bool succeed = true;
    bool startDetached(const QString& program, const QStringList& arguments) override {
        calls.append({QStringLiteral("start"), program, arguments});
        return succeed;
    }
    bool openWithDesktop(const QString& path) override {
        calls.append({QStringLiteral("open"), path, {}});
        return succeed;
    }
    void openInViewer(const QString& path, const QString& filter) override {
        calls.append({QStringLiteral("view"), path, filter.isEmpty() ? QStringList{} : QStringList{filter}});
    }
};

// Every text the status line takes, from now on.
class StatusLog {
public:
    explicit StatusLog(MainWindow& window);
    QStringList texts;
    // The texts with each run of error counts cut to its last value, as the count is shown
    // at the pace the window takes it.
    QStringList collapsedCounts() const;
};

// Holds the run at the first pause of the given kind ("closing", "analysis", "final") until
// released or until the run is asked to stop, so that a closing window never waits on it;
// at most five seconds.
class RunHold {
public:
    RunHold(MainWindow& window, const char* pause);
    bool waitUntilHeld(int ms = 10000);
    void release();

private:
    struct State {
        QSemaphore reached, released;
        std::atomic<bool> held{false};
    };
    std::shared_ptr<State> state_;
};

// The toolbar button with the given key ("t1" to "t6").
QToolButton* toolButton(MainWindow& window, const char* key);

// Clicks the button and waits for the run it starts to end.
bool runAndWait(MainWindow& window, QPushButton* button, int ms = 20000);

// Printouts with something for every kind of extraction, and a file the pattern leaves out:
// a.s12, b.s12 and c.s12 with one anomaly report each; reports 121, 7 and 21; two alarm
// reports; devices of the working list and devices the catalogue lacks.
void writeCorpus(const QString& dir);
// The working lists and catalogues that go with the corpus.
void writeLists(const QString& dataDir);
// The data lines of the anomaly reports of a.s12, b.s12, c.s12 and their anomaly fields.
extern const char* const kCorpusData[3];
extern const char* const kCorpusAnomaly[3];
// The rep48.log line of the anomaly report of corpus file i.
QByteArray corpusRep48Line(int i);

struct BatchResult {
    int exitCode = -1;
    QStringList statusLines;  // standard error, one text a line
};
BatchResult runBatch(const QStringList& arguments, const QString& home);

}  // namespace kalvimo::apptest
