#include "image/DmgViewController.h"

DmgViewController::DmgViewController(QWidget* parent) : QWidget(parent) {}

void DmgViewController::setDelegate(DmgVCDelegate* delegate) {
  delegate_ = delegate;
  QObject* object = dynamic_cast<QObject*>(delegate);
  delegateGuard_ = object;
  guarded_ = object != nullptr;
}

DmgVCDelegate* DmgViewController::delegate() const {
  if (guarded_ && !delegateGuard_) return nullptr;
  return delegate_;
}

void DmgViewController::canChangeTab(bool canChange) {
  if (DmgVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void DmgViewController::closeErrorWindow() {}
