#pragma once
// The source/destination box of the copy, clone and image screens.
//
// How a screen uses it: make two boxes, setDiskFrom(1) for the source and
// setDiskFrom(2) for the destination, set the delegate, add each to its host
// view (a box is kSize big). Clicks on the box send selectDiskButton(diskFrom,
// sender); the screen opens the picker from `sender`. The screen fills the
// labels (nameLabel/sizeLabel/nodeSelectLabel), sets isHaveD/isCanSelect,
// the select button's image (setSelectImage), shows the clear button
// (closeDisk()->show()) and the error frame (changeBgImageViewWithError).
// A destination takes no drops: removeDragView(). Dropped files arrive as
// nodes through viewDragAction; a drop holding an item from outside the Mac
// (no Mac path) is refused as a whole and reported by viewDragRefused.
// Child object names end in the box number: "selectDiskBut1", "closeDisk2",
// "nameLabel1", "dragVie1", ...
// The shared string table (resources/strings/copy) holds the boxes' texts of
// every screen: "MAKE_DMG_CUSS_select_source", "MAKE_DMG_CUSS_select_destination",
// "MAKE_DMG_Free", "MAKE_DMG_select_count", "MAKE_DMG_select_FF_count",
// "MAKE_DMG_Select_F_Count" (one "%@" each), "MAKE_DMG_SOUECE",
// "MAKE_DMG_DESTINATION" and the callouts beside the boxes,
// "MAKE_DMG_error_same_drice" and "MAKE_DMG_error_no_space".
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "services/FileNode.h"
#include "services/VolumeObj.h"
#include "uikit/Delegate.h"
#include "uikit/Geometry.h"
#include "uikit/Tables.h"

class TCImageButton;

class SelectValueViewDelegate {
 public:
  virtual ~SelectValueViewDelegate() = default;
  virtual void selectDiskButton(int diskFrom, QWidget* sender) { (void)diskFrom; (void)sender; }
  virtual void closeDiskValue(int diskFrom) { (void)diskFrom; }
  virtual void viewDragAction(const FileNodeList& nodes) { (void)nodes; }
  virtual void selectFileButtonAction(QObject* sender) { (void)sender; }
  // A drop held items from outside the simulated Mac; nothing of it was taken.
  virtual void viewDragRefused(const QStringList& macPaths) { (void)macPaths; }
};

class SelectBgViewDelegate {
 public:
  virtual ~SelectBgViewDelegate() = default;
  virtual void mouseInSelectBgView(bool inside) { (void)inside; }
  virtual void mouseDownAction() {}
};

// The volume icon of a box's select button and of a picker row: "ic_usb_main"
// when ejectable, else "ic_os_main_b" for the startup volume, else "ic_disk_main".
QString volumeIconName(const VolumeObj& volume);

// Dropped Mac paths into nodes: hidden system names skipped, folders with size
// 0, files with their data size (0 when unreadable); every node selected.
FileNodeList eumeArr(const QStringList& macPaths);

// The box's background: reports the pointer and clicks.
class SelectBgView : public QWidget {
  Q_OBJECT
 public:
  explicit SelectBgView(QWidget* parent = nullptr);
  void setDelegate(SelectBgViewDelegate* d) { delegate_ = d; }

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;

 private:
  uikit::WeakDelegate<SelectBgViewDelegate> delegate_;
};

// A thin bar: track and filled part.
class SizeView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void setSizeFloat(float percent);
  float pointSize() const { return pointSize_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  float pointSize_ = 0;
};

// A white rounded panel.
class WbgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A button that shows one named image, scaled to its size.
class ImageNameButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit ImageNameButton(QWidget* parent = nullptr);
  void setImageNamed(const QString& name);
  QString imageName() const { return imageName_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString imageName_;
};

// An image view that shows one named image, scaled to its size.
class NamedImageView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  void setImageNamed(const QString& name);
  QString imageName() const { return imageName_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString imageName_;
};

class SelectValueView : public QWidget, public SelectBgViewDelegate, public DragViewDelegate {
  Q_OBJECT
 public:
  static constexpr uikit::NSSize kSize{320, 220};

  explicit SelectValueView(QWidget* parent = nullptr);
  QWidget* view() { return this; }

  void setDelegate(SelectValueViewDelegate* d) { delegate_ = d; }
  SelectValueViewDelegate* delegate() const { return delegate_.get(); }
  // 1 source, 2 destination; passed with every report. Names the children.
  void setDiskFrom(int diskFrom);
  int diskFrom() const { return diskFrom_; }

  bool isHaveD = false;
  void setIsHaveD(bool have);
  bool isCanSelect() const { return isCanSelect_; }
  void setIsCanSelect(bool can) { isCanSelect_ = can; }

  QLabel* nameLabel() const { return nameLabel_; }
  QLabel* sizeLabel() const { return sizeLabel_; }
  QLabel* nodeSelectLabel() const { return nodeSelectLabel_; }
  ImageNameButton* selectDiskBut() const { return selectDiskBut_; }
  TCImageButton* closeDisk() const { return closeDisk_; }
  DragView* dragVie() const { return dragVie_; }
  NamedImageView* bgImageView() const { return bgImageView_; }
  NamedImageView* errorImage() const { return errorImage_; }
  SizeView* proSizeView() const { return proSizeView_; }

  // The select button's image ("add", "ic_folder", "ic_usb_main", ...).
  void setSelectImage(const QString& name);
  // The background image by name ("source", "source_sel", ...).
  void setBgImage(const QString& name);
  // The destination takes no drops.
  void removeDragView();

  // Actions of the box's controls.
  void selectDiskButton(QWidget* sender);
  void openMenuButtonAction(QWidget* sender);
  void closeDiskValue();
  void changeBgImageViewWithError(bool error);
  void setOpenIcon() {}

  // SelectBgViewDelegate
  void mouseInSelectBgView(bool inside) override;
  void mouseDownAction() override;
  // DragViewDelegate
  void viewDragAction(const QStringList& paths) override;
  void selectFileButtonAction(QObject* sender) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  SelectBgView* bg_ = nullptr;
  NamedImageView* bgImageView_ = nullptr;
  NamedImageView* errorImage_ = nullptr;
  SizeView* proSizeView_ = nullptr;
  QLabel* nameLabel_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLabel* nodeSelectLabel_ = nullptr;
  ImageNameButton* selectDiskBut_ = nullptr;
  TCImageButton* closeDisk_ = nullptr;
  QPointer<DragView> dragVie_;
  int diskFrom_ = 0;
  bool isCanSelect_ = true;
  uikit::WeakDelegate<SelectValueViewDelegate> delegate_;
};
