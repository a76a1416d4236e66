#pragma once
// What the two list windows share: their controls' looks, and the changes of a working list
// that reach its file before the handler returns. A change the file refused is taken back in
// the window and reported.
#include <QString>
#include <QStyle>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QLabel;
class QObject;
class QPushButton;
class QWidget;

namespace kalvimo {

class IoError;
class SortedListBox;

QPushButton* pictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* themeName,
                           const QString& tip);
QLabel* listHeading(QWidget* parent, const char* name, const QString& text);
QLabel* listDecoration(QWidget* parent, const char* name, QStyle::StandardPixmap icon, int w, int h);

// The lines of a list file; one that cannot be read is shown empty and reported, and ok
// tells the caller not to rewrite it from the empty list.
std::vector<std::string> loadListLines(QWidget* window, const std::string& path, bool* ok = nullptr);

// One item is one line of its file: a pasted text with a line break in it would become
// several entries that the window shows as one. Says so and returns false for such a text.
bool isOneLine(QWidget* window, const QString& text);

// The selected row of a list, or -1.
int selectedRow(const SortedListBox* list);

// Removes the selected non-empty item and rewrites the file from what is left; afterwards
// nothing is selected, so a second click removes nothing more.
void removeSelected(QWidget* window, SortedListBox* list, const std::string& path);
// Empties the list and its file, once the user has said yes.
void askThenClear(QWidget* window, SortedListBox* list, const std::string& path);
// Appends the line to the file, then shows it where it sorts; the selection stays as it was.
void appendAndShow(QWidget* window, SortedListBox* list, const std::string& path, const std::string& line);

// Runs action on each of the keys while widget has the focus.
void onKeys(QWidget* widget, std::initializer_list<int> keys, QObject* context, std::function<void()> action);

// Shows a list file that could not be read or changed, without blocking the window.
void reportListFailure(QWidget* window, const IoError& error);

}  // namespace kalvimo
