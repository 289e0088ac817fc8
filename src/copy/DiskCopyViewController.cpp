#include "copy/DiskCopyViewController.h"

#include <QHideEvent>
#include <array>

#include "platform/Bundle.h"
#include "platform/FileSystemInfo.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/SystemInfo.h"
#include "platform/Workspace.h"
#include "services/Color.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/AttachedWindow.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/ListItems.h"
#include "uikit/PVPopover.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"
#include "uikit/Tables.h"
#include "uikit/Widgets.h"

using namespace uikit;
using copyscreen::CopyChoice;
using copyscreen::SourceShows;

namespace {

// The screen's area: the main window's content right of the sidebar.
constexpr NSSize kScreenSize{888, 652};
constexpr NSRect kPageFrame{{0, 0}, {888, 580}};

QString text(const char* key) { return getLocalizedString(QString::fromLatin1(key)); }

// A table text with its one placeholder filled, whichever form it takes.
QString filled(const char* key, const QString& value) {
  QString t = text(key);
  for (const char* mark : {"%@", "%lld", "%llu", "%ld", "%lu", "%d"}) {
    const int at = t.indexOf(QLatin1String(mark));
    if (at >= 0) return t.replace(at, int(qstrlen(mark)), value);
  }
  return t;
}

QLabel* image(QWidget* parent, const QPixmap& pixmap, const NSRect& frame) {
  auto* l = new QLabel(parent);
  l->setPixmap(pixmap);
  setFrame(l, frame);
  return l;
}

const platform::Bundle& bundle() { return platform::Bundle::mainBundle(); }

// The last line of a chunk of rsync's output that says something.
QString lastLine(const QString& chunk) {
  const QStringList lines = chunk.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (auto it = lines.crbegin(); it != lines.crend(); ++it)
    if (!it->trimmed().isEmpty()) return it->trimmed();
  return QString();
}

}  // namespace

// Reports of one copy job, handed to the screen with the job's token. The
// engine's worker sends copyFileError from its own thread: it is moved to the
// main thread whole, before anything of the screen is touched.
class DiskCopyViewController::JobReports : public QObject, public DoCopyFilesDelegate {
 public:
  JobReports(DiskCopyViewController* screen, quint64 token) : screen_(screen), token_(token) {}
  ~JobReports() override { stopReports(); }  // a worker's report may still read screen_
  void topCopyProgress(float percent) override {
    if (screen_) screen_->jobProgress(token_, percent);
  }
  void topCopyFilePath(const QString& t) override {
    if (screen_) screen_->jobOutput(token_, t);
  }
  void copyFileError() override {
    const QPointer<DiskCopyViewController> screen = screen_;
    const quint64 token = token_;
    platform::dispatchMain([screen, token] {
      if (screen) screen->jobError(token);
    });
  }
  void copyFilesFinished(CopyOutcome outcome) override {
    if (screen_) screen_->jobFinished(token_, outcome);
  }

 private:
  const QPointer<DiskCopyViewController> screen_;
  const quint64 token_;
};

// ------------------------------------------------------------- CopyMakeSureWC

CopyMakeSureWC::CopyMakeSureWC(QWidget* parent)
    : PanelView(QStringLiteral("CopyMakeSureWC"), kMainWindowSize, new WbgView, {440, 220}, QColor(0, 0, 0, 90),
                parent) {
  QWidget* card = box();
  titleLabel_ = label(card, sBoldFont(16), getColor(39, 38, 40, 1), NSMakeRect(20, 160, 400, 28));
  titleLabel_->setText(text("MAKE_DMG_Create_Title"));
  nodeLabel_ = wrappingLabel(card, regularFont(13), getColor(88, 88, 88, 1), NSMakeRect(30, 84, 380, 64),
                             Qt::AlignCenter);
  nodeLabel_->setText(text("FILE_COPY_COPY_NODE"));
  // The buttons are their images' size, as a pair centred in the card: a title
  // is centred on its button's frame, and the image is drawn from its corner.
  cancelButton_ = button(card, QStringLiteral("btn_pop_sec"), NSMakeRect(90, 24, 120, 36),
                         QStringLiteral("copyMakeSureCancel"));
  cancelButton_->setTextWithName(text("COMM_CANCEL"));
  doneButton_ = button(card, QStringLiteral("btn_pop_pri"), NSMakeRect(230, 24, 120, 36),
                       QStringLiteral("copyMakeSureDone"));
  doneButton_->setTextWithName(text("FILE_COPY_COPY_NOW"));
  connect(cancelButton_, &QAbstractButton::clicked, this, [this] { closeWindow(); });
  connect(doneButton_, &QAbstractButton::clicked, this, [this] {
    const uikit::WeakDelegate<CopyMakeSureWCDelegate> target = delegate_;
    closeWindow();
    if (CopyMakeSureWCDelegate* d = target.get()) d->beginToCopyFiles();
  });
}

