#pragma once
// The window "Графики ошибок": the anomalies of the last RRN 48 run by error type and over
// time. rep48.log is read on a thread of its own; clicking a bar opens the lines behind it in
// the viewer.
#include <QDialog>
#include <QFutureWatcher>
#include <atomic>
#include <memory>
#include <string>

class QChart;
class QChartView;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace kalvimo {

class ProgramStarter;
struct ChartSource;

class ChartsWindow : public QDialog {
    Q_OBJECT
public:
    ChartsWindow(const std::string& dataRoot, ProgramStarter& starter, QWidget* parent = nullptr);
    ~ChartsWindow() override;

    // The chart of the tab shown.
    QChartView* currentChart() const;
    // Writes the chart shown to path (.png or .svg); false with the reason shown when it fails.
    bool saveShownChart(const QString& path);

signals:
    void chartsShown();  // the reading ended and its outcome is on the screen

private:
    void read();
    void stopReading();
    void showSource(const ChartSource& source);
    void install(QChartView* view, QChart* chart);
    void openEntry(QObject* carrier, int index);
    void showTip(QObject* carrier, bool on, int index);
    void saveChart();
    void note(const QString& text);

    std::string dataRoot_;
    QString root_;
    ProgramStarter& starter_;
    // The reading, stopped through cancel_, which the engine tests.
    QFutureWatcher<std::shared_ptr<ChartSource>> reading_;
    std::atomic<bool> cancel_{false};
    QTabWidget* tabs_;
    QChartView *typesView_, *timeView_;
    QProgressBar* readingBar_;
    QLabel* note_;
    QPushButton *saveButton_, *quitButton_;
};

}  // namespace kalvimo
