#include "views/text_pane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <array>
#include <climits>
#include <cmath>

#include "platform/cp1251.h"
#include "viewer/line_set.h"
#include "views/text_document.h"

namespace kalvimo {
namespace {

constexpr int kPad = 4;

bool isControl(unsigned char b) { return b < 0x20 || b == 0x7F || b == 0x98; }

// What each byte shows as: its character, a dot for a control byte, an arrow for a tab, so
// that one byte stays one column.
const std::array<char16_t, 256>& shownChars() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            t[b] = b == '\t' ? u'\u2192' : isControl(byte) ? u'\u00B7' : static_cast<char16_t>(cp1251ToUnicode(byte));
        }
        return t;
    }();
    return table;
}

QString shownText(const std::string& bytes) {
    const auto& table = shownChars();
    QString s(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = s.data();
    for (unsigned char b : bytes) *out++ = QChar(table[b]);
    return s;
}

// The text itself, control bytes included, for the clipboard.
QString rawText(std::string_view bytes) {
    QString s(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = s.data();
    for (unsigned char b : bytes) *out++ = QChar(static_cast<char16_t>(cp1251ToUnicode(b)));
    return s;
}

QString cutMark(uint64_t length) {
    if (length == 0) return QStringLiteral(" …");
    return QStringLiteral(" … (%1 байт)").arg(QLocale(QLocale::Russian).toString(static_cast<qulonglong>(length)));
}

int clampToInt(uint64_t v) { return static_cast<int>(std::min<uint64_t>(v, INT_MAX)); }

}  // namespace

TextPane::TextPane(TextDocument* document, QWidget* parent) : QAbstractScrollArea(parent), document_(document) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    const QFontMetricsF fm(font);
    charWidth_ = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = std::max(1, static_cast<int>(std::ceil(fm.height())));
    ascent_ = static_cast<int>(std::round(fm.ascent()));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    // A drag of the bar or a turn of the wheel; the keys are the pane's own.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] {
        setFollowing(verticalScrollBar()->sliderPosition() >= verticalScrollBar()->maximum());
    });

    connect(document_, &TextDocument::reloading, this, &TextPane::keepPlace);
    connect(document_, &TextDocument::reloaded, this, [this] {
        cacheFirst_ = UINT64_MAX;
        anchor_ = cursor_ = {};
        rowsChanged();
    });
    connect(document_, &TextDocument::linesAdded, this, &TextPane::rowsChanged);
    connect(document_, &TextDocument::indexFinished, this, &TextPane::rowsChanged);
    updateRanges();
}

void TextPane::showOnly(const LineSet* rows) {
    rows_ = rows;
    cacheFirst_ = UINT64_MAX;
    anchor_ = cursor_ = {};
    verticalScrollBar()->setValue(0);
    rowsChanged();
}

void TextPane::rowsChanged() {
    updateRanges();
    if (following_) toEnd();
    else if (pending_) showLine(pendingLine_);
    viewport()->update();
}

void TextPane::toEnd() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

void TextPane::setFollowing(bool on) {
    if (on) {
        pending_ = false;
        toEnd();
    }
    if (on == following_) return;
    following_ = on;
    emit followingChanged(on);
}

void TextPane::userMoved() {
    QScrollBar* v = verticalScrollBar();
    setFollowing(v->value() >= v->maximum());
}

void TextPane::setPatterns(Patterns patterns) {
    patterns_ = std::move(patterns);
    viewport()->update();
}

uint64_t TextPane::topRow() const { return static_cast<uint64_t>(verticalScrollBar()->value()); }
uint64_t TextPane::rowCount() const { return rows_ ? rows_->size() : document_->lines(); }
uint64_t TextPane::lineOfRow(uint64_t row) const { return rows_ ? rows_->at(row) : row; }
uint64_t TextPane::rowOfLine(uint64_t line) const { return rows_ ? rows_->lowerBound(line) : line; }
int TextPane::pageRows() const { return std::max(1, viewport()->height() / lineHeight_); }

