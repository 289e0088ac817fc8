#include "image/DmgViewController.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QHideEvent>
#include <QPainter>

#include "platform/Gate.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/SystemInfo.h"
#include "platform/Workspace.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/Selection.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Geometry.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/ListItems.h"
#include "uikit/PVPopover.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"
#include "uikit/Widgets.h"
#include "uikit/Tables.h"

using namespace uikit;

// A radio button drawn from the kit's two images, its title in the screen's grey.
class DmgRadioButton : public QAbstractButton {
 public:
  explicit DmgRadioButton(QWidget* parent) : QAbstractButton(parent) { setCursor(Qt::PointingHandCursor); }
  void setSelected(bool on) {
    selected_ = on;
    update();
  }
  bool selected() const { return selected_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Image image = Image::named(selected_ ? QStringLiteral("radiobutton_sel") : QStringLiteral("radiobutton_unsel"));
    image.draw(p, QRectF(0, (height() - 16) / 2.0, 16, 16));
    p.setFont(systemFont(13));
    p.setPen(getColor(71, 71, 71, 1));
    p.drawText(QRectF(24, 0, width() - 24, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
  }

 private:
  bool selected_ = false;
};

namespace {

// The screen's own space: the main window's area right of the sidebar.
constexpr double kWidth = 888;
constexpr double kHeight = 652;

dmg::Output outputOf(const QString& destinationPath, dmg::Kind kind, const QString& name) {
  return dmg::outputFor(destinationPath, kind, name, KVPublicUtilities::getSystemVersion(), platform::consoleUserName());
}

}  // namespace

DmgViewController::DmgViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DmgViewController"));
  resize(int(kWidth), int(kHeight));
  buildLayout();

  // awakeFromNib
  isMakeZip = false;
  makeDmg = new MakeDmg(this);
  makeDmg->setMakeDmgDelegate(this);
  controller = std::make_unique<Controller>();
  controller->setADelegate(this);
  cloneButton->setButtonEnabled(false);

  lComboBox = new LComboBox(comboBoxView);
  lComboBox->setLconboBoxDelegate(this);
  lComboBox->setlComboBoxEnde(false);
  lComboBox->move(0, 0);
  comboBoxView->hide();
  selectFromVC = new SelectValueView(selectFromView);
  selectFromVC->setDiskFrom(1);
  selectFromVC->setDelegate(this);
  selectToVC = new SelectValueView(selectToView);
  selectToVC->setDiskFrom(2);
  selectToVC->setDelegate(this);
  selectToVC->removeDragView();
  setpVC = new SetpViewController(setpView);
  setpVC->setCopyOrDiskImage(1);
  setpVC->setSetpIn(1);
  setpVC_2 = new SetpViewController(setp_2);
  setpVC_2->setCopyOrDiskImage(1);
  setpVC_2->setSetpIn(2);

  rogressView->setFloatValue(0);
  cancelButton->setButtonEnabled(true);
  failCancelButton->setButtonEnabled(true);
  succCancelButton->setButtonEnabled(true);
  failView->hide();
  sussView->hide();
  copyProgressView->hide();
  endView->hide();
  makeDmgButAction();

  aTimer = new QTimer(this);
  aTimer->setSingleShot(true);
  aTimer->setInterval(300);
  connect(aTimer, &QTimer::timeout, this, [this] {
    if (phase_ != Phase::Delay) return;
    if (isMakeZip)
      doMakeZipWithFileArr();
    else
      doMakeDMGWithFileArr();
  });
  errorTimer = new QTimer(this);
  errorTimer->setSingleShot(true);
  errorTimer->setInterval(10000);
  connect(errorTimer, &QTimer::timeout, this, [this] { closeErrorWindow(); });

  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

DmgViewController::~DmgViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  if (errorPopWin) errorPopWin->dismiss();
  delete popoverController.data();
  delete selectDiskVC.data();
}

void DmgViewController::buildLayout() {
  // Choosing.
  selectDiskView = page(this, NSMakeRect(0, 0, kWidth, kHeight), QStringLiteral("dmgChoicePane"));
  setpView = page(selectDiskView, NSMakeRect(0, 586, kWidth, SetpViewController::kSize.height), QStringLiteral("dmgStepBar"));
  topLabel = named(label(selectDiskView, systemFont(13), getColor(129, 129, 129, 1)), QStringLiteral("dmgTopLabel"));
  setFrame(topLabel, NSMakeRect(44, 540, 800, 20));
  sourceLabel = named(label(selectDiskView, systemFont(14), getColor(71, 71, 71, 1)), QStringLiteral("dmgSourceLabel"));
  setFrame(sourceLabel, NSMakeRect(34, 405, 320, 22));
  destinationLabel = named(label(selectDiskView, systemFont(14), getColor(71, 71, 71, 1)), QStringLiteral("dmgDestinationLabel"));
  setFrame(destinationLabel, NSMakeRect(534, 405, 320, 22));
  // The boxes sit around x 446 and 946 of the main window (194 and 694 here),
  // the drop-down's top at y 137, where its list opens.
  const NSSize box = SelectValueView::kSize;
  selectFromView = page(selectDiskView, NSMakeRect(194 - box.width / 2, 175, box.width, box.height), QStringLiteral("dmgSourceHost"));
  selectToView = page(selectDiskView, NSMakeRect(694 - box.width / 2, 175, box.width, box.height), QStringLiteral("dmgDestinationHost"));
  const NSSize combo = LComboBox::kSize;
  comboBoxView = page(selectDiskView, NSMakeRect(191 - combo.width / 2, 137 - combo.height, combo.width, combo.height), QStringLiteral("dmgComboHost"));
  makeDmgBut = new DmgRadioButton(selectDiskView);
  makeDmgBut->setObjectName(QStringLiteral("dmgMakeDmgButton"));
  setFrame(makeDmgBut, NSMakeRect(594, 122, 240, 24));
  makeZipBut = new DmgRadioButton(selectDiskView);
  makeZipBut->setObjectName(QStringLiteral("dmgMakeZipButton"));
  setFrame(makeZipBut, NSMakeRect(594, 92, 240, 24));
  connect(makeDmgBut, &QAbstractButton::clicked, this, [this] { makeDmgButAction(); });
  connect(makeZipBut, &QAbstractButton::clicked, this, [this] { makeZipButAction(); });
  cloneButton = button(selectDiskView, QStringLiteral("btn_pri"), NSMakeRect(364, 40, 160, 40), QStringLiteral("dmgCreateButton"));
  connect(cloneButton, &QAbstractButton::clicked, this, [this] { cloneButtonAction(); });

  // Working, then the result.
  copyProgressView = page(this, NSMakeRect(0, 0, kWidth, kHeight), QStringLiteral("dmgWorkPane"));
  setp_2 = page(copyProgressView, NSMakeRect(0, 586, kWidth, SetpViewController::kSize.height), QStringLiteral("dmgWorkStepBar"));
  progressView = page(copyProgressView, NSMakeRect(0, 0, kWidth, 560), QStringLiteral("dmgProgressPane"));
  pathLabel = named(label(progressView, systemFont(13), getColor(71, 71, 71, 1)), QStringLiteral("dmgPathLabel"));
  pathLabel->setTextFormat(Qt::PlainText);
  setFrame(pathLabel, NSMakeRect(94, 330, 700, 22));
  rogressView = new StripedProgressBar(progressView);
  rogressView->setObjectName(QStringLiteral("dmgProgressBar"));
  setFrame(rogressView, NSMakeRect(94, 290, 700, 20));
  cancelButton = button(progressView, QStringLiteral("btn_sec"), NSMakeRect(364, 170, 160, 40), QStringLiteral("dmgCancelButton"));
  connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });

  endView = page(copyProgressView, NSMakeRect(0, 0, kWidth, 560), QStringLiteral("dmgEndPane"));
  sussView = page(endView, NSMakeRect(0, 0, kWidth, 560), QStringLiteral("dmgSuccessView"));
  succLabel = named(label(sussView, systemFont(20), getColor(39, 38, 40, 1)), QStringLiteral("dmgSuccessTitle"));
  succLabel->setFont(sBoldFont(20));
  setFrame(succLabel, NSMakeRect(94, 360, 700, 32));
  openLabel = named(label(sussView, systemFont(13), getColor(98, 98, 98, 1)), QStringLiteral("dmgOpenLabel"));
  openLabel->setTextFormat(Qt::RichText);
  setFrame(openLabel, NSMakeRect(94, 318, 700, 22));
  openButton = new KVHandButton(sussView);
  openButton->setObjectName(QStringLiteral("dmgOpenButton"));
  setFrame(openButton, NSMakeRect(94, 318, 700, 22));
  connect(openButton, &QAbstractButton::clicked, this, [this] { openPathButtonAction(); });
  succCancelButton = button(sussView, QStringLiteral("btn_pri"), NSMakeRect(364, 170, 160, 40), QStringLiteral("dmgSuccessDone"));
  connect(succCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });

  failView = page(endView, NSMakeRect(0, 0, kWidth, 560), QStringLiteral("dmgFailView"));
  errorLable = named(label(failView, systemFont(18), getColor(39, 38, 40, 1)), QStringLiteral("dmgFailText"));
  errorLable->setFont(sBoldFont(18));
  errorLable->setWordWrap(true);
  setFrame(errorLable, NSMakeRect(94, 350, 700, 52));
  errorNodeLabel = named(label(failView, systemFont(13), getColor(98, 98, 98, 1)), QStringLiteral("dmgFailNode"));
  errorNodeLabel->setWordWrap(true);
  setFrame(errorNodeLabel, NSMakeRect(94, 300, 700, 40));
  failCancelButton = button(failView, QStringLiteral("btn_sec"), NSMakeRect(364, 170, 160, 40), QStringLiteral("dmgFailDone"));
  connect(failCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });
}

