#include "views/viewer_tab.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/cp1251.h"
#include "platform/qt/qt_text.h"
#include "views/text_document.h"
#include "views/text_pane.h"

namespace kalvimo {
namespace {

QString number(uint64_t n) { return QLocale(QLocale::Russian).toString(static_cast<qulonglong>(n)); }

QString sizeText(uint64_t bytes) {
    const QLocale ru(QLocale::Russian);
    if (bytes < 1024) return QStringLiteral("%1 байт").arg(bytes);
    if (bytes < 1024 * 1024) return ru.toString(static_cast<double>(bytes) / 1024, 'f', 1) + QStringLiteral(" КБ");
    if (bytes < uint64_t{1024} * 1024 * 1024)
        return ru.toString(static_cast<double>(bytes) / (1024 * 1024), 'f', 1) + QStringLiteral(" МБ");
    return ru.toString(static_cast<double>(bytes) / (1024 * 1024 * 1024), 'f', 2) + QStringLiteral(" ГБ");
}

QLabel* caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

}  // namespace

ViewerTab::ViewerTab(const QString& path, QWidget* parent)
    : QWidget(parent),
      document_(new TextDocument(path, this)),
      search_([this] { QMetaObject::invokeMethod(this, &ViewerTab::searchTaken, Qt::QueuedConnection); }),
      filter_([this] { QMetaObject::invokeMethod(this, &ViewerTab::filterTaken, Qt::QueuedConnection); }) {
    // Made in the order that Tab goes through them: the panes before the fields above them.
    QWidget* panes = buildPanes();
    QLayout* statusLine = buildStatusLine();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildBar());
    layout->addWidget(panes, 1);
    layout->addLayout(statusLine);
    connectFields();
    connect(document_, &TextDocument::linesAdded, this, &ViewerTab::showState);
    connect(document_, &TextDocument::indexFinished, this, &ViewerTab::showState);
    // Only the appended lines are read: the count and the filter go on from where they were.
    connect(document_, &TextDocument::grown, this, [this] {
        search_.grow();
        filter_.grow();
        showState();
    });
    connect(document_, &TextDocument::reloaded, this, [this] {
        showState();
        startSearch();
        startFilter();
    });
    setFocusProxy(text);
    showState();
}

ViewerTab::~ViewerTab() {
    search_.clear();
    filter_.clear();
}

// The text above, the lines the filter keeps below, or in their place why the file cannot be shown.
QWidget* ViewerTab::buildPanes() {
    text = new TextPane(document_, this);
    text->setObjectName(QStringLiteral("textPane"));
    filtered = new TextPane(document_, this);
    filtered->setObjectName(QStringLiteral("filterPane"));
    filtered->showOnly(&filter_.lines());
    lastPane_ = text;

    filterBox_ = new QWidget(this);
    auto* filterLayout = new QVBoxLayout(filterBox_);
    filterLayout->setContentsMargins(0, 0, 0, 0);
    filterLayout->addWidget(filtered);
    filterBox_->hide();
    split_ = new QSplitter(Qt::Vertical, this);
    split_->addWidget(text);
    split_->addWidget(filterBox_);
    split_->setStretchFactor(0, 3);
    split_->setStretchFactor(1, 2);

    problem = new QLabel(this);
    problem->setObjectName(QStringLiteral("viewerProblem"));
    problem->setAlignment(Qt::AlignCenter);
    problem->setWordWrap(true);
    QFont big = problem->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    problem->setFont(big);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(split_);
    stack_->addWidget(problem);
    for (TextPane* pane : {text, filtered}) {
        connect(pane, &TextPane::message, this, &ViewerTab::say);
        pane->installEventFilter(this);
    }
    connect(filtered, &TextPane::lineClicked, this, [this](uint64_t line) {
        filtered->setCurrent(line, 0, 0);
        if (!searchPattern_.empty()) jumpToMatchIn(line, true);
        else text->setCurrent(line, 0, 0);
    });
    return stack_;
}

