#pragma once
// The main window: the choice of input, the station, the choices of the full run, the
// processing buttons, the status line and the progress bar, the menus and the toolbar. Every
// control carries as its objectName the name a description of the window gives it.
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <string>

#include "app/run_host.h"
#include "engine/choices.h"
#include "engine/data_dir.h"
#include "engine/runner.h"

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;
class QTimer;
class QToolBar;

namespace kalvimo {

class AboutWindow;
class ChartsWindow;
class DeviceListWindow;
class DirListBox;
class DriveListBox;
class FileListBox;
class HelpWindow;
class ProgramStarter;
class ReportListWindow;
class ResultsWindow;
class StateCheckBox;
class StatusLabel;

struct MainWindowOptions {
    std::string dataRoot = DataDir::defaultRoot();
    std::string homeDirectory = DataDir::homeDirectory();
    QStringList driveRoots;  // empty: the mounted volumes
    PauseLengths pauses;
    ProgramStarter* starter = nullptr;  // null: the desktop's
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The directory the file list shows, which the settings save.
    QString currentDirectory() const { return currentDirectory_; }
    // What a run sees of the window, and the runs themselves.
    RunHost& host() { return *host_; }
    const Runner& runner() const { return *runner_; }
    bool running() const { return worker_ != nullptr; }

signals:
    void runFinished();
    void outputsCleared();                  // a run emptied log/ and error/
    void statusShown(const QString& text);  // every text the status line takes, in order

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void stopRun();  // at the next block; the window stays
    void saveSettings();
    void exitProgram();
    void showResults();
    void showCharts();
    void editReportList();
    void editDeviceList();
    void showHelp();
    void showAbout();
    void showStatistics();

private:
    // Building the window (main_window_controls.cpp).
    void buildControls();
    void buildInputControls(QWidget* client);
    void buildProcessingFrame(QWidget* client);
    void placeControls();
    void buildMenus();
    void buildToolbar();
    void connectControls();

    // Start-up and the settings file.
    void loadStartState();
    void loadStations();
    void applySettings();
    // "Файла" or "Каталога" as the settings say; neither when both say "False".
    void selectMode(bool fileMode, bool directoryMode);
    void showModePicture();
    void bringListsTo(const QString& dir);

    // The input, as the user changes it.
    void stationChanged();
    void patternChanged();
    void directoryChanged();
    void driveChanged();

    void startRun(RunKind kind);
    void onRunFinished();
    void setRunning(bool on);
    void stopRunAndWait();
    void setStatus(const QString& text);
    // While the status line says another program holds the data directory, it follows that
    // program: a new holder is named, and once none is left the line shows rest.
    void watchBusyDataDir(const QString& prefix, const QString& rest);
    void checkBusyDataDir();
    // After a run that skipped files or met failures, the status line lists them in its
    // tooltip, and a click on it shows them in a window of their own.
    void offerRunFailures();
    void showRunFailures();
    void showModal(QDialog* window);
    StateCheckBox* choiceBox(Box box) const { return choiceBoxes_[box.index()]; }

    MainWindowOptions options_;
    DataDir data_;
    std::unique_ptr<ProgramStarter> ownStarter_;
    ProgramStarter* starter_;
    RunHost* host_;
    std::unique_ptr<Runner> runner_;
    QThread* worker_ = nullptr;
    bool driveFailing_ = false;  // during the pause after an unreadable drive
    QString currentDirectory_;
    QTimer* busyWatch_ = nullptr;
    QString busyPrefix_, busyRest_;
    QStringList runFailures_;  // of the last run, in order
    bool failuresOnStatus_ = false;

    QToolBar* toolbar_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QComboBox* stationBox_ = nullptr;
    QComboBox* patternBox_ = nullptr;
    DriveListBox* driveList_ = nullptr;
    DirListBox* directoryList_ = nullptr;
    FileListBox* fileList_ = nullptr;
    StatusLabel* statusLabel_ = nullptr;
    QLabel* modePicture_ = nullptr;
    QLabel* fileModePicture_ = nullptr;       // hidden: holds the picture of file mode
    QLabel* directoryModePicture_ = nullptr;  // hidden: holds the picture of directory mode
    QRadioButton* fileModeButton_ = nullptr;
    QRadioButton* directoryModeButton_ = nullptr;
    QPushButton* statisticsButton_ = nullptr;
    QList<QPushButton*> runButtons_;
    std::array<StateCheckBox*, Box::kCount> choiceBoxes_{};  // in the order of the settings file
    QAction* stopAction_ = nullptr;
    QList<QAction*> windowCommands_;  // menu items and toolbar buttons that open a window

    // The windows opened from the menu, while they are open.
    QPointer<ResultsWindow> resultsWindow_;
    QPointer<ChartsWindow> chartsWindow_;
    QPointer<HelpWindow> helpWindow_;
    QPointer<ReportListWindow> reportListWindow_;
    QPointer<DeviceListWindow> deviceListWindow_;
    QPointer<AboutWindow> aboutWindow_;
    QPointer<QDialog> failuresWindow_;
};

}  // namespace kalvimo
