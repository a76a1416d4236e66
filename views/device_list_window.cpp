#include "views/device_list_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "lists/list_files.h"
#include "platform/collate.h"
#include "platform/files.h"
#include "platform/qt/button_keys.h"
#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "views/list_window_support.h"
#include "views/sorted_list_box.h"

namespace kalvimo {

DeviceListWindow::DeviceListWindow(const std::string& dataRoot, QWidget* parent)
    : QDialog(parent),
      catalogue_(joinPath(dataRoot, kDeviceCatalogueFile)),
      working_(joinPath(dataRoot, kWorkingDevicesFile)) {
    setObjectName(QStringLiteral("frmSpisokDev"));
    setWindowTitle(QStringLiteral("Настройка списка устройств    "));
    setAttribute(Qt::WA_DeleteOnClose);  // closing discards the lists; the next opening reads the files
    setFixedSize(twips(3975), twips(4125));
    buildControls();
    connectControls();
    loadLists();
}

void DeviceListWindow::buildControls() {
    deviceField_ = new QComboBox(this);
    deviceField_->setObjectName(QStringLiteral("ComboAdd"));
    deviceField_->setEditable(true);
    deviceField_->setInsertPolicy(QComboBox::NoInsert);
    deviceField_->setCompleter(nullptr);  // an entry is stored exactly as typed, never completed
    deviceField_->setFont(listFont());
    placeTwips(deviceField_, 120, 3600, 2415, 315);
    addButton_ = pictureButton(this, "addnew", QStyle::SP_ArrowUp, "list-add", QStringLiteral("Добавить устройство"));
    placeTwips(addButton_, 600, 1680, 855, 615);
    exitButton_ = pictureButton(this, "btnExit", QStyle::SP_DialogCloseButton, "window-close", QStringLiteral("Выход"));
    placeTwips(exitButton_, 2760, 3600, 1095, 375);
    removeButton_ = pictureButton(this, "remspisok", QStyle::SP_TrashIcon, "list-remove", QStringLiteral("удалить из   списка"));
    placeTwips(removeButton_, 1560, 1680, 855, 615);
    clearButton_ =
        pictureButton(this, "btnclear", QStyle::SP_DialogResetButton, "edit-clear", QStringLiteral("очистить весь список"));
    placeTwips(clearButton_, 2520, 1680, 855, 615);
    workingList_ = new SortedListBox(this);
    workingList_->setObjectName(QStringLiteral("ListDev"));
    workingList_->setFont(listFont());
    placeTwips(workingList_, 120, 360, 3735, 1230);
    placeTwips(listDecoration(this, "Image2", QStyle::SP_ComputerIcon, 585, 600), 1080, 2520, 585, 600);
    placeTwips(listDecoration(this, "Image1", QStyle::SP_DriveNetIcon, 720, 675), 240, 2520, 720, 675);
    QLabel* catalogueHeading = listHeading(this, "Label2", QStringLiteral("Список всех устройств "));
    placeTwips(catalogueHeading, 120, 3360, 2415, 255);
    QLabel* workingHeading = listHeading(this, "Label1", QStringLiteral("Список устройств для обработки"));
    placeTwips(workingHeading, 240, 120, 3615, 255);
    for (QLabel* l : {workingHeading, catalogueHeading}) growToFit(l);

    setTabOrder(workingList_, clearButton_);
    setTabOrder(clearButton_, removeButton_);
    setTabOrder(removeButton_, exitButton_);
    setTabOrder(exitButton_, addButton_);
    setTabOrder(addButton_, deviceField_);
}

void DeviceListWindow::connectControls() {
    connect(addButton_, &QPushButton::clicked, this, &DeviceListWindow::addToWorkingList);
    connect(workingList_, &QListWidget::itemDoubleClicked, this, &DeviceListWindow::removeFromWorkingList);
    connect(removeButton_, &QPushButton::clicked, this, &DeviceListWindow::removeFromWorkingList);
    connect(clearButton_, &QPushButton::clicked, this, &DeviceListWindow::clearWorkingList);
    connect(exitButton_, &QPushButton::clicked, this, &DeviceListWindow::close);
    connect(deviceField_->lineEdit(), &QLineEdit::returnPressed, this, &DeviceListWindow::addToWorkingList);
    onKeys(workingList_, {Qt::Key_Delete}, this, [this] { removeFromWorkingList(); });
    for (QPushButton* b : {addButton_, exitButton_, removeButton_, clearButton_}) b->setAutoDefault(false);
    pressButtonsWithEnter(this);
}

void DeviceListWindow::loadLists() {
    std::vector<std::string> catalogue = loadListLines(this, catalogue_);
    sortAlphabetically(catalogue, TextEncoding::Cp1251);
    for (const auto& line : catalogue) deviceField_->addItem(fromCp1251(line), QByteArray::fromStdString(line));
    deviceField_->setCurrentIndex(-1);
    deviceField_->setEditText(QStringLiteral("0000/0000/0000"));
    bool ok = true;
    workingList_->setAll(loadListLines(this, working_, &ok));
    // A working list that could not be read is not rewritten from an empty window.
    for (QPushButton* b : {addButton_, removeButton_, clearButton_}) b->setEnabled(ok);
    workingList_->setEnabled(ok);
}

void DeviceListWindow::addToWorkingList() {
    // Exactly what the field holds: no check for an empty text or a duplicate. A line picked
    // from the catalogue goes back byte for byte.
    const QString text = deviceField_->currentText();
    if (!addButton_->isEnabled() || !isOneLine(this, text)) return;
    const int picked = deviceField_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    const std::string bytes =
        picked >= 0 ? deviceField_->itemData(picked).toByteArray().toStdString() : toCp1251(text);
    appendAndShow(this, workingList_, working_, bytes);
}

void DeviceListWindow::removeFromWorkingList() {
    if (removeButton_->isEnabled()) removeSelected(this, workingList_, working_);
}

void DeviceListWindow::clearWorkingList() {
    if (clearButton_->isEnabled()) askThenClear(this, workingList_, working_);
}

}  // namespace kalvimo
