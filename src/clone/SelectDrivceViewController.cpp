#include "clone/SelectDrivceViewController.h"

#include <QAbstractButton>

#include "clone/CloneDiskWork.h"
#include "clone/CloneScreenRules.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/SystemInfo.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Backgrounds.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/PVPopover.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"
#include "uikit/Tables.h"
#include "uikit/Widgets.h"

using namespace uikit;

namespace {

// The screen's area (AppKit coordinates, origin bottom left).
constexpr double kWidth = 888;
constexpr double kHeight = 652;
// The boxes sit under the error callouts' points of the main window
// (x 446 and 946, the screen area starting at x 252).
constexpr double kBoxY = 210;
constexpr NSRect kSourceBox{{34, kBoxY}, {SelectValueView::kSize.width, SelectValueView::kSize.height}};
constexpr NSRect kDestinationBox{{534, kBoxY}, {SelectValueView::kSize.width, SelectValueView::kSize.height}};
constexpr NSRect kStepBar{{(kWidth - SetpFViewController::kWidth) / 2, 500},
                          {SetpFViewController::kWidth, SetpFViewController::kHeight}};
constexpr double kPartHeight = 480;  // progress and result parts, under the step bar

QString text(const QString& key) { return getLocalizedString(key); }

struct ResultPane {
  QWidget* view;
  QLabel* title;
  QLabel* text;
  TextImageButton* done;
};

// A result: its title and text on a tip panel, and the button back to the choice.
ResultPane resultPane(QWidget* parent, const QString& name, const QColor& titleColor, const QString& doneName) {
  ResultPane r;
  r.view = page(parent, NSMakeRect(0, 0, kWidth, kPartHeight), name);
  auto* tip = new EndViewTipBgView(r.view);
  setFrame(tip, NSMakeRect(144, 170, 600, 190));
  r.title = wrappingLabel(r.view, sBoldFont(22), titleColor, NSMakeRect(164, 300, 560, 40),
                           Qt::AlignHCenter | Qt::AlignVCenter);
  r.text = wrappingLabel(r.view, regularFont(14), getColor(99, 100, 104, 1), NSMakeRect(184, 186, 520, 100),
                          Qt::AlignHCenter | Qt::AlignTop);
  r.done = button(r.view, QStringLiteral("btn_pri"), NSMakeRect((kWidth - 160) / 2, 60, 160, 40), doneName);
  return r;
}

}  // namespace

SelectDrivceViewController::SelectDrivceViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SelectDrivceViewController"));
  resize(int(kWidth), int(kHeight));
  awakeFromNib();
}

SelectDrivceViewController::~SelectDrivceViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  if (repairStop_) *repairStop_ = true;
  closePopover();
  delete fullDiskAccess_;
}

void SelectDrivceViewController::setDelegate(SelectDrivceViewControllerDelegate* delegate) { delegate_ = delegate; }

SelectDrivceViewControllerDelegate* SelectDrivceViewController::delegate() const { return delegate_.get(); }

void SelectDrivceViewController::canChangeTab(bool canChange) {
  if (SelectDrivceViewControllerDelegate* target = delegate()) target->canChangeTab(canChange);
}

// ------------------------------------------------------------------ set-up