int TextPane::gutterWidth() const {
    const uint64_t last = std::max<uint64_t>(document_->lines(), 1);
    const int digits = std::max(4, static_cast<int>(QString::number(last).size()));
    return static_cast<int>(std::ceil(columnX(static_cast<size_t>(digits) + 1))) + kPad;
}

QRect TextPane::rowRect(uint64_t row) const {
    const uint64_t top = topRow();
    if (row < top || row >= top + static_cast<uint64_t>(pageRows()) || row >= rowCount()) return {};
    return QRect(0, static_cast<int>(row - top) * lineHeight_, viewport()->width(), lineHeight_);
}

void TextPane::updateRanges() {
    const uint64_t rows = rowCount();
    const auto page = static_cast<uint64_t>(pageRows());
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, clampToInt(rows > page ? rows - page : 0));
    v->setPageStep(static_cast<int>(page));
    QScrollBar* h = horizontalScrollBar();
    const int textWidth = viewport()->width() - gutterWidth() - kPad;
    const int wanted = static_cast<int>(std::ceil(columnX(widestSeen_ + 1)));
    h->setRange(0, std::max(0, wanted - textWidth));
    h->setPageStep(std::max(1, textWidth));
    h->setSingleStep(static_cast<int>(columnX(4)));
}

void TextPane::scrollToRow(uint64_t row) { verticalScrollBar()->setValue(clampToInt(row)); }

void TextPane::showLine(uint64_t line) {
    pending_ = false;
    const uint64_t rows = rowCount();
    if (!rows_ && line >= rows && !document_->indexComplete()) {
        pending_ = true;
        pendingLine_ = line;
    }
    if (rows == 0) return;
    const uint64_t row = std::min(rowOfLine(line), rows - 1);
    const uint64_t top = topRow();
    const auto page = static_cast<uint64_t>(pageRows());
    if (row >= top && row < top + page) return;
    scrollToRow(row > page / 3 ? row - page / 3 : 0);
}

void TextPane::keepPlace() {
    // The file is read again: the lines in view stay in view once they are there again, or
    // the end of the file when it has fewer; a followed end stays followed.
    if (!rows_ && !pending_ && !following_ && rowCount() > 0) {
        pending_ = true;
        pendingLine_ = lineOfRow(topRow()) + static_cast<uint64_t>(pageRows() / 3);
    }
}

void TextPane::setCurrent(uint64_t line, size_t column, size_t length) {
    setFollowing(false);  // the line asked for stays in view
    hasCurrent_ = true;
    current_ = {line, column, length};
    showLine(line);
    QScrollBar* h = horizontalScrollBar();
    const int textWidth = viewport()->width() - gutterWidth() - kPad;
    const int from = static_cast<int>(columnX(column));
    const int to = static_cast<int>(columnX(column + length));
    if (length == 0 || from < h->value() || to > h->value() + textWidth) h->setValue(length ? from - textWidth / 3 : 0);
    viewport()->update();
}

std::vector<TextPane::Row> TextPane::fetchRows(uint64_t first, size_t count) const {
    std::vector<ShownLine> lines;
    if (!rows_) {
        lines = document_->readLines(first, count);
    } else {
        for (uint64_t r = first; r < rows_->size() && r < first + count; ++r) {
            std::vector<ShownLine> one = document_->readLines(rows_->at(r), 1);
            if (one.empty()) break;
            lines.push_back(std::move(one.front()));
        }
    }
    std::vector<Row> rows;
    rows.reserve(lines.size());
    for (ShownLine& l : lines) {
        Row r;
        r.line = l.line;
        r.text = shownText(l.bytes);
        r.bytes = std::move(l.bytes);
        r.cut = l.cut;
        r.length = l.length;
        rows.push_back(std::move(r));
    }
    return rows;
}

