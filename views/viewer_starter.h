#pragma once
// The program starter of the windows: external programs and the desktop as the desktop starter
// starts them, and the program's own viewer, one window with a tab per file, created when first
// asked for.
#include <QPointer>
#include <functional>

#include "platform/qt/program_starter.h"

class QWidget;

namespace kalvimo {

class FileListBox;
class ViewerWindow;

class ViewerStarter : public DesktopProgramStarter {
public:
    // The viewer window goes with owner (when given), as the program's other windows do.
    explicit ViewerStarter(QWidget* owner = nullptr) : owner_(owner) {}
    ~ViewerStarter() override;
    void openInViewer(const QString& path, const QString& filter = {}) override;
    ViewerWindow* window() const;  // null until the first file

private:
    QWidget* owner_;
    QPointer<ViewerWindow> window_;
};

// Gives a file list the context menu command "Открыть в просмотре", which opens its current
// file in the program's viewer; report says when no file is chosen.
void addOpenInViewer(FileListBox* list, ProgramStarter& starter, std::function<void(const QString&)> report);

}  // namespace kalvimo
