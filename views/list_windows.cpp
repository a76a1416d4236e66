#include "views/list_windows.h"

#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <functional>

#include "lists/list_files.h"
#include "platform/collate.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/qt/button_keys.h"
#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "views/sorted_list_box.h"

namespace kalvimo {
namespace {

QPushButton* pictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* themeName,
                           const QString& tip) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon::fromTheme(QString::fromLatin1(themeName), parent->style()->standardIcon(icon)));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(tip);
    return b;
}

QLabel* heading(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(textFont(9.75, true));
    return l;
}

QLabel* decoration(QWidget* parent, const char* name, QStyle::StandardPixmap icon, int w, int h) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setPixmap(parent->style()->standardIcon(icon).pixmap(std::min(twips(w), twips(h))));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

// The lines of a list file; one that cannot be read is shown empty and reported, and ok
// tells the caller not to rewrite it from the empty list.
std::vector<std::string> loadLines(QWidget* window, const std::string& path, bool* ok = nullptr) {
    if (ok) *ok = true;
    try {
        return readListLines(path);
    } catch (const IoError& e) {
        if (ok) *ok = false;
        reportListFailure(window, e);
        return {};
    }
}

void showMessage(QWidget* window, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, window->windowTitle().trimmed(), text, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("listFailure"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// One item is one line of its file: a pasted text with a line break in it would become
// several entries that the window shows as one.
bool oneLine(QWidget* window, const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && !text.contains(QChar(0))) return true;
    showMessage(window, QStringLiteral("Текст содержит перевод строки: добавляйте строки по одной."));
    return false;
}

// The selected row of a list, or -1.
int selectedRow(const SortedListBox* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->row(item) : -1;
}

// Removes the selected non-empty item and rewrites the file from what is left; puts the item
// back when the file cannot be written. Afterwards nothing is selected, so a second click or
// a double-click on the button removes nothing more.
void removeSelected(QWidget* window, SortedListBox* list, const std::string& path) {
    const int row = selectedRow(list);
    if (row < 0 || list->bytesAt(row).empty()) return;  // an empty item goes only with "clear"
    const std::string bytes = list->bytesAt(row);
    delete list->takeItem(row);
    list->setCurrentRow(-1, QItemSelectionModel::Clear);
    try {
        rewriteList(path, list->allBytes());
    } catch (const IoError& e) {
        list->setCurrentRow(list->insertSorted(bytes));
        reportListFailure(window, e);
    }
}

void clearList(QWidget* window, SortedListBox* list, const std::string& path) {
    const std::vector<std::string> before = list->allBytes();
    list->clear();
    try {
        rewriteList(path, {});
    } catch (const IoError& e) {
        list->setAll(before);
        reportListFailure(window, e);
    }
}

// A whole list lost to one stray click would be a fault: clearing asks once.
void askThenClear(QWidget* window, SortedListBox* list, const std::string& path) {
    auto* box = new QMessageBox(QMessageBox::Question, window->windowTitle().trimmed(),
                                QStringLiteral("Очистить весь список?"), QMessageBox::NoButton, window);
    box->setObjectName(QStringLiteral("clearQuestion"));
    QPushButton* yes = box->addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box->setDefaultButton(no);
    box->setEscapeButton(no);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::buttonClicked, window, [=](QAbstractButton* clicked) {
        if (clicked == yes) clearList(window, list, path);
    });
    box->open();
}

// Appends the line to the file, then shows it where it sorts; the selection stays as it was.
// Nothing changes when the file refuses the line.
bool appendAndShow(QWidget* window, SortedListBox* list, const std::string& path, const std::string& line) {
    try {
        appendListLine(path, line);
    } catch (const IoError& e) {
        reportListFailure(window, e);
        return false;
    }
    QListWidgetItem* selected = list->currentItem() && list->currentItem()->isSelected() ? list->currentItem() : nullptr;
    list->insertSorted(line);
    if (selected) list->setCurrentItem(selected);
    else list->setCurrentRow(-1, QItemSelectionModel::Clear);
    return true;
}

