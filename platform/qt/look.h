#pragma once
// Positions in twips and the fonts of the windows.
#include <QFont>
#include <QRect>

class QLabel;
class QWidget;

namespace kalvimo {

// Twips to pixels: 15 twips a pixel at 96 dpi, scaled with the screen's logical dpi.
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);
void placeTwips(QWidget* w, int left, int top, int width, int height);
// A caption wider in the font at hand than its place keeps its left edge and grows.
void growToFit(QLabel* label);

// Garamond, else PT Serif, else EB Garamond, else the default UI font.
QFont textFont(double points, bool bold = false);
// Times New Roman, else Liberation Serif, else the default serif.
QFont listFont(double points = 9.75);

}  // namespace kalvimo
