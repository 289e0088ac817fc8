#pragma once
// The disk-image screen. The main window is its delegate and sends closeErrorWindow on a click
// into the window.
// The methods the main window calls are virtual so that its tests can record them.
#include <QWidget>

#include "uikit/Delegate.h"

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class DmgVCDelegate {
 public:
  virtual ~DmgVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class DmgViewController : public QWidget {
  Q_OBJECT
 public:
  explicit DmgViewController(QWidget* parent = nullptr);

  QWidget* view() { return this; }
  virtual void setDelegate(DmgVCDelegate* delegate);
  DmgVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void closeErrorWindow();

 private:
  uikit::WeakDelegate<DmgVCDelegate> delegate_;
};
