#include "clone/SelectDrivceViewController.h"

SelectDrivceViewController::SelectDrivceViewController(QWidget* parent) : QWidget(parent) {}

void SelectDrivceViewController::setDelegate(SelectDrivceViewControllerDelegate* delegate) { delegate_ = delegate; }

SelectDrivceViewControllerDelegate* SelectDrivceViewController::delegate() const { return delegate_.get(); }

void SelectDrivceViewController::canChangeTab(bool canChange) {
  if (SelectDrivceViewControllerDelegate* target = delegate()) target->canChangeTab(canChange);
}

void SelectDrivceViewController::closeErrorWindow() {}
