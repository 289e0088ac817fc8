#include "uikit/DropDown.h"

#include <QTimer>

#include "uikit/AttachedWindow.h"

namespace uikit {

DropDown::DropDown(QObject* owner) : QObject(owner) {}

DropDown::~DropDown() {
  if (RAttachedWindow* w = window_.data()) {
    shown_ = 0;
    window_.clear();
    w->dismiss();
  }
}

RAttachedWindow* DropDown::open(QWidget* parentWindow, QWidget* view, const NSPoint& point) {
  if (isOpen()) {
    delete view;
    return nullptr;
  }
  RAttachedWindow* w = showDropDown(parentWindow, view, point);
  if (!w) return nullptr;
  window_ = w;
  const quint64 opening = ++opening_;
  shown_ = opening;
  connect(w, &RAttachedWindow::pointerLeft, this, [this, opening] {
    if (opening == shown_) close();
  });
  // A window closed by another path (its parent went, it lost key) counts as closed.
  connect(w, &QObject::destroyed, this, [this, opening] {
    if (shown_ != opening) return;
    shown_ = 0;
    window_.clear();
    Q_EMIT closed();
  });
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  timer->setInterval(closeDelayMs_);
  connect(timer, &QTimer::timeout, this, [this, timer, opening] {
    timer->deleteLater();
    closeTimerFired(opening);
  });
  timer_ = timer;
  timer->start();
  return w;
}

void DropDown::closeTimerFired(quint64 opening) {
  if (opening != shown_ || !window_) return;  // an earlier opening's timer
  if (window_->isPointerInside() || window_->underMouse()) return;  // leaving closes it
  close();
}

void DropDown::close() {
  RAttachedWindow* w = window_.data();
  if (!w || shown_ == 0) return;
  shown_ = 0;
  window_.clear();
  w->dismiss();
  Q_EMIT closed();
}

}  // namespace uikit
