#pragma once
// The window in which the user keeps the working list of report numbers (reports.ini) and
// the catalogue of reports it is picked from (allreports.ini). Every change reaches its file
// before the handler returns.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace kalvimo {

class SortedListBox;

class ReportListWindow : public QDialog {
    Q_OBJECT
public:
    explicit ReportListWindow(const std::string& dataRoot, QWidget* parent = nullptr);

private slots:
    void addToWorkingList();  // the selected catalogue line, whole
    void removeFromWorkingList();
    void clearWorkingList();
    void addToCatalogue();  // the typed line, as typed

private:
    void buildControls();
    void connectControls();
    void loadLists();

    std::string catalogue_, working_;
    SortedListBox* workingList_;
    SortedListBox* catalogueList_;
    QLineEdit* newLine_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
    QPushButton* clearButton_;
    QPushButton* addToCatalogueButton_;
    QPushButton* exitButton_;
};

}  // namespace kalvimo
