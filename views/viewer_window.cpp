#include "views/viewer_window.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QSettings>
#include <QTabWidget>

#include "platform/qt/program_starter.h"
#include "views/text_document.h"
#include "views/viewer_tab.h"

namespace kalvimo {
namespace {

// The window's size is the only thing kept, outside the data directory: it is no user data.
QSettings settings() { return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kalvimo"), QStringLiteral("viewer")); }

}  // namespace

ViewerWindow::ViewerWindow(ProgramStarter& starter, QWidget* parent) : QMainWindow(parent), starter_(starter) {
    setObjectName(QStringLiteral("viewerWindow"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Просмотр"));
    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("viewerTabs"));
    tabs->setTabsClosable(true);
    tabs->setDocumentMode(true);
    tabs->setMovable(true);
    setCentralWidget(tabs);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &ViewerWindow::closeTab);
    connect(tabs, &QTabWidget::currentChanged, this, &ViewerWindow::currentChanged);
    buildMenus();
    resize(settings().value(QStringLiteral("size"), QSize(1000, 720)).toSize());
}

ViewerWindow::~ViewerWindow() { settings().setValue(QStringLiteral("size"), size()); }

void ViewerWindow::buildMenus() {
    auto add = [this](QMenu* menu, const QString& text, const QKeySequence& keys, auto handler) {
        QAction* a = menu->addAction(text);
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto onTab = [this](void (ViewerTab::*f)()) {
        return [this, f] {
            if (ViewerTab* t = currentTab()) (t->*f)();
        };
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    openAction = add(file, QStringLiteral("&Открыть…"), QKeySequence::Open, &ViewerWindow::chooseFile);
    openElsewhere = add(file, QStringLiteral("Открыть в &другой программе"), {}, &ViewerWindow::openInOtherProgram);
    file->addSeparator();
    closeTabAction = add(file, QStringLiteral("&Закрыть вкладку"), QKeySequence(Qt::CTRL | Qt::Key_W),
                         [this] { closeTab(tabs->currentIndex()); });
    closeAction = add(file, QStringLiteral("За&крыть окно"), {}, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    copyAction = add(edit, QStringLiteral("&Копировать"), QKeySequence::Copy, onTab(&ViewerTab::copy));
    selectAllAction = add(edit, QStringLiteral("&Выделить всё"), QKeySequence::SelectAll, onTab(&ViewerTab::selectAll));
    edit->addSeparator();
    findAction = add(edit, QStringLiteral("&Найти…"), QKeySequence(Qt::CTRL | Qt::Key_F), onTab(&ViewerTab::focusFind));
    findNextAction = add(edit, QStringLiteral("Найти &далее"), QKeySequence(Qt::Key_F3), onTab(&ViewerTab::findNext));
    findPreviousAction = add(edit, QStringLiteral("Найти на&зад"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
                             onTab(&ViewerTab::findPrevious));
    filterAction = add(edit, QStringLiteral("&Только строки с…"), QKeySequence(Qt::CTRL | Qt::Key_L),
                       onTab(&ViewerTab::focusFilter));
    goToAction = add(edit, QStringLiteral("&Перейти к строке…"), QKeySequence(Qt::CTRL | Qt::Key_G), onTab(&ViewerTab::focusGoTo));
}

ViewerTab* ViewerWindow::tab(int i) const { return qobject_cast<ViewerTab*>(tabs->widget(i)); }
ViewerTab* ViewerWindow::currentTab() const { return tab(tabs->currentIndex()); }

ViewerTab* ViewerWindow::openFile(const QString& path, const QString& filter) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    ViewerTab* t = nullptr;
    for (int i = 0; i < tabs->count() && !t; ++i)
        if (tab(i)->path() == absolute) t = tab(i);
    if (!t) {
        t = new ViewerTab(absolute, tabs);
        const int i = tabs->addTab(t, pathForDisplay(QFileInfo(absolute).fileName()));
        tabs->setTabToolTip(i, pathForDisplay(absolute));
    } else {
        // Asked for again: look at it now, as a run may just have rewritten it.
        t->document()->checkFile();
    }
    tabs->setCurrentWidget(t);
    if (!filter.isEmpty()) t->setFilter(filter);
    t->setFocus();
    return t;
}

void ViewerWindow::chooseFile() {
    const QString dir = currentTab() ? QFileInfo(currentTab()->path()).absolutePath() : QString();
    const QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("Открыть"), dir);
    for (const QString& f : files) openFile(f);
}

void ViewerWindow::openInOtherProgram() {
    ViewerTab* t = currentTab();
    if (!t) return;
    if (!starter_.openWithDesktop(t->path()))
        t->say(QStringLiteral("Не удалось открыть файл %1: нет программы для просмотра").arg(pathForDisplay(t->path())));
}

void ViewerWindow::closeTab(int i) {
    ViewerTab* t = tab(i);
    if (!t) return;
    tabs->removeTab(i);
    delete t;
    if (tabs->count() == 0) close();
}

void ViewerWindow::currentChanged() {
    ViewerTab* t = currentTab();
    setWindowTitle(t ? QStringLiteral("%1 — Просмотр").arg(pathForDisplay(QFileInfo(t->path()).fileName())) : QStringLiteral("Просмотр"));
    for (QAction* a : {openElsewhere, closeTabAction, copyAction, selectAllAction, findAction, findNextAction,
                       findPreviousAction, filterAction, goToAction})
        a->setEnabled(t != nullptr);
}

}  // namespace kalvimo
