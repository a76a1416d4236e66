#pragma once
// One file in the viewer: its text, the find and filter fields with their background scans,
// the pane of lines the filter keeps, going to a line, and the state of the file.
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "platform/line_set.h"
#include "platform/text_scan.h"
#include "views/background_job.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSplitter;
class QStackedWidget;

namespace kalvimo {

class TextDocument;
class TextPane;

class ViewerTab : public QWidget {
    Q_OBJECT
public:
    explicit ViewerTab(const QString& path, QWidget* parent = nullptr);
    ~ViewerTab() override;

    TextDocument* document() const { return document_; }
    QString path() const;

    void focusFind();
    void focusFilter();
    void focusGoTo();
    void findNext() { step(true); }
    void findPrevious() { step(false); }
    // Copies the selection of the pane that last had the focus.
    void copy();
    void selectAll();
    void setFilter(const QString& text);
    void say(const QString& text);  // a note under the text

    bool searching() const { return searching_; }
    bool filtering() const { return filtering_; }

    QLineEdit* findText;    // "findText"
    QCheckBox* matchCase;   // "matchCase"
    QLabel* findCount;      // "findCount"
    QLineEdit* filterText;  // "filterText"
    QLabel* filterCount;    // "filterCount"
    QLineEdit* goToLine;    // "goToLine"
    TextPane* text;         // "textPane"
    TextPane* filtered;     // "filterPane"
    QLabel* problem;        // "viewerProblem": why the file cannot be shown
    QProgressBar* progress; // "indexProgress"
    QLabel* status;         // "viewerStatus": lines and size
    QLabel* note;           // "viewerNote"

signals:
    void searchFinished();  // found every match there is
    void filterFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Scan {
        BackgroundJob job;
        uint64_t generation = 0;
        LineSet lines;
        ScanTotals totals;
    };
    QWidget* buildBar();
    void startSearch();
    void startFilter();
    // Starts a scan of the whole file; results come back in batches to found().
    void runScan(Scan& scan, std::vector<TextPattern> patterns, bool countOccurrences);
    void found(Scan& scan, uint64_t generation, const std::vector<uint64_t>& lines, const ScanTotals& totals, bool done,
               const QString& error);
    void searchGrew(bool done);
    void filterGrew(bool done);
    void step(bool forward);
    // The patterns of a typed text (its parts between "|" when alternatives); false, with a
    // word in where, when the text cannot be in a Windows-1251 file.
    bool patternFor(const QString& text, bool alternatives, std::vector<TextPattern>& out, QLabel* where);
    void goTo();
    void showState();
    void jumpToMatchIn(uint64_t line, bool first);

    TextDocument* document_;
    QStackedWidget* stack_;
    QSplitter* split_;
    QWidget* filterBox_;
    TextPane* lastPane_;
    QTimer searchDelay_, filterDelay_;
    Scan search_, filter_;
    std::vector<TextPattern> searchPattern_;
    bool searching_ = false, filtering_ = false;
    bool jumpPending_ = false;  // the first match from here on is shown when found
    uint64_t jumpFrom_ = 0;
};

}  // namespace kalvimo
