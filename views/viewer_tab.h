#pragma once
// One file in the viewer: its text, the find and filter fields with their background scans,
// the pane of lines the filter keeps, going to a line, following the end of a growing file, and
// the state of the file.
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "viewer/line_search.h"
#include "viewer/matches.h"

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
    // Keeps the end of the file in view as lines are appended to it.
    void follow();
    void say(const QString& text);  // a note under the text

    bool searching() const { return search_.running(); }
    // The searches behind the count and the filter pane.
    const LineSearch& search() const { return search_; }
    const LineSearch& filter() const { return filter_; }

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
    QCheckBox* followEnd;   // "followEnd": the text pane follows the end of the file

signals:
    void searchFinished();  // found every match there is
    void filterFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildBar();
    QWidget* buildPanes();
    QLayout* buildStatusLine();
    void connectFields();
    void startSearch();
    void startFilter();
    // What the searches found since they last said.
    void searchTaken();
    void filterTaken();
    void searchGrew(bool done);
    void filterGrew(bool done);
    void step(bool forward);
    // The patterns of a typed text (its parts between "|" when alternatives); false, with a
    // word in where, when the text cannot be in a Windows-1251 file.
    bool patternFor(const QString& text, bool alternatives, Patterns& out, QLabel* where);
    void goTo();
    void showState();
    void jumpToMatchIn(uint64_t line, bool first);

    TextDocument* document_;
    QStackedWidget* stack_;
    QSplitter* split_;
    QWidget* filterBox_;
    TextPane* lastPane_;
    QTimer searchDelay_, filterDelay_;
    LineSearch search_, filter_;
    Patterns searchPattern_;
    bool jumpPending_ = false;  // the first match from here on is shown when found
    uint64_t jumpFrom_ = 0;
};

}  // namespace kalvimo
