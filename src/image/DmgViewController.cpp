#include "image/DmgViewController.h"

DmgViewController::DmgViewController(QWidget* parent) : QWidget(parent) {}

void DmgViewController::setDelegate(DmgVCDelegate* delegate) { delegate_ = delegate; }

DmgVCDelegate* DmgViewController::delegate() const { return delegate_.get(); }

void DmgViewController::canChangeTab(bool canChange) {
  if (DmgVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void DmgViewController::closeErrorWindow() {}
