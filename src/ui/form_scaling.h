#pragma once
// Windows laid out for one width are scaled by width / design width when
// they are shown. Integer arithmetic throughout, value * m / d truncated, so
// a layout scales the same way on every run.
#include <QRect>

class QWidget;

namespace zu {

inline int ScaleValue(int value, int m, int d) {
    return d == 0 ? value : int((long long)value * m / d);
}
QRect ScaleRect(const QRect& r, int m, int d);

// Scales the geometry of every child widget of form (not the form itself) and
// the font sizes, by m / d. Children placed by a layout follow their layout
// instead. A factor of 1 (m == d) or d <= 0 leaves the form as it is.
void ScaleContents(QWidget* form, int m, int d);

} // namespace zu
