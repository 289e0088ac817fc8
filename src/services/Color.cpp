#include "services/Color.h"

#include <algorithm>

QColor getColor(double red, double green, double blue, double alpha) {
  auto unit = [](double v) { return std::clamp(v / 255.0, 0.0, 1.0); };
  return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)),
                          float(std::clamp(alpha, 0.0, 1.0)));
}

QColor deviceColor(double red, double green, double blue, double alpha) {
  return getColor(red, green, blue, alpha);
}
