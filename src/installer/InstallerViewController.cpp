#include "installer/InstallerViewController.h"

InstallerViewController::InstallerViewController(QWidget* parent) : QWidget(parent) {}

void InstallerViewController::setDelegate(InstallerVCDelegate* delegate) { delegate_ = delegate; }

InstallerVCDelegate* InstallerViewController::delegate() const { return delegate_.get(); }

void InstallerViewController::canChangeTab(bool canChange) {
  if (InstallerVCDelegate* target = delegate()) target->canChangeTab(canChange);
}
