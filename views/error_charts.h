#pragma once
// The two charts of errors drawn with Qt Charts, shared by the window and the batch program.
// Every bar set (and every series of marks) carries two lists, one entry per bar or period:
// the property "tips", what hovering shows, and the property "files", the files that clicking
// opens (a QStringList each, as one type may have several files).
#include <QLocale>
#include <QString>

#include "engine/error_chart_data.h"

class QWidget;
class QChart;
class QChartView;

namespace kalvimo {

struct ChartSource;

enum class ChartKind { ByType, OverTime };

// dataRoot: the data directory, for the files that clicking opens.
QChart* typeChart(const ChartSource& source, const QString& dataRoot);
QChart* timeChart(const ChartSource& source, const QString& dataRoot);
QChart* makeChart(ChartKind kind, const ChartSource& source, const QString& dataRoot);

// Counts as the charts show them: whole and grouped, "3 275 960".
QLocale countLocale();
QString countText(long count);

// A view that draws the chart smoothly; the view owns the chart.
QChartView* chartView(QChart* chart, QWidget* parent = nullptr);

// Writes what the widget shows as PNG or SVG, chosen by the name's ending. Returns an empty
// text when the file was written, else a Russian text saying what went wrong.
QString saveChartImage(QWidget* view, const QString& path);
bool isChartImageName(const QString& path);

inline const char* const kNoChartData = "Нет данных: сначала выполните обработку RRN 48";

}  // namespace kalvimo
