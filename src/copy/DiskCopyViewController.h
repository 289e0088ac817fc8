#pragma once
// The copy screen. The main window controller is its delegate; the main window
// sends chengeTabCloseNode when another tab is chosen and closeErrorWindow on a click into it.
// The methods the main window calls are virtual so that its tests can record them.
#include <QWidget>

#include "uikit/Delegate.h"

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class DiskCopyVCDelegate {
 public:
  virtual ~DiskCopyVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class DiskCopyViewController : public QWidget {
  Q_OBJECT
 public:
  explicit DiskCopyViewController(QWidget* parent = nullptr);

  QWidget* view() { return this; }
  virtual void setDelegate(DiskCopyVCDelegate* delegate);
  DiskCopyVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void chengeTabCloseNode();
  virtual void closeErrorWindow();

 private:
  uikit::WeakDelegate<DiskCopyVCDelegate> delegate_;
};
