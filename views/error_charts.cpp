#include "views/error_charts.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHorizontalBarSeries>
#include <QPainter>
#include <QSaveFile>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>

#include "engine/error_tally.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {
namespace {

const QColor kTypeColor(0x3b, 0x6e, 0xa5);
const QColor kRestartColor(0xc0, 0x39, 0x2b);
const QColor kRebootColor(0x8e, 0x44, 0xad);
const QColor kSeriesColors[] = {QColor(0x3b, 0x6e, 0xa5), QColor(0xe6, 0x7e, 0x22), QColor(0x27, 0xae, 0x60),
                                QColor(0xf1, 0xc4, 0x0f), QColor(0x16, 0xa0, 0x85)};
const QColor kOthersColor(0x95, 0xa5, 0xa6);
// Enough significant digits for every count to be shown whole by the bar labels' format.
constexpr int kExactDigits = 15;

QString shortened(const QString& text, int length) {
    const QString t = text.trimmed();
    return t.size() <= length ? t : t.left(length - 1).trimmed() + QStringLiteral("…");
}

// A file of the data directory; names made from Windows-1251 text live on disk in UTF-8.
QString dataFile(const QString& root, const char* dir, const std::string& cp1251Name) {
    return QDir(QDir(root).filePath(QString::fromLatin1(dir))).filePath(fromCp1251(cp1251Name));
}

QStringList rep48(const QString& root) { return {dataFile(root, "log", "rep48.log")}; }

// The files of one type: one per type text met, as "12" and "0012".
QStringList typeFiles(const QString& root, const std::vector<std::string>& texts) {
    QStringList files;
    for (const auto& t : texts) files << dataFile(root, "error", t);
    return files;
}

void carry(QObject* o, const QStringList& tips, const QList<QStringList>& files) {
    o->setProperty("tips", tips);
    QVariantList list;
    for (const auto& f : files) list << f;
    o->setProperty("files", list);
}

QValueAxis* countAxis(long max, const QString& title) {
    auto* axis = new QValueAxis;
    axis->setLabelFormat(QStringLiteral("%.0f"));  // the localized form wants a precision
    axis->setRange(0, std::max(1L, max));
    axis->applyNiceNumbers();
    axis->setTitleText(title);
    return axis;
}

QChart* newChart(const QString& title) {
    auto* chart = new QChart;
    // Axis and bar figures as a Russian reader writes them: "3 275 960", never "3.27596e+06".
    chart->setLocale(countLocale());
    chart->setLocalizeNumbers(true);
    chart->setTitle(title);
    QFont f = chart->titleFont();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    chart->setTitleFont(f);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

}  // namespace

namespace {

// What a bar of the type chart shows and opens.
struct BarText {
    QString label, tip;
    QStringList files;
    bool marked = false;  // a restart or reboot bar, drawn in the selection's colour
};

BarText barText(const TypeBar& bar, const QString& root) {
    const QString count = countText(bar.count);
    switch (bar.kind) {
    case TypeBar::Kind::Type: {
        const QString description = fromCp1251(bar.description).trimmed();
        BarText t{QString::number(bar.type), QStringLiteral("Тип %1: %2").arg(bar.type).arg(count),
                  typeFiles(root, bar.typeTexts)};
        if (!description.isEmpty()) {
            t.label += QStringLiteral("  ") + shortened(description, 30);
            t.tip += QStringLiteral("\n") + description;
        }
        return t;
    }
    case TypeBar::Kind::Others:
        return {QStringLiteral("прочие (типов: %1)").arg(countText(bar.typesInside)),
                QStringLiteral("прочие: %1 (типов: %2)").arg(count, countText(bar.typesInside)), rep48(root)};
    case TypeBar::Kind::Untyped:
        return {QStringLiteral("без типа"), QStringLiteral("без типа: %1 (тип ошибки не число)").arg(count), rep48(root)};
    case TypeBar::Kind::Restarts:
        return {QStringLiteral("рестарты (REST)"), QStringLiteral("рестарты: %1").arg(count),
                QStringList{dataFile(root, "error", "restart")}, true};
    case TypeBar::Kind::Reboots:
        return {QStringLiteral("перезагрузки (BOOT)"), QStringLiteral("перезагрузки: %1").arg(count),
                QStringList{dataFile(root, "error", "reboot")}, true};
    }
    return {};
}

QString typeChartNote(const ErrorTally& tally) {
    QString note = QStringLiteral("Строк в rep48.log: %1").arg(countText(tally.lines()));
    if (tally.untyped() > 0) note += QStringLiteral(", из них без типа: %1").arg(countText(tally.untyped()));
    return note + QStringLiteral("; красным — рестарты и перезагрузки");
}

// One stacked set per series of the time chart, with what each of its bars shows and opens.
std::vector<long> addTimeSeries(QStackedBarSeries* series, const TimeChart& data, const QStringList& periods,
                                const ChartSource& source, const QString& root) {
    std::vector<long> totals(data.starts.size(), 0);
    for (size_t s = 0; s < data.series.size(); ++s) {
        const TimeSeries& ts = data.series[s];
        const bool rest = ts.type < 0;
        const QString name = rest ? QStringLiteral("прочие") : QStringLiteral("тип %1").arg(ts.type);
        QString described = name;
        if (!rest) {
            const QString description = fromCp1251(firstDescription(source.catalogue, ts.type)).trimmed();
            if (!description.isEmpty()) described += QStringLiteral(" (") + description + QStringLiteral(")");
        }
        auto* set = new QBarSet(name);
        set->setColor(rest ? kOthersColor : kSeriesColors[s % std::size(kSeriesColors)]);
        const QStringList file = rest ? rep48(root) : typeFiles(root, ts.typeTexts);
        QStringList tips;
        QList<QStringList> files;
        for (size_t i = 0; i < totals.size(); ++i) {
            *set << ts.counts[i];
            totals[i] += ts.counts[i];
            tips << QStringLiteral("%1: %2 — %3").arg(periods[static_cast<qsizetype>(i)], described, countText(ts.counts[i]));
            files << file;
        }
        carry(set, tips, files);
        series->append(set);
    }
    return totals;
}

// Restarts and reboots as marks on the time axis.
void addTimeMarks(QChart* chart, const TimeChart& data, const QStringList& periods, const QString& root,
                  QAbstractAxis* timeAxis, QAbstractAxis* counts) {
    const struct {
        const std::vector<long>& counts;
        const char* name;
        const char* file;
        QColor color;
        QScatterSeries::MarkerShape shape;
        qreal shift;  // side by side when a period has both
    } markKinds[] = {
        {data.restarts, "рестарты", "restart", kRestartColor, QScatterSeries::MarkerShapeCircle, -0.18},
        {data.reboots, "перезагрузки", "reboot", kRebootColor, QScatterSeries::MarkerShapeRectangle, 0.18},
    };
    for (const auto& kind : markKinds) {
        if (std::none_of(kind.counts.begin(), kind.counts.end(), [](long k) { return k > 0; })) continue;
        auto* marks = new QScatterSeries;
        marks->setName(QString::fromUtf8(kind.name));
        marks->setColor(kind.color);
        marks->setBorderColor(kind.color.darker());
        marks->setMarkerShape(kind.shape);
        marks->setMarkerSize(11);
        QStringList tips;
        QList<QStringList> files;
        for (size_t i = 0; i < kind.counts.size(); ++i) {
            if (kind.counts[i] > 0) marks->append(static_cast<qreal>(i) + kind.shift, 0);
            tips << QStringLiteral("%1: %2 — %3").arg(periods[static_cast<qsizetype>(i)], marks->name(), countText(kind.counts[i]));
            files << QStringList{dataFile(root, "error", kind.file)};
        }
        carry(marks, tips, files);
        chart->addSeries(marks);
        marks->attachAxis(timeAxis);
        marks->attachAxis(counts);
    }
}

}  // namespace

QChart* typeChart(const ChartSource& source, const QString& root) {
    const std::vector<TypeBar> bars = typeBars(source.tally, source.catalogue);
    // One set, so that every bar keeps its whole width and its count beside it; restarts and
    // reboots are told apart by the colour of selected bars.
    auto* set = new QBarSet(QStringLiteral("Аномалии"));
    set->setColor(kTypeColor);
    set->setSelectedColor(kRestartColor);
    set->setLabelColor(QColor(0x33, 0x33, 0x33));  // beside the bar, on white
    QStringList categories, tips;
    QList<QStringList> files;
    QList<int> marks;
    long most = 0;
    // Categories are drawn from the bottom up, so the most frequent go in last.
    for (auto bar = bars.rbegin(); bar != bars.rend(); ++bar) {
        const BarText text = barText(*bar, root);
        if (text.marked) marks << static_cast<int>(categories.size());
        categories << text.label;
        *set << bar->count;
        tips << text.tip;
        files << text.files;
        most = std::max(most, bar->count);
    }
    set->selectBars(marks);
    carry(set, tips, files);

    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setBarWidth(0.6);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsPrecision(kExactDigits);
    QChart* chart = newChart(QStringLiteral("Аномалии по типам ошибок"));
    chart->legend()->hide();
    chart->addSeries(series);
    auto* typeAxis = new QBarCategoryAxis;
    typeAxis->append(categories);
    typeAxis->setTruncateLabels(false);  // shortened above; the whole text is the tooltip
    chart->addAxis(typeAxis, Qt::AlignLeft);
    series->attachAxis(typeAxis);
    QValueAxis* counts = countAxis(most, typeChartNote(source.tally));
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);
    return chart;
}

