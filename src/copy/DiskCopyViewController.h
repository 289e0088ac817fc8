#pragma once
// The copy screen (sidebar tab 0): choose a source (a volume, or dropped
// items) and a destination, copy all or what is ticked in the browser, confirm,
// follow the copy, open the result.
//
// The main window controller is its delegate; the main window sends
// chengeTabCloseNode when another tab is chosen and closeErrorWindow on a
// click into it. The methods the main window calls are virtual so that its
// tests can record them.
//
// The choice rules live in copyscreen::CopyChoice, the destination folder in
// copyscreen::makeCopyFolder; this class applies them to its widgets. A copy
// is one job with a token: reports of a replaced job are dropped, and the pane
// follows the engine's one final report.
#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "copy/CopyChoice.h"
#include "copy/CopyFolder.h"
#include "copy/DiskListWC.h"
#include "copy/LComboBox.h"
#include "copy/SelectDiskViewController.h"
#include "copy/SelectValueView.h"
#include "copy/SetpViewController.h"
#include "services/Controller.h"
#include "services/DoCopyFiles.h"
#include "uikit/Delegate.h"

#include "uikit/AttachedWindow.h"
#include "uikit/PanelView.h"

class ErrorViewController;
class KVHandButton;
class PVPopoverController;
class StripedProgressBar;
class TextImageButton;

// Sent by the screen to lock (NO) and unlock (YES) the main window's sidebar.
class DiskCopyVCDelegate {
 public:
  virtual ~DiskCopyVCDelegate() = default;
  virtual void canChangeTab(bool canChange) { (void)canChange; }
};

class CopyMakeSureWCDelegate {
 public:
  virtual ~CopyMakeSureWCDelegate() = default;
  virtual void beginToCopyFiles() {}
};

// The confirmation panel, shown over the whole main window.
class CopyMakeSureWC : public PanelView {
  Q_OBJECT
 public:
  explicit CopyMakeSureWC(QWidget* parent = nullptr);
  void setDelegate(CopyMakeSureWCDelegate* d) { delegate_ = d; }
  TextImageButton* doneButton() const { return doneButton_; }
  TextImageButton* cancelButton() const { return cancelButton_; }

 private:
  QLabel* titleLabel_ = nullptr;
  QLabel* nodeLabel_ = nullptr;
  TextImageButton* cancelButton_ = nullptr;
  TextImageButton* doneButton_ = nullptr;
  uikit::WeakDelegate<CopyMakeSureWCDelegate> delegate_;
};

