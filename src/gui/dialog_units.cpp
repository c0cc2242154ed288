#include "gui/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

namespace gui {
namespace {

// value * numerator / denominator, rounded half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  const long long rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int>(rounded);
}

}  // namespace

DialogUnits DialogUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return DialogUnits{(letters / 26 + 1) / 2, metrics.height()};
}

int HorizontalPixels(int units, const DialogUnits& base) { return ScaleRounded(units, base.averageCharWidth, 4); }

int VerticalPixels(int units, const DialogUnits& base) { return ScaleRounded(units, base.charHeight, 8); }

QRect ToPixels(int left, int top, int width, int height, const DialogUnits& base) {
  return QRect(HorizontalPixels(left, base), VerticalPixels(top, base), HorizontalPixels(width, base),
               VerticalPixels(height, base));
}

QFont DialogFont(int points) {
  QFont font = QApplication::font();
  font.setPointSize(points);
  return font;
}

}  // namespace gui