const std::vector<TextPane::Row>& TextPane::rowsInView() {
    const uint64_t first = topRow();
    const size_t count = static_cast<size_t>(pageRows()) + 1;
    if (first != cacheFirst_ || count != cacheCount_ || rowCount() != cacheLines_) {
        cache_ = fetchRows(first, count);
        cacheFirst_ = first;
        cacheCount_ = count;
        cacheLines_ = rowCount();
        size_t widest = widestSeen_;
        for (const Row& r : cache_)
            widest = std::max(widest, static_cast<size_t>(r.text.size() + (r.cut ? cutMark(r.length).size() : 0)));
        if (widest != widestSeen_) {
            widestSeen_ = widest;
            updateRanges();
        }
    }
    return cache_;
}

void TextPane::paintRow(QPainter& p, const Row& row, uint64_t rowNumber, int y) {
    const qreal x0 = gutterWidth() + kPad - horizontalScrollBar()->value();
    auto cells = [&](size_t from, size_t to, const QColor& color) {
        if (to > from)
            p.fillRect(QRectF(x0 + columnX(from), y, columnX(to - from), lineHeight_), color);
    };
    if (hasCurrent_ && row.line == current_.line) p.fillRect(0, y, viewport()->width(), lineHeight_, QColor(226, 238, 255));
    for (size_t i = 0; i < row.bytes.size(); ++i)
        if (isControl(static_cast<unsigned char>(row.bytes[i]))) cells(i, i + 1, QColor(215, 215, 215));
    for (const Match& m : patterns_.in(row.bytes)) cells(m.at, m.at + m.size, QColor(255, 232, 110));
    if (hasCurrent_ && row.line == current_.line && current_.length > 0)
        cells(current_.column, current_.column + current_.length, QColor(255, 150, 50));
    if (anchor_ != cursor_) {
        const Spot s = std::min(anchor_, cursor_), e = std::max(anchor_, cursor_);
        if (rowNumber >= s.row && rowNumber <= e.row) {
            QColor sel = palette().color(QPalette::Highlight);
            sel.setAlpha(90);
            const size_t end = static_cast<size_t>(row.text.size()) + 1;
            cells(rowNumber == s.row ? std::min(s.column, end) : 0, rowNumber == e.row ? std::min(e.column, end) : end, sel);
        }
    }
    // Only the columns in view are drawn: a line of thousands of bytes costs a screen width.
    const auto firstColumn = static_cast<qsizetype>(horizontalScrollBar()->value() / charWidth_);
    const auto columns = static_cast<qsizetype>(viewport()->width() / charWidth_) + 2;
    const int baseline = y + ascent_;
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QPointF(x0 + columnX(static_cast<size_t>(firstColumn)), baseline), row.text.mid(firstColumn, columns));
    if (row.cut) {
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(QPointF(x0 + columnX(static_cast<size_t>(row.text.size())), baseline), cutMark(row.length));
    }
}

void TextPane::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().color(QPalette::Base));
    const std::vector<Row>& rows = rowsInView();
    const uint64_t top = topRow();
    const int gutter = gutterWidth();
    p.save();
    p.setClipRect(gutter, 0, viewport()->width() - gutter, viewport()->height());
    for (size_t i = 0; i < rows.size(); ++i) paintRow(p, rows[i], top + i, static_cast<int>(i) * lineHeight_);
    p.restore();
    p.fillRect(0, 0, gutter, viewport()->height(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::PlaceholderText));
    for (size_t i = 0; i < rows.size(); ++i)
        p.drawText(QRect(0, static_cast<int>(i) * lineHeight_, gutter - kPad, lineHeight_), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(rows[i].line + 1));
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(gutter - 1, 0, gutter - 1, viewport()->height());
}

void TextPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateRanges();
}

