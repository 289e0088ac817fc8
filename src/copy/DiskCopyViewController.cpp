#include "copy/DiskCopyViewController.h"

DiskCopyViewController::DiskCopyViewController(QWidget* parent) : QWidget(parent) {}

void DiskCopyViewController::setDelegate(DiskCopyVCDelegate* delegate) {
  delegate_ = delegate;
  QObject* object = dynamic_cast<QObject*>(delegate);
  delegateGuard_ = object;
  guarded_ = object != nullptr;
}

DiskCopyVCDelegate* DiskCopyViewController::delegate() const {
  if (guarded_ && !delegateGuard_) return nullptr;
  return delegate_;
}

void DiskCopyViewController::canChangeTab(bool canChange) {
  if (DiskCopyVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void DiskCopyViewController::chengeTabCloseNode() {}

void DiskCopyViewController::closeErrorWindow() {}
