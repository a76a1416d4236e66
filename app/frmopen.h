#pragma once
// The main window: the choice of input, the station, the choices of the full run, the
// processing buttons, the status line and the progress bar, the menus and the toolbar.
#include <QCheckBox>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>

#include "app/run_host.h"
#include "engine/data_dir.h"
#include "engine/runner.h"

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;
class QToolBar;

namespace kalvimo {

class DirListBox;
class DriveListBox;
class AboutWindow;
class DeviceListWindow;
class FileListBox;
class HelpWindow;
class ProgramStarter;
class ReportListWindow;
class ResultsWindow;

// A check box that the user only ticks and clears; the greyed state comes from the settings.
class StateCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;
    int state() const;  // 0 clear, 1 ticked, 2 greyed
    void setState(int state);

protected:
    void nextCheckState() override;
};

struct FrmOpenOptions {
    std::string dataRoot = DataDir::defaultRoot();
    std::string homeDirectory = DataDir::homeDirectory();
    QStringList driveRoots;  // empty: the mounted volumes
    PauseLengths pauses;
    ProgramStarter* starter = nullptr;  // null: the desktop's
};

class frmopen : public QMainWindow {
    Q_OBJECT
public:
    explicit frmopen(FrmOpenOptions options = {}, QWidget* parent = nullptr);
    ~frmopen() override;

    // Window values.
    QString curDir;
    std::string stationName;  // Windows-1251
    const Runner& runner() const { return *runner_; }
    RunHost& host() { return *host_; }
    bool running() const { return worker_ != nullptr; }

    // Event procedures.
    void Form_Load();
    void exchlist_Change();
    void ExtList_Change();
    void DirList_Change();
    void drvList_Change();
    void Optionfile_click();
    void OptionDir_Click();
    void mnufile_save_Click();
    void mnufile_exit_Click();
    void mnudisp_Click();
    void mnunastr_RRN_Click();
    void mnunastr_DEV_Click();
    void mnuhlp_info_Click();
    void mnuhlp_about_Click();
    void btnErrNum_Click();
    void Toolbar1_ButtonClick(QAction* button);
    void btnFile48_Click();
    void btnFile121_Click();
    void btnFileRrn_Click();
    void btnDev_Click();
    void btnalarm_Click();
    void btnFileAll_Click();

    // Controls.
    QToolBar* Toolbar1;
    QProgressBar* ProgressBar1;
    QComboBox* exchlist;
    QPushButton* btnErrNum;
    QGroupBox* Framefile;
    QComboBox* ExtList;
    DriveListBox* DrvList;
    DirListBox* dirList;
    FileListBox* FilList;
    QLabel *Image5, *Image4, *Image3, *Image2;
    QLabel *Label2, *LabelInfo, *LabExt, *LabDrv, *LabDir, *Labfile;
    QRadioButton *Optionfile, *OptionDir;
    QPushButton *btnFileAll, *btnFileRrn, *btnDev, *btnFile121, *btnalarm, *btnFile48;
    QFrame* Frame1;
    QLabel *Imagerep, *Imagedev, *Label3, *Label1;
    StateCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check7, *Check8;
    QMenu *mnufile, *mnunastr, *mnuhlp;
    QAction *mnufile_save, *mnufile_stop, *mnufile_exit, *mnudisp, *mnunastr_RRN, *mnunastr_DEV, *mnuhlp_info, *mnuhlp_about;

    // The windows opened from the menu, while they are open.
    QPointer<ResultsWindow> resultsWindow;
    QPointer<HelpWindow> helpWindow;
    QPointer<ReportListWindow> reportListWindow;
    QPointer<DeviceListWindow> deviceListWindow;
    QPointer<AboutWindow> aboutWindow;

signals:
    void runFinished();
    void outputsCleared();  // a run emptied log/ and error/
    void statusShown(const QString& text);  // every text LabelInfo takes, in order

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void buildToolbar();
    void connectHandlers();
    void startRun(RunKind kind);
    void onRunFinished();
    void setRunning(bool on);
    void stopRun();  // at the next block; the window stays
    void stopRunAndWait();
    void setStatus(const QString& text);
    void selectMode(bool fileMode);  // neither when both are false: see applySettings
    void applySettings();
    StateCheckBox* checkBox(Choice choice) const;
    void bringListsTo(const QString& dir);
    void showModal(QDialog* window);
    QList<QAction*> windowCommands() const;

    FrmOpenOptions options_;
    DataDir data_;
    std::unique_ptr<ProgramStarter> ownStarter_;
    ProgramStarter* starter_;
    RunHost* host_;
    std::unique_ptr<Runner> runner_;
    QThread* worker_ = nullptr;
    bool driveFailing_ = false;
};

}  // namespace kalvimo