void SelectDrivceViewController::awakeFromNib() {
  KVBootable* engine = KVBootable::KVShareInstance();
  engine->KVInit();
  engine->KVSetDelegate(this);

  buildChoosingPane();
  buildWorkingPane();
  setUpBoxes();

  // The used bytes take a disk-tool run: measured off the main thread, the
  // clone button waits for them.
  QPointer<SelectDrivceViewController> guard(this);
  platform::dispatchGlobal([guard] {
    const std::optional<qint64> used = ZZCheckVolumeIsBootDriveImp();
    platform::dispatchMain([guard, used] {
      if (guard) guard->usedSizeMeasured(used);
    });
  });

  platform::NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("UPDATE_LANGUAGE"),
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

void SelectDrivceViewController::buildChoosingPane() {
  selectDiskView = page(this, NSMakeRect(0, 0, kWidth, kHeight), QStringLiteral("selectDiskView"));
  nodeLabel = wrappingLabel(selectDiskView, regularFont(14), getColor(99, 100, 104, 1),
                             NSMakeRect(60, 576, kWidth - 120, 44), Qt::AlignHCenter | Qt::AlignVCenter);
  stepView = page(selectDiskView, kStepBar, QStringLiteral("stepView"));
  auto* choiceSteps = new SetpFViewController(stepView);
  choiceSteps->setSetpIn(1);

  sourceLabel = wrappingLabel(selectDiskView, mBoldFont(15), getColor(39, 38, 40, 1),
                               NSMakeRect(kSourceBox.x(), kSourceBox.maxY() + 12, kSourceBox.w(), 22), Qt::AlignHCenter);
  destinationLabel = wrappingLabel(selectDiskView, mBoldFont(15), getColor(39, 38, 40, 1),
                                    NSMakeRect(kDestinationBox.x(), kDestinationBox.maxY() + 12, kDestinationBox.w(), 22),
                                    Qt::AlignHCenter);
  selectFromView = page(selectDiskView, kSourceBox, QStringLiteral("selectFromView"));
  selectToView = page(selectDiskView, kDestinationBox, QStringLiteral("selectToView"));
  auto* arrow = new QLabel(selectDiskView);
  arrow->setPixmap(platform::Bundle::mainBundle().imageNamed(QStringLiteral("arrow")));
  arrow->setScaledContents(true);
  setFrame(arrow, NSMakeRect((kWidth - 82) / 2, kBoxY + 90, 82, 39));

  tipLabel = wrappingLabel(selectDiskView, mBoldFont(13), getColor(39, 38, 40, 1), NSMakeRect(40, 146, 560, 20),
                            Qt::AlignLeft | Qt::AlignVCenter);
  tipNodeLabel = wrappingLabel(selectDiskView, regularFont(12), getColor(99, 100, 104, 1),
                                NSMakeRect(40, 92, 580, 52), Qt::AlignLeft | Qt::AlignTop);
  checkFullButton = button(selectDiskView, QStringLiteral("btn_pri"), NSMakeRect(40, 30, 160, 40), QStringLiteral("checkFullButton"));
  cloneButton = button(selectDiskView, QStringLiteral("btn_pri"), NSMakeRect(kWidth - 200, 30, 160, 40), QStringLiteral("cloneButton"));
  cloneButton->setButtonEnabled(false);
  connect(checkFullButton, &QAbstractButton::clicked, this, [this] { toCheckFullDiskAccess(); });
  connect(cloneButton, &QAbstractButton::clicked, this, [this] { cloneButtonAction(); });
}

void SelectDrivceViewController::buildWorkingPane() {
  copyProgressView = page(this, NSMakeRect(0, 0, kWidth, kHeight), QStringLiteral("copyProgressView"));
  setp_2 = page(copyProgressView, kStepBar, QStringLiteral("setp_2"));
  stepFVC = new SetpFViewController(setp_2);
  stepFVC->setSetpIn(2);

  progressView = page(copyProgressView, NSMakeRect(0, 0, kWidth, kPartHeight), QStringLiteral("progressView"));
  animImageView = new QLabel(progressView);
  animImageView->setObjectName(QStringLiteral("animImageView"));
  animImageView->setScaledContents(true);
  setFrame(animImageView, NSMakeRect((kWidth - 120) / 2, 290, 120, 120));
  iProgreeBar = new StripedProgressBar(progressView);
  iProgreeBar->setObjectName(QStringLiteral("iProgreeBar"));
  setFrame(iProgreeBar, NSMakeRect(144, 236, 600, 16));
  pathLabel = wrappingLabel(progressView, regularFont(13), getColor(99, 100, 104, 1), NSMakeRect(144, 176, 600, 44),
                             Qt::AlignHCenter | Qt::AlignTop);
  pathLabel->setObjectName(QStringLiteral("pathLabel"));
  cancelButton = button(progressView, QStringLiteral("btn_sec"), NSMakeRect((kWidth - 160) / 2, 60, 160, 40), QStringLiteral("cancelButton"));
  connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });

  endView = page(copyProgressView, NSMakeRect(0, 0, kWidth, kPartHeight), QStringLiteral("endView"));
  const ResultPane success = resultPane(endView, QStringLiteral("sussView"), getColor(39, 38, 40, 1),
                                        QStringLiteral("succCancelButton"));
  sussView = success.view;
  suessLabel = success.title;
  suessNodeLabel = success.text;
  succCancelButton = success.done;
  const ResultPane failure = resultPane(endView, QStringLiteral("failView"), getColor(230, 70, 70, 1),
                                        QStringLiteral("failCancelButton"));
  failView = failure.view;
  fialeTitleLabel = failure.title;
  errorLable = failure.text;
  errorLable->setObjectName(QStringLiteral("errorLable"));
  failCancelButton = failure.done;
  connect(failCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });
  connect(succCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });

  iProgreeBar->setFloatValue(0);
  failView->hide();
  sussView->hide();
  endView->hide();
  copyProgressView->hide();
}

