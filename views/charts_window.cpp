#include "charts_window.h"

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
#include <memory>

#include "data_dir.h"
#include "error_charts.h"
#include "error_tally.h"
#include "look.h"
#include "program_starter.h"
#include "qt_text.h"

namespace kalvimo {

frmCharts::frmCharts(const std::string& dataRoot, ProgramStarter& starter, QWidget* parent)
    : QDialog(parent), dataRoot_(dataRoot), root_(fromUtf8(dataRoot)), starter_(starter) {
    setObjectName(QStringLiteral("frmCharts"));
    setWindowTitle(QStringLiteral("Графики ошибок"));
    setAttribute(Qt::WA_DeleteOnClose);  // each opening reads rep48.log afresh
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);

    tabCharts = new QTabWidget(this);
    tabCharts->setObjectName(QStringLiteral("tabCharts"));
    chartTypes = chartView(new QChart, tabCharts);
    chartTypes->setObjectName(QStringLiteral("chartTypes"));
    chartTime = chartView(new QChart, tabCharts);
    chartTime->setObjectName(QStringLiteral("chartTime"));
    tabCharts->addTab(chartTypes, QStringLiteral("По типам"));
    tabCharts->addTab(chartTime, QStringLiteral("По времени"));
    labNote = new QLabel(this);
    labNote->setObjectName(QStringLiteral("labNote"));
    labNote->setWordWrap(true);
    labNote->setFont(textFont(11.25));
    barReading = new QProgressBar(this);
    barReading->setObjectName(QStringLiteral("barReading"));
    barReading->setRange(0, 100);
    btnSave = new QPushButton(QStringLiteral("Сохранить как…"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setToolTip(QStringLiteral("Записать показанный график в файл PNG или SVG"));
    btnSave->setFont(textFont(11.25));
    btnQuit = new QPushButton(this);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setIcon(QIcon::fromTheme(QStringLiteral("window-close"), style()->standardIcon(QStyle::SP_DialogCloseButton)));
    btnQuit->setToolTip(QStringLiteral("Закрыть"));
    for (QPushButton* b : {btnSave, btnQuit}) b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(barReading, 1);
    bottom->addStretch();
    bottom->addWidget(btnSave);
    bottom->addWidget(btnQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabCharts, 1);
    layout->addWidget(labNote);
    layout->addLayout(bottom);
    resize(twips(14250), twips(10500));

    connect(btnSave, &QPushButton::clicked, this, &frmCharts::btnSave_Click);
    connect(btnQuit, &QPushButton::clicked, this, &QWidget::close);
    read();
}

frmCharts::~frmCharts() { job_.stop(); }

void frmCharts::read() {
    tabCharts->setEnabled(false);
    btnSave->setEnabled(false);
    barReading->setValue(0);
    barReading->show();
    note(QStringLiteral("Читается rep48.log…"));
    const std::string root = dataRoot_;
    QProgressBar* bar = barReading;
    job_.start([this, root, bar](const std::atomic<bool>& cancel) {
        auto source = std::make_shared<ChartSource>(readChartSource(DataDir(root), &cancel, [bar](int percent) {
            QMetaObject::invokeMethod(bar, [bar, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
        }));
        if (cancel.load()) return;
        QMetaObject::invokeMethod(this, [this, source] { showSource(*source); }, Qt::QueuedConnection);
    });
}

void frmCharts::showSource(const ChartSource& source) {
    barReading->hide();
    switch (source.state) {
    case ChartSource::State::NoData: note(QString::fromUtf8(kNoChartData)); break;
    case ChartSource::State::Failed: note(fromUtf8(source.problem)); break;
    case ChartSource::State::Ready: {
        install(chartTypes, typeChart(source, root_));
        install(chartTime, timeChart(source, root_));
        tabCharts->setEnabled(true);
        btnSave->setEnabled(true);
        QStringList notes;
        if (source.tally.undated() > 0)
            notes << QStringLiteral("Строк без даты: %1 — дата и время в конце строки не прочитаны; на графике "
                                    "по времени их нет.")
                         .arg(source.tally.undated());
        if (!source.catalogueProblem.empty())
            notes << fromUtf8(source.catalogueProblem) + QStringLiteral(" — описания типов не показаны.");
        note(notes.join(QLatin1Char('\n')));
        break;
    }
    }
    emit chartsShown();
}

void frmCharts::install(QChartView* view, QChart* chart) {
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

void frmCharts::openEntry(QObject* carrier, int index) {
    const QVariantList files = carrier->property("files").toList();
    if (index < 0 || index >= files.size()) return;
    for (const QString& file : files[index].toStringList()) {
        const QString problem = startViewer(starter_, root_, file);
        if (!problem.isEmpty()) return note(problem);
    }
}

void frmCharts::showTip(QObject* carrier, bool on, int index) {
    const QStringList tips = carrier->property("tips").toStringList();
    if (on && index >= 0 && index < tips.size() && !tips[index].isEmpty())
        QToolTip::showText(QCursor::pos(), tips[index], currentChart());
    else
        QToolTip::hideText();
}

QChartView* frmCharts::currentChart() const { return tabCharts->currentIndex() == 1 ? chartTime : chartTypes; }

void frmCharts::btnSave_Click() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Сохранить как…"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("dlgSave"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("Рисунок SVG (*.svg)")});
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->selectFile(tabCharts->currentIndex() == 1 ? QStringLiteral("ошибки-по-времени.png")
                                                      : QStringLiteral("ошибки-по-типам.png"));
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.contains(QStringLiteral("svg")) ? QStringLiteral("svg") : QStringLiteral("png"));
    });
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) { saveShownChart(path); });
    dialog->open();
}

bool frmCharts::saveShownChart(const QString& path) {
    const QString problem = saveChartImage(currentChart(), path);
    note(problem.isEmpty() ? QStringLiteral("Сохранено: %1").arg(path) : problem);
    return problem.isEmpty();
}

void frmCharts::note(const QString& text) {
    labNote->setText(text);
    labNote->setVisible(!text.isEmpty());
}

}  // namespace kalvimo