// ------------------------------------------------------ DiskCopyViewController

DiskCopyViewController::DiskCopyViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DiskCopyViewController"));
  clock_ = [] { return QDateTime::currentDateTime(); };
  loadView();
  platform::NotificationCenter::defaultCenter().addObserver(
      this, QStringLiteral("UPDATE_LANGUAGE"), [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
}

DiskCopyViewController::~DiskCopyViewController() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
  closePopover();
  closeErrorWindow();
  closeMattachedWindow();
  doCopy.reset();  // silences a running copy before its report objects go
  controller.reset();
}

void DiskCopyViewController::setDelegate(DiskCopyVCDelegate* delegate) { delegate_ = delegate; }

DiskCopyVCDelegate* DiskCopyViewController::delegate() const { return delegate_.get(); }

void DiskCopyViewController::canChangeTab(bool canChange) {
  if (DiskCopyVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

// ------------------------------------------------------------------ layout

void DiskCopyViewController::loadView() {
  resize(int(kScreenSize.width), int(kScreenSize.height));
  buildChoicePage();
  buildCopyPage();
  aCopyProView->hide();
}

void DiskCopyViewController::buildChoicePage() {
  selectDiskView = page(this, NSMakeRect(0, 0, kScreenSize.width, kScreenSize.height), "copyChoicePage");

  setpView = page(selectDiskView, NSMakeRect(0, 580, 888, 56), "copyStepBar");
  setpVC = new SetpViewController(setpView);
  setpVC->setCopyOrDiskImage(0);
  setpVC->setSetpIn(1);

  topLabel = label(selectDiskView, regularFont(14), getColor(88, 88, 88, 1), NSMakeRect(114, 500, 660, 56));
  topLabel->setWordWrap(true);

  sourceLabel = label(selectDiskView, mBoldFont(14), getColor(71, 71, 71, 1), NSMakeRect(34, 428, 320, 22));
  destinationLabel = label(selectDiskView, mBoldFont(14), getColor(71, 71, 71, 1), NSMakeRect(534, 428, 320, 22));

  selectFromView = page(selectDiskView, NSMakeRect(34, 200, 320, 220), "copySelectFrom");
  selectFromVC = new SelectValueView(selectFromView);
  selectFromVC->setDiskFrom(1);
  selectFromVC->setDelegate(this);
  selectToView = page(selectDiskView, NSMakeRect(534, 200, 320, 220), "copySelectTo");
  selectToVC = new SelectValueView(selectToView);
  selectToVC->setDiskFrom(2);
  selectToVC->setDelegate(this);
  selectToVC->removeDragView();
  image(selectDiskView, bundle().imageNamed(QStringLiteral("copy_arrow"), QSize(72, 40)),
        NSMakeRect(408, 290, 72, 40));

  // Below the source box: its list opens above (443, 137) of the window.
  comboBoxView = page(selectDiskView, NSMakeRect(41, 96, 300, 36), "copyComboHost");
  lComboBox = new LComboBox(comboBoxView);
  lComboBox->setLconboBoxDelegate(this);
  lComboBox->setlComboBoxEnde(false);
  comboBoxView->hide();

  cloneButton = button(selectDiskView, "btn_pri", NSMakeRect(364, 30, 160, 40), "copyButton");
  cloneButton->setButtonEnabled(false);
  connect(cloneButton, &QAbstractButton::clicked, this, [this] { cloneButtonAction(); });
}

void DiskCopyViewController::buildCopyPage() {
  aCopyProView = page(this, NSMakeRect(0, 0, kScreenSize.width, kScreenSize.height), "copyProgressPage");
  setp_2 = page(aCopyProView, NSMakeRect(0, 580, 888, 56), "copyStepBar2");
  setpVC_2 = new SetpViewController(setp_2);
  setpVC_2->setCopyOrDiskImage(0);
  setpVC_2->setSetpIn(2);

  progressView = page(aCopyProView, kPageFrame, "copyProgress");
  image(progressView, bundle().imageNamed(QStringLiteral("copy_progress"), QSize(80, 80)),
        NSMakeRect(404, 400, 80, 80));
  rogressView = new StripedProgressBar(progressView);
  rogressView->setObjectName(QStringLiteral("copyProgressBar"));
  setFrame(rogressView, NSMakeRect(144, 340, 600, 16));
  rogressView->setFloatValue(0);
  pathLabel = label(progressView, regularFont(12), getColor(129, 129, 129, 1), NSMakeRect(94, 290, 700, 36));
  pathLabel->setObjectName(QStringLiteral("copyPathLabel"));
  cancelButton = button(progressView, "btn_sec", NSMakeRect(364, 150, 160, 40), "copyCancelButton");
  cancelButton->setButtonEnabled(true);
  connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancelButtonAction(); });

  endView = page(aCopyProView, kPageFrame, "copyEndView");
  endView->hide();
  sussView = page(endView, NSMakeRect(0, 0, 888, 580), "copySuccessPane");
  image(sussView, bundle().imageNamed(QStringLiteral("copy_success"), QSize(80, 80)),
        NSMakeRect(404, 400, 80, 80));
  suessLabel = label(sussView, sBoldFont(18), getColor(39, 38, 40, 1), NSMakeRect(144, 340, 600, 30));
  openLabel = label(sussView, regularFont(14), getColor(88, 88, 88, 1), NSMakeRect(144, 290, 600, 30));
  openLabel->setObjectName(QStringLiteral("copyOpenLabel"));
  openLabel->setTextFormat(Qt::RichText);
  openButton = new KVHandButton(sussView);
  openButton->setObjectName(QStringLiteral("copyOpenLink"));
  setFrame(openButton, NSMakeRect(144, 290, 600, 30));
  connect(openButton, &QAbstractButton::clicked, this, [this] { openPathButtonAction(); });
  succCancelButton = button(sussView, "btn_pri", NSMakeRect(364, 150, 160, 40), "copyDoneButton");
  succCancelButton->setButtonEnabled(true);
  connect(succCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });

  failView = page(endView, NSMakeRect(0, 0, 888, 580), "copyFailPane");
  image(failView, bundle().imageNamed(QStringLiteral("copy_fail"), QSize(80, 80)),
        NSMakeRect(404, 400, 80, 80));
  fialeTitleLabel = label(failView, sBoldFont(18), getColor(39, 38, 40, 1), NSMakeRect(144, 340, 600, 30));
  errorLable = label(failView, regularFont(14), getColor(88, 88, 88, 1), NSMakeRect(144, 250, 600, 70),
                     Qt::AlignHCenter | Qt::AlignTop);
  errorLable->setObjectName(QStringLiteral("copyFailText"));
  errorLable->setWordWrap(true);
  failCancelButton = button(failView, "btn_sec", NSMakeRect(364, 150, 160, 40), "copyFailBackButton");
  failCancelButton->setButtonEnabled(true);
  connect(failCancelButton, &QAbstractButton::clicked, this, [this] { backHomeView(); });
  sussView->hide();
  failView->hide();
}