void SelectDrivceViewController::setUpBoxes() {
  selectFromVC = new SelectValueView(selectFromView);
  selectFromVC->setDiskFrom(1);
  selectFromVC->setDelegate(this);
  selectFromVC->setIsHaveD(true);
  selectFromVC->setIsCanSelect(false);
  selectFromVC->setSelectImage(QStringLiteral("ic_os_main_b"));
  selectFromVC->selectDiskBut()->setEnabled(false);
  selectFromVC->setBgImage(QStringLiteral("source_sel"));
  selectFromVC->sizeLabel()->clear();
  selectFromVC->nodeSelectLabel()->clear();

  selectToVC = new SelectValueView(selectToView);
  selectToVC->setDiskFrom(2);
  selectToVC->setDelegate(this);
  selectToVC->setIsHaveD(false);
  selectToVC->removeDragView();
  selectToVC->nameLabel()->clear();
  selectToVC->sizeLabel()->clear();
  selectToVC->nodeSelectLabel()->setText(text(QStringLiteral("MAKE_DMG_CUSS_select_destination")));
}

void SelectDrivceViewController::changeLanageue() {
  fialeTitleLabel->setText(text(QStringLiteral("BOOTABLE_CLONE_FAIL_TITLE")));
  errorLable->setText(text(QStringLiteral("BOOTABLE_CLONE_FAIL_NODE")));
  suessLabel->setText(text(QStringLiteral("MAKE_DMG_CUSS_TITLE")));
  sourceLabel->setText(text(QStringLiteral("MAKE_DMG_SOUECE")));
  destinationLabel->setText(text(QStringLiteral("MAKE_DMG_DESTINATION")));
  tipLabel->setText(text(QStringLiteral("BOOTABLE_TIP")));
  tipNodeLabel->setText(text(QStringLiteral("BOOTABLE_TIP_node")));
  suessNodeLabel->setText(text(QStringLiteral("BOOTABLE_TIP_suess_node")));
  nodeLabel->setText(text(QStringLiteral("BOOTABLE_TIP_top_node")));
  cloneButton->setTextWithName(text(QStringLiteral("BOOTABLE_CLONE_NOW")));
  failCancelButton->setTextWithName(text(QStringLiteral("COMM_Done")));
  succCancelButton->setTextWithName(text(QStringLiteral("COMM_Done")));
  checkFullButton->setTextWithName(text(QStringLiteral("BOOTABLE_CLONE_check")));
  selectFromVC->nameLabel()->setText(text(QStringLiteral("BOOTABLE_SYSTEM")));
  cancelButton->setTextWithName(text(QStringLiteral("COMM_CANCEL")));
  if (toVolume)
    selectToVC->sizeLabel()->setText(
        text(QStringLiteral("MAKE_DMG_Free")).replace(QStringLiteral("%@"), toVolume->volumeTotalSize));
  else
    selectToVC->nodeSelectLabel()->setText(text(QStringLiteral("MAKE_DMG_CUSS_select_destination")));
}

