#pragma once
// The viewer window: result files and printouts in tabs, read-only, with find, filter and
// going to a line; "Открыть в другой программе" hands the file to the desktop. It remembers
// its size between sessions.
#include <QMainWindow>
#include <QString>

class QAction;
class QTabWidget;

namespace kalvimo {

class ProgramStarter;
class ViewerTab;

class ViewerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewerWindow(ProgramStarter& starter, QWidget* parent = nullptr);
    ~ViewerWindow() override;

    // Opens path in a tab of its own, or brings its tab forward; a non-empty filter text
    // is put into the tab's "Только строки с" field.
    ViewerTab* openFile(const QString& path, const QString& filter = {});
    ViewerTab* currentTab() const;
    ViewerTab* tab(int i) const;

    QTabWidget* tabs;  // "viewerTabs"
    QAction *openAction, *openElsewhere, *closeTabAction, *closeAction;
    QAction *copyAction, *selectAllAction, *findAction, *findNextAction, *findPreviousAction, *filterAction, *goToAction;

private:
    void buildMenus();
    void chooseFile();
    void openInOtherProgram();
    void closeTab(int i);
    void currentChanged();

    ProgramStarter& starter_;
};

}  // namespace kalvimo
