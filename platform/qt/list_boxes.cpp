#include "platform/qt/list_boxes.h"

#include <QDir>
#include <algorithm>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStorageInfo>
#include <QStyle>
#include <string>
#include <vector>

#include "platform/collate.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {

// ---- drives ----

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

namespace {

// "c:" for a Windows drive root ("C:/", "C:\\", "C:"), else nothing.
QString driveLetter(const QString& root) {
    const bool lettered = (root.size() == 2 || (root.size() == 3 && (root[2] == '/' || root[2] == '\\'))) &&
                          root[1] == ':' && root[0].isLetter();
    return lettered ? root.left(2).toLower() : QString();
}

}  // namespace

QStringList systemDriveRoots() {
    QStringList roots;
#ifdef Q_OS_WIN
    // Every drive, a drive without a disk too: choosing it says that it cannot be read.
    for (const QFileInfo& drive : QDir::drives()) roots << drive.absolutePath();
#else
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        const QString r = v.rootPath();
        bool system = false;
        for (const char* p : {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"})
            if (r == QLatin1String(p) || r.startsWith(QLatin1String(p) + '/')) system = true;
        if (!system) roots << r;
    }
    if (!roots.contains(QStringLiteral("/"))) roots << QStringLiteral("/");
#endif
    return roots;
}

void DriveListBox::setRoots(const QStringList& roots, const QString& homeDirectory) {
    home_ = QDir::cleanPath(homeDirectory);
    QSignalBlocker block(this);
    clear();
    roots_.clear();
    QStringList sorted = roots;
    sorted.removeDuplicates();
    sorted.sort();
    lettered_ = !sorted.isEmpty() && std::all_of(sorted.begin(), sorted.end(), [](const QString& r) { return !driveLetter(r).isEmpty(); });
    if (lettered_) {
        for (const QString& r : sorted) {
            addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), driveLetter(r));
            roots_.push_back(QDir::cleanPath(r.left(2) + '/'));
        }
        const int c = findText(QStringLiteral("c:"));
        setCurrentIndex(c >= 0 ? c : 0);
        return;
    }
    // The volume of the home directory becomes "c:".
    QString homeRoot;
    for (const QString& r : sorted)
        if ((home_ == r || home_.startsWith(r.endsWith('/') ? r : r + '/')) && r.size() > homeRoot.size()) homeRoot = r;
    if (homeRoot.isEmpty()) homeRoot = QStringLiteral("/");
    addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), QStringLiteral("c:"));
    roots_.push_back(homeRoot);
    for (const QString& r : sorted) {
        if (r == homeRoot) continue;
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), r);
        roots_.push_back(r);
    }
    setCurrentIndex(0);
}

QString DriveListBox::drive() const { return currentText(); }

void DriveListBox::setDrive(const QString& d) {
    const int i = findText(d);
    if (i >= 0) setCurrentIndex(i);
}

QString DriveListBox::directoryOf(const QString& d) const {
    if (d == QStringLiteral("c:") && !lettered_) return home_;
    const int i = findText(d);
    return i >= 0 ? roots_[i] : d;
}

QString DriveListBox::driveOf(const QString& path) const {
    const QString p = QDir::cleanPath(path);
    int best = 0;
    qsizetype bestLen = -1;
    for (int i = 0; i < roots_.size(); ++i) {
        const QString& r = roots_[i];
        const Qt::CaseSensitivity cs = lettered_ ? Qt::CaseInsensitive : Qt::CaseSensitive;
        const bool inside = p.compare(r, cs) == 0 || p.startsWith(r.endsWith('/') ? r : r + '/', cs);
        if (inside && r.size() > bestLen) {
            best = i;
            bestLen = r.size();
        }
    }
    return itemText(best);
}

// ---- directories ----

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString before = path_;
        const QString chosen = item->data(Qt::UserRole).toString();
        if (!setPath(chosen)) {
            fill();  // back on the current directory
            emit refused(chosen);
        } else if (path_ == before) {
            emit pathChanged();
        }
    });
}

