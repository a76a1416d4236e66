#pragma once
// A file open in the viewer, for the widgets: the document of the model, with a watch on the
// file that looks at it when a run writes it, and signals for what changed.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewer/document.h"
#include "viewer/matches.h"

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
    static constexpr size_t kShownWidth = ViewerDocument::kShownWidth;

    explicit TextDocument(const QString& path, QObject* parent = nullptr);
    ~TextDocument() override;

    const QString& path() const { return path_; }
    // Why the file cannot be shown, in Russian; empty when it can.
    const QString& problem() const { return problem_; }
    uint64_t lines() const { return model_.lines(); }
    bool indexComplete() const { return model_.indexComplete(); }
    int indexPercent() const { return model_.indexPercent(); }
    uint64_t size() const { return model_.size(); }
    size_t memoryBytes() const { return model_.memoryBytes(); }
    const ViewerDocument& model() const { return model_; }
    // The open file, for background scans; null while there is none.
    std::shared_ptr<const ViewedFile> file() const { return model_.file(); }

    // Lines from first on, cut to kShownWidth.
    std::vector<ShownLine> readLines(uint64_t first, size_t count);
    // Where patterns match in the shown part of line.
    std::vector<Match> matchesIn(uint64_t line, const Patterns& patterns);
    // Where the views stand, so that a reload indexes at once as far as they show.
    void noteShownUpTo(uint64_t line) { model_.noteShownUpTo(line); }
    // Looks at the file now rather than at the watcher's next signal.
    void checkFile();

signals:
    void reloading();  // before the content goes: the views keep their place
    void reloaded();   // opened again, or found gone
    void grown();      // lines were appended: they are being indexed
    void linesAdded();
    void indexFinished();

private:
    void takeIndexed();
    void fail(const QString& problem);
    void reload();
    void watch();

    QString path_;
    QString problem_;
    ViewerDocument model_;
    QFileSystemWatcher* watcher_;
    QTimer settle_;
    QTimer poll_;
};

}  // namespace kalvimo
