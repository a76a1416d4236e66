#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/settings_file.h"
#include "engine/texts.h"
#include "platform/collate.h"
#include "platform/data_lock.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/state_check_box.h"
#include "platform/qt/status_label.h"
#include "views/about_window.h"
#include "views/charts_window.h"
#include "views/device_list_window.h"
#include "views/help_window.h"
#include "views/report_list_window.h"
#include "views/results_window.h"
#include "views/viewer_starter.h"

namespace kalvimo {
namespace {

// The failures of a run, to read and copy after it.
QDialog* runFailuresWindow(const QStringList& failures, QWidget* parent) {
    auto* window = new QDialog(parent);
    window->setObjectName(QStringLiteral("runFailures"));
    window->setWindowTitle(QStringLiteral("Сообщения обработки"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QStringLiteral("Пропущено или не удалось при последней обработке:"), window));
    auto* list = new QPlainTextEdit(failures.join('\n'), window);
    list->setObjectName(QStringLiteral("runFailuresText"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
    layout->addWidget(buttons);
    window->resize(640, 280);
    return window;
}

void bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), data_(options_.dataRoot) {
    setObjectName(QStringLiteral("frmopen"));
    setWindowTitle(QStringLiteral("Обработка рапортов"));
    if (options_.starter) {
        starter_ = options_.starter;
    } else {
        ownStarter_ = std::make_unique<ViewerStarter>(this);
        starter_ = ownStarter_.get();
    }
    host_ = new RunHost(options_.dataRoot, options_.pauses, this);
    busyWatch_ = new QTimer(this);
    busyWatch_->setInterval(500);
    connect(busyWatch_, &QTimer::timeout, this, &MainWindow::checkBusyDataDir);
    runner_ = std::make_unique<Runner>(data_, host_->environment());
    buildControls();
    buildMenus();
    buildToolbar();
    connectControls();
    addOpenInViewer(fileList_, *starter_, [this](const QString& t) { setStatus(t); });
    adjustSize();
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    loadStartState();
}

MainWindow::~MainWindow() { stopRunAndWait(); }

void MainWindow::setStatus(const QString& text) {
    busyWatch_->stop();  // whatever was busy is no longer what the line says
    statusLabel_->setText(text);
    statusLabel_->setToolTip(text);  // long failure texts do not fit the label
    if (failuresOnStatus_) statusLabel_->unsetCursor();
    failuresOnStatus_ = false;
    emit statusShown(text);
}

void MainWindow::offerRunFailures() {
    const QString shown = statusLabel_->text();
    if (runFailures_.isEmpty() || runFailures_ == QStringList{shown}) return;
    // A tooltip of a few lines; the window holds them all.
    constexpr int kInTooltip = 10;
    QString tip = shown + QStringLiteral("\n\n") + runFailures_.mid(0, kInTooltip).join('\n');
    if (runFailures_.size() > kInTooltip) tip += QStringLiteral("\n… и ещё %1").arg(runFailures_.size() - kInTooltip);
    statusLabel_->setToolTip(tip + QStringLiteral("\n\nЩёлкните, чтобы открыть весь список."));
    statusLabel_->setCursor(Qt::PointingHandCursor);
    failuresOnStatus_ = true;
}

void MainWindow::showRunFailures() {
    if (!failuresOnStatus_) return;
    if (!failuresWindow_) failuresWindow_ = runFailuresWindow(runFailures_, this);
    bringForward(failuresWindow_);
}

// ---- start-up and settings ----

void MainWindow::loadStartState() {
    // The data directory and its output directories; existing files are never touched.
    try {
        ensureDirectory(data_.root());
        data_.ensureOutputDirs();
    } catch (const IoError& e) {
        setStatus(fromUtf8(e.message()));
    }
    driveList_->setRoots(options_.driveRoots.isEmpty() ? systemDriveRoots() : options_.driveRoots,
                         fromUtf8(options_.homeDirectory));
    loadStations();
    stationChanged();  // the station shown before the settings, in case they fail before it
    applySettings();
}

void MainWindow::loadStations() {
    std::vector<std::string> stations;
    try {
        stations = readListLines(data_.file("exchange.ini"));
    } catch (const IoError& e) {
        setStatus(fromUtf8(e.message()));
    }
    sortAlphabetically(stations, TextEncoding::Cp1251);
    // Filling the list must not replace the station that is shown.
    const QString text = stationBox_->currentText();
    QSignalBlocker block(stationBox_);
    for (const auto& s : stations) stationBox_->addItem(fromCp1251(s));
    stationBox_->setCurrentIndex(-1);
    stationBox_->setEditText(text);
}

void MainWindow::applySettings() {
    const Settings s = loadSettingsFile(data_.root());
    // What was read before a failure stays; the rest keeps its initial value.
    if (s.linesApplied >= 2) stationBox_->setEditText(fromCp1251(s.station));
    for (size_t b = 0; b < Box::kCount; ++b) choiceBoxes_[b]->setState(s.checks.inOrder()[b]);
    selectMode(s.optionFile, s.optionDir);
    // A saved directory that is gone counts as a failure to read it.
    QString dir = fromUtf8(settingsDirectory(s, options_.homeDirectory));
    if (!QFileInfo(dir).isDir() || !QFileInfo(dir).isReadable()) dir = fromUtf8(options_.homeDirectory);
    bringListsTo(dir);
}

void MainWindow::selectMode(bool fileMode, bool directoryMode) {
    if (fileMode) {
        fileModeButton_->setChecked(true);
    } else if (directoryMode) {
        directoryModeButton_->setChecked(true);
    } else {
        // Neither button selected, which the group allows only this way.
        for (QRadioButton* b : {fileModeButton_, directoryModeButton_}) b->setAutoExclusive(false);
        fileModeButton_->setChecked(false);
        directoryModeButton_->setChecked(false);
        for (QRadioButton* b : {fileModeButton_, directoryModeButton_}) b->setAutoExclusive(true);
    }
    host_->setFileMode(fileModeButton_->isChecked());
    showModePicture();
}

// Directory mode's picture when neither mode is selected: the run then walks the directory.
void MainWindow::showModePicture() {
    modePicture_->setPixmap(fileModeButton_->isChecked() ? fileModePicture_->pixmap() : directoryModePicture_->pixmap());
}

void MainWindow::bringListsTo(const QString& dir) {
    fileList_->setPath(dir);
    directoryList_->setPath(fileList_->path());
    {
        QSignalBlocker block(driveList_);  // the drive follows the path; it does not move it
        driveList_->setDrive(driveList_->driveOf(fileList_->path()));
    }
    fileList_->setPattern(patternBox_->currentText());
    currentDirectory_ = fileList_->path();
}

void MainWindow::saveSettings() {
    Settings s;
    s.curDir = toCp1251(currentDirectory_);
    s.station = toCp1251(stationBox_->currentText());
    for (size_t b = 0; b < Box::kCount; ++b) s.checks.inOrder()[b] = choiceBoxes_[b]->state();
    s.optionFile = fileModeButton_->isChecked();
    s.optionDir = directoryModeButton_->isChecked();
    try {
        saveSettingsFile(data_.root(), s);
    } catch (const IoError& e) {
        // The text to come back to once the directory is free: not an older busy text.
        const QString rest = busyWatch_->isActive() ? busyRest_ : statusLabel_->text();
        const QString prefix = QStringLiteral("Настройки не сохранены: ");
        setStatus(prefix + fromUtf8(e.message()));
        if (isDataDirBusy(e)) watchBusyDataDir(prefix, rest);
    }
}

void MainWindow::watchBusyDataDir(const QString& prefix, const QString& rest) {
    busyPrefix_ = prefix;
    busyRest_ = rest;
    busyWatch_->start();
}

void MainWindow::checkBusyDataDir() {
    const std::optional<pid_t> holder = dataLockHolder(data_.root());
    if (!holder) {
        setStatus(busyRest_);
        return;
    }
    const QString text = busyPrefix_ + fromUtf8(dataDirBusyText(*holder));
    if (text == statusLabel_->text()) return;
    setStatus(text);
    busyWatch_->start();
}

// ---- the input, as the user changes it ----

void MainWindow::stationChanged() { host_->setStation(toCp1251(stationBox_->currentText())); }

// A typed pattern takes effect at every keystroke.
void MainWindow::patternChanged() { fileList_->setPattern(patternBox_->currentText()); }

void MainWindow::directoryChanged() {
    fileList_->setPattern(patternBox_->currentText());
    fileList_->setPath(directoryList_->path());
    currentDirectory_ = fileList_->path();
    QSignalBlocker block(driveList_);
    driveList_->setDrive(driveList_->driveOf(currentDirectory_));
}

void MainWindow::driveChanged() {
    if (driveFailing_) return;
    fileList_->setPattern(patternBox_->currentText());
    if (directoryList_->setPath(driveList_->directoryOf(driveList_->drive()))) return;
    // The drive cannot be read: say so for a moment, then go back to c:.
    driveFailing_ = true;
    setStatus(QStringLiteral("Не доступно выбранное вами устройство"));
    driveList_->setEnabled(false);
    auto back = [this] {
        setStatus(fromUtf8(texts::kStopAfterRun));
        driveFailing_ = false;
        driveList_->setEnabled(!running());
        driveList_->setDrive(QStringLiteral("c:"));
        driveChanged();
    };
    if (options_.pauses.driveMs > 0) QTimer::singleShot(options_.pauses.driveMs, this, back);
    else back();
}

// ---- commands ----

void MainWindow::showStatistics() {
    const QString problem = startViewer(*starter_, fromUtf8(data_.root()), fromUtf8(data_.errorFile("errorstat")));
    if (!problem.isEmpty()) setStatus(problem);
}

void MainWindow::showResults() {
    if (running()) return;
    if (!resultsWindow_) {
        resultsWindow_ = new ResultsWindow(data_.root(), *starter_, [this](const QString& t) { setStatus(t); }, this);
        // One charts window: the one every run closes.
        connect(resultsWindow_, &ResultsWindow::chartsRequested, this, &MainWindow::showCharts);
    }
    bringForward(resultsWindow_);
}

void MainWindow::showCharts() {
    if (running()) return;
    if (!chartsWindow_) chartsWindow_ = new ChartsWindow(data_.root(), *starter_, this);
    bringForward(chartsWindow_);
}

void MainWindow::showHelp() {
    if (running()) return;
    if (!helpWindow_) helpWindow_ = new HelpWindow(this);
    bringForward(helpWindow_);
}

void MainWindow::showModal(QDialog* window) {
    // Modal without a nested event loop: the main window waits until it is closed.
    window->setWindowModality(Qt::ApplicationModal);
    bringForward(window);
}

void MainWindow::editReportList() {
    if (running() || reportListWindow_) return;
    reportListWindow_ = new ReportListWindow(data_.root(), this);
    showModal(reportListWindow_);
}

void MainWindow::editDeviceList() {
    if (running() || deviceListWindow_) return;
    deviceListWindow_ = new DeviceListWindow(data_.root(), this);
    showModal(deviceListWindow_);
}

void MainWindow::showAbout() {
    if (running() || aboutWindow_) return;
    aboutWindow_ = new AboutWindow(this);
    showModal(aboutWindow_);
}

void MainWindow::exitProgram() {
    stopRunAndWait();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    stopRunAndWait();
    // No window of ours outlives the main window.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->parentWidget() == this) w->close();
    QMainWindow::closeEvent(event);
}

// ---- runs ----

void MainWindow::startRun(RunKind kind) {
    // Not during the pause of an unreadable drive either: the lists are about to move.
    if (running() || driveFailing_) return;
    busyWatch_->stop();  // the run finds out for itself
    runFailures_.clear();
    if (failuresWindow_) failuresWindow_->close();
    // Only a row the user can see selected is the file of file mode.
    host_->beginRun(toSystemPath(fileList_->path()), fileList_->rawNames(), fileList_->selectedRow());
    host_->setFileMode(fileModeButton_->isChecked());
    setRunning(true);
    worker_ = QThread::create([this, kind] { runner_->run(kind); });
    connect(worker_, &QThread::finished, this, &MainWindow::onRunFinished);
    worker_->start();
}

void MainWindow::onRunFinished() {
    if (!worker_) return;
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    setRunning(false);
    // The texts of skipped input files have been replaced by later ones; say so at the end.
    if (runner_->outcome().busy) watchBusyDataDir({}, fromUtf8(texts::kStopAfterRun));
    const int skipped = runner_->outcome().inputFailures;
    if (skipped > 0 && statusLabel_->text() == fromUtf8(texts::kStopAfterRun))
        setStatus(fromUtf8(texts::kStopAfterRun) + QStringLiteral(" (пропущено файлов: %1)").arg(skipped));
    offerRunFailures();
    emit runFinished();
}

void MainWindow::stopRun() {
    if (running()) host_->requestStop(StopKind::Stop);
}

void MainWindow::stopRunAndWait() {
    if (!worker_) return;
    host_->requestStop(StopKind::Close);
    worker_->wait();
    QThread* w = worker_;
    worker_ = nullptr;
    delete w;
    setRunning(false);
}

void MainWindow::setRunning(bool on) {
    // Commands that start a run or open a window wait for the run to end; so do the lists
    // the run walks. The mode, the check boxes and the station stay live.
    for (QPushButton* b : runButtons_) b->setEnabled(!on);
    for (QWidget* w : std::initializer_list<QWidget*>{statisticsButton_, driveList_, directoryList_, patternBox_})
        w->setEnabled(!on);
    for (QAction* a : windowCommands_) a->setEnabled(!on);
    stopAction_->setEnabled(on);
    // The run walks the list as it was when it started.
    fileList_->holdRefresh(on);
    fileList_->setAttribute(Qt::WA_TransparentForMouseEvents, on);
    fileList_->setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    if (driveFailing_) driveList_->setEnabled(false);
}

}  // namespace kalvimo