// Delete on the list removes like the remove button; Return and Enter on a widget run add.
void onKeys(QWidget* widget, std::initializer_list<Qt::Key> keys, QObject* context, std::function<void()> action) {
    for (Qt::Key key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), widget, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, context, action);
    }
}

}  // namespace

void reportListFailure(QWidget* window, const IoError& error) { showMessage(window, fromUtf8(error.message())); }

// ---- report numbers ----

frmSpisokrrn::frmSpisokrrn(const std::string& dataRoot, QWidget* parent)
    : QDialog(parent),
      catalogue_(joinPath(dataRoot, kReportCatalogueFile)),
      working_(joinPath(dataRoot, kWorkingReportsFile)) {
    setObjectName(QStringLiteral("frmSpisokrrn"));
    setWindowTitle(QStringLiteral("Настройка списка RRN    "));
    setAttribute(Qt::WA_DeleteOnClose);  // closing discards the lists; the next opening reads the files
    setFixedSize(twips(9615), twips(4215));

    btnclear = pictureButton(this, "btnclear", QStyle::SP_DialogResetButton, "edit-clear", QStringLiteral("очистить список"));
    placeTwips(btnclear, 8400, 2520, 855, 735);
    btnExit = pictureButton(this, "btnExit", QStyle::SP_DialogCloseButton, "window-close", QStringLiteral("Выход"));
    placeTwips(btnExit, 8400, 3720, 1095, 375);
    remspisok = pictureButton(this, "remspisok", QStyle::SP_TrashIcon, "list-remove", QStringLiteral("удалить из списка"));
    placeTwips(remspisok, 7440, 2520, 855, 735);
    TextAddRrn = new QLineEdit(this);
    TextAddRrn->setObjectName(QStringLiteral("TextAddRrn"));
    placeTwips(TextAddRrn, 120, 3720, 5775, 375);
    addRRN = pictureButton(this, "addRRN", QStyle::SP_ArrowRight, "go-next", QStringLiteral("Добавить в рабочий список"));
    placeTwips(addRRN, 6120, 1200, 855, 735);
    addnew = pictureButton(this, "addnew", QStyle::SP_FileDialogNewFolder, "list-add", QStringLiteral("Добавить RRN в базу"));
    placeTwips(addnew, 2640, 2640, 735, 735);
    ListRrnFor = new SortedListBox(this);
    ListRrnFor->setObjectName(QStringLiteral("ListRrnFor"));
    placeTwips(ListRrnFor, 7200, 480, 2295, 2010);
    ListRrnAll = new SortedListBox(this);
    ListRrnAll->setObjectName(QStringLiteral("ListRrnAll"));
    placeTwips(ListRrnAll, 120, 480, 5775, 2010);
    for (SortedListBox* l : {ListRrnFor, ListRrnAll}) l->setFont(listFont());
    spisok0 = heading(this, "spisok0", QStringLiteral("    новый RRN                          комментарий"));
    placeTwips(spisok0, 240, 3480, 5055, 255);
    spisok1 = heading(this, "spisok1", QStringLiteral("RRN для обработки "));
    placeTwips(spisok1, 7200, 240, 2295, 495);
    spisok1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    allrrn = heading(this, "allrrn", QStringLiteral("Все RRN"));
    placeTwips(allrrn, 2160, 240, 1215, 375);
    allrrn->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel* l : {spisok0, spisok1, allrrn}) growToFit(l);
    Image1_0 = decoration(this, "Image1_0", QStyle::SP_FileDialogContentsView, 735, 735);
    placeTwips(Image1_0, 1560, 2640, 735, 735);
    Image1_1 = decoration(this, "Image1_1", QStyle::SP_FileDialogListView, 735, 735);
    placeTwips(Image1_1, 3720, 2640, 735, 735);

    setTabOrder(ListRrnAll, ListRrnFor);
    setTabOrder(ListRrnFor, addnew);
    setTabOrder(addnew, addRRN);
    setTabOrder(addRRN, TextAddRrn);
    setTabOrder(TextAddRrn, remspisok);
    setTabOrder(remspisok, btnclear);
    setTabOrder(btnclear, btnExit);

    connect(addRRN, &QPushButton::clicked, this, &frmSpisokrrn::addRRN_Click);
    connect(ListRrnAll, &QListWidget::itemDoubleClicked, this, &frmSpisokrrn::addRRN_Click);
    connect(remspisok, &QPushButton::clicked, this, &frmSpisokrrn::remspisok_Click);
    connect(ListRrnFor, &QListWidget::itemDoubleClicked, this, &frmSpisokrrn::remspisok_Click);
    connect(btnclear, &QPushButton::clicked, this, &frmSpisokrrn::btnclear_Click);
    connect(addnew, &QPushButton::clicked, this, &frmSpisokrrn::addnew_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmSpisokrrn::btnExit_Click);
    connect(TextAddRrn, &QLineEdit::returnPressed, this, &frmSpisokrrn::addnew_Click);
    onKeys(ListRrnAll, {Qt::Key_Return, Qt::Key_Enter}, this, [this] { addRRN_Click(); });
    onKeys(ListRrnFor, {Qt::Key_Delete}, this, [this] { remspisok_Click(); });
    for (QPushButton* b : {btnclear, btnExit, remspisok, addRRN, addnew}) b->setAutoDefault(false);
    pressButtonsWithEnter(this);
    Form_Load();
}

