#include "platform/qt/status_label.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

namespace kalvimo {

QStringList StatusLabel::shownLines(const QString& text, const QFont& font, const QSize& box) {
    const QFontMetrics metrics(font);
    const int width = std::max(1, box.width());
    const int fitting = std::max(1, box.height() / std::max(1, metrics.lineSpacing()));
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() + 1 == fitting) {
            // The last line that fits takes the rest, cut with "…" when it is too wide.
            lines << metrics.elidedText(text.mid(line.textStart()).trimmed(), Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

int StatusLabel::heightForWidth(int width) const {
    const QRect inside = contentsRect();
    const int h = static_cast<int>(shownLines(text(), font(), QSize(width - (this->width() - inside.width()),
                                                                 inside.height())).size());
    return h * QFontMetrics(font()).lineSpacing() + (height() - inside.height());
}

void StatusLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    const QRect inside = contentsRect();
    const QFontMetrics metrics(font());
    int y = inside.top();
    for (const QString& line : shownLines(text(), font(), inside.size())) {
        painter.drawText(QRect(inside.left(), y, inside.width(), metrics.lineSpacing()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
}

void StatusLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace kalvimo
