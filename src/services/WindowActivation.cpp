#include "services/WindowActivation.h"

#include <QApplication>

ReturnActivation::ReturnActivation() : window_(QApplication::activeWindow()) {}

void ReturnActivation::giveBack() {
  QWidget* window = window_;
  window_.clear();
  if (!window || !window->isVisible() || window->isMinimized()) return;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window) return;
  window->raise();
  window->activateWindow();
}