void frmSpisokrrn::Form_Load() {
    ListRrnAll->setAll(loadLines(this, catalogue_));
    bool ok = true;
    std::vector<std::string> entries;
    for (const auto& line : loadLines(this, working_, &ok)) entries.push_back(reportEntry(line));
    ListRrnFor->setAll(std::move(entries));
    // A working list that could not be read is not rewritten from an empty window.
    for (QPushButton* b : {addRRN, remspisok, btnclear}) b->setEnabled(ok);
    ListRrnFor->setEnabled(ok);
}

void frmSpisokrrn::addRRN_Click() {
    const int row = selectedRow(ListRrnAll);
    if (row < 0 || !addRRN->isEnabled()) return;
    appendAndShow(this, ListRrnFor, working_, ListRrnAll->bytesAt(row));  // the whole line
}

void frmSpisokrrn::remspisok_Click() {
    if (remspisok->isEnabled()) removeSelected(this, ListRrnFor, working_);
}

void frmSpisokrrn::btnclear_Click() {
    if (btnclear->isEnabled()) askThenClear(this, ListRrnFor, working_);
}

void frmSpisokrrn::addnew_Click() {
    const QString text = TextAddRrn->text();
    if (QString(text).remove(QLatin1Char(' ')).isEmpty()) return;  // blank: nothing to add
    if (!oneLine(this, text)) return;
    appendAndShow(this, ListRrnAll, catalogue_, toCp1251(text));  // as typed, spaces kept
}

void frmSpisokrrn::btnExit_Click() { close(); }

// ---- devices ----

