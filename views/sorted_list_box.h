#pragma once
// A list box of Windows-1251 texts kept in the program's alphabetical order. Each item keeps
// its bytes, so that a line read from a file is written back exactly as it was.
#include <QListWidget>
#include <string>
#include <vector>

namespace kalvimo {

class SortedListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    // Puts the text at its place, after the items equal to it; returns its row.
    int insertSorted(const std::string& bytes);
    void setAll(std::vector<std::string> items);  // sorts them
    std::string bytesAt(int row) const;
    std::vector<std::string> allBytes() const;
};

// Sorts Windows-1251 texts in the program's alphabetical order.
bool alphaLess(const std::string& a, const std::string& b);

}  // namespace kalvimo