void DmgViewController::setDelegate(DmgVCDelegate* delegate) { delegate_ = delegate; }

DmgVCDelegate* DmgViewController::delegate() const { return delegate_.get(); }

void DmgViewController::canChangeTab(bool canChange) {
  if (DmgVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void DmgViewController::changeLanageue() {
  errorLable->setText(failText_.isEmpty() ? getLocalizedString("MAKE_DMG_FAIL_TITEL") : failText_);
  errorNodeLabel->setText(getLocalizedString("MAKE_DMG_FAIL_NODE"));
  succLabel->setText(getLocalizedString("MAKE_DMG_CUSS_TITLE"));
  sourceLabel->setText(getLocalizedString("MAKE_DMG_SOUECE"));
  destinationLabel->setText(getLocalizedString("MAKE_DMG_DESTINATION"));
  cloneButton->setTextWithName(getLocalizedString("MAKE_DMG_CUSS_CREATE_NOW"));
  cancelButton->setTextWithName(getLocalizedString("COMM_CANCEL"));
  failCancelButton->setTextWithName(getLocalizedString("COMM_CANCEL"));
  succCancelButton->setTextWithName(getLocalizedString("COMM_Done"));
  makeDmgBut->setText(getLocalizedString("MAKE_DMG_MAKE_DMG"));
  makeZipBut->setText(getLocalizedString("MAKE_DMG_MAKE_ZIP"));
  openLabel->setText(getLocalizedString("MAKE_DMG_End_Node").replace(QLatin1String("%@"),
                                                                     getLocalizedString("MAKE_DMG_End_Creart")));
  setOpenLabel();
  applyChoice();
}

// ---- choosing -----------------------------------------------------------------

namespace {

QString withValue(const char* key, const QString& value) {
  return getLocalizedString(QLatin1String(key)).replace(QLatin1String("%@"), value);
}

void emptyBox(SelectValueView* box, const char* hintKey) {
  box->setIsHaveD(false);
  box->setSelectImage(QStringLiteral("add"));
  box->nameLabel()->clear();
  box->sizeLabel()->clear();
  box->nodeSelectLabel()->setText(getLocalizedString(QLatin1String(hintKey)));
  box->closeDisk()->hide();
}

void filledBox(SelectValueView* box, const QString& name, const QString& size, const QString& icon) {
  box->nameLabel()->setText(name);
  box->sizeLabel()->setText(size);
  box->nodeSelectLabel()->clear();
  box->setSelectImage(icon);
  box->setIsHaveD(true);
  box->closeDisk()->show();
}

}  // namespace

// The boxes, the drop-down and the button show the choice as it stands.
void DmgViewController::applyChoice() {
  applySourceBox();
  applyDestinationBox();
  // A source refused as the destination's own volume stays in its box, without the drop-down.
  comboBoxView->setVisible(choice_.comboShown());
  setComboType(choice_.comboType());
  lComboBox->setlComboBoxEnde(choice_.comboEnabled());
  cloneButton->setButtonEnabled(choice_.cloneEnabled() && phase_ == Phase::Choosing);
}

void DmgViewController::applySourceBox() {
  const VolumeObjPtr& v = choice_.shownSource();
  if (choice_.selectionIsPartial()) {
    filledBox(selectFromVC, withValue("MAKE_DMG_select_FF_count", QString::number(rootsTouched_)),
              KVPublicUtilities::longlongConvertVolSpace(choice_.selectFilesSize()), QStringLiteral("ic_folder"));
  } else if (choice_.isDragValue()) {
    filledBox(selectFromVC, getLocalizedString("MAKE_DMG_Drag"),
              withValue("MAKE_DMG_Select_F_Count", QString::number(filesArr ? filesArr->size() : 0)),
              QStringLiteral("ic_folder"));
  } else if (v) {
    filledBox(selectFromVC, v->volumeName,
              withValue("MAKE_DMG_select_count",
                        KVPublicUtilities::longlongDiskSize(v->volumeTotalSizeNum - v->volumeFreeSizeNum)),
              volumeIconName(*v));
  } else {
    emptyBox(selectFromVC, "MAKE_DMG_CUSS_select_source");
  }
  selectFromVC->changeBgImageViewWithError(choice_.sourceError());
}

void DmgViewController::applyDestinationBox() {
  if (const VolumeObjPtr& v = choice_.shownDestination()) {
    filledBox(selectToVC, v->volumeName, withValue("MAKE_DMG_Free", v->volumeFreeSize),
              choice_.destinationShowsAdd() ? QStringLiteral("add") : volumeIconName(*v));
  } else {
    emptyBox(selectToVC, "MAKE_DMG_CUSS_select_destination");
  }
  selectToVC->changeBgImageViewWithError(choice_.destinationError());
}

// The drop-down reports copy all back; that report is ours, not the user's.
void DmgViewController::setComboType(int type) {
  if (lComboBox->aTageIndex() == type) return;
  settingCombo_ = true;
  lComboBox->changeSelectType(type);
  settingCombo_ = false;
}

void DmgViewController::closePopover() {
  if (popoverController && popoverController->popoverIsVisible()) popoverController->closePopover();
}

void DmgViewController::selectDiskButton(int diskFrom, QWidget* sender) {
  if (phase_ != Phase::Choosing) return;
  closeErrorWindow();
  if (popoverController && popoverController->popoverIsVisible()) {
    popoverController->closePopover();
    return;
  }
  delete popoverController.data();
  delete selectDiskVC.data();
  openPopType = diskFrom;
  selectDiskVC = new SelectDiskViewController;
  selectDiskVC->setSelectDiskVCDelegate(this);
  popoverController = presentVolumePicker(selectDiskVC, this, sender, openPopType == 2, 0.5, false);
}

void DmgViewController::doSelectDiskWithVolume(const VolumeObjPtr& volume) {
  closePopover();
  if (phase_ != Phase::Choosing || !volume) return;
  std::optional<dmg::Choice::Bubble> bubble;
  if (openPopType == 1) {
    filesArr.reset();
    bubble = choice_.chooseSource(volume);
  } else {
    bubble = choice_.chooseDestination(volume);
  }
  applyChoice();
  showBubble(bubble);
}

void DmgViewController::closeDiskValue(int diskFrom) {
  closeErrorWindow();
  dropPendingStart();
  if (diskFrom == 1) {
    choice_.clearSource();
    filesArr.reset();
  } else {
    choice_.clearDestination();
  }
  applyChoice();
}

void DmgViewController::viewDragAction(const FileNodeList& nodes) {
  if (phase_ != Phase::Choosing) return;
  closeErrorWindow();
  for (const FileNodePtr& n : nodes) {
    if (!n || n->path().isEmpty()) {
      viewDragRefused({});
      return;
    }
  }
  filesArr = std::make_shared<FileNodeList>(nodes);
  const auto bubble = choice_.drop(dmg::droppedBytes(nodes));
  applyChoice();
  showBubble(bubble);
}

void DmgViewController::viewDragRefused(const QStringList& macPaths) {
  (void)macPaths;
  showErrorWindowWithErrorStr(getLocalizedString("MAKE_DMG_error_outside"), 0);
}

// The drop-down's report that it shows copy all again.
void DmgViewController::changeSelectCopyType() {
  if (settingCombo_) return;
  resetToCopyAll();
}

void DmgViewController::resetToCopyAll() { selectFormatbyType(0); }

void DmgViewController::doShowSearchView() {
  if (phase_ != Phase::Choosing) return;
  closeErrorWindow();
  const VolumeObjPtr& source = choice_.source();
  if (!source && !(choice_.hasSelection() && filesArr)) return;
  delete diskListWC.data();
  diskListWC = new DiskListWC(this);
  diskListWC->setDelegate(this);
  if (choice_.hasSelection() && filesArr)
    diskListWC->listFileVC()->setArrForListWithArr(*filesArr, source ? source->volumePath : QString());
  else
    diskListWC->showDetailWithPath(source->volumeMountPoint);
  diskListWC->runModal();
}

void DmgViewController::closeWindowWithSelect(const FileNodeList& roots, quint64 size) {
  if (phase_ != Phase::Choosing) return;
  filesArr = std::make_shared<FileNodeList>(roots);
  // Only the rows the user could tick count as chosen.
  rootsTouched_ = int(chosenBrowserRoots(roots).size());
  choice_.browserResult(qint64(size), rootsTouched_, int(roots.size()));
  applyChoice();
}

void DmgViewController::showSelectAllVC() {
  if (sortDropDown->isOpen() || phase_ != Phase::Choosing) return;
  auto* list = new SelectAllFilePopVC;
  list->setDelegate(this);
  showCopyModeList(sortDropDown, window(), list);
}

void DmgViewController::closeMattachedWindow() { sortDropDown->close(); }

void DmgViewController::mouseEixtView(bool exited) {
  if (exited) closeMattachedWindow();
}

void DmgViewController::selectFormatbyType(int type) {
  dropPendingStart();
  const bool forgets = type == 0 && !choice_.isDragValue();
  const auto bubble = choice_.chooseCopyType(type);
  if (forgets) filesArr.reset();
  applyChoice();
  showBubble(bubble);
  mouseEixtView(true);
}

void DmgViewController::showBubble(const std::optional<dmg::Choice::Bubble>& bubble) {
  if (bubble) showErrorWindowWithErrorStr(getLocalizedString(bubble->key), bubble->side);
}

void DmgViewController::showErrorWindowWithErrorStr(const QString& text, int leftOrRight) {
  closeErrorWindow();
  QWidget* main = window();
  if (!main) return;
  auto* errorVC = new ErrorViewController;
  errorVC->setObjectName(QStringLiteral("dmgErrorBubble"));
  errorVC->setErrorStr(text);
  errorPopWin = showErrorCallout(main, errorVC, leftOrRight == 1 ? kErrorPointDestination : kErrorPointSource);
  errorTimer->start();
}

void DmgViewController::closeErrorWindow() {
  errorTimer->stop();
  if (errorPopWin) errorPopWin->dismiss();
  errorPopWin = nullptr;
}

void DmgViewController::makeZipButAction() {
  makeZipBut->setSelected(true);
  makeDmgBut->setSelected(false);
  isMakeZip = true;
}

void DmgViewController::makeDmgButAction() {
  makeDmgBut->setSelected(true);
  makeZipBut->setSelected(false);
  isMakeZip = false;
}

// ---- starting -----------------------------------------------------------------

void DmgViewController::cloneButtonAction() {
  if (phase_ != Phase::Choosing) return;
  closeErrorWindow();
  if (makeDmg->isRunning()) {
    // A cancelled job still removes what it made; a new one would be refused.
    showErrorWindowWithErrorStr(getLocalizedString("MAKE_DMG_error_busy"), 1);
    return;
  }
  if (choice_.hasSelection() && filesArr) {
    doMakeZip();
    return;
  }
  if (!choice_.source()) return;
  filesArr = std::make_shared<FileNodeList>();
  phase_ = Phase::Listing;
  applyChoice();
  controller->eumeAllRootFileNodeWithRootArr(filesArr, choice_.source()->volumePath, true, false);
}

// The choice changed or the screen went before a job started: what was being
// prepared served the old choice. A listing ends unseen and the choice stands
// again; a delay or a totalling stops as Cancel stops it, before any job.
void DmgViewController::dropPendingStart() {
  switch (phase_) {
    case Phase::Listing:
      controller = std::make_unique<Controller>();
      controller->setADelegate(this);
      filesArr.reset();
      phase_ = Phase::Choosing;
      applyChoice();
      break;
    case Phase::Delay:
    case Phase::Totalling:
      cancelButtonAction();
      break;
    default:
      break;
  }
}

void DmgViewController::hideEvent(QHideEvent* event) {
  // Another tool took the window; a minimised one (a spontaneous hide) still shows this screen.
  if (!event->spontaneous()) dropPendingStart();
  QWidget::hideEvent(event);
}

void DmgViewController::endScanFiles() {
  if (phase_ != Phase::Listing) return;
  phase_ = Phase::Choosing;
  applyChoice();
  doMakeZip();
}

void DmgViewController::doMakeZip() {
  const dmg::Kind kind = isMakeZip ? dmg::Kind::Zip : dmg::Kind::Image;
  dmg::PackPlace place;
  const VolumeObjPtr& source = choice_.source();
  place.fromStartupVolume = !choice_.isDragValue() && source && source->volumeMountPoint == QLatin1String("/");
  place.browserSelection = !choice_.isDragValue() && choice_.hasSelection();
  if (const VolumeObjPtr& to = choice_.destination())
    place.destinationFolder = outputOf(to->volumePath, kind, QString()).openFolder;
  zipFilesArr = dmg::packedPaths(filesArr ? *filesArr : FileNodeList(), kind, place);
  if (!zipFilesArr.errorKey.isEmpty()) {
    const bool aboutSource = zipFilesArr.errorKey != QLatin1String("MAKE_DMG_no_select_file");
    showErrorWindowWithErrorStr(getLocalizedString(zipFilesArr.errorKey), aboutSource ? 0 : 1);
    return;
  }
  QWidget* main = window();
  auto* panel = new DMGMakeSureWC(main->size());
  panel->setDelegate(this);
  panel->setSuperDelegate(showPanel(main, panel));
}

void DmgViewController::beginToMakeDMGorZIP() {
  if (phase_ != Phase::Choosing || !choice_.destination()) return;
  if (makeDmg->isRunning()) {
    showErrorWindowWithErrorStr(getLocalizedString("MAKE_DMG_error_busy"), 1);
    return;
  }
  closeErrorWindow();
  selectDiskView->hide();
  copyProgressView->show();
  progressView->show();
  endView->hide();
  pathLabel->setText(getLocalizedString("MAKE_DMG_Greating"));
  rogressView->setFloatValue(0);
  setpVC_2->setSetpIn(2);
  canChangeTab(false);
  startJob();
}

void DmgViewController::startJob() {
  ++job_;
  phase_ = Phase::Delay;
  const dmg::Kind kind = isMakeZip ? dmg::Kind::Zip : dmg::Kind::Image;
  output_ = outputOf(choice_.destination()->volumePath, kind, dmg::createName(QDateTime::currentDateTime()));
  openUrl_ = output_.openFolder;
  aTimer->start();
}

void DmgViewController::doMakeZipWithFileArr() {
  aTimer->stop();
  phase_ = Phase::Working;
  makeDmg->doZipWithPath(output_.file, dmg::nodesFor(zipFilesArr.sources));
}

namespace {

// One total of a job: the totaller reports on its worker; the answer goes to
// the main thread with the job's number before the screen reads anything.
class DmgTotal : public GetFilesSize, public GetFilesSizeDelegate {
 public:
  DmgTotal(DmgViewController* screen, quint64 job) : screen_(screen), job_(job) { setDelegate(this); }
  ~DmgTotal() override { stopReports(); }  // the worker's report may still read screen_
  void allCopyFilesSize(qint64 size) override {
    platform::gatePoint("dmg.total");
    QPointer<DmgViewController> screen = screen_;
    const quint64 job = job_;
    platform::dispatchMain([screen, job, size] {
      if (screen) screen->allCopyFilesSize(job, size);
    });
  }

 private:
  QPointer<DmgViewController> screen_;
  quint64 job_;
};

}  // namespace

void DmgViewController::doMakeDMGWithFileArr() {
  aTimer->stop();
  changePathValue(getLocalizedString("MAKE_DMG_Enumerating"), 10);
  switch (dmg::sizeFrom(choice_.selectFilesSize(), choice_.isDragValue(), choice_.comboType())) {
    case dmg::SizeFrom::Known:
      makeImageOfSize(choice_.selectFilesSize());
      return;
    case dmg::SizeFrom::SourceUsedBytes:
      makeImageOfSize(choice_.usedSize());
      return;
    case dmg::SizeFrom::Total: {
      phase_ = Phase::Totalling;
      auto total = std::make_shared<DmgTotal>(this, job_);
      total->getAllFilesSizeWithArr(dmg::nodesFor(zipFilesArr.sources));
      return;
    }
  }
}

void DmgViewController::allCopyFilesSize(quint64 job, qint64 size) {
  if (job != job_ || phase_ != Phase::Totalling) return;
  makeImageOfSize(size);
}

void DmgViewController::makeImageOfSize(qint64 size) {
  phase_ = Phase::Working;
  makeDmg->makeTmpDmgWithPath(output_.folder, QFileInfo(output_.file).completeBaseName(), size);
}

void DmgViewController::beginToCopyDmg() {
  if (phase_ != Phase::Working) return;
  makeDmg->doCopyFilesToDmgWithDmg(zipFilesArr.sources, zipFilesArr.targets);
}

// ---- progress and results ---------------------------------------------------------

void DmgViewController::copyFileToDmgWithFileName(const QString& text, float progress) {
  if (phase_ != Phase::Working) return;
  changePathValue(text, progress);
}

void DmgViewController::changePathValue(const QString& text, float value) {
  pathLabel->setText(dmg::trimZipOutput(text).trimmed());
  rogressView->animatorSetFloatValue(qBound(0.0, double(value) / 100.0, 1.0));
  if (value >= 100) {
    phase_ = Phase::Ended;
    progressView->hide();
    endView->show();
    showFaile(false);
  }
}

void DmgViewController::makeDmgFailWithError(int error) {
  if (phase_ != Phase::Working) return;
  showFailView(getLocalizedString(error == MakeDmgDelegate::kImageNotFinished ? "MAKE_DMG_error_unfinished"
                                                                                : "MAKE_DMG_Operation"));
}

void DmgViewController::showFailView(const QString& text, bool withHint) {
  phase_ = Phase::Ended;
  errorNodeLabel->setVisible(withHint);
  progressView->hide();
  endView->show();
  failText_ = text;
  errorLable->setText(text);
  showFaile(true);
}

void DmgViewController::showFaile(bool failed) {
  setpVC_2->setSetpIn(3);
  failView->setVisible(failed);
  sussView->setVisible(!failed);
  canChangeTab(true);
  if (openLabel->text().size() > 10) setOpenLabel();
}

void DmgViewController::setOpenLabel() {
  const QString link = getLocalizedString("MAKE_DMG_End_Creart");
  QString text = getLocalizedString("MAKE_DMG_End_Node").replace(QLatin1String("%@"), link).toHtmlEscaped();
  text.replace(link.toHtmlEscaped(), QStringLiteral("<span style=\"color:%1\">%2</span>")
                                         .arg(getColor(2, 125, 255, 1).name(), link.toHtmlEscaped()));
  openLabel->setText(text);
  openLabel->setAlignment(Qt::AlignCenter);
}

void DmgViewController::openPathButtonAction() {
  if (!openUrl_.isEmpty()) platform::Workspace::shared().openFile(openUrl_);
}

void DmgViewController::cancelButtonAction() {
  switch (phase_) {
    case Phase::Delay:
      aTimer->stop();
      break;
    case Phase::Totalling:
      ++job_;  // its total is dropped when it comes
      break;
    case Phase::Working:
      makeDmg->setIsCancelCopy(true);
      makeDmg->stopMakeDmg();
      break;
    default:
      return;
  }
  ++job_;
  showFailView(getLocalizedString("MAKE_DMG_Stop"), false);
}

void DmgViewController::backHomeView() {
  phase_ = Phase::Choosing;
  failText_.clear();
  rogressView->setFloatValue(0);
  progressView->show();
  endView->hide();
  closeDiskValue(1);
  closeDiskValue(2);
  zipFilesArr = {};
  applyChoice();
  selectDiskView->show();
  copyProgressView->hide();
}
