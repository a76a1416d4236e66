#pragma once
// The window in which the user keeps the device working list (dev.ini), picking devices from
// the catalogue (alldev.ini) and giving them a comment that names their result file. Every
// change reaches its file before the handler returns.
#include <QDialog>
#include <string>

class QComboBox;
class QPushButton;

namespace kalvimo {

class SortedListBox;

class DeviceListWindow : public QDialog {
    Q_OBJECT
public:
    explicit DeviceListWindow(const std::string& dataRoot, QWidget* parent = nullptr);

private slots:
    void addToWorkingList();  // exactly what the field holds
    void removeFromWorkingList();
    void clearWorkingList();

private:
    void buildControls();
    void connectControls();
    void loadLists();

    std::string catalogue_, working_;
    QComboBox* deviceField_;
    SortedListBox* workingList_;
    QPushButton* addButton_;
    QPushButton* removeButton_;
    QPushButton* clearButton_;
    QPushButton* exitButton_;
};

}  // namespace kalvimo