// ------------------------------------------------------------- choosing

void SelectDrivceViewController::usedSizeMeasured(std::optional<qint64> used) {
  usedSize_ = used.value_or(-1);
  usedSizeFailed_ = !used;
  if (used) selectFromVC->sizeLabel()->setText(KVPublicUtilities::longlongDiskSize(*used));
  if (toVolume) changeSelectCopyType();
}

void SelectDrivceViewController::selectDiskButton(int diskFrom, QWidget* sender) {
  closeErrorWindow();
  if (popoverController && popoverController->popoverIsVisible()) {
    closePopover();
    return;
  }
  closePopover();
  if (!sender) return;
  openPopType = diskFrom;
  selectDiskVC = new SelectDiskViewController;
  selectDiskVC->setSelectDiskVCDelegate(this);
  selectDiskVC->setIsOnlyShowEx(true);
  popoverController = presentVolumePicker(selectDiskVC, this, sender, openPopType == 2, 2.0, true);
}

void SelectDrivceViewController::closePopover() {
  // The popover fades out on its own and takes the picker with it.
  if (popoverController) popoverController->closeAndDeleteLater();
  else if (selectDiskVC) selectDiskVC->deleteLater();
  popoverController = nullptr;
  selectDiskVC = nullptr;
}

void SelectDrivceViewController::doSelectDiskWithVolume(const VolumeObjPtr& volume) {
  closePopover();
  if (openPopType == 1 || !volume) return;
  toVolume = volume;
  selectToVC->nameLabel()->setText(volume->volumeName);
  selectToVC->sizeLabel()->setText(
      text(QStringLiteral("MAKE_DMG_Free")).replace(QStringLiteral("%@"), volume->volumeTotalSize));
  selectToVC->nodeSelectLabel()->clear();
  selectToVC->closeDisk()->show();
  selectToVC->setIsHaveD(true);
  selectToVC->setSelectImage(QStringLiteral("ic_usb_main"));
  // The clone takes the whole disk: its total size is what counts.
  freeSize_ = volume->volumeTotalSizeNum;
  selectToVC->changeBgImageViewWithError(false);
  changeSelectCopyType();
}

void SelectDrivceViewController::changeSelectCopyType() {
  switch (cloning::spaceCheck(usedSize_, usedSizeFailed_, freeSize_)) {
    case cloning::SpaceVerdict::Pending: return;
    case cloning::SpaceVerdict::Fits:
      cloneButton->setButtonEnabled(true);
      selectToVC->changeBgImageViewWithError(false);
      return;
    case cloning::SpaceVerdict::TooSmall:
      cloneButton->setButtonEnabled(false);
      selectToVC->changeBgImageViewWithError(true);
      showErrorWindow(text(QStringLiteral("MAKE_DMG_error_no_space")));
      return;
    case cloning::SpaceVerdict::UsedUnknown:
      cloneButton->setButtonEnabled(false);
      selectToVC->changeBgImageViewWithError(true);
      showErrorWindow(text(QStringLiteral("BOOTABLE_CLONE_error_used_size")));
      return;
  }
}

void SelectDrivceViewController::closeDiskValue(int) {
  closeErrorWindow();
  toVolume = nullptr;
  freeSize_ = -1;
  selectToVC->changeBgImageViewWithError(false);
  selectToVC->setIsHaveD(false);
  selectToVC->setSelectImage(QStringLiteral("add"));
  selectToVC->nameLabel()->clear();
  selectToVC->sizeLabel()->clear();
  selectToVC->nodeSelectLabel()->setText(text(QStringLiteral("MAKE_DMG_CUSS_select_destination")));
  selectToVC->closeDisk()->hide();
  cloneButton->setButtonEnabled(false);
}

void SelectDrivceViewController::showErrorWindow(const QString& message) {
  closeErrorWindow();
  auto* errorVC = new ErrorViewController;
  errorVC->setObjectName(QStringLiteral("ErrorViewController"));
  errorVC->setErrorStr(message);
  errorPopWin = showErrorCallout(window(), errorVC, kErrorPointDestination);
  closeAttachedWindowAfter(errorPopWin, 10);
}

