#pragma once
// Starts the viewer. Behind an interface so that tests can record what would be started or
// opened.
#include <QString>
#include <QStringList>

namespace kalvimo {

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // Starts program with its arguments and does not wait for it; false when it did not start.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
    // Opens a file in the desktop's default application; false when that failed.
    virtual bool openWithDesktop(const QString& path) = 0;
    // Opens a file in the program's own viewer, with a filter text when one is given. What
    // goes wrong with the file shows in the viewer.
    virtual void openInViewer(const QString& path, const QString& filter = {}) = 0;
};

// External programs and the desktop; the viewer is added where the windows are.
class DesktopProgramStarter : public ProgramStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override;
    bool openWithDesktop(const QString& path) override;
};

// The viewer of the data directory: its executable wordpad.exe with the file as its single
// argument, else the program's own viewer. Returns a Russian text saying what went wrong,
// empty when the viewer started.
QString startViewer(ProgramStarter& starter, const QString& dataDir, const QString& file);

}  // namespace kalvimo