class DiskCopyViewController : public QWidget,
                               public SelectValueViewDelegate,
                               public SelectDiskVCDelegate,
                               public LComboBoxDelegate,
                               public SelectAllFileVCDelegate,
                               public DiskListWCDelegate,
                               public CopyMakeSureWCDelegate,
                               public ControllerDelegate {
  Q_OBJECT
 public:
  explicit DiskCopyViewController(QWidget* parent = nullptr);
  ~DiskCopyViewController() override;

  QWidget* view() { return this; }
  virtual void setDelegate(DiskCopyVCDelegate* delegate);
  DiskCopyVCDelegate* delegate() const;
  // Forwards the flag to the delegate.
  virtual void canChangeTab(bool canChange);
  virtual void chengeTabCloseNode();
  virtual void closeErrorWindow();
  void changeLanageue();

  // For tests: the clock that names the destination folder.
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
  const copyscreen::CopyChoice& choice() const { return choice_; }
  QString openUrl() const { return openUrl_; }
  // For tests: report receivers of copy jobs whose final report is not in yet.
  int reportReceiversHeld() const { return int(reports_.size()); }

  // SelectValueViewDelegate
  void selectDiskButton(int diskFrom, QWidget* sender) override;
  void closeDiskValue(int diskFrom) override;
  void viewDragAction(const FileNodeList& nodes) override;
  void viewDragRefused(const QStringList& macPaths) override;
  void selectFileButtonAction(QObject* sender) override { (void)sender; }
  // SelectDiskVCDelegate
  void doSelectDiskWithVolume(const VolumeObjPtr& volume) override;
  // LComboBoxDelegate
  void changeSelectCopyType() override;
  void doShowSearchView() override;
  void showSelectAllVC() override;
  // SelectAllFileVCDelegate
  void mouseEixtView(bool exited) override;
  void selectFormatbyType(int type) override;
  // DiskListWCDelegate
  void closeWindowWithSelect(const FileNodeList& roots, quint64 size) override;
  // CopyMakeSureWCDelegate
  void beginToCopyFiles() override;
  // ControllerDelegate
  void copyFileScanFiles() override;

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  class JobReports;
  friend class JobReports;

  void loadView();
  void buildChoicePage();
  void buildCopyPage();
  void apply(const copyscreen::MaybeCallout& callout);
  void showCallout(const copyscreen::Callout& callout);
  void chooseCopyMode(int type);
  void refreshSourceBox();
  void refreshDestinationBox();
  void showErrorWindowWithErrorStr(const QString& text, int leftOrRight);
  void closePopover();
  void closeMattachedWindow();
  void cloneButtonAction();
  void stopListing();
  void doCopyAction(const FileNodeList& roots, CopyItems items);
  void cancelButtonAction();
  void showFailView(const QString& text);
  void showFaile(bool failure);
  void openPathButtonAction();
  void backHomeView();

  // Reports of the copy job `token`, on the main thread.
  void jobProgress(quint64 token, float percent);
  void jobOutput(quint64 token, const QString& text);
  void jobError(quint64 token);
  void jobFinished(quint64 token, CopyOutcome outcome);

  copyscreen::CopyChoice choice_;
  std::function<QDateTime()> clock_;

  // Choice page.
  QWidget* selectDiskView = nullptr;
  QLabel* topLabel = nullptr;
  QWidget* setpView = nullptr;
  SetpViewController* setpVC = nullptr;
  QWidget* selectFromView = nullptr;
  QWidget* selectToView = nullptr;
  SelectValueView* selectFromVC = nullptr;
  SelectValueView* selectToVC = nullptr;
  QLabel* sourceLabel = nullptr;
  QLabel* destinationLabel = nullptr;
  QWidget* comboBoxView = nullptr;
  LComboBox* lComboBox = nullptr;
  TextImageButton* cloneButton = nullptr;

  // Copy page.
  QWidget* aCopyProView = nullptr;
  QWidget* setp_2 = nullptr;
  SetpViewController* setpVC_2 = nullptr;
  QWidget* progressView = nullptr;
  StripedProgressBar* rogressView = nullptr;
  QLabel* pathLabel = nullptr;
  TextImageButton* cancelButton = nullptr;
  QWidget* endView = nullptr;
  QWidget* sussView = nullptr;
  QWidget* failView = nullptr;
  QLabel* suessLabel = nullptr;
  QLabel* fialeTitleLabel = nullptr;
  QLabel* openLabel = nullptr;
  KVHandButton* openButton = nullptr;
  QLabel* errorLable = nullptr;
  TextImageButton* succCancelButton = nullptr;
  TextImageButton* failCancelButton = nullptr;

  // Pop-ups.
  int openPopType = 0;
  QPointer<SelectDiskViewController> selectDiskVC;
  QPointer<PVPopoverController> popoverController;
  QPointer<NODEAttachedWindow> errorPopWin;
  uikit::DropDown* sortDropDown = new uikit::DropDown(this);
  std::unique_ptr<DiskListWC> diskListWC;

  // The copy-all listing that runs before a copy of the whole source; the copy
  // button waits while it is there. Any change of the choice drops it: its end
  // would confirm the old choice.
  std::unique_ptr<Controller> controller;
  FileNodeListRef listing_;

  // The copy job.
  std::unique_ptr<DoCopyFiles> doCopy;
  // Each job's receiver, kept until its final report is in: a worker may still hold it.
  std::map<quint64, std::unique_ptr<JobReports>> reports_;
  quint64 jobToken_ = 0;
  bool jobSawError_ = false;
  bool jobCancelled_ = false;
  FileNodeList pendingRoots_;
  CopyItems pendingItems_ = CopyItems::BrowserSelection;
  QString openUrl_;

  uikit::WeakDelegate<DiskCopyVCDelegate> delegate_;
};
