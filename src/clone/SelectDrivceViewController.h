#pragma once
// The OS clone screen. The main window is its delegate and sends closeErrorWindow on a click
// into the window.
// The methods the main window calls are virtual so that its tests can record them.
#include <QWidget>

#include "uikit/Delegate.h"

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class SelectDrivceViewControllerDelegate {
 public:
  virtual ~SelectDrivceViewControllerDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class SelectDrivceViewController : public QWidget {
  Q_OBJECT
 public:
  explicit SelectDrivceViewController(QWidget* parent = nullptr);

  QWidget* view() { return this; }
  virtual void setDelegate(SelectDrivceViewControllerDelegate* delegate);
  SelectDrivceViewControllerDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void closeErrorWindow();

 private:
  uikit::WeakDelegate<SelectDrivceViewControllerDelegate> delegate_;
};
