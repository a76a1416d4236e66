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
class frmCharts;

class frmDispRes : public QDialog {
    Q_OBJECT
public:
    // report shows what went wrong when the viewer did not start.
    frmDispRes(const std::string& dataRoot, ProgramStarter& starter, std::function<void(const QString&)> report,
               QWidget* parent = nullptr);

    void Form_Load();
    void OptionErr_Click();
    void OptionRep_Click();
    void File1_dblclick();
    void btnErrNum_Click();
    void btnCharts_Click();
    void btnQuit_Click() { close(); }

    QPushButton* btnErrNum;
    QPushButton* btnCharts;
    QRadioButton *OptionErr, *OptionRep;
    FileListBox* File1;
    QPushButton* btnQuit;

signals:
    // "Графики ошибок" asks whoever keeps the charts window; with no one listening the results
    // window opens one of its own, which goes with it.
    void chartsRequested();

private:
    void view(const QString& file);

    std::string dataRoot_;
    QString root_, log_, error_;
    QPointer<frmCharts> charts_;
    ProgramStarter& starter_;
    std::function<void(const QString&)> report_;
};

}  // namespace kalvimo