QChart* timeChart(const ChartSource& source, const QString& root) {
    const TimeChart data = kalvimo::timeChart(source.tally);
    const size_t n = data.starts.size();
    static const char* const kUnits[] = {"по часам", "по дням", "по месяцам", "по годам"};
    const QString unit = QString::fromUtf8(kUnits[static_cast<int>(data.unit)]);
    QChart* chart = newChart(n == 0 ? QStringLiteral("Аномалии по времени: ни одной даты не прочитано")
                                    : QStringLiteral("Аномалии %1").arg(unit));
    QStringList periods;
    for (std::int64_t start : data.starts) periods << QString::fromStdString(periodLabel(data.unit, start));

    auto* series = new QStackedBarSeries;
    const std::vector<long> totals = addTimeSeries(series, data, periods, source, root);
    chart->addSeries(series);
    auto* timeAxis = new QBarCategoryAxis;
    timeAxis->append(periods);
    timeAxis->setTruncateLabels(false);
    if (n > 12) timeAxis->setLabelsAngle(-90);
    QString note = unit;
    if (data.gapsLeftOut) note += QStringLiteral(" (только годы, в которых есть строки)");
    if (data.undated > 0) note += QStringLiteral("; без даты: %1 (не показаны)").arg(countText(data.undated));
    timeAxis->setTitleText(note);
    chart->addAxis(timeAxis, Qt::AlignBottom);
    series->attachAxis(timeAxis);
    QValueAxis* counts = countAxis(n ? *std::max_element(totals.begin(), totals.end()) : 0, QStringLiteral("аномалий"));
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
    addTimeMarks(chart, data, periods, root, timeAxis, counts);
    return chart;
}

