#pragma once
#include <QColor>

// A colour from red, green and blue in 0…255 and an alpha in 0…1.
QColor getColor(double red, double green, double blue, double alpha);
// The UI kit's device colours: the same conversion.
QColor deviceColor(double red, double green, double blue, double alpha = 1.0);
