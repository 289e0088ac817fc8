#pragma once
#include <QAbstractAnimation>
#include <QPropertyAnimation>
#include <QWidget>

// Whether the window's opacity is being animated to 0 now.
inline bool fadesOut(QWidget* window) {
  for (auto* a : window->findChildren<QPropertyAnimation*>())
    if (a->targetObject() == window && a->propertyName() == "windowOpacity" &&
        a->state() == QAbstractAnimation::Running && a->endValue().toDouble() == 0)
      return true;
  return false;
}
