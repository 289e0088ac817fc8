#include "clone/SelectDrivceViewController.h"

SelectDrivceViewController::SelectDrivceViewController(QWidget* parent) : QWidget(parent) {}

void SelectDrivceViewController::setDelegate(SelectDrivceViewControllerDelegate* delegate) {
  delegate_ = delegate;
  QObject* object = dynamic_cast<QObject*>(delegate);
  delegateGuard_ = object;
  guarded_ = object != nullptr;
}

SelectDrivceViewControllerDelegate* SelectDrivceViewController::delegate() const {
  if (guarded_ && !delegateGuard_) return nullptr;
  return delegate_;
}

void SelectDrivceViewController::canChangeTab(bool canChange) {
  if (SelectDrivceViewControllerDelegate* target = delegate()) target->canChangeTab(canChange);
}

void SelectDrivceViewController::closeErrorWindow() {}
