#pragma once
// The OS clone screen: the source is the running system, the destination a
// whole external disk chosen in the volume picker. It checks room and Full
// Disk Access, confirms, runs the shared clone engine with step and percent
// progress, repairs the new disk's Preboot volume where the system needs it,
// and shows success, failure or the user's stop.
// The main window is its delegate and sends closeErrorWindow on a click into
// the window. The methods the main window calls are virtual so that its tests
// can record them.
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "clone/CloneDiskWork.h"
#include "clone/ClonePanels.h"
#include "clone/KVBootable.h"
#include "copy/SelectDiskViewController.h"
#include "copy/SelectValueView.h"
#include "platform/Jobs.h"
#include "uikit/Delegate.h"

class ErrorViewController;
class NODEAttachedWindow;
class PVPopoverController;
class StripedProgressBar;

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class SelectDrivceViewControllerDelegate {
 public:
  virtual ~SelectDrivceViewControllerDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class SelectDrivceViewController : public QWidget,
                                   public SelectValueViewDelegate,
                                   public SelectDiskVCDelegate,
                                   public KVBootableDelegate,
                                   public MakeSureToCloneSystemVCDelegate,
                                   public MakeSureCancelCloneSystemVCDelegate {
  Q_OBJECT
 public:
  explicit SelectDrivceViewController(QWidget* parent = nullptr);
  ~SelectDrivceViewController() override;

  QWidget* view() { return this; }
  virtual void setDelegate(SelectDrivceViewControllerDelegate* delegate);
  SelectDrivceViewControllerDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void closeErrorWindow();

  // SelectValueViewDelegate
  void selectDiskButton(int diskFrom, QWidget* sender) override;
  void closeDiskValue(int diskFrom) override;
  // SelectDiskVCDelegate
  void doSelectDiskWithVolume(const VolumeObjPtr& volume) override;
  // KVBootableDelegate
  void KVUINotify(_tagBootableProgress* progress) override;
  void changeProLabelValue(const QString& text) override;
  void changeProTimeWithTag(int tag, int step) override;
  // MakeSureToCloneSystemVCDelegate
  void beginToCopySystem() override;
  // MakeSureCancelCloneSystemVCDelegate
  void cancelToCopySystem() override;

  void cloneButtonAction();
  void cancelButtonAction();
  void toCheckFullDiskAccess();
  void changeLanageue();

  // What the screen knows, for its tests.
  qint64 usedSize() const { return usedSize_; }
  bool usedSizeFailed() const { return usedSizeFailed_; }
  qint64 freeSize() const { return freeSize_; }
  VolumeObjPtr destination() const { return toVolume; }
  bool isWorking() const { return jobActive_; }

 private:
  void awakeFromNib();
  void buildChoosingPane();
  void buildWorkingPane();
  void setUpBoxes();

  void usedSizeMeasured(std::optional<qint64> used);
  void changeSelectCopyType();
  void showErrorWindow(const QString& text);
  void showErrorWindowWithErrorStr(const QString& text);
  void doCopyAction();
  void showPanel(ClonePanelView* panel);
  void resetWorkingPane();
  void changeProValue(float percent);
  void cloneSucceeded();
  void repairPrebootFile();
  void prebootRepairEnded(quint64 token, cloning::PrebootRepairResult result);
  bool repairRuns() const { return repairStop_ != nullptr; }
  void stopRepair();
  void showEndView();
  void showFailView(const QString& text);
  void showFaile(bool failed);
  void backHomeView();
  void closePopover();

  // Panes and controls (named as the screen's outlets).
  QWidget* selectDiskView = nullptr;
  QWidget* copyProgressView = nullptr;
  QWidget* progressView = nullptr;
  QWidget* endView = nullptr;
  QWidget* sussView = nullptr;
  QWidget* failView = nullptr;
  QWidget* selectFromView = nullptr;
  QWidget* selectToView = nullptr;
  QWidget* stepView = nullptr;
  QWidget* setp_2 = nullptr;
  SelectValueView* selectFromVC = nullptr;
  SelectValueView* selectToVC = nullptr;
  SetpFViewController* stepFVC = nullptr;
  QLabel* animImageView = nullptr;
  StripedProgressBar* iProgreeBar = nullptr;
  QLabel* pathLabel = nullptr;
  TextImageButton* cloneButton = nullptr;
  TextImageButton* cancelButton = nullptr;
  TextImageButton* failCancelButton = nullptr;
  TextImageButton* succCancelButton = nullptr;
  TextImageButton* checkFullButton = nullptr;
  QLabel* errorLable = nullptr;
  QLabel* fialeTitleLabel = nullptr;
  QLabel* suessLabel = nullptr;
  QLabel* sourceLabel = nullptr;
  QLabel* destinationLabel = nullptr;
  QLabel* tipLabel = nullptr;
  QLabel* tipNodeLabel = nullptr;
  QLabel* suessNodeLabel = nullptr;
  QLabel* nodeLabel = nullptr;

  QPointer<SelectDiskViewController> selectDiskVC;
  QPointer<PVPopoverController> popoverController;
  QPointer<NODEAttachedWindow> errorPopWin;
  FullDiskAccessViewController* fullDiskAccess_ = nullptr;

  int openPopType = 0;
  qint64 usedSize_ = -1;
  bool usedSizeFailed_ = false;
  qint64 freeSize_ = -1;
  VolumeObjPtr toVolume;
  bool isUserCancel = false;

  // The clone this screen started: its reports count only while it is the
  // current one and no result (nor the user's stop) is shown yet.
  quint64 jobToken_ = 0;
  bool jobActive_ = false;
  // The Preboot repair's stop flag, from its start until its worker's result
  // is in: the engine's job has closed by then, yet the repair still mounts,
  // copies and unmounts on the new disk, so the clone lasts until it returned.
  std::shared_ptr<std::atomic<bool>> repairStop_;

  uikit::WeakDelegate<SelectDrivceViewControllerDelegate> delegate_;
  // Quitting stops a running repair as Cancel does and waits for its end.
  platform::JobOwnerRegistration quitStops_{[this] { return repairRuns(); }, [this] { stopRepair(); }};
};
