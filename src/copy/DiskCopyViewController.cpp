#include "copy/DiskCopyViewController.h"

DiskCopyViewController::DiskCopyViewController(QWidget* parent) : QWidget(parent) {}

void DiskCopyViewController::setDelegate(DiskCopyVCDelegate* delegate) { delegate_ = delegate; }

DiskCopyVCDelegate* DiskCopyViewController::delegate() const { return delegate_.get(); }

void DiskCopyViewController::canChangeTab(bool canChange) {
  if (DiskCopyVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void DiskCopyViewController::chengeTabCloseNode() {}

void DiskCopyViewController::closeErrorWindow() {}
