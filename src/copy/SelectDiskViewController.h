#pragma once
// The volume picker, shown in a popover next to a source or destination box.
//
// How a screen uses it: on a box click make a new picker, set its delegate
// and, for whole-disk targets (the clone screen), setIsOnlyShowEx(true); wrap
// it in a PVPopoverController and present it. Discovery starts when the picker
// is first shown (or at awakeFromNib()); one click on a row sends
// doSelectDiskWithVolume to the delegate; the screen then closes the popover
// and drops the picker. A discovery still running when the picker goes away
// is dropped. Rows are named "diskRow:<volume name>" for tests.
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>
#include <functional>
#include <optional>

#include "services/VolumeObj.h"
#include "uikit/Delegate.h"
#include "uikit/Geometry.h"

class BusyIndicator;
class PVPopoverController;
class DiskSizeProgress;
class DiskListViewController;

class SelectDiskVCDelegate {
 public:
  virtual ~SelectDiskVCDelegate() = default;
  virtual void doSelectDiskWithVolume(const VolumeObjPtr& volume) { (void)volume; }
};

class DiskListVCDelegate {
 public:
  virtual ~DiskListVCDelegate() = default;
  virtual void doSelectDiskWithVolume(const VolumeObjPtr& volume) { (void)volume; }
};

class DiskListViewDelegate {
 public:
  virtual ~DiskListViewDelegate() = default;
  virtual void doSelectDisk() {}
  virtual void mouseInView() {}
  virtual void mouseOutView() {}
};

// The picker's decisions, without a window.
namespace picker {

// Volume mode: the record of a volume whose disk-tool dictionary is `info`, or
// nullptr when it is not listed (no dictionary, no "VolumeName", or hidden).
VolumeObjPtr volumeFromInfo(const std::optional<QVariantMap>& info, bool hidden);
// The hide test of a volume's device "/dev/<bsd>": nothing answers for it, its
// size is 0 or unknown, or its file system is "ntfs".
bool isHiddenVolume(const QString& bsdName);

// Whole-disk mode: whether the disk passes the bus, RAID, encryption, content
// and virtual-disk rules.
bool wholeDiskPasses(const QVariantMap& info);
// The record of a whole disk, or nullptr when it is rejected by those rules or
// is one of `startupDisks` (the whole disks that hold "/").
VolumeObjPtr wholeDiskFromInfo(const std::optional<QVariantMap>& info, const QStringList& startupDisks);

// The used share the row's bar shows, in percent.
float usagePercent(qint64 total, qint64 free, bool wholeDiskMode);

inline constexpr double kListWidth = 392;
inline constexpr double kRowWidth = 358;
inline constexpr double kRowHeight = 48;
inline constexpr double kMinListHeight = 400;

// Frames in the list's document view (origin bottom left).
struct Layout {
  double height = 0;
  std::optional<uikit::NSRect> internalHeader;
  std::optional<uikit::NSRect> externalHeader;
  QList<uikit::NSRect> internalRows;
  QList<uikit::NSRect> externalRows;
};
Layout layout(int internalCount, int externalCount, bool wholeDiskMode);

// Discovery as the picker runs it (blocking; worker thread). Each device once.
QList<VolumeObjPtr> discoverVolumes();
QList<VolumeObjPtr> discoverWholeDisks();

}  // namespace picker

// A row's background: tracks the pointer and reports clicks.
class DiskListView : public QWidget {
  Q_OBJECT
 public:
  explicit DiskListView(QWidget* parent = nullptr);
  bool mouseIn() const { return mouseIn_; }
  void setDiskViewDelegate(DiskListViewDelegate* d) { delegate_ = d; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;

 private:
  bool mouseIn_ = false;
  DiskListViewDelegate* delegate_ = nullptr;  // its controller, which owns it
};

// One row: icon, name, size, file-system type and usage bar.
class DiskListViewController : public QWidget, public DiskListViewDelegate {
  Q_OBJECT
 public:
  explicit DiskListViewController(QWidget* parent = nullptr);
  void setVolumeObj(const VolumeObjPtr& volume) { volumeObj = volume; }
  VolumeObjPtr volume() const { return volumeObj; }
  void setIsOnlyShowEx(bool wholeDisk) { isOnlyShowEx = wholeDisk; }
  void setDiskListVCDelegate(DiskListVCDelegate* d) { diskListVCDelegate = d; }
  void refreshaView();