void DiskCopyViewController::changeLanageue() {
  fialeTitleLabel->setText(text("DISK_COPY_FAIL_TITIL"));
  suessLabel->setText(text("MAKE_DMG_CUSS_TITLE"));
  sourceLabel->setText(text("MAKE_DMG_SOUECE"));
  destinationLabel->setText(text("MAKE_DMG_DESTINATION"));
  if (jobToken_ == 0 && !endView->isVisible()) pathLabel->setText(text("DISK_COPY_CLONEING"));
  cloneButton->setTextWithName(text("FILE_COPY_COPY_NOW"));
  failCancelButton->setTextWithName(text("COMM_CANCEL"));
  cancelButton->setTextWithName(text("COMM_CANCEL"));
  succCancelButton->setTextWithName(text("COMM_Done"));
  topLabel->setText(QStringLiteral("<div style=\"line-height:130%\" align=\"center\">%1</div>")
                        .arg(text("DISK_COPY_MAIN_NODE").toHtmlEscaped()));
  // The success text with its link part coloured.
  const QString success = text("DISK_COPY_SUESS_NODE");
  const QString link = text("DISK_COPY_LINK_NODE");
  QString html = success.toHtmlEscaped();
  if (success.size() > 10 && !link.isEmpty() && success.contains(link))
    html.replace(link.toHtmlEscaped(),
                 QStringLiteral("<span style=\"color:%1\">%2</span>")
                     .arg(getColor(2, 125, 255, 1).name(), link.toHtmlEscaped()));
  openLabel->setText(html);
  refreshSourceBox();
  refreshDestinationBox();
}