void TextPane::scrollContentsBy(int, int) {
    if (!rows_) document_->noteShownUpTo(topRow() + static_cast<uint64_t>(pageRows()));
    viewport()->update();
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    pending_ = false;  // the user moves: a line still awaited no longer pulls the view
    switch (event->key()) {
        case Qt::Key_Up: v->setValue(v->value() - 1); break;
        case Qt::Key_Down: v->setValue(v->value() + 1); break;
        case Qt::Key_PageUp: v->setValue(v->value() - v->pageStep()); break;
        case Qt::Key_PageDown: v->setValue(v->value() + v->pageStep()); break;
        case Qt::Key_Home:
            v->setValue(0);
            h->setValue(0);
            break;
        case Qt::Key_End: setFollowing(true); return;
        case Qt::Key_Left: h->setValue(h->value() - h->singleStep()); return;
        case Qt::Key_Right: h->setValue(h->value() + h->singleStep()); return;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    userMoved();
}

TextPane::Spot TextPane::spotAt(const QPoint& at) const {
    Spot s;
    const uint64_t rows = rowCount();
    s.row = topRow() + static_cast<uint64_t>(std::max(0, at.y()) / lineHeight_);
    if (rows > 0 && s.row >= rows) s.row = rows - 1;
    const qreal x = at.x() - gutterWidth() - kPad + horizontalScrollBar()->value() + charWidth_ / 2;
    s.column = static_cast<size_t>(std::max<qreal>(0, x) / charWidth_);
    return s;
}

void TextPane::wheelEvent(QWheelEvent* event) {
    pending_ = false;
    QAbstractScrollArea::wheelEvent(event);
}

void TextPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    const Spot s = spotAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = s;
    cursor_ = s;
    selecting_ = true;
    pressedAt_ = event->position().toPoint();
    viewport()->update();
}

void TextPane::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_) return;
    const QPoint at = event->position().toPoint();
    // Dragging past an edge scrolls a row at a time.
    if (at.y() < 0) verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (at.y() >= viewport()->height()) verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    cursor_ = spotAt(at);
    viewport()->update();
}

void TextPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !selecting_) return QAbstractScrollArea::mouseReleaseEvent(event);
    selecting_ = false;
    const bool click = (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance() &&
                       !(event->modifiers() & Qt::ShiftModifier);
    if (click) {
        anchor_ = cursor_;
        viewport()->update();
        if (cursor_.row < rowCount()) emit lineClicked(lineOfRow(cursor_.row));
    } else {
        offerSelection();
    }
}

QString TextPane::selectedText(bool* partly) const {
    *partly = false;
    if (anchor_ == cursor_) return {};
    const Spot s = std::min(anchor_, cursor_), e = std::max(anchor_, cursor_);
    QString out;
    constexpr size_t kRowsAtOnce = 1000;
    for (uint64_t r = s.row; r <= e.row && r < rowCount();) {
        const std::vector<Row> rows = fetchRows(r, static_cast<size_t>(std::min<uint64_t>(kRowsAtOnce, e.row - r + 1)));
        if (rows.empty()) break;
        for (const Row& row : rows) {
            const size_t from = std::min(r == s.row ? s.column : 0, row.bytes.size());
            const size_t to = std::min(r == e.row ? e.column : row.bytes.size(), row.bytes.size());
            if (to > from) out += rawText(std::string_view(row.bytes).substr(from, to - from));
            if (row.cut && to == row.bytes.size()) *partly = true;
            if (r != e.row) out += QLatin1Char('\n');
            ++r;
            if (out.size() > kMostCopied) {
                out.truncate(kMostCopied);
                *partly = true;
                return out;
            }
        }
    }
    return out;
}

void TextPane::selectAll() {
    if (rowCount() == 0) return;
    anchor_ = {};
    cursor_ = {rowCount() - 1, SIZE_MAX};
    viewport()->update();
    offerSelection();
}

void TextPane::offerSelection() {
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard->supportsSelection()) return;
    bool partly = false;
    const QString text = selectedText(&partly);
    if (!text.isEmpty()) clipboard->setText(text, QClipboard::Selection);
}

void TextPane::copy() {
    bool partly = false;
    const QString text = selectedText(&partly);
    if (text.isEmpty()) return;
    QApplication::clipboard()->setText(text);
    if (partly) emit message(QStringLiteral("Скопирована часть выделения: длинные строки и выделение больше 16 МБ копируются не целиком"));
}

}  // namespace kalvimo