QLayout* ViewerTab::buildStatusLine() {
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("viewerStatus"));
    note = new QLabel(this);
    note->setObjectName(QStringLiteral("viewerNote"));
    progress = new QProgressBar(this);
    progress->setObjectName(QStringLiteral("indexProgress"));
    progress->setRange(0, 100);
    progress->setMaximumWidth(200);
    progress->setToolTip(QStringLiteral("Подсчёт строк"));
    followEnd = new QCheckBox(QStringLiteral("Следить за концом файла"), this);
    followEnd->setObjectName(QStringLiteral("followEnd"));
    followEnd->setToolTip(QStringLiteral("Новые строки файла сразу видны; прокрутка вверх приостанавливает, End возобновляет"));
    followEnd->setFocusPolicy(Qt::TabFocus);  // a click leaves the focus in the text
    connect(followEnd, &QCheckBox::toggled, text, &TextPane::setFollowing);
    connect(text, &TextPane::followingChanged, this, [this](bool on) {
        const QSignalBlocker quiet(followEnd);
        followEnd->setChecked(on);
        showState();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status);
    bottom->addWidget(note, 1);
    bottom->addWidget(followEnd);
    bottom->addWidget(progress);
    return bottom;
}

// Typing searches and filters after a pause; Enter at once.
void ViewerTab::connectFields() {
    searchDelay_.setSingleShot(true);
    searchDelay_.setInterval(150);
    filterDelay_.setSingleShot(true);
    filterDelay_.setInterval(250);
    connect(&searchDelay_, &QTimer::timeout, this, &ViewerTab::startSearch);
    connect(&filterDelay_, &QTimer::timeout, this, &ViewerTab::startFilter);
    connect(findText, &QLineEdit::textChanged, this, [this] { searchDelay_.start(); });
    connect(filterText, &QLineEdit::textChanged, this, [this] { filterDelay_.start(); });
    connect(findText, &QLineEdit::returnPressed, this, [this] {
        if (searchDelay_.isActive()) startSearch();  // Enter right after typing: find it now
        else findNext();
    });
    connect(filterText, &QLineEdit::returnPressed, this, &ViewerTab::startFilter);
    connect(matchCase, &QCheckBox::toggled, this, [this] {
        startSearch();
        startFilter();
    });
    connect(goToLine, &QLineEdit::returnPressed, this, &ViewerTab::goTo);
}

QString ViewerTab::path() const { return document_->path(); }

