#pragma once
// The disk-image and ZIP screen: the user chooses what to pack (a volume, what
// is ticked in the file browser, or dropped items), a destination volume and
// the kind of output, confirms, and watches the engine make the file. The main
// window is its delegate and sends closeErrorWindow on a click into the window.
// The methods the main window calls are virtual so that its tests can record them.
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "copy/DiskListWC.h"
#include "copy/LComboBox.h"
#include "copy/SelectDiskViewController.h"
#include "copy/SelectValueView.h"
#include "copy/SetpViewController.h"
#include "image/DMGMakeSureWC.h"
#include "image/DmgRules.h"
#include "image/MakeDmg.h"
#include "services/Controller.h"
#include "services/GetFilesSize.h"
#include "uikit/Delegate.h"

class StripedProgressBar;
class TextImageButton;
class KVHandButton;
class NODEAttachedWindow;
class ErrorViewController;
class DmgRadioButton;
class PVPopoverController;
class RAttachedWindow;

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class DmgVCDelegate {
 public:
  virtual ~DmgVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class DmgViewController : public QWidget,
                          public SelectValueViewDelegate,
                          public LComboBoxDelegate,
                          public SelectAllFileVCDelegate,
                          public SelectDiskVCDelegate,
                          public DiskListWCDelegate,
                          public DMGMakeSureWCDelegate,
                          public MakeDmgDelegate,
                          public ControllerDelegate {
  Q_OBJECT
 public:
  explicit DmgViewController(QWidget* parent = nullptr);
  ~DmgViewController() override;

  QWidget* view() { return this; }
  virtual void setDelegate(DmgVCDelegate* delegate);
  DmgVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void closeErrorWindow();

  // SelectValueViewDelegate
  void selectDiskButton(int diskFrom, QWidget* sender) override;
  void closeDiskValue(int diskFrom) override;
  void viewDragAction(const FileNodeList& nodes) override;
  void viewDragRefused(const QStringList& macPaths) override;
  // SelectDiskVCDelegate
  void doSelectDiskWithVolume(const VolumeObjPtr& volume) override;
  // LComboBoxDelegate
  void changeSelectCopyType() override;
  void doShowSearchView() override;
  void showSelectAllVC() override;
  // SelectAllFileVCDelegate
  void mouseEixtView(bool exited) override;
  void selectFormatbyType(int type) override;
  void closeMattachedWindow();
  // DiskListWCDelegate
  void closeWindowWithSelect(const FileNodeList& roots, quint64 size) override;
  // DMGMakeSureWCDelegate
  void beginToMakeDMGorZIP() override;
  // MakeDmgDelegate
  void makeDmgFailWithError(int error) override;
  void beginToCopyDmg() override;
  void copyFileToDmgWithFileName(const QString& text, float progress) override;
  // ControllerDelegate: the whole source was listed.
  void endScanFiles() override;

  // The size total of a job, on the main thread; dropped unless `job` is
  // still the job waiting for it.
  void allCopyFilesSize(quint64 job, qint64 size);

  const dmg::Choice& choice() const { return choice_; }
  MakeDmg* engine() const { return makeDmg; }
  QString openUrl() const { return openUrl_; }
  // For tests: the pause between the confirmation and the job (300 ms), so a
  // test can act inside it for sure.
  void setStartDelay(int ms) { aTimer->setInterval(ms); }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  enum class Phase { Choosing, Listing, Delay, Totalling, Working, Ended };

  void buildLayout();
  void changeLanageue();
  void applyChoice();
  void applySourceBox();
  void applyDestinationBox();
  void setComboType(int type);
  // Back to copy all: a browser selection is forgotten and the space check runs.
  void resetToCopyAll();
  void closePopover();
  void showBubble(const std::optional<dmg::Choice::Bubble>& bubble);
  void showErrorWindowWithErrorStr(const QString& text, int leftOrRight);

  void cloneButtonAction();
  void dropPendingStart();
  void makeZipButAction();
  void makeDmgButAction();
  void doMakeZip();
  void startJob();
  void doMakeZipWithFileArr();
  void doMakeDMGWithFileArr();
  void makeImageOfSize(qint64 size);
  void changePathValue(const QString& text, float value);
  // `withHint`: the advice under the text (not after the user's own stop).
  void showFailView(const QString& text, bool withHint = true);
  void showFaile(bool failed);
  void setOpenLabel();
  void openPathButtonAction();
  void cancelButtonAction();
  void backHomeView();

  QWidget* selectDiskView = nullptr;
  QWidget* copyProgressView = nullptr;
  QWidget* progressView = nullptr;
  QWidget* endView = nullptr;
  QWidget* sussView = nullptr;
  QWidget* failView = nullptr;
  QWidget* selectFromView = nullptr;
  QWidget* selectToView = nullptr;
  QWidget* comboBoxView = nullptr;
  QWidget* setpView = nullptr;
  QWidget* setp_2 = nullptr;
  QLabel* topLabel = nullptr;
  QLabel* sourceLabel = nullptr;
  QLabel* destinationLabel = nullptr;
  QLabel* pathLabel = nullptr;
  QLabel* succLabel = nullptr;
  QLabel* openLabel = nullptr;
  QLabel* errorLable = nullptr;
  QLabel* errorNodeLabel = nullptr;
  TextImageButton* cloneButton = nullptr;
  TextImageButton* cancelButton = nullptr;
  TextImageButton* failCancelButton = nullptr;
  TextImageButton* succCancelButton = nullptr;
  KVHandButton* openButton = nullptr;
  DmgRadioButton* makeZipBut = nullptr;
  DmgRadioButton* makeDmgBut = nullptr;
  StripedProgressBar* rogressView = nullptr;
  QPointer<NODEAttachedWindow> errorPopWin;
  SelectValueView* selectFromVC = nullptr;
  SelectValueView* selectToVC = nullptr;
  LComboBox* lComboBox = nullptr;
  SetpViewController* setpVC = nullptr;
  SetpViewController* setpVC_2 = nullptr;
  int openPopType = 0;
  QPointer<SelectDiskViewController> selectDiskVC;
  QPointer<PVPopoverController> popoverController;
  QPointer<DiskListWC> diskListWC;
  uikit::DropDown* sortDropDown = new uikit::DropDown(this);
  bool settingCombo_ = false;
  int rootsTouched_ = 0;
  QTimer* aTimer = nullptr;
  QTimer* errorTimer = nullptr;

  MakeDmg* makeDmg = nullptr;
  std::unique_ptr<Controller> controller;
  dmg::Choice choice_;
  FileNodeListRef filesArr;  // the selection's roots; null: the whole source, not yet listed
  dmg::Packed zipFilesArr;
  dmg::Output output_;
  bool isMakeZip = false;
  QString openUrl_;
  QString failText_;
  Phase phase_ = Phase::Choosing;
  quint64 job_ = 0;  // a new number for every start and every cancel
  uikit::WeakDelegate<DmgVCDelegate> delegate_;
};
