#pragma once
// The drive list, the directory list and the file list of the main window. They hold a path
// and a pattern the way the window's handlers expect and report changes by signals.
#include <QComboBox>
#include <QListWidget>
#include <QTimer>

class QFileSystemWatcher;
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace kalvimo {

// The drives of the system: on Windows every drive by its letter ("c:", "d:"), ready or not;
// elsewhere the mounted file-system roots, less the kernel's own.
QStringList systemDriveRoots();

// The drives. Windows drives are named by their letter; where there are no drives, "c:" is
// the root that holds the home directory and the others are named by their roots.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);
    // Fills the list from the mounted volumes (or from the given roots, for tests).
    void setRoots(const QStringList& roots, const QString& homeDirectory);
    QString drive() const;           // the text of the current entry
    void setDrive(const QString& d); // "c:" or a root; emits driveChanged when it changes
    // The directory a drive stands for: the root itself, or where there are no drives, the
    // home directory for "c:".
    QString directoryOf(const QString& drive) const;
    // The drive that holds path: the entry with the longest matching root.
    QString driveOf(const QString& path) const;

signals:
    void driveChanged();

private:
    QString home_;
    QStringList roots_;  // parallel to the entries
    bool lettered_ = false;  // Windows drives
};

// The current directory with its ancestors above it and its subdirectories below, as a
// directory list box shows them. Activating an entry moves there.
// Hidden folders (names starting with a dot) are left out, as file dialogs do, unless the
// current directory is itself inside one.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Moves to dir; false (and nothing changes) when it is not a directory that can be read
    // and entered.
    bool setPath(const QString& dir);

signals:
    // The path changed, or the user chose the current directory again.
    void pathChanged();
    // The user chose a directory that cannot be opened; the list stays where it was.
    void refused(const QString& dir);

private:
    void fill();
    QString path_;
};

// The regular files of a directory that match the pattern, in alphabetical order. A file
// counts as chosen only when its row is visibly selected; listing the same directory again
// keeps that selection while the file is still there.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    QString path() const { return path_; }
    QString pattern() const { return pattern_; }
    void setPath(const QString& dir);
    void setPattern(const QString& pattern);
    void refresh();
    // Lists the directory again by itself soon after files come or go in it; while held,
    // a change waits until the hold ends.
    void setAutoRefresh(bool on);
    void holdRefresh(bool hold);
    int listCount() const { return count(); }
    int selectedRow() const;   // -1 when no row is selected
    QString fileName() const;  // the selected entry, empty when there is none
    void setListIndex(int i) { setCurrentRow(i); }
    QStringList names() const;
    // The names as the file system holds them: a name that is not valid UTF-8 (copied from
    // another system) is shown approximately but opened by its own bytes.
    std::vector<std::string> rawNames() const;
    std::string rawFileName() const;

private:
    void watchPath();

    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer settle_;  // changes come in bursts: list once they settle
    bool held_ = false;
    bool changedWhileHeld_ = false;
};

}  // namespace kalvimo
