#pragma once
// The results window: the files of log/ or error/, opened in the viewer with a double-click.
#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>

class QPushButton;
class QRadioButton;

namespace kalvimo {

class FileListBox;
class ProgramStarter;
class ChartsWindow;

class ResultsWindow : public QDialog {
    Q_OBJECT
public:
    // report shows what went wrong when the viewer did not start.
    ResultsWindow(const std::string& dataRoot, ProgramStarter& starter, std::function<void(const QString&)> report,
                  QWidget* parent = nullptr);

private slots:
    void showReports();
    void showErrors();
    void openSelected();
    void openStatistics();
    void openCharts();

signals:
    // "Графики ошибок" asks whoever keeps the charts window; with no one listening the results
    // window opens one of its own, which goes with it.
    void chartsRequested();

private:
    void view(const QString& file);

    std::string dataRoot_;
    QString root_, log_, error_;
    QPointer<ChartsWindow> charts_;
    ProgramStarter& starter_;
    std::function<void(const QString&)> report_;
    QRadioButton* reportsButton_;
    QRadioButton* errorsButton_;
    FileListBox* files_;
};

}  // namespace kalvimo
