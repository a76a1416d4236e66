#pragma once
// A file open in the viewer: the file itself, its line index built in the background, and a
// watch on it that reloads it when a run rewrites it and notes when it is deleted.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/line_index.h"
#include "platform/viewed_file.h"
#include "views/background_job.h"

class QFileSystemWatcher;

namespace kalvimo {

// A path as the file system holds it, in a QString and back: bytes that are not UTF-8 travel as
// U+DC80..U+DCFF, so that a file whose name came from another system still opens.
QString pathFromBytes(const std::string& bytes);
std::string pathToBytes(const QString& path);
// Such a path as a person reads it: a name copied from Windows shows in Windows-1251.
QString pathForDisplay(const QString& path);

class TextDocument : public QObject {
    Q_OBJECT
public:
    // Bytes of a line shown before it is cut.
    static constexpr size_t kShownWidth = 4096;

    explicit TextDocument(const QString& path, QObject* parent = nullptr);
    ~TextDocument() override;

    const QString& path() const { return path_; }
    // Why the file cannot be shown, in Russian; empty when it can.
    const QString& problem() const { return problem_; }
    uint64_t lines() const { return index_.lines(); }
    bool indexComplete() const { return index_.complete(); }
    int indexPercent() const;
    uint64_t size() const { return file_ ? file_->stamp().size : 0; }
    size_t memoryBytes() const { return index_.memoryBytes(); }
    // The open file, for background scans; null while there is none.
    std::shared_ptr<const ViewedFile> file() const { return file_; }

    // Lines from first on, cut to kShownWidth.
    std::vector<ShownLine> readLines(uint64_t first, size_t count);
    // Where the views stand, so that a reload indexes at once as far as they show.
    void noteShownUpTo(uint64_t line) { shownUpTo_ = line; }
    // Looks at the file now rather than at the watcher's next signal.
    void checkFile();
    // Called on the indexing thread right before it sends its last batch; for tests.
    static inline std::function<void()> beforeLastIndexBatch;

signals:
    void reloading();  // before the content goes: the views keep their place
    void reloaded();   // opened again, or found gone
    void linesAdded();
    void indexFinished();

private:
    void open();
    void index(LineIndexBuilder builder);
    void indexed(uint64_t generation, const std::vector<LineMark>& marks, const LineCount& count, bool done,
                 const QString& error);
    void fail(const QString& problem);
    void watch();

    QString path_;
    std::string pathBytes_;
    QString problem_;
    std::shared_ptr<ViewedFile> file_;
    LineIndex index_;
    FileStamp seen_;  // the file as last opened, or found missing
    bool opened_ = false;
    uint64_t generation_ = 0;
    uint64_t shownUpTo_ = 0;
    BackgroundJob job_;
    QFileSystemWatcher* watcher_;
    QTimer settle_;
};

}  // namespace kalvimo
