// The controls of the main window, its menus and toolbar, where each stands, and what each
// one's signal runs.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/main_window.h"
#include "engine/kinds.h"
#include "platform/qt/button_keys.h"
#include "platform/qt/list_boxes.h"
#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/state_check_box.h"
#include "platform/qt/status_label.h"
#include "views/charts_window.h"
#include "views/results_window.h"

namespace kalvimo {
namespace {

// Where each control stands: left, top, width and height in twips, inside the frame that
// holds it.
struct Placement {
    const char* name;
    int left, top, width, height;
};
const Placement kPlacements[] = {
    // The client area.
    {"Toolbar1", 0, 0, 10350, 660},
    {"ProgressBar1", 5400, 6120, 4695, 255},
    {"exchlist", 120, 1560, 2415, 375},
    {"btnErrNum", 8160, 6840, 2055, 495},
    {"Framefile", 5280, 720, 4935, 5895},
    {"ExtList", 120, 6960, 2415, 345},
    {"DrvList", 2760, 6960, 2295, 345},
    {"dirList", 2760, 2400, 2295, 4170},
    {"FilList", 120, 2400, 2415, 4140},
    {"Image5", 3600, 840, 615, 615},
    {"Image4", 3600, 1440, 615, 495},
    {"Image3", 4560, 840, 495, 495},
    {"Image2", 4680, 1320, 495, 495},
    {"Label2", 120, 1320, 1935, 255},
    {"LabelInfo", 5280, 6840, 2670, 555},
    {"LabExt", 120, 6720, 1215, 255},
    {"LabDrv", 2760, 6720, 1455, 255},
    {"LabDir", 2760, 2160, 975, 255},
    {"Labfile", 120, 2160, 1815, 255},
    // "Обработка".
    {"Optionfile", 480, 360, 1095, 255},
    {"OptionDir", 120, 720, 1455, 255},
    {"btnFileAll", 2280, 360, 2175, 495},
    {"Frame1", 480, 1200, 1695, 3255},
    {"btnFileRrn", 2280, 1440, 2175, 495},
    {"btnDev", 2280, 2040, 2175, 495},
    {"btnFile121", 2280, 2640, 2175, 495},
    {"btnalarm", 2280, 3240, 2175, 495},
    {"btnFile48", 2280, 3840, 2175, 495},
    {"Imagerep", 2040, 4560, 255, 255},
    {"Check4", 2400, 4560, 2175, 255},
    {"Imagedev", 2040, 4920, 255, 255},
    {"Check8", 2400, 4920, 2295, 255},
    {"Label3", 240, 5160, 2175, 255},
    // The choices of the full run, each level with the button of its kind.
    {"Label1", 240, 1320, 1095, 615},
    {"Check1", 1440, 240, 255, 495},
    {"Check5", 1440, 720, 255, 735},
    {"Check7", 1440, 1320, 255, 735},
    {"Check3", 1440, 1920, 255, 735},
    {"Check2", 1440, 2640, 255, 495},
};
const QSize kClientSize(10350, 7500);

// Captions that grow to the right when the font at hand is wider than their place.
const char* const kGrowingCaptions[] = {"Label2", "LabExt", "LabDrv", "LabDir", "Labfile"};

// Pictures from the icon theme, with the style's as a stand-in; drawn at the size of their place.
struct Picture {
    const char* name;
    const char* theme;
    QStyle::StandardPixmap fallback;
};
const Picture kPictures[] = {
    {"Image5", "system-search", QStyle::SP_FileDialogContentsView},
    {"Image3", "folder-documents", QStyle::SP_DirIcon},
    {"Image2", "text-x-generic", QStyle::SP_FileIcon},
    {"Imagerep", "x-office-document", QStyle::SP_FileIcon},
    {"Imagedev", "computer", QStyle::SP_ComputerIcon},
};

QIcon picture(const char* themeName, QStyle::StandardPixmap fallback, const QStyle* style) {
    return QIcon::fromTheme(QString::fromLatin1(themeName), style->standardIcon(fallback));
}

template <class W>
W* named(W* widget, std::string_view name) {
    widget->setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    return widget;
}

QLabel* caption(QWidget* parent, const char* name, const QString& text, double points, bool bold) {
    auto* l = named(new QLabel(text, parent), name);
    l->setFont(textFont(points, bold));
    return l;
}

QPushButton* button(QWidget* parent, std::string_view name, const QString& text, const QString& tip = {}) {
    auto* b = named(new QPushButton(text, parent), name);
    b->setFont(textFont(11.25));
    if (!tip.isEmpty()) b->setToolTip(tip);
    return b;
}

QLabel* pictureBox(QWidget* parent, const char* name) {
    auto* l = named(new QLabel(parent), name);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

// An editable list whose text is exactly what the user typed, never completed.
QComboBox* typedComboBox(QWidget* parent, const char* name) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
    return c;
}

}  // namespace

void MainWindow::buildControls() {
    auto* client = named(new QWidget(this), "client");
    setCentralWidget(client);
    // Created in this order, which is the order Tab follows.
    buildInputControls(client);
    buildProcessingFrame(client);
    placeControls();
    client->setFixedSize(twips(kClientSize.width()), twips(kClientSize.height()));
}

void MainWindow::buildInputControls(QWidget* client) {
    toolbar_ = named(new QToolBar(client), "Toolbar1");
    toolbar_->setMovable(false);
    progressBar_ = named(new QProgressBar(client), "ProgressBar1");
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    stationBox_ = typedComboBox(client, "exchlist");
    stationBox_->setFont(textFont(11.25));
    stationBox_->setEditText(QStringLiteral("ZARYA-UZEL"));
    statisticsButton_ = button(client, "btnErrNum", QStringLiteral("Статистика"),
                               QStringLiteral("Просмотр отчета о количестве и типе ошибок"));
    named(new QGroupBox(QStringLiteral("Обработка"), client), "Framefile")->setFont(textFont(11.25, true));
    patternBox_ = typedComboBox(client, "ExtList");
    patternBox_->setFont(listFont());
    patternBox_->addItems({QStringLiteral("*.*"), QStringLiteral("*.log"), QStringLiteral("*.s12")});
    patternBox_->setEditText(QStringLiteral("*.s12"));
    driveList_ = named(new DriveListBox(client), "DrvList");
    directoryList_ = named(new DirListBox(client), "dirList");
    fileList_ = named(new FileListBox(client), "FilList");
    for (QWidget* list : std::initializer_list<QWidget*>{driveList_, directoryList_, fileList_}) list->setFont(listFont());
    fileList_->setAutoRefresh(true);  // printouts dropped into the folder show up by themselves

    pictureBox(client, "Image5");
    modePicture_ = pictureBox(client, "Image4");
    directoryModePicture_ = pictureBox(client, "Image3");
    directoryModePicture_->hide();
    fileModePicture_ = pictureBox(client, "Image2");
    fileModePicture_->hide();

    caption(client, "Label2", QStringLiteral("Выбор станции:"), 11.25, true);
    statusLabel_ = named(new StatusLabel(QStringLiteral("Стоп"), client), "LabelInfo");  // all Cyrillic until a run
    statusLabel_->setFont(textFont(11.25));
    statusLabel_->setTextFormat(Qt::PlainText);  // file names and comments are shown as they are
    caption(client, "LabExt", QStringLiteral("Тип файла:"), 11.25, true);
    caption(client, "LabDrv", QStringLiteral("Устройства:"), 11.25, true);
    caption(client, "LabDir", QStringLiteral("Каталоги:"), 11.25, true);
    caption(client, "Labfile", QStringLiteral("Файлы:"), 11.25, true);
}

void MainWindow::buildProcessingFrame(QWidget* client) {
    auto* frame = client->findChild<QGroupBox*>(QStringLiteral("Framefile"));
    // The mode buttons carry their captions on the left.
    fileModeButton_ = named(new QRadioButton(QStringLiteral("Файла"), frame), "Optionfile");
    directoryModeButton_ = named(new QRadioButton(QStringLiteral("   Каталога"), frame), "OptionDir");
    for (QRadioButton* b : {fileModeButton_, directoryModeButton_}) {
        b->setLayoutDirection(Qt::RightToLeft);
        b->setFont(textFont(11.25));
    }
    directoryModeButton_->setChecked(true);

    runButtons_ << button(frame, kFullRunButton, fromUtf8(kFullRunButtonText), QStringLiteral("Полная обработка"));
    connect(runButtons_.last(), &QPushButton::clicked, this, [this] { startRun(RunKind::Full); });
    auto* choices = named(new QFrame(frame), "Frame1");  // the full run's choices
    choices->setFrameShape(QFrame::Box);
    choices->setFrameShadow(QFrame::Sunken);
    for (const KindRow& kind : kinds()) {
        runButtons_ << button(frame, kind.button, fromUtf8(kind.buttonText));
        connect(runButtons_.last(), &QPushButton::clicked, this, [this, k = kind.kind] { startRun(k); });
    }

    // Each search's box with its picture before it.
    const char* const searchPictures[] = {"Imagerep", "Imagedev"};
    for (const SearchRow& search : searches()) {
        pictureBox(frame, searchPictures[static_cast<size_t>(search.search)]);
        auto* box = named(new StateCheckBox(fromUtf8(search.boxText), frame), search.box);
        box->setFont(textFont(9.75));
        choiceBoxes_[Box(search.search).index()] = box;
    }
    caption(frame, "Label3", QStringLiteral("обработка каталога"), 9.75, false);

    caption(choices, "Label1", QStringLiteral("Выбор для полной обработки"), 9.75, false)->setWordWrap(true);
    // The kinds' boxes have no caption: each stands level with its button.
    for (const KindRow& kind : kinds()) choiceBoxes_[Box(kind.kind).index()] = named(new StateCheckBox(choices), kind.box);
}

void MainWindow::placeControls() {
    for (const Placement& p : kPlacements) {
        auto* w = findChild<QWidget*>(QString::fromLatin1(p.name));
        if (!w) qFatal("the main window has no control %s", p.name);
        placeTwips(w, p.left, p.top, p.width, p.height);
    }
    for (const char* name : kGrowingCaptions) growToFit(findChild<QLabel*>(QString::fromLatin1(name)));
    for (const Picture& p : kPictures) {
        auto* l = findChild<QLabel*>(QString::fromLatin1(p.name));
        l->setPixmap(picture(p.theme, p.fallback, style()).pixmap(l->size()));
    }
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto item = [&](QMenu* menu, const char* name, const QString& text, void (MainWindow::*slot)()) {
        QAction* a = named(menu ? menu->addAction(text) : bar->addAction(text), name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = named(bar->addMenu(QStringLiteral("&Файл")), "mnufile");
    item(file, "mnufile_save", QStringLiteral("&Сохранить настройки"), &MainWindow::saveSettings);
    stopAction_ = item(file, "mnufile_stop", QStringLiteral("&Остановить обработку"), &MainWindow::stopRun);
    stopAction_->setShortcut(Qt::Key_Escape);
    stopAction_->setIcon(picture("process-stop", QStyle::SP_BrowserStop, style()));
    stopAction_->setData(QStringLiteral("t7"));
    stopAction_->setEnabled(false);  // only while a run goes on
    item(file, "mnufile_exit", QStringLiteral("&Выход"), &MainWindow::exitProgram);
    // "&Просмотр" stays the action that opens the results window (as the toolbar's "t2" does);
    // a click in the bar drops down the results and the charts.
    QAction* view = item(nullptr, "mnudisp", QStringLiteral("&Просмотр"), &MainWindow::showResults);
    auto* viewMenu = named(new QMenu(this), "mnudisp_menu");
    view->setMenu(viewMenu);
    windowCommands_ << view;
    windowCommands_ << item(viewMenu, "mnudisp_results", QStringLiteral("&Результаты обработки"), &MainWindow::showResults);
    windowCommands_ << item(viewMenu, "mnudisp_charts", QStringLiteral("&Графики ошибок"), &MainWindow::showCharts);
    QMenu* settings = named(bar->addMenu(QStringLiteral("&Настройка")), "mnunastr");
    windowCommands_ << item(settings, "mnunastr_RRN", QStringLiteral("&Настройка списка RRN"), &MainWindow::editReportList);
    windowCommands_ << item(settings, "mnunastr_DEV", QStringLiteral("&Настройка списка устройств"),
                            &MainWindow::editDeviceList);
    QMenu* help = named(bar->addMenu(QStringLiteral("&Помошь")), "mnuhlp");
    windowCommands_ << item(help, "mnuhlp_info", QStringLiteral("&Информация для пользователей"), &MainWindow::showHelp);
    windowCommands_ << item(help, "mnuhlp_about", QStringLiteral("&О программе"), &MainWindow::showAbout);
}

void MainWindow::buildToolbar() {
    const QStyle* st = style();
    // Each button is known by its key, its objectName; only the first shows a caption.
    const struct {
        const char* key;
        QString caption, tip;
        QIcon icon;
        void (MainWindow::*command)();
        bool opensWindow;
    } buttons[] = {
        {"t1", QStringLiteral("Сохранить"), QStringLiteral("Сохранить настройки"),
         picture("document-save", QStyle::SP_DialogSaveButton, st), &MainWindow::saveSettings, false},
        {"t2", {}, QStringLiteral("Промотр результатов обработки"),
         picture("document-preview", QStyle::SP_FileDialogDetailedView, st), &MainWindow::showResults, true},
        {"t3", {}, QStringLiteral("Настроить список RRN"), picture("view-list-text", QStyle::SP_FileDialogListView, st),
         &MainWindow::editReportList, true},
        {"t4", {}, QStringLiteral("Настроить список устройств"), picture("computer", QStyle::SP_ComputerIcon, st),
         &MainWindow::editDeviceList, true},
        {"t5", {}, QStringLiteral("Информация для пользователя"),
         picture("help-contents", QStyle::SP_DialogHelpButton, st), &MainWindow::showHelp, true},
        {"t6", {}, QStringLiteral("Выход из программы"), picture("application-exit", QStyle::SP_DialogCloseButton, st),
         &MainWindow::exitProgram, false},
    };
    for (const auto& b : buttons) {
        QAction* a = named(toolbar_->addAction(fadedWhenDisabled(b.icon, toolbar_->iconSize()),
                                               b.caption.isEmpty() ? b.tip : b.caption),
                           b.key);
        a->setData(QString::fromLatin1(b.key));
        a->setToolTip(b.tip);
        connect(a, &QAction::triggered, this, b.command);
        if (b.opensWindow) windowCommands_ << a;
        if (auto* tb = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a)))
            tb->setToolButtonStyle(b.caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
    }
    // The stop command is the menu's own action, key "t7".
    stopAction_->setIcon(fadedWhenDisabled(stopAction_->icon(), toolbar_->iconSize()));
    stopAction_->setToolTip(QStringLiteral("Остановить обработку"));
    toolbar_->addAction(stopAction_);
}

void MainWindow::connectControls() {
    connect(stationBox_, &QComboBox::editTextChanged, this, &MainWindow::stationChanged);
    connect(stationBox_, &QComboBox::activated, this, &MainWindow::stationChanged);
    connect(patternBox_, &QComboBox::editTextChanged, this, &MainWindow::patternChanged);
    connect(patternBox_, &QComboBox::activated, this, &MainWindow::patternChanged);
    connect(directoryList_, &DirListBox::pathChanged, this, &MainWindow::directoryChanged);
    connect(directoryList_, &DirListBox::refused, this, [this](const QString& dir) {
        setStatus((QFileInfo(dir).isDir() ? QStringLiteral("Нет доступа к каталогу %1") : QStringLiteral("Нет каталога %1"))
                      .arg(dir));
    });
    connect(driveList_, &DriveListBox::driveChanged, this, &MainWindow::driveChanged);
    // The run reads the mode, the boxes and the station where it needs them, so they go to it
    // as the user changes them.
    connect(fileModeButton_, &QRadioButton::toggled, this, [this](bool on) {
        host_->setFileMode(on);
        if (on) showModePicture();
    });
    connect(directoryModeButton_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) showModePicture();
    });
    for (size_t b = 0; b < Box::kCount; ++b) {
        StateCheckBox* box = choiceBoxes_[b];
        connect(box, &QCheckBox::stateChanged, this, [this, box, b] { host_->setCheck(Box::at(b), box->state()); });
    }
    connect(new QShortcut(Qt::Key_F5, this), &QShortcut::activated, this, [this] {
        if (!running()) fileList_->refresh();
    });
    pressButtonsWithEnter(this);
    connect(statisticsButton_, &QPushButton::clicked, this, &MainWindow::showStatistics);

    // What the run sets, in the order it sets it.
    connect(host_, &RunHost::statusText, this, &MainWindow::setStatus);
    connect(host_, &RunHost::failureText, this, [this](const QString& text) { runFailures_ << text; });
    connect(statusLabel_, &StatusLabel::clicked, this, &MainWindow::showRunFailures);
    connect(host_, &RunHost::countPending, this, [this] {
        const QString text = host_->takeCount();
        if (!text.isEmpty()) setStatus(text);
    });
    connect(host_, &RunHost::progressValue, progressBar_, &QProgressBar::setValue);
    connect(host_, &RunHost::progressRange, progressBar_, &QProgressBar::setRange);
    connect(host_, &RunHost::fileSelected, fileList_, &FileListBox::setListIndex);
    connect(host_, &RunHost::outputsClearedNow, this, &MainWindow::outputsCleared);
    // A results or charts window would show files the run has just deleted.
    connect(this, &MainWindow::outputsCleared, this, [this] {
        if (resultsWindow_) resultsWindow_->close();
        if (chartsWindow_) chartsWindow_->close();
    });
}

}  // namespace kalvimo
