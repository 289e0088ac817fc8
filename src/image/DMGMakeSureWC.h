#pragma once
// The confirmation panel of the image screen, shown over the main window in a
// StatusAttachedWindow (its superDelegate, which it closes to end itself).
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "uikit/AttachedWindow.h"
#include "uikit/Delegate.h"
#include "uikit/ImageButtons.h"
#include "uikit/PanelView.h"

class DMGMakeSureWCDelegate {
 public:
  virtual ~DMGMakeSureWCDelegate() = default;
  virtual void beginToMakeDMGorZIP() {}
};

class DMGMakeSureWC : public PanelView {
  Q_OBJECT
 public:
  // The panel covers a main window of `size`.
  explicit DMGMakeSureWC(const QSize& size, QWidget* parent = nullptr);

  QLabel* titleLabel() const { return titleLabel_; }
  QLabel* nodeLabel() const { return nodeLabel_; }
  TextImageButton* cancelButton() const { return cancelButton_; }
  TextImageButton* doneButton() const { return doneButton_; }

  StatusAttachedWindow* superDelegate() const { return superDelegateWindow(); }
  DMGMakeSureWCDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(DMGMakeSureWCDelegate* delegate) { delegate_ = delegate; }

  void cancelButtonAction();
  void doneButtonAction();

 private:
  void awakeFromNib();

  QLabel* titleLabel_ = nullptr;
  QLabel* nodeLabel_ = nullptr;
  TextImageButton* cancelButton_ = nullptr;
  TextImageButton* doneButton_ = nullptr;
  uikit::WeakDelegate<DMGMakeSureWCDelegate> delegate_;
};