// ------------------------------------------------------------- the choice

void DiskCopyViewController::refreshSourceBox() {
  SelectValueView* box = selectFromVC;
  const bool have = choice_.sourceShows != SourceShows::Nothing;
  box->setIsHaveD(have);
  box->nodeSelectLabel()->setText(have ? QString() : text("MAKE_DMG_CUSS_select_source"));
  have ? box->closeDisk()->show() : box->closeDisk()->hide();
  switch (choice_.sourceShows) {
    case SourceShows::Nothing:
      box->nameLabel()->clear();
      box->sizeLabel()->clear();
      box->setSelectImage(QStringLiteral("add"));
      break;
    case SourceShows::Volume: {
      const VolumeObj& v = *choice_.shownSource;
      box->nameLabel()->setText(v.volumeName);
      box->sizeLabel()->setText(filled(
          "MAKE_DMG_select_count",
          KVPublicUtilities::longlongDiskSize(v.volumeTotalSizeNum - v.volumeFreeSizeNum)));
      box->setSelectImage(volumeIconName(v));
      break;
    }
    case SourceShows::Selection:
      box->nameLabel()->setText(filled("MAKE_DMG_select_FF_count", QString::number(choice_.shownCount)));
      box->sizeLabel()->setText(
          filled("MAKE_DMG_select_count", KVPublicUtilities::longlongConvertVolSpace(choice_.selectFilesSize)));
      box->setSelectImage(QStringLiteral("ic_folder"));
      break;
    case SourceShows::Dropped:
      box->nameLabel()->setText(text("DISK_COPY_ADD_SOME_FILE"));
      box->sizeLabel()->setText(filled("MAKE_DMG_Select_F_Count", QString::number(choice_.shownCount)));
      box->setSelectImage(QStringLiteral("ic_folder"));
      break;
  }
  box->changeBgImageViewWithError(choice_.sourceError);
}

void DiskCopyViewController::refreshDestinationBox() {
  SelectValueView* box = selectToVC;
  const VolumeObjPtr v = choice_.shownDestination;
  box->setIsHaveD(v != nullptr);
  box->nodeSelectLabel()->setText(v ? QString() : text("MAKE_DMG_CUSS_select_destination"));
  v ? box->closeDisk()->show() : box->closeDisk()->hide();
  box->nameLabel()->setText(v ? v->volumeName : QString());
  box->sizeLabel()->setText(v ? filled("MAKE_DMG_Free", v->volumeFreeSize) : QString());
  box->setSelectImage(!v || choice_.destinationShowsAdd ? QStringLiteral("add") : volumeIconName(*v));
  box->changeBgImageViewWithError(choice_.destinationError);
}

