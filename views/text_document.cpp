#include "views/text_document.h"

#include <QDir>
#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include "platform/cp1251.h"
#include "platform/io_block.h"
#include "platform/io_error.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {
namespace {

// Indexed before the first screen: at least this much, and up to where the views stood, but
// never more than the second figure, so that the window stays quick.
constexpr uint64_t kFirstBytes = 1024 * 1024;
constexpr uint64_t kMostBytesAtOnce = 16 * 1024 * 1024;

}  // namespace

QString pathFromBytes(const std::string& bytes) {
    QString out;
    for (char32_t cp : decodeUtf8(bytes)) {
        if (cp < 0x10000) {
            out += QChar(static_cast<char16_t>(cp));
        } else {
            out += QChar(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out += QChar(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return QDir::fromNativeSeparators(out);
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
      pathBytes_(pathToBytes(path_)),
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
    open();
}

TextDocument::~TextDocument() { job_.stop(); }

int TextDocument::indexPercent() const {
    if (index_.complete() || size() == 0) return 100;
    return static_cast<int>(std::min<uint64_t>(99, index_.count().bytes * 100 / size()));
}

void TextDocument::watch() {
    const QString dir = QFileInfo(path_).absolutePath();
    if (!watcher_->directories().contains(dir)) watcher_->addPath(dir);
    if (!watcher_->files().contains(path_) && QFileInfo(path_).isReadable()) watcher_->addPath(path_);
}

void TextDocument::open() {
    job_.stop();
    ++generation_;
    index_.clear();
    file_.reset();
    problem_.clear();
    seen_ = stampOf(pathBytes_);
    auto file = std::make_shared<ViewedFile>();
    const std::string failure = file->open(pathBytes_);
    watch();
    if (!failure.empty()) {
        problem_ = fromUtf8(failure);
        return;
    }
    file_ = std::move(file);
    opened_ = true;
    seen_ = file_->stamp();
    // The beginning (or as far as the views stood) at once, the rest in the background.
    LineIndexBuilder builder;
    std::string buf(kIoBlock, '\0');
    try {
        for (uint64_t at = 0; at < kMostBytesAtOnce;) {
            const size_t n = file_->readAt(at, buf.data(), kIoBlock);
            if (n == 0) {
                index_.add(builder.takeMarks(), builder.count(), true);
                return;
            }
            builder.feed(buf.data(), n);
            at += n;
            if (at >= kFirstBytes && builder.count().breaks > shownUpTo_) break;
        }
    } catch (const IoError& e) {
        fail(fromUtf8(e.message()));
        return;
    }
    index_.add(builder.takeMarks(), builder.count(), false);
    index(std::move(builder));
}

void TextDocument::index(LineIndexBuilder builder) {
    const uint64_t generation = generation_;
    job_.start([this, generation, file = file_, builder = std::move(builder)](const std::atomic<bool>& cancel) mutable {
        auto post = [&](bool done, const QString& error) {
            QMetaObject::invokeMethod(
                this, [this, generation, marks = builder.takeMarks(), count = builder.count(), done, error] {
                    indexed(generation, marks, count, done, error);
                }, Qt::QueuedConnection);
        };
        std::string buf(kIoBlock, '\0');
        BatchClock clock;
        try {
            for (uint64_t at = builder.count().bytes;;) {
                if (cancel.load(std::memory_order_relaxed)) return;
                const size_t n = file->readAt(at, buf.data(), kIoBlock);
                if (n == 0) break;
                builder.feed(buf.data(), n);
                at += n;
                if (clock.due()) post(false, {});
            }
            if (beforeLastIndexBatch) beforeLastIndexBatch();
            post(true, {});
        } catch (const IoError& e) {
            post(true, fromUtf8(e.message()));
        }
    });
}

void TextDocument::indexed(uint64_t generation, const std::vector<LineMark>& marks, const LineCount& count, bool done,
                           const QString& error) {
    if (generation != generation_) return;  // from before a reload
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    index_.add(marks, count, done);
    emit linesAdded();
    if (done) emit indexFinished();
}

std::vector<ShownLine> TextDocument::readLines(uint64_t first, size_t count) {
    if (!file_) return {};
    try {
        return index_.readLines(*file_, first, count, kShownWidth);
    } catch (const IoError& e) {
        // Not from inside a paint: the views repaint when told.
        QMetaObject::invokeMethod(
            this, [this, generation = generation_, text = fromUtf8(e.message())] {
                if (generation == generation_) fail(text);
            }, Qt::QueuedConnection);
        return {};
    }
}

void TextDocument::fail(const QString& problem) {
    emit reloading();
    job_.stop();
    ++generation_;
    file_.reset();
    index_.clear();
    problem_ = problem;
    emit reloaded();
}

void TextDocument::checkFile() {
    const FileStamp now = stampOf(pathBytes_);
    watch();
    if (now == seen_) return;
    if (!now.exists && opened_) {
        seen_ = now;
        fail(QStringLiteral("Файл удалён"));
        return;
    }
    emit reloading();
    open();
    emit reloaded();
    if (index_.complete()) emit indexFinished();
}

}  // namespace kalvimo
