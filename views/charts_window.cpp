#include "views/charts_window.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QStyle>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtConcurrent>
#include <memory>

#include "engine/data_dir.h"
#include "engine/error_tally.h"
#include "platform/qt/look.h"
#include "platform/qt/program_starter.h"
#include "platform/qt/qt_text.h"
#include "views/error_charts.h"

namespace kalvimo {

ChartsWindow::ChartsWindow(const std::string& dataRoot, ProgramStarter& starter, QWidget* parent)
    : QDialog(parent), dataRoot_(dataRoot), root_(fromUtf8(dataRoot)), starter_(starter) {
    setObjectName(QStringLiteral("frmCharts"));
    setWindowTitle(QStringLiteral("Графики ошибок"));
    setAttribute(Qt::WA_DeleteOnClose);  // each opening reads rep48.log afresh
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabCharts"));
    typesView_ = chartView(new QChart, tabs_);
    typesView_->setObjectName(QStringLiteral("chartTypes"));
    timeView_ = chartView(new QChart, tabs_);
    timeView_->setObjectName(QStringLiteral("chartTime"));
    tabs_->addTab(typesView_, QStringLiteral("По типам"));
    tabs_->addTab(timeView_, QStringLiteral("По времени"));
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("labNote"));
    note_->setWordWrap(true);
    note_->setFont(textFont(11.25));
    readingBar_ = new QProgressBar(this);
    readingBar_->setObjectName(QStringLiteral("barReading"));
    readingBar_->setRange(0, 100);
    saveButton_ = new QPushButton(QStringLiteral("Сохранить как…"), this);
    saveButton_->setObjectName(QStringLiteral("btnSave"));
    saveButton_->setToolTip(QStringLiteral("Записать показанный график в файл PNG или SVG"));
    saveButton_->setFont(textFont(11.25));
    quitButton_ = new QPushButton(this);
    quitButton_->setObjectName(QStringLiteral("btnQuit"));
    quitButton_->setIcon(QIcon::fromTheme(QStringLiteral("window-close"), style()->standardIcon(QStyle::SP_DialogCloseButton)));
    quitButton_->setToolTip(QStringLiteral("Закрыть"));
    for (QPushButton* b : {saveButton_, quitButton_}) b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(readingBar_, 1);
    bottom->addStretch();
    bottom->addWidget(saveButton_);
    bottom->addWidget(quitButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(note_);
    layout->addLayout(bottom);
    resize(twips(14250), twips(10500));

    connect(saveButton_, &QPushButton::clicked, this, &ChartsWindow::saveChart);
    connect(quitButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(&reading_, &QFutureWatcher<std::shared_ptr<ChartSource>>::progressValueChanged, readingBar_,
            &QProgressBar::setValue);
    connect(&reading_, &QFutureWatcher<std::shared_ptr<ChartSource>>::finished, this, [this] {
        if (!cancel_ && reading_.future().resultCount() > 0) showSource(*reading_.result());
    });
    read();
}

ChartsWindow::~ChartsWindow() { stopReading(); }

void ChartsWindow::stopReading() {
    cancel_ = true;
    reading_.waitForFinished();
}

void ChartsWindow::read() {
    stopReading();
    cancel_ = false;
    tabs_->setEnabled(false);
    saveButton_->setEnabled(false);
    readingBar_->setValue(0);
    readingBar_->show();
    note(QStringLiteral("Читается rep48.log…"));
    reading_.setFuture(QtConcurrent::run([this, root = dataRoot_](QPromise<std::shared_ptr<ChartSource>>& promise) {
        promise.setProgressRange(0, 100);
        promise.addResult(std::make_shared<ChartSource>(
            readChartSource(DataDir(root), &cancel_, [&promise](int percent) { promise.setProgressValue(percent); })));
    }));
}

void ChartsWindow::showSource(const ChartSource& source) {
    readingBar_->hide();
    switch (source.state) {
    case ChartSource::State::NoData: note(QString::fromUtf8(kNoChartData)); break;
    case ChartSource::State::Failed: note(fromUtf8(source.problem)); break;
    case ChartSource::State::Ready: {
        install(typesView_, typeChart(source, root_));
        install(timeView_, timeChart(source, root_));
        tabs_->setEnabled(true);
        saveButton_->setEnabled(true);
        QStringList notes;
        if (source.tally.undated() > 0)
            notes << QStringLiteral("Строк без даты: %1 — дата и время в конце строки не прочитаны; на графике "
                                    "по времени их нет.")
                         .arg(countText(source.tally.undated()));
        if (!source.catalogueProblem.empty())
            notes << fromUtf8(source.catalogueProblem) + QStringLiteral(" — описания типов не показаны.");
        note(notes.join(QLatin1Char('\n')));
        break;
    }
    }
    emit chartsShown();
}

void ChartsWindow::install(QChartView* view, QChart* chart) {
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
    for (QAbstractSeries* s : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(s)) {
            for (QBarSet* set : bars->barSets()) {
                connect(set, &QBarSet::clicked, this, [this, set](int i) { openEntry(set, i); });
                connect(set, &QBarSet::hovered, this, [this, set](bool on, int i) { showTip(set, on, i); });
            }
        } else if (auto* marks = qobject_cast<QScatterSeries*>(s)) {
            connect(marks, &QScatterSeries::clicked, this,
                    [this, marks](const QPointF& p) { openEntry(marks, qRound(p.x())); });
            connect(marks, &QScatterSeries::hovered, this,
                    [this, marks](const QPointF& p, bool on) { showTip(marks, on, qRound(p.x())); });
        }
    }
}

void ChartsWindow::openEntry(QObject* carrier, int index) {
    const QVariantList files = carrier->property("files").toList();
    if (index < 0 || index >= files.size()) return;
    for (const QString& file : files[index].toStringList()) {
        const QString problem = startViewer(starter_, root_, file);
        if (!problem.isEmpty()) return note(problem);
    }
}

void ChartsWindow::showTip(QObject* carrier, bool on, int index) {
    const QStringList tips = carrier->property("tips").toStringList();
    if (on && index >= 0 && index < tips.size() && !tips[index].isEmpty())
        QToolTip::showText(QCursor::pos(), tips[index], currentChart());
    else
        QToolTip::hideText();
}

QChartView* ChartsWindow::currentChart() const { return tabs_->currentIndex() == 1 ? timeView_ : typesView_; }

void ChartsWindow::saveChart() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Сохранить как…"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("dlgSave"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("Рисунок SVG (*.svg)")});
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->selectFile(tabs_->currentIndex() == 1 ? QStringLiteral("ошибки-по-времени.png")
                                                      : QStringLiteral("ошибки-по-типам.png"));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.contains(QStringLiteral("svg")) ? QStringLiteral("svg") : QStringLiteral("png"));
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { saveShownChart(path); });
    dialog->open();
}

bool ChartsWindow::saveShownChart(const QString& path) {
    const QString problem = saveChartImage(currentChart(), path);
    note(problem.isEmpty() ? QStringLiteral("Сохранено: %1").arg(path) : problem);
    return problem.isEmpty();
}

void ChartsWindow::note(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

}  // namespace kalvimo