frmSpisokDev::frmSpisokDev(const std::string& dataRoot, QWidget* parent)
    : QDialog(parent),
      catalogue_(joinPath(dataRoot, kDeviceCatalogueFile)),
      working_(joinPath(dataRoot, kWorkingDevicesFile)) {
    setObjectName(QStringLiteral("frmSpisokDev"));
    setWindowTitle(QStringLiteral("Настройка списка устройств    "));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(3975), twips(4125));

    ComboAdd = new QComboBox(this);
    ComboAdd->setObjectName(QStringLiteral("ComboAdd"));
    ComboAdd->setEditable(true);
    ComboAdd->setInsertPolicy(QComboBox::NoInsert);
    ComboAdd->setCompleter(nullptr);  // an entry is stored exactly as typed, never completed
    ComboAdd->setFont(listFont());
    placeTwips(ComboAdd, 120, 3600, 2415, 315);
    addnew = pictureButton(this, "addnew", QStyle::SP_ArrowUp, "list-add", QStringLiteral("Добавить устройство"));
    placeTwips(addnew, 600, 1680, 855, 615);
    btnExit = pictureButton(this, "btnExit", QStyle::SP_DialogCloseButton, "window-close", QStringLiteral("Выход"));
    placeTwips(btnExit, 2760, 3600, 1095, 375);
    remspisok = pictureButton(this, "remspisok", QStyle::SP_TrashIcon, "list-remove", QStringLiteral("удалить из   списка"));
    placeTwips(remspisok, 1560, 1680, 855, 615);
    btnclear = pictureButton(this, "btnclear", QStyle::SP_DialogResetButton, "edit-clear",
                             QStringLiteral("очистить весь список"));
    placeTwips(btnclear, 2520, 1680, 855, 615);
    ListDev = new SortedListBox(this);
    ListDev->setObjectName(QStringLiteral("ListDev"));
    ListDev->setFont(listFont());
    placeTwips(ListDev, 120, 360, 3735, 1230);
    Image2 = decoration(this, "Image2", QStyle::SP_ComputerIcon, 585, 600);
    placeTwips(Image2, 1080, 2520, 585, 600);
    Image1 = decoration(this, "Image1", QStyle::SP_DriveNetIcon, 720, 675);
    placeTwips(Image1, 240, 2520, 720, 675);
    Label2 = heading(this, "Label2", QStringLiteral("Список всех устройств "));
    placeTwips(Label2, 120, 3360, 2415, 255);
    Label1 = heading(this, "Label1", QStringLiteral("Список устройств для обработки"));
    placeTwips(Label1, 240, 120, 3615, 255);
    for (QLabel* l : {Label1, Label2}) growToFit(l);

    setTabOrder(ListDev, btnclear);
    setTabOrder(btnclear, remspisok);
    setTabOrder(remspisok, btnExit);
    setTabOrder(btnExit, addnew);
    setTabOrder(addnew, ComboAdd);

    connect(addnew, &QPushButton::clicked, this, &frmSpisokDev::addnew_Click);
    connect(ListDev, &QListWidget::itemDoubleClicked, this, &frmSpisokDev::ListDev_dblClick);
    connect(remspisok, &QPushButton::clicked, this, &frmSpisokDev::remspisok_Click);
    connect(btnclear, &QPushButton::clicked, this, &frmSpisokDev::btnclear_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmSpisokDev::btnExit_Click);
    connect(ComboAdd->lineEdit(), &QLineEdit::returnPressed, this, &frmSpisokDev::addnew_Click);
    onKeys(ListDev, {Qt::Key_Delete}, this, [this] { remspisok_Click(); });
    for (QPushButton* b : {addnew, btnExit, remspisok, btnclear}) b->setAutoDefault(false);
    pressButtonsWithEnter(this);
    Form_Load();
}

void frmSpisokDev::Form_Load() {
    std::vector<std::string> catalogue = loadLines(this, catalogue_);
    sortAlphabetically(catalogue, TextEncoding::Cp1251);
    for (const auto& line : catalogue) ComboAdd->addItem(fromCp1251(line), QByteArray::fromStdString(line));
    ComboAdd->setCurrentIndex(-1);
    ComboAdd->setEditText(QStringLiteral("0000/0000/0000"));
    bool ok = true;
    ListDev->setAll(loadLines(this, working_, &ok));
    for (QPushButton* b : {addnew, remspisok, btnclear}) b->setEnabled(ok);
    ListDev->setEnabled(ok);
}

void frmSpisokDev::addnew_Click() {
    // Exactly what the field holds: no check for an empty text or a duplicate. A line picked
    // from the catalogue goes back byte for byte.
    const QString text = ComboAdd->currentText();
    if (!addnew->isEnabled() || !oneLine(this, text)) return;
    const int picked = ComboAdd->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    const std::string bytes = picked >= 0 ? ComboAdd->itemData(picked).toByteArray().toStdString() : toCp1251(text);
    appendAndShow(this, ListDev, working_, bytes);
}

void frmSpisokDev::ListDev_dblClick() {
    if (remspisok->isEnabled()) removeSelected(this, ListDev, working_);
}

void frmSpisokDev::btnclear_Click() {
    if (btnclear->isEnabled()) askThenClear(this, ListDev, working_);
}

void frmSpisokDev::btnExit_Click() { close(); }

}  // namespace kalvimo
