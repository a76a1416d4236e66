#pragma once
// The status line: a label of fixed size whose text, however long, stays inside it. The text
// wraps, anywhere when a word (a long path) is wider than the label, and the last line that
// fits ends in "…" when more would follow; the whole text is the tooltip. A click on it is told,
// for a window that has more to show about what it says.
#include <QLabel>
#include <QStringList>

namespace kalvimo {

class StatusLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The lines drawn for text in a box of that size with that font.
    static QStringList shownLines(const QString& text, const QFont& font, const QSize& box);
    int heightForWidth(int width) const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kalvimo