void SelectDrivceViewController::closeErrorWindow() {
  if (errorPopWin) errorPopWin->dismiss();
  errorPopWin = nullptr;
}

// --------------------------------------------------------------- starting

void SelectDrivceViewController::cloneButtonAction() {
  QPointer<SelectDrivceViewController> guard(this);
  platform::dispatchMain([guard] {
    if (guard) guard->doCopyAction();
  });
}

void SelectDrivceViewController::showPanel(ClonePanelView* panel) {
  panel->resize(window()->size());
  panel->setSuperDelegate(uikit::showPanel(window(), panel));
}

void SelectDrivceViewController::doCopyAction() {
  isUserCancel = false;
  auto* panel = new MakeSureToCloneSystemVC;
  panel->setDelegate(this);
  showPanel(panel);
}

void SelectDrivceViewController::toCheckFullDiskAccess() {
  if (!fullDiskAccess_) fullDiskAccess_ = new FullDiskAccessViewController;
  fullDiskAccess_->runModal(window());
}

void SelectDrivceViewController::resetWorkingPane() {
  iProgreeBar->setFloatValue(0);
  stepFVC->setSetpIn(2);
  animImageView->setPixmap(platform::Bundle::mainBundle().imageNamed(QStringLiteral("erase")));
  pathLabel->clear();
  cancelButton->setButtonEnabled(true);
  errorLable->setText(text(QStringLiteral("BOOTABLE_CLONE_FAIL_NODE")));
  sussView->hide();
  failView->hide();
  endView->hide();
  progressView->show();
}

void SelectDrivceViewController::beginToCopySystem() {
  // The last clone's repair still works on its disk; a new erase must not run beside it.
  if (repairRuns()) {
    showErrorWindowWithErrorStr(text(cloning::errorTextKeyForStart(KVBootable::kJobRunning)));
    return;
  }
  if (cloning::getAuthorizationStatus() != 2 && KVPublicUtilities::getSystemVersion() > 1299) {
    // Run after the panel's click has been delivered: the panel goes away
    // while the window's modal loop runs.
    QPointer<SelectDrivceViewController> guard(this);
    platform::dispatchMain([guard] {
      if (guard) guard->toCheckFullDiskAccess();
    });
    return;
  }
  closeErrorWindow();
  resetWorkingPane();
  selectDiskView->hide();
  copyProgressView->show();
  canChangeTab(false);
  isUserCancel = false;
  ++jobToken_;
  jobActive_ = true;
  const int started = KVBootable::KVShareInstance()->KVStart(toVolume);
  if (started >= 0) return;
  // Refused: nothing runs, so the user is back at the choice and told why.
  jobActive_ = false;
  copyProgressView->hide();
  selectDiskView->show();
  canChangeTab(true);
  showErrorWindowWithErrorStr(text(cloning::errorTextKeyForStart(started)));
}

void SelectDrivceViewController::showErrorWindowWithErrorStr(const QString& message) {
  auto* panel = new ErrorWindowController;
  panel->changeErrorLabelStr(message);
  showPanel(panel);
}

// --------------------------------------------------------------- progress

void SelectDrivceViewController::KVUINotify(_tagBootableProgress* progress) {
  if (!jobActive_ || !progress) return;
  if (progress->iErrCode >= 0) {
    const cloning::StepShow show = cloning::progressForStep(progress->iStepCode);
    if (show.stepBar) stepFVC->setSetpIn(show.stepBar);
    if (!show.image.isEmpty())
      animImageView->setPixmap(platform::Bundle::mainBundle().imageNamed(show.image));
    changeProValue(float(show.percent));
    // Only the engine's closing report ends the clone, never a figure.
    if (progress->iStepCode == 8) cloneSucceeded();
    return;
  }
  // A negative report is the job's last one: the engine has already stopped.
  showFailView(text(cloning::errorTextKeyForProgress(progress->iErrCode, isUserCancel)));
}

