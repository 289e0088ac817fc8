#pragma once
// Moving a window by a press on its background or its title bar: the window
// system's own move where it offers one, else the window follows the pointer.
#include <QPointF>
#include <QPointer>
#include <QWidget>

class QMouseEvent;

namespace uikit {

class WindowMover {
 public:
  // A left press on the window's background (no control took it).
  void press(QWidget* window, const QPointF& globalPos);
  // The pointer moved with the button held; nothing without a press.
  void dragTo(const QPointF& globalPos);
  void release();
  bool isPressed() const { return window_ != nullptr; }

  // The three events of a widget that moves its window: a left press starts,
  // a move with the left button held drags, a release ends. Answers whether
  // the event was the mover's.
  bool handle(QWidget* window, QMouseEvent* event);

 private:
  QPointer<QWidget> window_;
  bool systemMove_ = false;
  QPointF last_;
};

}  // namespace uikit