void DiskCopyViewController::apply(const copyscreen::MaybeCallout& callout) {
  refreshSourceBox();
  refreshDestinationBox();
  // The model has decided already: showing its mode is not a new choice.
  lComboBox->showSelectType(choice_.comboMode);
  lComboBox->setlComboBoxEnde(choice_.comboEnabled);
  comboBoxView->setVisible(choice_.comboShown);
  cloneButton->setButtonEnabled(choice_.copyButtonEnabled && !controller);
  if (callout) showCallout(*callout);
}

void DiskCopyViewController::showCallout(const copyscreen::Callout& callout) {
  const QByteArray key = callout.key.toLatin1();
  showErrorWindowWithErrorStr(callout.value.isEmpty() ? text(key.constData()) : filled(key.constData(), callout.value),
                              callout.side);
}

void DiskCopyViewController::selectDiskButton(int diskFrom, QWidget* sender) {
  closeErrorWindow();
  if (popoverController && popoverController->popoverIsVisible()) {
    closePopover();
    return;
  }
  closePopover();
  openPopType = diskFrom;
  auto* picker = new SelectDiskViewController;
  picker->setSelectDiskVCDelegate(this);
  selectDiskVC = picker;
  QWidget* anchor = sender ? sender : (diskFrom == 1 ? selectFromView : selectToView);
  popoverController = presentVolumePicker(picker, this, anchor, diskFrom == 2, 1, true);
}

void DiskCopyViewController::closePopover() {
  // The popover fades out on its own and takes the picker with it.
  if (popoverController) popoverController->closeAndDeleteLater();
  else if (selectDiskVC) selectDiskVC->deleteLater();
  popoverController = nullptr;
  selectDiskVC = nullptr;
}

void DiskCopyViewController::doSelectDiskWithVolume(const VolumeObjPtr& volume) {
  closePopover();
  if (!volume) return;
  if (openPopType == 1) {
    stopListing();
    apply(choice_.chooseSource(volume));
  } else if (openPopType == 2) {
    stopListing();
    platform::FileSystemInfo info;
    const bool writable = platform::getFileSystemInfoForPath(volume->volumePath, &info) && info.writable;
    apply(choice_.chooseDestination(volume, writable));
  }
}

void DiskCopyViewController::closeDiskValue(int diskFrom) {
  closeErrorWindow();
  stopListing();
  if (diskFrom == 1)
    choice_.clearSource();
  else
    choice_.clearDestination();
  apply(std::nullopt);
}

void DiskCopyViewController::viewDragAction(const FileNodeList& nodes) {
  closeErrorWindow();
  stopListing();
  apply(choice_.drop(nodes));
}

void DiskCopyViewController::viewDragRefused(const QStringList& macPaths) {
  (void)macPaths;
  showErrorWindowWithErrorStr(text("DISK_COPY_Drop_outside"), copyscreen::CalloutLeft);
}

// ------------------------------------------------------- copy-mode drop-down

void DiskCopyViewController::changeSelectCopyType() { chooseCopyMode(0); }

// Any change of mode drops a running copy-all listing: its end would confirm
// the old choice.
void DiskCopyViewController::chooseCopyMode(int type) {
  stopListing();
  apply(choice_.selectCopyMode(type));
}

void DiskCopyViewController::showSelectAllVC() {
  if (sortDropDown->isOpen()) return;
  auto* list = new SelectAllFilePopVC;
  list->setDelegate(this);
  showCopyModeList(sortDropDown, window(), list);
}

void DiskCopyViewController::closeMattachedWindow() { sortDropDown->close(); }

void DiskCopyViewController::mouseEixtView(bool exited) {
  if (exited) closeMattachedWindow();
}

void DiskCopyViewController::selectFormatbyType(int type) {
  chooseCopyMode(type);
  mouseEixtView(true);
}

// ---------------------------------------------------------------- browser

