#include "app/frmopen.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStorageInfo>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "engine/settings_file.h"
#include "engine/texts.h"
#include "platform/collate.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/qt/button_keys.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/look.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/status_label.h"
#include "views/about_window.h"
#include "views/device_list_window.h"
#include "views/help_window.h"
#include "views/report_list_window.h"
#include "views/results_window.h"
#include "views/viewer_starter.h"

namespace kalvimo {
namespace {

const QString kStopAtStart = QStringLiteral("Стоп");  // all Cyrillic, before the first run
const QString kDriveFailed = QStringLiteral("Не доступно выбранное вами устройство");

QIcon picture(const char* themeName, QStyle::StandardPixmap fallback, const QStyle* style) {
    return QIcon::fromTheme(QString::fromLatin1(themeName), style->standardIcon(fallback));
}

QLabel* pictureLabel(QWidget* parent, const char* name, const QIcon& icon, int w, int h) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    if (!icon.isNull()) l->setPixmap(icon.pixmap(twips(w), twips(h)));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QStringList mountedRoots() {
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        const QString r = v.rootPath();
        // Kernel and runtime file systems are not drives.
        bool system = false;
        for (const char* p : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"})
            if (r == QLatin1String(p) || r.startsWith(QLatin1String(p) + '/')) system = true;
        if (!system) roots << r;
    }
    if (!roots.contains(QStringLiteral("/"))) roots << QStringLiteral("/");
    return roots;
}

void bringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

// ---- check box ----

int StateCheckBox::state() const {
    switch (checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void StateCheckBox::setState(int s) {
    setCheckState(s == 1 ? Qt::Checked : s == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void StateCheckBox::nextCheckState() { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }

// ---- window ----

frmopen::frmopen(FrmOpenOptions options, QWidget* parent)
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
    runner_ = std::make_unique<Runner>(data_, host_->environment());
    buildControls();
    buildMenus();
    buildToolbar();
    connectHandlers();
    addOpenInViewer(FilList, *starter_, [this](const QString& t) { setStatus(t); });
    // The client area, centred on the screen.
    centralWidget()->setFixedSize(twips(10350), twips(7500));
    adjustSize();
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    Form_Load();
}

frmopen::~frmopen() { stopRunAndWait(); }

void frmopen::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    const QStyle* st = style();
    auto label = [&](QWidget* parent, const char* name, const QString& text, double pt, bool bold) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(textFont(pt, bold));
        return l;
    };
    auto button = [&](QWidget* parent, const char* name, const QString& text, const QString& tip = {}) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(textFont(11.25));
        if (!tip.isEmpty()) b->setToolTip(tip);
        return b;
    };

    Toolbar1 = new QToolBar(client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    placeTwips(Toolbar1, 0, 0, 10350, 660);

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    placeTwips(ProgressBar1, 5400, 6120, 4695, 255);

    exchlist = new QComboBox(client);
    exchlist->setObjectName(QStringLiteral("exchlist"));
    exchlist->setEditable(true);
    exchlist->setInsertPolicy(QComboBox::NoInsert);
    exchlist->setCompleter(nullptr);  // the station is what the user typed, never completed
    exchlist->setFont(textFont(11.25));
    exchlist->setEditText(QStringLiteral("ZARYA-UZEL"));
    placeTwips(exchlist, 120, 1560, 2415, 375);

    btnErrNum = button(client, "btnErrNum", QStringLiteral("Статистика"),
                       QStringLiteral("Просмотр отчета о количестве и типе ошибок"));
    placeTwips(btnErrNum, 8160, 6840, 2055, 495);

    Framefile = new QGroupBox(QStringLiteral("Обработка"), client);
    Framefile->setObjectName(QStringLiteral("Framefile"));
    Framefile->setFont(textFont(11.25, true));
    placeTwips(Framefile, 5280, 720, 4935, 5895);

    ExtList = new QComboBox(client);
    ExtList->setObjectName(QStringLiteral("ExtList"));
    ExtList->setEditable(true);
    ExtList->setInsertPolicy(QComboBox::NoInsert);
    ExtList->setCompleter(nullptr);
    ExtList->setFont(listFont());
    ExtList->addItems({QStringLiteral("*.*"), QStringLiteral("*.log"), QStringLiteral("*.s12")});
    ExtList->setEditText(QStringLiteral("*.s12"));
    placeTwips(ExtList, 120, 6960, 2415, 345);

    DrvList = new DriveListBox(client);
    DrvList->setObjectName(QStringLiteral("DrvList"));
    DrvList->setFont(listFont());
    placeTwips(DrvList, 2760, 6960, 2295, 345);

    dirList = new DirListBox(client);
    dirList->setObjectName(QStringLiteral("dirList"));
    dirList->setFont(listFont());
    placeTwips(dirList, 2760, 2400, 2295, 4170);

    FilList = new FileListBox(client);
    FilList->setObjectName(QStringLiteral("FilList"));
    FilList->setFont(listFont());
    FilList->setAutoRefresh(true);  // printouts dropped into the folder show up by themselves
    placeTwips(FilList, 120, 2400, 2415, 4140);

    Image5 = pictureLabel(client, "Image5", picture("system-search", QStyle::SP_FileDialogContentsView, st), 615, 615);
    placeTwips(Image5, 3600, 840, 615, 615);
    Image4 = pictureLabel(client, "Image4", QIcon(), 615, 495);
    placeTwips(Image4, 3600, 1440, 615, 495);
    Image3 = pictureLabel(client, "Image3", picture("folder-documents", QStyle::SP_DirIcon, st), 495, 495);
    placeTwips(Image3, 4560, 840, 495, 495);
    Image3->hide();
    Image2 = pictureLabel(client, "Image2", picture("text-x-generic", QStyle::SP_FileIcon, st), 495, 495);
    placeTwips(Image2, 4680, 1320, 495, 495);
    Image2->hide();

    Label2 = label(client, "Label2", QStringLiteral("Выбор станции:"), 11.25, true);
    placeTwips(Label2, 120, 1320, 1935, 255);
    LabelInfo = new StatusLabel(kStopAtStart, client);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setFont(textFont(11.25));
    LabelInfo->setTextFormat(Qt::PlainText);  // file names and comments are shown as they are
    placeTwips(LabelInfo, 5280, 6840, 2670, 555);
    LabExt = label(client, "LabExt", QStringLiteral("Тип файла:"), 11.25, true);
    placeTwips(LabExt, 120, 6720, 1215, 255);
    LabDrv = label(client, "LabDrv", QStringLiteral("Устройства:"), 11.25, true);
    placeTwips(LabDrv, 2760, 6720, 1455, 255);
    LabDir = label(client, "LabDir", QStringLiteral("Каталоги:"), 11.25, true);
    placeTwips(LabDir, 2760, 2160, 975, 255);
    Labfile = label(client, "Labfile", QStringLiteral("Файлы:"), 11.25, true);
    placeTwips(Labfile, 120, 2160, 1815, 255);
    for (QLabel* l : {Label2, LabExt, LabDrv, LabDir, Labfile}) growToFit(l);

    // Inside "Обработка". The option buttons carry their captions on the left.
    Optionfile = new QRadioButton(QStringLiteral("Файла"), Framefile);
    Optionfile->setObjectName(QStringLiteral("Optionfile"));
    Optionfile->setLayoutDirection(Qt::RightToLeft);
    Optionfile->setFont(textFont(11.25));
    placeTwips(Optionfile, 480, 360, 1095, 255);
    OptionDir = new QRadioButton(QStringLiteral("   Каталога"), Framefile);
    OptionDir->setObjectName(QStringLiteral("OptionDir"));
    OptionDir->setLayoutDirection(Qt::RightToLeft);
    OptionDir->setFont(textFont(11.25));
    OptionDir->setChecked(true);
    placeTwips(OptionDir, 120, 720, 1455, 255);

    btnFileAll = button(Framefile, "btnFileAll", QStringLiteral("Полная"), QStringLiteral("Полная обработка"));
    placeTwips(btnFileAll, 2280, 360, 2175, 495);
    Frame1 = new QFrame(Framefile);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    placeTwips(Frame1, 480, 1200, 1695, 3255);
    btnFileRrn = button(Framefile, "btnFileRrn", QStringLiteral("Заданные рапорта"));
    placeTwips(btnFileRrn, 2280, 1440, 2175, 495);
    btnDev = button(Framefile, "btnDev", QStringLiteral("Заданные устройства"));
    placeTwips(btnDev, 2280, 2040, 2175, 495);
    btnFile121 = button(Framefile, "btnFile121", QStringLiteral("RRN 121"));
    placeTwips(btnFile121, 2280, 2640, 2175, 495);
    btnalarm = button(Framefile, "btnalarm", QStringLiteral("Аварии"));
    placeTwips(btnalarm, 2280, 3240, 2175, 495);
    btnFile48 = button(Framefile, "btnFile48", QStringLiteral("RRN 48"));
    placeTwips(btnFile48, 2280, 3840, 2175, 495);

    Imagerep = pictureLabel(Framefile, "Imagerep", picture("x-office-document", QStyle::SP_FileIcon, st), 255, 255);
    placeTwips(Imagerep, 2040, 4560, 255, 255);
    Check4 = new StateCheckBox(QStringLiteral("Искать новые рапорта"), Framefile);
    Check4->setObjectName(QStringLiteral("Check4"));
    Check4->setFont(textFont(9.75));
    placeTwips(Check4, 2400, 4560, 2175, 255);
    Imagedev = pictureLabel(Framefile, "Imagedev", picture("computer", QStyle::SP_ComputerIcon, st), 255, 255);
    placeTwips(Imagedev, 2040, 4920, 255, 255);
    Check8 = new StateCheckBox(QStringLiteral("Искать новые устройства"), Framefile);
    Check8->setObjectName(QStringLiteral("Check8"));
    Check8->setFont(textFont(9.75));
    placeTwips(Check8, 2400, 4920, 2295, 255);
    Label3 = label(Framefile, "Label3", QStringLiteral("обработка каталога"), 9.75, false);
    placeTwips(Label3, 240, 5160, 2175, 255);

    // Inside Frame1: the choices of the full run, each level with its button.
    Label1 = label(Frame1, "Label1", QStringLiteral("Выбор для полной обработки"), 9.75, false);
    Label1->setWordWrap(true);
    placeTwips(Label1, 240, 1320, 1095, 615);
    auto box = [&](const char* name, int top, int height) {
        auto* c = new StateCheckBox(Frame1);
        c->setObjectName(QString::fromLatin1(name));
        placeTwips(c, 1440, top, 255, height);
        return c;
    };
    Check1 = box("Check1", 240, 495);
    Check5 = box("Check5", 720, 735);
    Check7 = box("Check7", 1320, 735);
    Check3 = box("Check3", 1920, 735);
    Check2 = box("Check2", 2640, 495);
}

void frmopen::buildMenus() {
    QMenuBar* bar = menuBar();
    auto action = [&](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu ? menu->addAction(text) : bar->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnufile = bar->addMenu(QStringLiteral("&Файл"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnufile_save = action(mnufile, "mnufile_save", QStringLiteral("&Сохранить настройки"));
    mnufile_stop = action(mnufile, "mnufile_stop", QStringLiteral("&Остановить обработку"));
    mnufile_stop->setShortcut(Qt::Key_Escape);
    mnufile_stop->setIcon(picture("process-stop", QStyle::SP_BrowserStop, style()));
    mnufile_stop->setData(QStringLiteral("t7"));
    mnufile_stop->setEnabled(false);  // only while a run goes on
    mnufile_exit = action(mnufile, "mnufile_exit", QStringLiteral("&Выход"));
    mnudisp = action(nullptr, "mnudisp", QStringLiteral("&Просмотр"));
    mnunastr = bar->addMenu(QStringLiteral("&Настройка"));
    mnunastr->setObjectName(QStringLiteral("mnunastr"));
    mnunastr_RRN = action(mnunastr, "mnunastr_RRN", QStringLiteral("&Настройка списка RRN"));
    mnunastr_DEV = action(mnunastr, "mnunastr_DEV", QStringLiteral("&Настройка списка устройств"));
    mnuhlp = bar->addMenu(QStringLiteral("&Помошь"));
    mnuhlp->setObjectName(QStringLiteral("mnuhlp"));
    mnuhlp_info = action(mnuhlp, "mnuhlp_info", QStringLiteral("&Информация для пользователей"));
    mnuhlp_about = action(mnuhlp, "mnuhlp_about", QStringLiteral("&О программе"));
}

void frmopen::buildToolbar() {
    const QStyle* st = style();
    struct Button {
        const char* key;
        QString caption, tip;
        QIcon icon;
    } buttons[] = {
        {"t1", QStringLiteral("Сохранить"), QStringLiteral("Сохранить настройки"),
         picture("document-save", QStyle::SP_DialogSaveButton, st)},
        {"t2", {}, QStringLiteral("Промотр результатов обработки"),
         picture("document-preview", QStyle::SP_FileDialogDetailedView, st)},
        {"t3", {}, QStringLiteral("Настроить список RRN"), picture("view-list-text", QStyle::SP_FileDialogListView, st)},
        {"t4", {}, QStringLiteral("Настроить список устройств"), picture("computer", QStyle::SP_ComputerIcon, st)},
        {"t5", {}, QStringLiteral("Информация для пользователя"), picture("help-contents", QStyle::SP_DialogHelpButton, st)},
        {"t6", {}, QStringLiteral("Выход из программы"), picture("application-exit", QStyle::SP_DialogCloseButton, st)},
    };
    for (const auto& b : buttons) {
        QAction* a = Toolbar1->addAction(b.icon, b.caption.isEmpty() ? b.tip : b.caption);
        a->setObjectName(QString::fromLatin1(b.key));
        a->setData(QString::fromLatin1(b.key));
        a->setToolTip(b.tip);
        auto* tb = qobject_cast<QToolButton*>(Toolbar1->widgetForAction(a));
        if (tb) tb->setToolButtonStyle(b.caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    }
    // The stop command shares its action with the menu; its key "t7" runs nothing below.
    mnufile_stop->setToolTip(QStringLiteral("Остановить обработку"));
    Toolbar1->addAction(mnufile_stop);
    connect(Toolbar1, &QToolBar::actionTriggered, this, &frmopen::Toolbar1_ButtonClick);
}

void frmopen::connectHandlers() {
    connect(exchlist, &QComboBox::editTextChanged, this, &frmopen::exchlist_Change);
    connect(exchlist, &QComboBox::activated, this, &frmopen::exchlist_Change);
    connect(ExtList, &QComboBox::editTextChanged, this, &frmopen::ExtList_Change);
    connect(ExtList, &QComboBox::activated, this, &frmopen::ExtList_Change);
    connect(dirList, &DirListBox::pathChanged, this, &frmopen::DirList_Change);
    connect(DrvList, &DriveListBox::driveChanged, this, &frmopen::drvList_Change);
    connect(Optionfile, &QRadioButton::toggled, this, [this](bool on) {
        host_->setFileMode(on);
        if (on) Optionfile_click();
    });
    connect(OptionDir, &QRadioButton::toggled, this, [this](bool on) {
        if (on) OptionDir_Click();
    });
    for (Choice choice : kAllChoices) {
        StateCheckBox* widget = checkBox(choice);
        connect(widget, &QCheckBox::stateChanged, this,
                [this, widget, choice] { host_->setCheck(choice, widget->state()); });
    }
    connect(mnufile_save, &QAction::triggered, this, &frmopen::mnufile_save_Click);
    connect(mnufile_exit, &QAction::triggered, this, &frmopen::mnufile_exit_Click);
    connect(mnufile_stop, &QAction::triggered, this, &frmopen::stopRun);
    auto* relist = new QShortcut(Qt::Key_F5, this);
    connect(relist, &QShortcut::activated, this, [this] {
        if (!running()) FilList->refresh();
    });
    pressButtonsWithEnter(this);
    connect(mnudisp, &QAction::triggered, this, &frmopen::mnudisp_Click);
    connect(mnunastr_RRN, &QAction::triggered, this, &frmopen::mnunastr_RRN_Click);
    connect(mnunastr_DEV, &QAction::triggered, this, &frmopen::mnunastr_DEV_Click);
    connect(mnuhlp_info, &QAction::triggered, this, &frmopen::mnuhlp_info_Click);
    connect(mnuhlp_about, &QAction::triggered, this, &frmopen::mnuhlp_about_Click);
    connect(btnErrNum, &QPushButton::clicked, this, &frmopen::btnErrNum_Click);
    connect(btnFile48, &QPushButton::clicked, this, &frmopen::btnFile48_Click);
    connect(btnFile121, &QPushButton::clicked, this, &frmopen::btnFile121_Click);
    connect(btnFileRrn, &QPushButton::clicked, this, &frmopen::btnFileRrn_Click);
    connect(btnDev, &QPushButton::clicked, this, &frmopen::btnDev_Click);
    connect(btnalarm, &QPushButton::clicked, this, &frmopen::btnalarm_Click);
    connect(btnFileAll, &QPushButton::clicked, this, &frmopen::btnFileAll_Click);

    // What the run sets, in the order it sets it.
    connect(host_, &RunHost::statusText, this, &frmopen::setStatus);
    connect(host_, &RunHost::countPending, this, [this] {
        const QString text = host_->takeCount();
        if (!text.isEmpty()) setStatus(text);
    });
    connect(host_, &RunHost::progressValue, ProgressBar1, &QProgressBar::setValue);
    connect(host_, &RunHost::progressRange, ProgressBar1, &QProgressBar::setRange);
    connect(host_, &RunHost::fileSelected, FilList, &FileListBox::setListIndex);
    connect(host_, &RunHost::outputsClearedNow, this, &frmopen::outputsCleared);
    // A results window would list files the run has just deleted.
    connect(this, &frmopen::outputsCleared, this, [this] {
        if (resultsWindow) resultsWindow->close();
    });
}

StateCheckBox* frmopen::checkBox(Choice choice) const {
    switch (choice) {
    case Choice::Reports: return Check1;
    case Choice::Devices: return Check5;
    case Choice::Rrn121: return Check7;
    case Choice::Alarms: return Check3;
    case Choice::Rrn48: return Check2;
    case Choice::NewReports: return Check4;
    case Choice::NewDevices: return Check8;
    }
    return nullptr;
}

void frmopen::setStatus(const QString& text) {
    LabelInfo->setText(text);
    LabelInfo->setToolTip(text);  // long failure texts do not fit the label
    emit statusShown(text);
}

// ---- start-up and settings ----

void frmopen::Form_Load() {
    // The data directory and its output directories; existing files are never touched.
    try {
        ensureDirectory(data_.root());
        data_.ensureOutputDirs();
    } catch (const IoError& e) {
        setStatus(fromUtf8(e.message()));
    }
    DrvList->setRoots(options_.driveRoots.isEmpty() ? mountedRoots() : options_.driveRoots,
                      fromUtf8(options_.homeDirectory));

    // 1. The station list, in alphabetical order.
    std::vector<std::string> stations;
    try {
        stations = readListLines(data_.file("exchange.ini"));
    } catch (const IoError& e) {
        setStatus(fromUtf8(e.message()));
    }
    sortAlphabetically(stations, TextEncoding::Cp1251);
    {
        const QString text = exchlist->currentText();
        QSignalBlocker block(exchlist);
        for (const auto& s : stations) exchlist->addItem(fromCp1251(s));
        exchlist->setCurrentIndex(-1);
        exchlist->setEditText(text);
    }
    // 2.
    exchlist_Change();
    // 3.-5.
    applySettings();
}

void frmopen::applySettings() {
    const Settings s = loadSettingsFile(data_.root());
    if (s.linesApplied >= 2) exchlist->setEditText(fromCp1251(s.station));
    for (Choice choice : kAllChoices) checkBox(choice)->setState(s.checks[choice]);
    if (s.optionFile) {
        Optionfile->setChecked(true);
    } else if (s.optionDir) {
        OptionDir->setChecked(true);
    } else {
        // Both lines "False": neither button is selected, which the group allows only this way.
        for (QRadioButton* b : {Optionfile, OptionDir}) b->setAutoExclusive(false);
        Optionfile->setChecked(false);
        OptionDir->setChecked(false);
        for (QRadioButton* b : {Optionfile, OptionDir}) b->setAutoExclusive(true);
    }
    host_->setFileMode(Optionfile->isChecked());
    // 4. The mode picture follows the selected mode; directory mode when none is.
    Image4->setPixmap(Optionfile->isChecked() ? Image2->pixmap() : Image3->pixmap());

    // 5. A directory that is gone is a read failure.
    const QString home = fromUtf8(options_.homeDirectory);
    QString dir = fromUtf8(settingsDirectory(s, options_.homeDirectory));
    if (!QFileInfo(dir).isDir() || !QFileInfo(dir).isReadable()) dir = home;
    bringListsTo(dir);
}

void frmopen::bringListsTo(const QString& dir) {
    FilList->setPath(dir);
    dirList->setPath(FilList->path());
    {
        QSignalBlocker block(DrvList);  // the drive follows the path; it does not move it
        DrvList->setDrive(DrvList->driveOf(FilList->path()));
    }
    FilList->setPattern(ExtList->currentText());
    curDir = FilList->path();
}

void frmopen::mnufile_save_Click() {
    Settings s;
    s.curDir = toCp1251(curDir);
    s.station = toCp1251(exchlist->currentText());
    for (Choice choice : kAllChoices) s.checks[choice] = checkBox(choice)->state();
    s.optionFile = Optionfile->isChecked();
    s.optionDir = OptionDir->isChecked();
    try {
        saveSettingsFile(data_.root(), s);
    } catch (const IoError& e) {
        setStatus(QStringLiteral("Настройки не сохранены: ") + fromUtf8(e.message()));
    }
}

// ---- the input choice ----

void frmopen::exchlist_Change() {
    stationName = toCp1251(exchlist->currentText());
    host_->setStation(stationName);
}

void frmopen::ExtList_Change() { FilList->setPattern(ExtList->currentText()); }

void frmopen::DirList_Change() {
    FilList->setPattern(ExtList->currentText());
    FilList->setPath(dirList->path());
    curDir = FilList->path();
    QSignalBlocker block(DrvList);
    DrvList->setDrive(DrvList->driveOf(curDir));
}

void frmopen::drvList_Change() {
    if (driveFailing_) return;
    FilList->setPattern(ExtList->currentText());
    if (dirList->setPath(DrvList->directoryOf(DrvList->drive()))) return;
    // The drive cannot be read: say so for a moment, then go back to c:.
    driveFailing_ = true;
    setStatus(kDriveFailed);
    DrvList->setEnabled(false);
    auto back = [this] {
        setStatus(fromUtf8(texts::kStopAfterRun));
        driveFailing_ = false;
        DrvList->setEnabled(!running());
        DrvList->setDrive(QStringLiteral("c:"));
        drvList_Change();
    };
    if (options_.pauses.driveMs > 0) QTimer::singleShot(options_.pauses.driveMs, this, back);
    else back();
}

void frmopen::Optionfile_click() { Image4->setPixmap(Image2->pixmap()); }
void frmopen::OptionDir_Click() { Image4->setPixmap(Image3->pixmap()); }

// ---- commands ----

void frmopen::btnErrNum_Click() {
    const QString problem = startViewer(*starter_, fromUtf8(data_.root()), fromUtf8(data_.errorFile("errorstat")));
    if (!problem.isEmpty()) setStatus(problem);
}

void frmopen::Toolbar1_ButtonClick(QAction* button) {
    const QString key = button->data().toString();
    if (key == QStringLiteral("t1")) mnufile_save_Click();
    else if (key == QStringLiteral("t2")) mnudisp_Click();
    else if (key == QStringLiteral("t3")) mnunastr_RRN_Click();
    else if (key == QStringLiteral("t4")) mnunastr_DEV_Click();
    else if (key == QStringLiteral("t5")) mnuhlp_info_Click();
    else if (key == QStringLiteral("t6")) mnufile_exit_Click();
}

// ---- the other windows ----

void frmopen::mnudisp_Click() {
    if (running()) return;
    if (!resultsWindow)
        resultsWindow = new ResultsWindow(data_.root(), *starter_, [this](const QString& t) { setStatus(t); }, this);
    bringForward(resultsWindow);
}

void frmopen::mnuhlp_info_Click() {
    if (running()) return;
    if (!helpWindow) helpWindow = new HelpWindow(this);
    bringForward(helpWindow);
}

void frmopen::showModal(QDialog* window) {
    // Modal without a nested event loop: the main window waits until it is closed.
    window->setWindowModality(Qt::ApplicationModal);
    bringForward(window);
}

void frmopen::mnunastr_RRN_Click() {
    if (running() || reportListWindow) return;
    reportListWindow = new ReportListWindow(data_.root(), this);
    showModal(reportListWindow);
}

void frmopen::mnunastr_DEV_Click() {
    if (running() || deviceListWindow) return;
    deviceListWindow = new DeviceListWindow(data_.root(), this);
    showModal(deviceListWindow);
}

void frmopen::mnuhlp_about_Click() {
    if (running() || aboutWindow) return;
    aboutWindow = new AboutWindow(this);
    showModal(aboutWindow);
}

QList<QAction*> frmopen::windowCommands() const {
    QList<QAction*> out{mnudisp, mnunastr_RRN, mnunastr_DEV, mnuhlp_info, mnuhlp_about};
    for (QAction* a : Toolbar1->actions()) {
        const QString key = a->data().toString();
        if (key >= QStringLiteral("t2") && key <= QStringLiteral("t5")) out << a;
    }
    return out;
}

void frmopen::mnufile_exit_Click() {
    stopRunAndWait();
    close();
}

void frmopen::closeEvent(QCloseEvent* event) {
    stopRunAndWait();
    // No window of ours outlives the main window.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->parentWidget() == this) w->close();
    QMainWindow::closeEvent(event);
}

void frmopen::btnFile48_Click() { startRun(RunKind::Rrn48); }
void frmopen::btnFile121_Click() { startRun(RunKind::Rrn121); }
void frmopen::btnFileRrn_Click() { startRun(RunKind::Reports); }
void frmopen::btnDev_Click() { startRun(RunKind::Devices); }
void frmopen::btnalarm_Click() { startRun(RunKind::Alarms); }
void frmopen::btnFileAll_Click() { startRun(RunKind::Full); }

// ---- runs ----

void frmopen::startRun(RunKind kind) {
    // Not during the pause of an unreadable drive either: the lists are about to move.
    if (running() || driveFailing_) return;
    // Only a row the user can see selected is the file of file mode.
    host_->beginRun(toUtf8(FilList->path()), FilList->rawNames(), FilList->selectedRow());
    host_->setFileMode(Optionfile->isChecked());
    setRunning(true);
    worker_ = QThread::create([this, kind] { runner_->run(kind); });
    connect(worker_, &QThread::finished, this, &frmopen::onRunFinished);
    worker_->start();
}

void frmopen::onRunFinished() {
    if (!worker_) return;
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    setRunning(false);
    // The texts of skipped input files have been replaced by later ones; say so at the end.
    const int skipped = runner_->outcome().inputFailures;
    if (skipped > 0 && LabelInfo->text() == fromUtf8(texts::kStopAfterRun))
        setStatus(fromUtf8(texts::kStopAfterRun) + QStringLiteral(" (пропущено файлов: %1)").arg(skipped));
    emit runFinished();
}

void frmopen::stopRun() {
    if (running()) host_->requestStop(StopKind::Stop);
}

void frmopen::stopRunAndWait() {
    if (!worker_) return;
    host_->requestStop(StopKind::Close);
    worker_->wait();
    QThread* w = worker_;
    worker_ = nullptr;
    delete w;
    setRunning(false);
}

void frmopen::setRunning(bool on) {
    // Commands that start a run or open a window wait for the run to end; so do the lists
    // the run walks. The mode, the check boxes and the station stay live.
    for (QWidget* w : std::initializer_list<QWidget*>{btnFile48, btnFile121, btnFileRrn, btnDev, btnalarm, btnFileAll,
                                                      btnErrNum, DrvList, dirList, ExtList})
        w->setEnabled(!on);
    for (QAction* a : windowCommands()) a->setEnabled(!on);
    mnufile_stop->setEnabled(on);
    // The run walks the list as it was when it started.
    FilList->holdRefresh(on);
    FilList->setAttribute(Qt::WA_TransparentForMouseEvents, on);
    FilList->setFocusPolicy(on ? Qt::NoFocus : Qt::StrongFocus);
    if (driveFailing_) DrvList->setEnabled(false);
}

}  // namespace kalvimo
