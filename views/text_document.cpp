#include "views/text_document.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <algorithm>

#include "platform/cp1251.h"
#include "platform/io_error.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {

QString pathFromBytes(const std::string& bytes) {
    const std::u32string points = decodeUtf8(bytes);
    return QDir::fromNativeSeparators(QString::fromUcs4(points.data(), static_cast<qsizetype>(points.size())));
}

std::string pathToBytes(const QString& path) {
    std::string out;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(u, path[++i].unicode()));
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u - 0xDC00);
        } else {
            appendUtf8(out, u);
        }
    }
#ifdef Q_OS_WIN
    std::replace(out.begin(), out.end(), '/', '\\');  // a Windows path as its status texts show it
#endif
    return out;
}

QString pathForDisplay(const QString& path) { return fileNameText(pathToBytes(path)); }

TextDocument::TextDocument(const QString& path, QObject* parent)
    : QObject(parent),
      path_(QFileInfo(path).absoluteFilePath()),
      model_(pathToBytes(path_), [this] { QMetaObject::invokeMethod(this, &TextDocument::takeIndexed, Qt::QueuedConnection); }),
      watcher_(new QFileSystemWatcher(this)) {
    // Runs write in bursts: look at the file once the writing has paused a little, at the
    // latest a third of a second after the first change.
    settle_.setSingleShot(true);
    settle_.setInterval(300);
    connect(&settle_, &QTimer::timeout, this, &TextDocument::checkFile);
    auto changed = [this] {
        if (!settle_.isActive()) settle_.start();
    };
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    // Where the system tells of no change (a network share), a look twice a second still
    // brings appended lines in time; one look is a stat of the file.
    poll_.setInterval(500);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (!settle_.isActive()) checkFile();
    });
    poll_.start();
    model_.open();
    problem_ = fromUtf8(model_.problem());
    watch();
}

TextDocument::~TextDocument() = default;

void TextDocument::watch() {
    const QString dir = QFileInfo(path_).absolutePath();
    if (!watcher_->directories().contains(dir)) watcher_->addPath(dir);
    if (!watcher_->files().contains(path_) && QFileInfo(path_).isReadable()) watcher_->addPath(path_);
}

void TextDocument::takeIndexed() {
    const ViewerDocument::Indexed got = model_.takeIndexed();
    if (!got.error.empty()) return fail(fromUtf8(got.error));
    if (got.added) emit linesAdded();
    if (got.finished) emit indexFinished();
}

std::vector<ShownLine> TextDocument::readLines(uint64_t first, size_t count) {
    try {
        return model_.readLines(first, count);
    } catch (const IoError& e) {
        // Not from inside a paint: the views repaint when told.
        QMetaObject::invokeMethod(
            this, [this, file = model_.file(), text = fromUtf8(e.message())] {
                if (file == model_.file()) fail(text);
            }, Qt::QueuedConnection);
        return {};
    }
}

std::vector<Match> TextDocument::matchesIn(uint64_t line, const Patterns& patterns) {
    const std::vector<ShownLine> shown = readLines(line, 1);
    return shown.empty() ? std::vector<Match>{} : patterns.in(shown.front().bytes);
}

void TextDocument::fail(const QString& problem) {
    emit reloading();
    model_.fail(toUtf8(problem));
    problem_ = problem;
    emit reloaded();
}

void TextDocument::reload() {
    emit reloading();
    model_.open();
    problem_ = fromUtf8(model_.problem());
    emit reloaded();
    if (model_.indexComplete()) emit indexFinished();
}

void TextDocument::checkFile() {
    const FileChange change = model_.look();
    watch();
    switch (change) {
    case FileChange::None: return;
    case FileChange::Gone: return fail(QStringLiteral("Файл удалён"));
    case FileChange::Grown:
        model_.grow();
        if (!model_.isOpen()) {  // it could not be read
            problem_ = fromUtf8(model_.problem());
            emit reloading();
            emit reloaded();
            return;
        }
        emit grown();
        return;
    case FileChange::Shrunk:
    case FileChange::Rewritten:
    case FileChange::Replaced: return reload();
    }
}

}  // namespace kalvimo
