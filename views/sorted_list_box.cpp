#include "views/sorted_list_box.h"

#include "platform/collate.h"
#include "platform/cp1251.h"
#include "platform/qt/qt_text.h"

namespace kalvimo {

bool alphaLess(const std::string& a, const std::string& b) {
    return alphaCompare(decodeCp1251(a), decodeCp1251(b)) < 0;
}

int SortedListBox::insertSorted(const std::string& bytes) {
    int lo = 0, hi = count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (alphaLess(bytes, bytesAt(mid))) hi = mid;
        else lo = mid + 1;
    }
    auto* item = new QListWidgetItem(fromCp1251(bytes));
    item->setData(Qt::UserRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    insertItem(lo, item);
    return lo;
}

void SortedListBox::setAll(std::vector<std::string> items) {
    clear();
    sortAlphabetically(items, TextEncoding::Cp1251);
    for (const auto& bytes : items) {
        auto* item = new QListWidgetItem(fromCp1251(bytes), this);
        item->setData(Qt::UserRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
}

std::string SortedListBox::bytesAt(int row) const {
    const QListWidgetItem* it = item(row);
    return it ? it->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

std::vector<std::string> SortedListBox::allBytes() const {
    std::vector<std::string> out;
    for (int i = 0; i < count(); ++i) out.push_back(bytesAt(i));
    return out;
}

}  // namespace kalvimo
