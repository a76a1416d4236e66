#pragma once
// The text of a viewed file, or of the lines a filter keeps: a monospace view with line
// numbers that reads from the file only the rows it shows, so a file of gigabytes costs no
// more than a short one. Matches are highlighted where they are on screen; a selection copies
// Unicode text, and is offered as the primary selection where the window system has one. While
// it follows the end, lines appended to the file come into view as they are read.
#include <QAbstractScrollArea>
#include <cstdint>
#include <string>
#include <vector>

#include "viewer/line_index.h"
#include "viewer/matches.h"

namespace kalvimo {

class LineSet;
class TextDocument;

class TextPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Most text a copy puts on the clipboard.
    static constexpr qsizetype kMostCopied = 16 * 1024 * 1024;

    explicit TextPane(TextDocument* document, QWidget* parent = nullptr);

    // Shows only the lines of rows (a filter's), or every line when null. The set may grow.
    void showOnly(const LineSet* rows);
    // The rows or the document grew or changed.
    void rowsChanged();
    // Texts highlighted wherever they are on screen.
    void setPatterns(Patterns patterns);

    // The line in focus, with the match at column..column + length when length > 0.
    void setCurrent(uint64_t line, size_t column, size_t length);
    bool hasCurrent() const { return hasCurrent_; }
    uint64_t currentLine() const { return current_.line; }
    size_t currentColumn() const { return current_.column; }
    size_t currentLength() const { return current_.length; }
    // Brings the row of line (or the next row after it) into view; a line not read yet is
    // shown once it is.
    void showLine(uint64_t line);
    // Keeps the last row in view as rows are added. A move of the user's up from the end ends
    // it, one down to the end (or End) starts it again.
    void setFollowing(bool on);
    bool following() const { return following_; }

    uint64_t rowCount() const;
    uint64_t topRow() const;
    uint64_t lineOfRow(uint64_t row) const;
    // Where a row is on the viewport, for a click; empty when it is not in view.
    QRect rowRect(uint64_t row) const;

    QString selectedText(bool* partly) const;
    void selectAll();
    void copy();

signals:
    void lineClicked(uint64_t line);
    void message(const QString& text);
    void followingChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Row {
        uint64_t line = 0;
        QString text;  // as shown: control bytes replaced
        std::string bytes;
        bool cut = false;
        uint64_t length = 0;
    };
    struct Spot {
        uint64_t row = 0;
        size_t column = 0;
        bool operator<(const Spot& o) const { return row != o.row ? row < o.row : column < o.column; }
        bool operator==(const Spot&) const = default;
    };
    struct Current {
        uint64_t line = 0;
        size_t column = 0, length = 0;
    };

    uint64_t rowOfLine(uint64_t line) const;
    int pageRows() const;
    int gutterWidth() const;
    const std::vector<Row>& rowsInView();
    std::vector<Row> fetchRows(uint64_t first, size_t count) const;
    void updateRanges();
    void scrollToRow(uint64_t row);
    Spot spotAt(const QPoint& p) const;
    void paintRow(QPainter& p, const Row& row, uint64_t rowNumber, int y);
    void keepPlace();
    void toEnd();
    // After the user moved the view: following when it ends at the last row.
    void userMoved();
    // Offers the selection to the window system's primary selection, where there is one.
    void offerSelection();

    TextDocument* document_;
    const LineSet* rows_ = nullptr;
    Patterns patterns_;
    bool hasCurrent_ = false;
    Current current_;
    bool following_ = false;
    bool pending_ = false;  // showLine waits for its line
    uint64_t pendingLine_ = 0;
    Spot anchor_, cursor_;
    bool selecting_ = false;
    QPoint pressedAt_;
    // The advance of a monospace character is rarely a whole number of pixels: columns are
    // placed by the exact advance, as the text is drawn, so that highlights stay on their text.
    qreal charWidth_ = 8;
    int lineHeight_ = 16, ascent_ = 12;
    qreal columnX(size_t column) const { return static_cast<qreal>(column) * charWidth_; }
    size_t widestSeen_ = 0;
    // The rows last read, kept while the view does not move.
    std::vector<Row> cache_;
    uint64_t cacheFirst_ = UINT64_MAX, cacheLines_ = 0;
    size_t cacheCount_ = 0;
};

}  // namespace kalvimo