  // DiskListViewDelegate
  void doSelectDisk() override;
  void mouseInView() override;
  void mouseOutView() override;

  QLabel* nameLabel() const { return nameLabel_; }
  QLabel* sizeLabel() const { return sizeLabel_; }
  QLabel* diskInfoLabel() const { return diskInfoLabel_; }
  QString iconName() const { return iconName_; }
  DiskSizeProgress* usageBar() const { return bar_; }

 protected:
  // A click given to the row itself (its background view takes real clicks).
  void mousePressEvent(QMouseEvent* e) override;

 private:
  void applyIcon();
  QLabel* nameLabel_ = nullptr;
  QLabel* sizeLabel_ = nullptr;
  QLabel* diskInfoLabel_ = nullptr;
  QLabel* diskIconImageView = nullptr;
  DiskListView* aView = nullptr;
  DiskSizeProgress* bar_ = nullptr;
  QString iconName_;
  VolumeObjPtr volumeObj;
  bool isOnlyShowEx = false;
  uikit::WeakDelegate<DiskListVCDelegate> diskListVCDelegate;
};

class SelectDiskViewController : public QWidget, public DiskListVCDelegate {
  Q_OBJECT
 public:
  explicit SelectDiskViewController(QWidget* parent = nullptr);
  ~SelectDiskViewController() override;
  QWidget* view() { return this; }

  void setSelectDiskVCDelegate(SelectDiskVCDelegate* d) { selectDiskVCDelegate = d; }
  SelectDiskVCDelegate* delegate() const { return selectDiskVCDelegate.get(); }
  void setIsOnlyShowEx(bool wholeDisk) { isOnlyShowEx = wholeDisk; }
  bool onlyShowEx() const { return isOnlyShowEx; }

  // Starts discovery once; later calls do nothing.
  void awakeFromNib();
  // Lays the list out from the discovered volumes (main thread).
  void showView();
  // The list is laid out (discovery ended and its 0.2 s passed).
  bool isListShown() const { return listShown_; }

  // DiskListVCDelegate
  void doSelectDiskWithVolume(const VolumeObjPtr& volume) override;

  const QList<VolumeObjPtr>& allVolumes() const { return allVolumeArr; }
  QList<DiskListViewController*> rows() const;
  QWidget* documentView() const { return document_; }
  QScrollArea* listScrollView() const { return listScrollView_; }
  BusyIndicator* loadP() const { return loadP_; }

  // For tests: the volumes a discovery finds instead of asking the disks.
  static void setDiscoveryForTesting(std::function<QList<VolumeObjPtr>(bool wholeDisk)> discover);

 protected:
  void showEvent(QShowEvent*) override;

 private:
  void discoveryEnded(const QList<VolumeObjPtr>& volumes);

  QScrollArea* listScrollView_ = nullptr;
  QPointer<QWidget> document_;
  BusyIndicator* loadP_ = nullptr;
  QList<VolumeObjPtr> allVolumeArr;
  bool isOnlyShowEx = false;
  bool started_ = false;
  bool discovered_ = false;
  bool listShown_ = false;
  uikit::WeakDelegate<SelectDiskVCDelegate> selectDiskVCDelegate;
};

// Shows `picker` in a new white popover beside `anchor` (the destination box's
// to its right, the source box's to its left), as the copy, clone and image
// screens open it; the border width and the animation are each screen's own.
PVPopoverController* presentVolumePicker(SelectDiskViewController* picker, QWidget* owner, QWidget* anchor,
                                         bool destination, double borderWidth, bool animates);
