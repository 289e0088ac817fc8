#include "uikit/WindowMove.h"

#include <QMouseEvent>
#include <QWindow>

namespace uikit {

void WindowMover::press(QWidget* window, const QPointF& globalPos) {
  window_ = window;
  systemMove_ = false;
  last_ = globalPos;
}

void WindowMover::dragTo(const QPointF& globalPos) {
  QWidget* w = window_;
  if (!w || (w->windowState() & Qt::WindowFullScreen) || systemMove_) return;
  // Asked at the first drag, not at the press, so that a click or a
  // double-click stays a click. Once the window system moves the window, it
  // keeps the pointer until the button is released.
  if (QWindow* handle = w->windowHandle(); handle && handle->startSystemMove()) {
    systemMove_ = true;
    return;
  }
  const QPointF d = globalPos - last_;
  last_ = globalPos;
  w->move(w->pos() + d.toPoint());
}

void WindowMover::release() {
  window_.clear();
  systemMove_ = false;
}

bool WindowMover::handle(QWidget* window, QMouseEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (event->button() != Qt::LeftButton) return false;
      press(window, event->globalPosition());
      return true;
    case QEvent::MouseMove:
      if (!isPressed() || !(event->buttons() & Qt::LeftButton)) return false;
      dragTo(event->globalPosition());
      return true;
    case QEvent::MouseButtonRelease:
      if (event->button() != Qt::LeftButton || !isPressed()) return false;
      release();
      return true;
    default:
      return false;
  }
}

}  // namespace uikit
