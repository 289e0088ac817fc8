#pragma once
// The installer-media screen. The main window is its delegate.
// The methods the main window calls are virtual so that its tests can record them.
#include <QWidget>

#include "uikit/Delegate.h"

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class InstallerVCDelegate {
 public:
  virtual ~InstallerVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class InstallerViewController : public QWidget {
  Q_OBJECT
 public:
  explicit InstallerViewController(QWidget* parent = nullptr);

  QWidget* view() { return this; }
  virtual void setDelegate(InstallerVCDelegate* delegate);
  InstallerVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);

 private:
  uikit::WeakDelegate<InstallerVCDelegate> delegate_;
};