QWidget* ViewerTab::buildBar() {
    auto* bar = new QWidget(this);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(0, 0, 0, 0);
    findText = new QLineEdit(bar);
    findText->setObjectName(QStringLiteral("findText"));
    findText->setPlaceholderText(QStringLiteral("Ctrl+F"));
    findText->setClearButtonEnabled(true);
    matchCase = new QCheckBox(QStringLiteral("Учитывать регистр"), bar);
    matchCase->setObjectName(QStringLiteral("matchCase"));
    auto* previous = new QToolButton(bar);
    previous->setText(QStringLiteral("Назад"));
    previous->setToolTip(QStringLiteral("Предыдущее совпадение (Shift+F3)"));
    auto* next = new QToolButton(bar);
    next->setText(QStringLiteral("Далее"));
    next->setToolTip(QStringLiteral("Следующее совпадение (F3)"));
    connect(previous, &QToolButton::clicked, this, &ViewerTab::findPrevious);
    connect(next, &QToolButton::clicked, this, &ViewerTab::findNext);
    findCount = new QLabel(bar);
    findCount->setObjectName(QStringLiteral("findCount"));
    findCount->setMinimumWidth(220);
    goToLine = new QLineEdit(bar);
    goToLine->setObjectName(QStringLiteral("goToLine"));
    goToLine->setPlaceholderText(QStringLiteral("Ctrl+G"));
    goToLine->setMaximumWidth(120);
    filterText = new QLineEdit(bar);
    filterText->setObjectName(QStringLiteral("filterText"));
    filterText->setPlaceholderText(QStringLiteral("текст или несколько через |"));
    filterText->setClearButtonEnabled(true);
    filterCount = new QLabel(bar);
    filterCount->setObjectName(QStringLiteral("filterCount"));

    grid->addWidget(caption(QStringLiteral("Найти:"), bar), 0, 0);
    grid->addWidget(findText, 0, 1);
    grid->addWidget(previous, 0, 2);
    grid->addWidget(next, 0, 3);
    grid->addWidget(matchCase, 0, 4);
    grid->addWidget(findCount, 0, 5);
    grid->addWidget(caption(QStringLiteral("Строка:"), bar), 0, 6, Qt::AlignRight);
    grid->addWidget(goToLine, 0, 7);
    grid->addWidget(caption(QStringLiteral("Только строки с:"), bar), 1, 0);
    grid->addWidget(filterText, 1, 1, 1, 4);
    grid->addWidget(filterCount, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    for (QLineEdit* field : {findText, filterText, goToLine}) field->installEventFilter(this);
    return bar;
}

bool ViewerTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == text || watched == filtered) lastPane_ = static_cast<TextPane*>(watched);
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
               qobject_cast<QLineEdit*>(watched)) {
        lastPane_->setFocus();  // Escape leaves a field for the text
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ViewerTab::focusFind() {
    findText->setFocus(Qt::ShortcutFocusReason);
    findText->selectAll();
}

void ViewerTab::focusFilter() {
    filterText->setFocus(Qt::ShortcutFocusReason);
    filterText->selectAll();
}

void ViewerTab::focusGoTo() {
    goToLine->setFocus(Qt::ShortcutFocusReason);
    goToLine->selectAll();
}

void ViewerTab::copy() { lastPane_->copy(); }
void ViewerTab::selectAll() { lastPane_->selectAll(); }

void ViewerTab::setFilter(const QString& value) {
    filterText->setText(value);
    startFilter();
}

void ViewerTab::say(const QString& value) { note->setText(value); }

void ViewerTab::follow() { text->setFollowing(true); }

void ViewerTab::showState() {
    if (!document_->problem().isEmpty()) {
        stack_->setCurrentIndex(1);
        problem->setText(document_->problem());
        status->setText(document_->problem());
        progress->hide();
        return;
    }
    stack_->setCurrentIndex(0);
    // Appended lines are counted in a moment: no progress for them, so that a file that keeps
    // growing does not keep the status line moving.
    const bool complete = document_->indexComplete() || document_->model().indexingAppended();
    progress->setVisible(!complete);
    progress->setValue(document_->indexPercent());
    const QString following = text->following() ? QStringLiteral(" · слежение") : QString();
    if (complete && document_->lines() == 0) {
        status->setText(QStringLiteral("Файл пуст") + following);
        return;
    }
    status->setText(QStringLiteral("Строк: %1%2 · %3%4")
                        .arg(number(document_->lines()), complete ? QString() : QStringLiteral("…"),
                             sizeText(document_->size()), following));
}

bool ViewerTab::patternFor(const QString& value, bool alternatives, Patterns& out, QLabel* where) {
    bool lossy = false;
    const std::string bytes = utf8ToCp1251(toUtf8(value), &lossy);
    if (lossy) {
        // Such a character can be in no file of the program.
        where->setText(QStringLiteral("Таких знаков нет в Windows-1251"));
        return false;
    }
    out = alternatives ? Patterns::alternatives(bytes, matchCase->isChecked()) : Patterns({bytes}, matchCase->isChecked());
    return true;
}

void ViewerTab::searchTaken() {
    const LineSearch::Progress p = search_.take();
    if (!p.error.empty()) say(fromUtf8(p.error));
    if (p.added || p.finished) searchGrew(p.finished);
}

void ViewerTab::filterTaken() {
    const LineSearch::Progress p = filter_.take();
    if (!p.error.empty()) say(fromUtf8(p.error));
    if (p.added || p.finished) filterGrew(p.finished);
}

// ---- find ----

void ViewerTab::startSearch() {
    searchDelay_.stop();
    search_.clear();
    searchPattern_ = {};
    jumpPending_ = false;
    findCount->clear();
    note->clear();
    if (findText->text().isEmpty() || !patternFor(findText->text(), false, searchPattern_, findCount)) {
        text->setPatterns({});
        return;
    }
    text->setPatterns(searchPattern_);
    // The first match from the line in focus (or the top of the view) on is shown as found.
    jumpPending_ = true;
    jumpFrom_ = text->hasCurrent() ? text->currentLine() : text->rowCount() ? text->lineOfRow(text->topRow()) : 0;
    findCount->setText(QStringLiteral("Поиск…"));
    if (const std::shared_ptr<const ViewedFile> file = document_->file()) search_.start(file, searchPattern_, true);
    else searchGrew(true);
}

void ViewerTab::searchGrew(bool done) {
    const ScanTotals& t = search_.totals();
    // The appended lines of a growing file are read in a moment: no "…" for them.
    const bool shownDone = done || search_.readingAppended();
    if (t.lines == 0) findCount->setText(shownDone ? QStringLiteral("Не найдено") : QStringLiteral("Поиск…"));
    else
        findCount->setText(QStringLiteral("Найдено: %1 (строк: %2)%3")
                               .arg(number(t.occurrences), number(t.lines), shownDone ? QString() : QStringLiteral("…")));
    const LineSet& m = search_.lines();
    if (jumpPending_) {
        const uint64_t i = m.lowerBound(jumpFrom_);
        if (i < m.size()) {
            jumpPending_ = false;
            jumpToMatchIn(m.at(i), true);
        } else if (done && !m.empty()) {
            jumpPending_ = false;
            jumpToMatchIn(m.at(0), true);
        }
    }
    if (done) emit searchFinished();
}

void ViewerTab::jumpToMatchIn(uint64_t line, bool first) {
    const std::vector<Match> at = searchPattern_.empty() ? std::vector<Match>{} : document_->matchesIn(line, searchPattern_);
    // A match past the cut of a long line: the line itself is what can be shown.
    if (at.empty()) text->setCurrent(line, 0, 0);
    else text->setCurrent(line, first ? at.front().at : at.back().at, at.front().size);
}

void ViewerTab::step(bool forward) {
    if (searchPattern_.empty()) {
        focusFind();
        return;
    }
    note->clear();
    const LineSet& m = search_.lines();
    uint64_t i = 0;
    bool within = false;  // i is a valid position in m
    if (text->hasCurrent()) {
        const uint64_t line = text->currentLine();
        const size_t column = text->currentColumn(), length = text->currentLength();
        const std::vector<Match> at = document_->matchesIn(line, searchPattern_);
        // First the other matches of the line in focus.
        if (forward) {
            for (const Match& p : at)
                if (length == 0 || p.at > column) return text->setCurrent(line, p.at, p.size);
            i = m.lowerBound(line + 1);
            within = i < m.size();
        } else {
            for (auto p = at.rbegin(); p != at.rend(); ++p)
                if (length != 0 && p->at < column) return text->setCurrent(line, p->at, p->size);
            i = m.lowerBound(line);
            within = i > 0;
            if (within) --i;
        }
    } else {
        const uint64_t from = text->rowCount() ? text->lineOfRow(text->topRow()) : 0;
        i = m.lowerBound(from);
        within = forward ? i < m.size() : i > 0;
        if (!forward && within) --i;
    }
    if (!within) {
        if (search_.running()) {
            say(QStringLiteral("Поиск ещё идёт"));
            return;
        }
        if (m.empty()) {
            say(QStringLiteral("Не найдено"));
            return;
        }
        i = forward ? 0 : m.size() - 1;
        say(forward ? QStringLiteral("Поиск продолжен с начала файла") : QStringLiteral("Поиск продолжен с конца файла"));
    }
    jumpToMatchIn(m.at(i), forward);
}

// ---- filter ----

void ViewerTab::startFilter() {
    filterDelay_.stop();
    filter_.clear();
    filtered->showOnly(&filter_.lines());
    filterCount->clear();
    Patterns patterns;
    if (!patternFor(filterText->text(), true, patterns, filterCount) || patterns.empty()) {
        filterBox_->hide();
        return;
    }
    filtered->setPatterns(patterns);
    filterBox_->show();
    filterCount->setText(QStringLiteral("Поиск строк…"));
    if (const std::shared_ptr<const ViewedFile> file = document_->file()) filter_.start(file, std::move(patterns), false);
    else filterGrew(true);
}

void ViewerTab::filterGrew(bool done) {
    filtered->rowsChanged();
    const bool shownDone = done || filter_.readingAppended();
    filterCount->setText(QStringLiteral("Строк: %1%2").arg(number(filter_.totals().lines), shownDone ? QString() : QStringLiteral("…")));
    if (done) emit filterFinished();
}

// ---- go to a line ----

void ViewerTab::goTo() {
    bool ok = false;
    const qulonglong n = goToLine->text().trimmed().toULongLong(&ok);
    if (!ok || n == 0) {
        say(QStringLiteral("Номер строки — целое число от 1"));
        return;
    }
    uint64_t line = n - 1;
    const uint64_t lines = document_->lines();
    if (document_->indexComplete() && line >= lines) {
        if (lines == 0) return;
        line = lines - 1;
        say(QStringLiteral("В файле строк: %1").arg(number(lines)));
    } else {
        note->clear();
    }
    text->setCurrent(line, 0, 0);
    text->setFocus(Qt::OtherFocusReason);
}

}  // namespace kalvimo