bool DirListBox::setPath(const QString& dir) {
    const QFileInfo info(dir);
    // Without the right to enter it, its files could be named but not opened.
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    fill();
    if (changed) emit pathChanged();
    return true;
}

void DirListBox::fill() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // Ancestors from the root down to the current directory.
    QStringList parts = path_.split('/', Qt::SkipEmptyParts);
    QString at = QStringLiteral("/");
    auto add = [&](const QString& text, const QString& full, int level, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, QString(level * 2, ' ') + text, this);
        item->setData(Qt::UserRole, full);
        return item;
    };
    QListWidgetItem* current = add(QStringLiteral("/"), at, 0, open);
    int level = 0;
    for (const QString& part : parts) {
        at = QDir::cleanPath(at + '/' + part);
        current = add(part, at, ++level, open);
    }
    setCurrentItem(current);
    // Subdirectories in alphabetical order.
    std::vector<std::string> names;
    const bool insideHidden = std::any_of(parts.cbegin(), parts.cend(), [](const QString& p) { return p.startsWith('.'); });
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot;
    if (insideHidden) filters |= QDir::Hidden;
    const QStringList entries = QDir(path_).entryList(filters);
    for (const QString& e : entries) names.push_back(toUtf8(e));
    sortAlphabetically(names, TextEncoding::Utf8);
    for (const auto& n : names) add(fromUtf8(n), QDir::cleanPath(path_ + '/' + fromUtf8(n)), level + 1, closed);
}

// ---- files ----

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(300);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (held_) changedWhileHeld_ = true;
        else refresh();
    });
}

void FileListBox::setPath(const QString& dir) {
    const QString clean = QDir::cleanPath(dir);
    if (clean != path_) {
        clear();  // a file of the same name elsewhere is another file
        path_ = clean;
        watchPath();
    }
    refresh();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileListBox::refresh() {
    const int selected = selectedRow();
    const QByteArray keep = selected >= 0 ? item(selected)->data(Qt::UserRole).toByteArray() : QByteArray();
    clear();
    if (path_.isEmpty()) return;
    std::vector<std::string> names;
    try {
        names = listFiles(toUtf8(path_), toUtf8(pattern_));
    } catch (const IoError&) {
        return;  // a directory that cannot be listed has no files
    }
    for (const auto& n : names) {
        auto* item = new QListWidgetItem(fileNameText(n), this);
        const QByteArray raw = QByteArray::fromStdString(n);
        item->setData(Qt::UserRole, raw);
        if (!keep.isEmpty() && raw == keep) setCurrentItem(item);
    }
}

void FileListBox::setAutoRefresh(bool on) {
    if (on == (watcher_ != nullptr)) return;
    if (!on) {
        delete watcher_;
        watcher_ = nullptr;
        return;
    }
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
    watchPath();
}

void FileListBox::watchPath() {
    if (!watcher_) return;
    if (!watcher_->directories().isEmpty()) watcher_->removePaths(watcher_->directories());
    if (!path_.isEmpty()) watcher_->addPath(path_);
}

void FileListBox::holdRefresh(bool hold) {
    held_ = hold;
    if (!hold && changedWhileHeld_) {
        changedWhileHeld_ = false;
        refresh();
    }
}

int FileListBox::selectedRow() const {
    const QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? row(item) : -1;
}

QString FileListBox::fileName() const {
    const int row = selectedRow();
    return row >= 0 ? item(row)->text() : QString();
}

std::vector<std::string> FileListBox::rawNames() const {
    std::vector<std::string> out;
    for (int i = 0; i < count(); ++i) out.push_back(item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return out;
}

std::string FileListBox::rawFileName() const {
    const int row = selectedRow();
    return row >= 0 ? item(row)->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

QStringList FileListBox::names() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << item(i)->text();
    return out;
}

}  // namespace kalvimo
