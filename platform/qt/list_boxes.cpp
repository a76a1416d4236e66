#include "list_boxes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>
#include <string>
#include <vector>

#include "collate.h"
#include "files.h"
#include "io_error.h"
#include "qt_text.h"

namespace kalvimo {

// ---- drives ----

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

void DriveListBox::setRoots(const QStringList& roots, const QString& homeDirectory) {
    home_ = QDir::cleanPath(homeDirectory);
    QSignalBlocker block(this);
    clear();
    roots_.clear();
    QStringList sorted = roots;
    sorted.removeDuplicates();
    sorted.sort();
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
    if (d == QStringLiteral("c:")) return home_;
    const int i = findText(d);
    return i >= 0 ? roots_[i] : d;
}

QString DriveListBox::driveOf(const QString& path) const {
    const QString p = QDir::cleanPath(path);
    int best = 0;
    qsizetype bestLen = -1;
    for (int i = 0; i < roots_.size(); ++i) {
        const QString& r = roots_[i];
        const bool inside = p == r || p.startsWith(r.endsWith('/') ? r : r + '/');
        if (inside && r.size() > bestLen) {
            best = i;
            bestLen = r.size();
        }
    }
    return itemText(best);
}

// ---- directories ----

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(Qt::UserRole).toString()); });
}

bool DirListBox::setPath(const QString& dir) {
    const QFileInfo info(dir);
    if (!info.isDir() || !info.isReadable()) return false;
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
    const QStringList entries = QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& e : entries) names.push_back(toUtf8(e));
    sortAlphabetically(names, TextEncoding::Utf8);
    for (const auto& n : names) add(fromUtf8(n), QDir::cleanPath(path_ + '/' + fromUtf8(n)), level + 1, closed);
}

// ---- files ----

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

void FileListBox::setPath(const QString& dir) {
    path_ = QDir::cleanPath(dir);
    refresh();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileListBox::refresh() {
    clear();
    if (path_.isEmpty()) return;
    std::vector<std::string> names;
    try {
        names = listFiles(toUtf8(path_), toUtf8(pattern_));
    } catch (const IoError&) {
        return;  // a directory that cannot be listed has no files
    }
    for (const auto& n : names) {
        auto* item = new QListWidgetItem(fromUtf8(n), this);
        item->setData(Qt::UserRole, QByteArray::fromStdString(n));
    }
}

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item && currentRow() >= 0 ? item->text() : QString();
}

std::vector<std::string> FileListBox::rawNames() const {
    std::vector<std::string> out;
    for (int i = 0; i < count(); ++i) out.push_back(item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return out;
}

std::string FileListBox::rawFileName() const {
    const QListWidgetItem* item = currentItem();
    return item && currentRow() >= 0 ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

QStringList FileListBox::names() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << item(i)->text();
    return out;
}

}  // namespace kalvimo
