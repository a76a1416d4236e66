#pragma once
// The status line: a label of fixed size whose text, however long, stays inside it. The text
// wraps, anywhere when a word (a long path) is wider than the label, and the last line that
// fits ends in "…" when more would follow; the whole text is the tooltip.
#include <QLabel>
#include <QStringList>

namespace kalvimo {

class StatusLabel : public QLabel {
public:
    using QLabel::QLabel;
    // The lines drawn for text in a box of that size with that font.
    static QStringList shownLines(const QString& text, const QFont& font, const QSize& box);
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kalvimo
