#include "views/report_list_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "lists/list_files.h"
#include "platform/files.h"
#include "platform/qt/button_keys.h"
#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "views/list_window_support.h"
#include "views/sorted_list_box.h"

namespace kalvimo {

ReportListWindow::ReportListWindow(const std::string& dataRoot, QWidget* parent)
    : QDialog(parent),
      catalogue_(joinPath(dataRoot, kReportCatalogueFile)),
      working_(joinPath(dataRoot, kWorkingReportsFile)) {
    setObjectName(QStringLiteral("frmSpisokrrn"));
    setWindowTitle(QStringLiteral("Настройка списка RRN    "));
    setAttribute(Qt::WA_DeleteOnClose);  // closing discards the lists; the next opening reads the files
    setFixedSize(twips(9615), twips(4215));
    buildControls();
    connectControls();
    loadLists();
}

void ReportListWindow::buildControls() {
    clearButton_ = pictureButton(this, "btnclear", QStyle::SP_DialogResetButton, "edit-clear", QStringLiteral("очистить список"));
    placeTwips(clearButton_, 8400, 2520, 855, 735);
    exitButton_ = pictureButton(this, "btnExit", QStyle::SP_DialogCloseButton, "window-close", QStringLiteral("Выход"));
    placeTwips(exitButton_, 8400, 3720, 1095, 375);
    removeButton_ = pictureButton(this, "remspisok", QStyle::SP_TrashIcon, "list-remove", QStringLiteral("удалить из списка"));
    placeTwips(removeButton_, 7440, 2520, 855, 735);
    newLine_ = new QLineEdit(this);
    newLine_->setObjectName(QStringLiteral("TextAddRrn"));
    placeTwips(newLine_, 120, 3720, 5775, 375);
    addButton_ = pictureButton(this, "addRRN", QStyle::SP_ArrowRight, "go-next", QStringLiteral("Добавить в рабочий список"));
    placeTwips(addButton_, 6120, 1200, 855, 735);
    addToCatalogueButton_ =
        pictureButton(this, "addnew", QStyle::SP_FileDialogNewFolder, "list-add", QStringLiteral("Добавить RRN в базу"));
    placeTwips(addToCatalogueButton_, 2640, 2640, 735, 735);
    workingList_ = new SortedListBox(this);
    workingList_->setObjectName(QStringLiteral("ListRrnFor"));
    placeTwips(workingList_, 7200, 480, 2295, 2010);
    catalogueList_ = new SortedListBox(this);
    catalogueList_->setObjectName(QStringLiteral("ListRrnAll"));
    placeTwips(catalogueList_, 120, 480, 5775, 2010);
    for (SortedListBox* l : {workingList_, catalogueList_}) l->setFont(listFont());
    QLabel* newHeading = listHeading(this, "spisok0", QStringLiteral("    новый RRN                          комментарий"));
    placeTwips(newHeading, 240, 3480, 5055, 255);
    QLabel* workingHeading = listHeading(this, "spisok1", QStringLiteral("RRN для обработки "));
    placeTwips(workingHeading, 7200, 240, 2295, 495);
    workingHeading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* catalogueHeading = listHeading(this, "allrrn", QStringLiteral("Все RRN"));
    placeTwips(catalogueHeading, 2160, 240, 1215, 375);
    catalogueHeading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* l : {newHeading, workingHeading, catalogueHeading}) growToFit(l);
    placeTwips(listDecoration(this, "Image1_0", QStyle::SP_FileDialogContentsView, 735, 735), 1560, 2640, 735, 735);
    placeTwips(listDecoration(this, "Image1_1", QStyle::SP_FileDialogListView, 735, 735), 3720, 2640, 735, 735);

    setTabOrder(catalogueList_, workingList_);
    setTabOrder(workingList_, addToCatalogueButton_);
    setTabOrder(addToCatalogueButton_, addButton_);
    setTabOrder(addButton_, newLine_);
    setTabOrder(newLine_, removeButton_);
    setTabOrder(removeButton_, clearButton_);
    setTabOrder(clearButton_, exitButton_);
}

void ReportListWindow::connectControls() {
    connect(addButton_, &QPushButton::clicked, this, &ReportListWindow::addToWorkingList);
    connect(catalogueList_, &QListWidget::itemDoubleClicked, this, &ReportListWindow::addToWorkingList);
    connect(removeButton_, &QPushButton::clicked, this, &ReportListWindow::removeFromWorkingList);
    connect(workingList_, &QListWidget::itemDoubleClicked, this, &ReportListWindow::removeFromWorkingList);
    connect(clearButton_, &QPushButton::clicked, this, &ReportListWindow::clearWorkingList);
    connect(addToCatalogueButton_, &QPushButton::clicked, this, &ReportListWindow::addToCatalogue);
    connect(exitButton_, &QPushButton::clicked, this, &ReportListWindow::close);
    connect(newLine_, &QLineEdit::returnPressed, this, &ReportListWindow::addToCatalogue);
    onKeys(catalogueList_, {Qt::Key_Return, Qt::Key_Enter}, this, [this] { addToWorkingList(); });
    onKeys(workingList_, {Qt::Key_Delete}, this, [this] { removeFromWorkingList(); });
    for (QPushButton* b : {clearButton_, exitButton_, removeButton_, addButton_, addToCatalogueButton_})
        b->setAutoDefault(false);
    pressButtonsWithEnter(this);
}

void ReportListWindow::loadLists() {
    catalogueList_->setAll(loadListLines(this, catalogue_));
    bool ok = true;
    std::vector<std::string> entries;
    for (const auto& line : loadListLines(this, working_, &ok)) entries.push_back(reportEntry(line));
    workingList_->setAll(std::move(entries));
    // A working list that could not be read is not rewritten from an empty window.
    for (QPushButton* b : {addButton_, removeButton_, clearButton_}) b->setEnabled(ok);
    workingList_->setEnabled(ok);
}

void ReportListWindow::addToWorkingList() {
    // A double-click or Enter on the catalogue comes here with the buttons disabled too.
    const int row = selectedRow(catalogueList_);
    if (row < 0 || !addButton_->isEnabled()) return;
    appendAndShow(this, workingList_, working_, catalogueList_->bytesAt(row));  // the whole line
}

void ReportListWindow::removeFromWorkingList() {
    if (removeButton_->isEnabled()) removeSelected(this, workingList_, working_);
}

void ReportListWindow::clearWorkingList() {
    if (clearButton_->isEnabled()) askThenClear(this, workingList_, working_);
}

void ReportListWindow::addToCatalogue() {
    const QString text = newLine_->text();
    if (QString(text).remove(QLatin1Char(' ')).isEmpty()) return;  // blank: nothing to add
    if (!isOneLine(this, text)) return;
    appendAndShow(this, catalogueList_, catalogue_, toCp1251(text));  // as typed, spaces kept
}

}  // namespace kalvimo
