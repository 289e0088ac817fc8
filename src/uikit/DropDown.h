#pragma once
// The rule every drop-down list of the screens follows (copy mode, installer
// versions, file system): the list is shown in an RAttachedWindow above its
// fixed point and closes 3 seconds after it opened unless the pointer is
// inside, when the pointer leaves it, or on a choice. Each opening has its own
// timer, and a timer closes only the opening that started it.
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "uikit/Geometry.h"

class RAttachedWindow;

namespace uikit {

class DropDown : public QObject {
  Q_OBJECT
 public:
  static constexpr int kCloseAfterMs = 3000;

  explicit DropDown(QObject* owner);
  ~DropDown() override;

  // Shows `view` (the window owns it from then on) unless a list is open;
  // the window, or nullptr when nothing was shown.
  RAttachedWindow* open(QWidget* parentWindow, QWidget* view, const NSPoint& point);
  // On a choice, or when the pointer leaves the list.
  void close();
  bool isOpen() const { return shown_ != 0 && !window_.isNull(); }
  RAttachedWindow* window() const { return window_.data(); }

  // The delay before the timed close; tests shorten it.
  void setCloseDelay(int ms) { closeDelayMs_ = ms; }
  // The timer of the current opening (it outlives a close, and then does nothing).
  QTimer* closeTimer() const { return timer_.data(); }

 Q_SIGNALS:
  void closed();

 private:
  void closeTimerFired(quint64 opening);
  QPointer<RAttachedWindow> window_;
  QPointer<QTimer> timer_;
  quint64 opening_ = 0;
  quint64 shown_ = 0;  // the opening on screen, 0 for none
  int closeDelayMs_ = kCloseAfterMs;
};

}  // namespace uikit
