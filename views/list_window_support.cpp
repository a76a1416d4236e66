#include "views/list_window_support.h"

#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include "lists/list_files.h"
#include "platform/files.h"
#include "platform/io_error.h"
#include "platform/qt/look.h"
#include "platform/qt/qt_text.h"
#include "views/sorted_list_box.h"

namespace kalvimo {
namespace {

void showMessage(QWidget* window, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, window->windowTitle().trimmed(), text, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("listFailure"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
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

}  // namespace

QPushButton* pictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* themeName,
                           const QString& tip) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(QIcon::fromTheme(QString::fromLatin1(themeName), parent->style()->standardIcon(icon)));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(tip);
    return b;
}

QLabel* listHeading(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(textFont(9.75, true));
    return l;
}

QLabel* listDecoration(QWidget* parent, const char* name, QStyle::StandardPixmap icon, int w, int h) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setPixmap(parent->style()->standardIcon(icon).pixmap(std::min(twips(w), twips(h))));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

std::vector<std::string> loadListLines(QWidget* window, const std::string& path, bool* ok) {
    if (ok) *ok = true;
    try {
        return readListLines(path);
    } catch (const IoError& e) {
        if (ok) *ok = false;
        reportListFailure(window, e);
        return {};
    }
}

bool isOneLine(QWidget* window, const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && !text.contains(QChar(0))) return true;
    showMessage(window, QStringLiteral("Текст содержит перевод строки: добавляйте строки по одной."));
    return false;
}

int selectedRow(const SortedListBox* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->row(item) : -1;
}

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

void appendAndShow(QWidget* window, SortedListBox* list, const std::string& path, const std::string& line) {
    try {
        appendListLine(path, line);
    } catch (const IoError& e) {
        reportListFailure(window, e);
        return;
    }
    QListWidgetItem* selected = list->currentItem() && list->currentItem()->isSelected() ? list->currentItem() : nullptr;
    list->insertSorted(line);
    if (selected) list->setCurrentItem(selected);
    else list->setCurrentRow(-1, QItemSelectionModel::Clear);
}

void onKeys(QWidget* widget, std::initializer_list<int> keys, QObject* context, std::function<void()> action) {
    for (int key : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), widget, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, context, action);
    }
}

void reportListFailure(QWidget* window, const IoError& error) { showMessage(window, fromUtf8(error.message())); }

}  // namespace kalvimo
