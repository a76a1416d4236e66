#pragma once
// Positions in twips, the fonts of the windows, and how a disabled picture looks.
#include <QFont>
#include <QIcon>
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

// The icon at that size, with a picture for the disabled state that is plainly faded: grey and
// mostly transparent. Pictures of black lines on a white box hardly change when the toolkit
// greys them, and a disabled button then looks like one that works.
QIcon fadedWhenDisabled(const QIcon& icon, const QSize& size);

}  // namespace kalvimo
