#include "installer/InstallerViewController.h"

InstallerViewController::InstallerViewController(QWidget* parent) : QWidget(parent) {}

void InstallerViewController::setDelegate(InstallerVCDelegate* delegate) {
  delegate_ = delegate;
  QObject* object = dynamic_cast<QObject*>(delegate);
  delegateGuard_ = object;
  guarded_ = object != nullptr;
}

InstallerVCDelegate* InstallerViewController::delegate() const {
  if (guarded_ && !delegateGuard_) return nullptr;
  return delegate_;
}

void InstallerViewController::canChangeTab(bool canChange) {
  if (InstallerVCDelegate* target = delegate()) target->canChangeTab(canChange);
}
