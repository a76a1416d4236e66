#pragma once
// Enter and Return press the focused push button, as Space already does: a user who reaches a
// button with Tab expects either key to press it.
class QWidget;

namespace kalvimo {

// For every push button that window holds when it is called.
void pressButtonsWithEnter(QWidget* window);

}  // namespace kalvimo