void DiskCopyViewController::doShowSearchView() {
  closeErrorWindow();
  // The user is choosing again; the listing's confirmation would meet the browser.
  if (controller) {
    stopListing();
    apply(std::nullopt);
  }
  diskListWC = std::make_unique<DiskListWC>();
  diskListWC->setDelegate(this);
  const QString path = choice_.fromeVolume ? choice_.fromeVolume->volumePath : QString();
  if (choice_.copyArr)
    diskListWC->listFileVC()->setArrForListWithArr(*choice_.copyArr, path);
  else if (choice_.fromeVolume)
    diskListWC->showDetailWithPath(choice_.fromeVolume->volumeMountPoint);
  else
    return;
  diskListWC->runModal();
}

void DiskCopyViewController::closeWindowWithSelect(const FileNodeList& roots, quint64 size) {
  stopListing();
  apply(choice_.browserResult(roots, qint64(size)));
}

// ------------------------------------------------------------- copy button

void DiskCopyViewController::stopListing() {
  listing_.reset();
  // Without its delegate the listing's end reaches no one. The controller may be
  // the caller (its end-of-scan report): it goes once that call has returned.
  if (controller) {
    std::shared_ptr<Controller> ended(controller.release());
    ended->setADelegate(nullptr);
    platform::dispatchMain([ended] {});
  }
}

void DiskCopyViewController::cloneButtonAction() {
  closeErrorWindow();
  if (choice_.copyArr) {
    doCopyAction(*choice_.copyArr, choice_.isDragValue ? CopyItems::DroppedItems : CopyItems::BrowserSelection);
    return;
  }
  if (!choice_.fromeVolume) return;
  // Copy all: the whole source is listed first; the button waits for it.
  stopListing();
  cloneButton->setButtonEnabled(false);
  listing_ = std::make_shared<FileNodeList>();
  controller = std::make_unique<Controller>();
  controller->setADelegate(this);
  controller->eumeAllRootFileNodeWithRootArr(listing_, choice_.fromeVolume->volumePath, true, true);
}

void DiskCopyViewController::copyFileScanFiles() {
  if (!controller || !listing_) return;
  const FileNodeList roots = *listing_;
  stopListing();
  cloneButton->setButtonEnabled(choice_.copyButtonEnabled);
  doCopyAction(roots, CopyItems::CopyAllListing);
}

void DiskCopyViewController::doCopyAction(const FileNodeList& roots, CopyItems items) {
  if (const copyscreen::MaybeCallout refusal = CopyChoice::refusalToCopy(roots, items)) {
    showCallout(*refusal);
    return;
  }
  pendingRoots_ = roots;
  pendingItems_ = items;
  auto* panel = new CopyMakeSureWC;
  panel->setDelegate(this);
  QWidget* main = window();
  panel->resize(main->size());
  panel->setSuperDelegate(showPanel(main, panel));
}

// ------------------------------------------------------------------ copy

void DiskCopyViewController::beginToCopyFiles() {
  selectDiskView->hide();
  aCopyProView->show();
  progressView->show();
  endView->hide();
  pathLabel->setText(text("DISK_COPY_Copying_tip"));
  rogressView->setFloatValue(0);
  cancelButton->setButtonEnabled(true);
  canChangeTab(false);

  doCopy.reset();  // an earlier engine goes silent with it
  reports_.clear();  // so nothing more reaches its receiver
  jobToken_ = 0;
  jobSawError_ = false;
  jobCancelled_ = false;

  const VolumeObjPtr to = choice_.toVolume;
  copyscreen::CopyFolderRequest request;
  request.volumePath = to ? to->volumePath : QString();
  request.volumeFree = to ? to->volumeFreeSizeNum : -1;
  request.need = choice_.selectFilesSize != -1 ? choice_.selectFilesSize : choice_.usedSize;
  request.consoleUser = platform::consoleUserName();
  request.now = clock_();
  const copyscreen::CopyFolderResult folder =
      copyscreen::makeCopyFolder(request, copyscreen::CopyFolderOps::real());
  if (!folder.ok()) {
    showFailView(text("DISK_COPY_Fail_folder"));
    return;
  }
  openUrl_ = folder.folder;

  static quint64 lastToken = 0;
  jobToken_ = ++lastToken;
  auto& reports = reports_[jobToken_];
  reports = std::make_unique<JobReports>(this, jobToken_);
  doCopy = std::make_unique<DoCopyFiles>();
  doCopy->setDelegate(reports.get());
  doCopy->doCopyFilesWithArr(pendingRoots_, folder.folder, pendingItems_);
}

