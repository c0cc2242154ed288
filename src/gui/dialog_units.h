#pragma once
// Dialog units: template positions and sizes are given in units of the
// dialog font, so a window keeps its proportions whatever font it gets. A
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.

#include <QFont>
#include <QRect>

namespace gui {

struct DialogUnits {
  int averageCharWidth;  // pixels
  int charHeight;        // pixels
};

// The base units of a font: the average width of the 52 Latin letters,
// rounded to the nearest pixel, and the font's line height.
DialogUnits DialogUnitsOf(const QFont& font);

// One value in dialog units to pixels, rounded to the nearest pixel (halves
// away from zero).
int HorizontalPixels(int units, const DialogUnits& base);
int VerticalPixels(int units, const DialogUnits& base);

// A template rectangle (left, top, width, height in dialog units) in pixels.
QRect ToPixels(int left, int top, int width, int height, const DialogUnits& base);

// The dialog font: the platform's default font at 8 points stands in for the
// templates' "MS Shell Dlg".
QFont DialogFont(int points);

}  // namespace gui