QLocale countLocale() { return QLocale(QLocale::Russian, QLocale::Russia); }

QString countText(long count) { return countLocale().toString(static_cast<qlonglong>(count)); }

QChart* makeChart(ChartKind kind, const ChartSource& source, const QString& root) {
    return kind == ChartKind::ByType ? typeChart(source, root) : timeChart(source, root);
}

QChartView* chartView(QChart* chart, QWidget* parent) {
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

bool isChartImageName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("png") || suffix == QStringLiteral("svg");
}

QString saveChartImage(QWidget* view, const QString& path) {
    if (!isChartImageName(path))
        return QStringLiteral("Имя файла должно оканчиваться на .png или .svg: %1").arg(path);
    // Written beside and renamed over, so a failure never leaves half a picture.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok && QFileInfo(path).suffix().toLower() == QStringLiteral("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(view->size());
        svg.setViewBox(QRect(QPoint(0, 0), view->size()));
        svg.setTitle(QStringLiteral("Графики ошибок"));
        QPainter painter;
        ok = painter.begin(&svg);
        if (ok) {
            view->render(&painter);
            ok = painter.end();
        }
    } else if (ok) {
        ok = view->grab().save(&file, "PNG");
    }
    if (ok && file.commit()) return {};
    const QFileInfo dir(QFileInfo(path).absolutePath());
    const QString why = !dir.isDir()                                ? QStringLiteral("каталог не существует")
                        : !dir.isWritable()                         ? QStringLiteral("нет доступа")
                        : file.error() == QFileDevice::ResourceError ? QStringLiteral("нет места на диске")
                                                                     : QStringLiteral("ошибка записи");
    return QStringLiteral("Не удалось записать файл %1: %2").arg(path, why);
}

}  // namespace kalvimo