void SelectDrivceViewController::changeProLabelValue(const QString& label) {
  if (!jobActive_) return;
  pathLabel->setText(label.trimmed());
}

void SelectDrivceViewController::changeProTimeWithTag(int tag, int step) {
  if (!jobActive_) return;
  changeProValue(float(cloning::percentForTag(tag, step)));
}

void SelectDrivceViewController::changeProValue(float percent) {
  KVPublicUtilities::writeFileWithTab(QString::number(percent));
  iProgreeBar->animatorSetFloatValue(percent / 100.0);
}

void SelectDrivceViewController::cloneSucceeded() {
  if (cloning::prebootRepairRuns(has_m1_chip(), KVPublicUtilities::getSystemVersion()))
    repairPrebootFile();
  else
    showEndView();
}

void SelectDrivceViewController::repairPrebootFile() {
  pathLabel->setText(text(QStringLiteral("DISK_COPY_CLONEING")));
  const quint64 token = jobToken_;
  const QString wholeDisk = toVolume ? toVolume->volumePath : QString();
  const bool apfs = KVBootable::fileSystemForSystemVersion(KVPublicUtilities::getSystemVersion()) == QLatin1String("APFS");
  auto stop = std::make_shared<std::atomic<bool>>(false);
  repairStop_ = stop;
  QPointer<SelectDrivceViewController> guard(this);
  platform::dispatchGlobal([guard, token, wholeDisk, apfs, stop] {
    const cloning::PrebootRepairResult result =
        cloning::repairPrebootFile(wholeDisk, apfs, [stop] { return stop->load(); });
    platform::dispatchMain([guard, token, result] {
      if (guard) guard->prebootRepairEnded(token, result);
    });
  });
}

void SelectDrivceViewController::prebootRepairEnded(quint64 token, cloning::PrebootRepairResult result) {
  if (token != jobToken_) return;
  repairStop_.reset();
  if (!jobActive_) return;
  if (isUserCancel) {
    showFailView(text(QStringLiteral("BOOTABLE_CLONE_STOP_Node")));
    return;
  }
  pathLabel->setText(text(QStringLiteral("BOOTABLE_CLONE_Finishing")));
  if (result == cloning::PrebootRepairResult::Failed)
    showFailView(text(QStringLiteral("BOOTABLE_CLONE_error_preboot")));
  else
    showEndView();
}

void SelectDrivceViewController::stopRepair() {
  isUserCancel = true;
  *repairStop_ = true;
  cancelButton->setButtonEnabled(false);
}

// ---------------------------------------------------------------- results

void SelectDrivceViewController::showEndView() {
  stepFVC->setSetpIn(4);
  progressView->hide();
  endView->show();
  showFaile(false);
}

void SelectDrivceViewController::showFailView(const QString& message) {
  progressView->hide();
  endView->show();
  errorLable->setText(message);
  showFaile(true);
}

void SelectDrivceViewController::showFaile(bool failed) {
  // Whatever the engine still reports about this clone is not shown any more.
  jobActive_ = false;
  stepFVC->setSetpIn(4);
  failView->setVisible(failed);
  sussView->setVisible(!failed);
  canChangeTab(true);
}

void SelectDrivceViewController::backHomeView() {
  iProgreeBar->setFloatValue(0);
  progressView->show();
  endView->hide();
  closeDiskValue(2);
  selectDiskView->show();
  copyProgressView->hide();
}

// ----------------------------------------------------------------- cancel

void SelectDrivceViewController::cancelButtonAction() {
  auto* panel = new MakeSureCancelCloneSystemVC;
  panel->setDelegate(this);
  showPanel(panel);
}

void SelectDrivceViewController::cancelToCopySystem() {
  // A stop confirmed after the clone ended changes nothing.
  if (!jobActive_) return;
  // The pane follows the repair's return: until then it still works on the disk.
  if (repairRuns()) {
    stopRepair();
    return;
  }
  isUserCancel = true;
  KVBootable::KVShareInstance()->KVStop();
  showFailView(text(QStringLiteral("BOOTABLE_CLONE_STOP_Node")));
}