void DiskCopyViewController::jobProgress(quint64 token, float percent) {
  if (token != jobToken_) return;
  rogressView->animatorSetFloatValue(double(percent) / 100.0);
}

void DiskCopyViewController::jobOutput(quint64 token, const QString& chunk) {
  if (token != jobToken_) return;
  KVPublicUtilities::writeFileWithTab(chunk);
  const QString line = lastLine(chunk);
  if (!line.isEmpty())
    pathLabel->setText(pathLabel->fontMetrics().elidedText(filled("DISK_COPY_Copying", line), Qt::ElideMiddle,
                                                           pathLabel->width()));
}

void DiskCopyViewController::jobError(quint64 token) {
  if (token != jobToken_) return;
  // The destination folder has gone: the rest cannot arrive either.
  jobSawError_ = true;
  if (doCopy) doCopy->setIsCancel(true);
}

void DiskCopyViewController::jobFinished(quint64 token, CopyOutcome outcome) {
  // Nothing follows the final report: its receiver goes once this call (made
  // from within it) has returned.
  QPointer<DiskCopyViewController> self(this);
  platform::dispatchMain([self, token] {
    if (self) self->reports_.erase(token);
  });
  if (token != jobToken_) return;
  jobToken_ = 0;  // ended: whatever else it sends is dropped
  if (jobCancelled_)
    showFailView(text("DISK_COPY_STOP"));
  else if (jobSawError_ || outcome != CopyOutcome::AllCopied)
    showFailView(text("DISK_COPY_Fail_some"));
  else {
    progressView->hide();
    endView->show();
    showFaile(false);
  }
}

void DiskCopyViewController::cancelButtonAction() {
  if (jobToken_ == 0 || !doCopy) return;
  jobCancelled_ = true;
  cancelButton->setButtonEnabled(false);
  doCopy->setIsCancel(true);  // the pane follows the engine's last report
}

void DiskCopyViewController::showFailView(const QString& failure) {
  progressView->hide();
  endView->show();
  errorLable->setText(failure);
  showFaile(true);
}

void DiskCopyViewController::showFaile(bool failure) {
  setpVC_2->setSetpIn(3);
  failView->setVisible(failure);
  sussView->setVisible(!failure);
  canChangeTab(true);
}

void DiskCopyViewController::openPathButtonAction() {
  if (!openUrl_.isEmpty()) platform::Workspace::shared().openFile(openUrl_);
}

void DiskCopyViewController::backHomeView() {
  rogressView->setFloatValue(0);
  progressView->show();
  endView->hide();
  setpVC_2->setSetpIn(2);
  stopListing();
  choice_.clearSource();
  choice_.clearDestination();
  apply(std::nullopt);
  selectDiskView->show();
  aCopyProView->hide();
}

// -------------------------------------------------------------- callouts

void DiskCopyViewController::showErrorWindowWithErrorStr(const QString& message, int leftOrRight) {
  closeErrorWindow();
  auto* content = new ErrorViewController;
  content->setObjectName(QStringLiteral("copyErrorCallout"));
  content->setErrorStr(message);
  errorPopWin = showErrorCallout(window(), content,
                                 leftOrRight == copyscreen::CalloutLeft ? kErrorPointSource : kErrorPointDestination);
  if (errorPopWin) closeAttachedWindowAfter(errorPopWin, 10);
}

void DiskCopyViewController::closeErrorWindow() {
  if (errorPopWin) errorPopWin->dismiss();
  errorPopWin = nullptr;
}

void DiskCopyViewController::chengeTabCloseNode() { closePopover(); }

void DiskCopyViewController::hideEvent(QHideEvent* event) {
  // Another tool took the window: a confirmation would stand over it. A
  // minimised window (a spontaneous hide) still shows this screen when it returns.
  if (!event->spontaneous() && controller) {
    stopListing();
    apply(std::nullopt);
  }
  QWidget::hideEvent(event);
}
