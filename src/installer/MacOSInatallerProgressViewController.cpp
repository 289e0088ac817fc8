#include "installer/MacOSInatallerProgressViewController.h"

#include <QUrl>

#include "installer/InstallerViews.h"
#include "installer/LinkTitleButton.h"
#include "platform/NotificationCenter.h"
#include "platform/Queue.h"
#include "platform/Workspace.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/ImageButtons.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"

using namespace uikit;

// Carries one job's reports to the main thread; the page is looked at there only.
class MacOSInatallerProgressViewController::Receiver
    : public MacOSInstallerProgress,
      public std::enable_shared_from_this<MacOSInatallerProgressViewController::Receiver> {
 public:
  Receiver(MacOSInatallerProgressViewController* page, quint64 job) : page_(page), job_(job) {}
  ~Receiver() override { stopReports(); }  // the worker's report may still read job_
  void MacOSInstallerProgressCB(const MacOSInstallerProgressinfoPtr& info) override {
    if (!info) return;
    const MacOSInstallerProgressinfo copy = *info;
    auto self = shared_from_this();
    platform::dispatchMain([self, copy] {
      if (self->page_) self->page_->takeReport(self->job_, copy);
    });
  }
  QPointer<MacOSInatallerProgressViewController> page_;  // read on the main thread only
  const quint64 job_;
};

namespace {

TextImageButton* okButton(QWidget* parent, const char* name, const NSRect& frame) {
  auto* b = new TextImageButton(parent);
  b->setObjectName(name);
  setFrame(b, frame);
  b->setImageFromFileNormalName("btn_pri", "btn_pri_press", "btn_pri_hover", "btn_pri_disable");
  b->setButtonEnabled(true);
  return b;
}

QWidget* pane(QWidget* parent, const char* name) {
  return installerBox(parent, name, NSMakeRect(0, 0, parent->width(), parent->height()));
}

// A caption and its value on one line.
void infoRow(QWidget* parent, const char* captionName, QLabel** caption, const char* valueName, QLabel** value,
             double y) {
  *caption = installerLabel(parent, captionName, NSMakeRect(96, y, 180, 20), 14);
  *value = installerLabel(parent, valueName, NSMakeRect(286, y, 540, 20), 14, true);
}

}  // namespace

MacOSInatallerProgressViewController::MacOSInatallerProgressViewController(QWidget* parent) : QWidget(parent) {
  setObjectName("progressVC");
  resize(888, 652);
  buildLayout();
  timeProgress.setInterval(1000);
  connect(&timeProgress, &QTimer::timeout, this, [this] { updateCreateProgress(); });
  connect(cancelCreateBut, &QAbstractButton::clicked, this, [this] { CancelCreateInstaller(); });
  connect(finishOkBut, &QAbstractButton::clicked, this, [this] { updateViewState(); });
  connect(failedOkBut, &QAbstractButton::clicked, this, [this] { updateViewState(); });
  connect(helpLinkBut, &QAbstractButton::clicked, this,
          [] { platform::Workspace::shared().openURL(QUrl(helpLinkAddress())); });
  setHelpLine();
  progressBar->setFloatValue(0);
  platform::NotificationCenter::defaultCenter().addObserver(this, "UPDATE_LANGUAGE",
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();
  progressStateChanged(-1);
}

MacOSInatallerProgressViewController::~MacOSInatallerProgressViewController() = default;

QString MacOSInatallerProgressViewController::helpLinkAddress() {
  return QStringLiteral("https://www.quorvan.example/");
}

void MacOSInatallerProgressViewController::buildLayout() {
  auto* bg = new MainBgView(this);
  setFrame(bg, NSMakeRect(0, 0, 888, 652));

  progressBgView = pane(this, "progressBgView");
  creatingLabel = installerLabel(progressBgView, "creatingLabel", NSMakeRect(96, 486, 730, 32), 22, true);
  step_1_Label = installerLabel(progressBgView, "step_1_Label", NSMakeRect(96, 446, 230, 20), 13, false, deviceColor(120, 124, 132));
  step_2_Label = installerLabel(progressBgView, "step_2_Label", NSMakeRect(346, 446, 230, 20), 13, false, deviceColor(120, 124, 132));
  step_3_Label = installerLabel(progressBgView, "step_3_Label", NSMakeRect(596, 446, 230, 20), 13, true, deviceColor(5, 100, 255));
  infoRow(progressBgView, "diskNameTLabel", &diskNameTLabel, "diskNameLabel", &diskNameLabel, 390);
  infoRow(progressBgView, "diskSizeTLabel", &diskSizeTLabel, "diskSizeLabel", &diskSizeLabel, 360);
  infoRow(progressBgView, "fileSystemTLabel", &fileSystemTLabel, "fileSystemLabel", &fileSystemLabel, 330);
  progressBar = new StripedProgressBar(progressBgView);
  progressBar->setObjectName("progressBar");
  setFrame(progressBar, NSMakeRect(96, 262, 640, 16));
  progressValueLabel = installerLabel(progressBgView, "progressValueLabel", NSMakeRect(750, 258, 76, 24), 16, true);
  infoRow(progressBgView, "remainTimeTLabel", &remainTimeTLabel, "remainTimeLabel", &remainTimeLabel, 218);
  cancelCreateBut = okButton(progressBgView, "cancelCreateBut", NSMakeRect(666, 104, 160, 40));

  finishedView = pane(this, "finishedView");
  suessTitleLabel = installerLabel(finishedView, "suessTitleLabel", NSMakeRect(96, 470, 730, 32), 22, true);
  infoRow(finishedView, "sViewDiskNameTLabel", &sViewDiskNameTLabel, "sViewDiskNameLabel", &sViewDiskNameLabel, 400);
  infoRow(finishedView, "sViewDiskSizeTLabel", &sViewDiskSizeTLabel, "sViewDiskSizeLabel", &sViewDiskSizeLabel, 370);
  infoRow(finishedView, "sViewFileSystemTLabel", &sViewFileSystemTLabel, "sViewFileSystemLabel", &sViewFileSystemLabel, 340);
  finishOkBut = okButton(finishedView, "finishOkBut", NSMakeRect(666, 104, 160, 40));

  failedView = pane(this, "failedView");
  failTitleLabel = installerLabel(failedView, "failTitleLabel", NSMakeRect(96, 470, 730, 32), 22, true);
  failNodeLabel = installerLabel(failedView, "failNodeLabel", NSMakeRect(96, 330, 730, 120), 14);
  failNodeLabel->setWordWrap(true);
  failNodeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  failedOkBut = okButton(failedView, "failedOkBut", NSMakeRect(666, 104, 160, 40));

  auto* link = new LinkTitleButton(this);
  link->setObjectName("helpLinkBut");
  link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  link->setFont(regularFont(13));
  setFrame(link, NSMakeRect(96, 40, 400, 22));
  helpLinkBut = link;
}

void MacOSInatallerProgressViewController::setHelpLine() {
  static_cast<LinkTitleButton*>(helpLinkBut)->setLinkTitle(helpLinkAddress(), QString(), true);
}

void MacOSInatallerProgressViewController::changeLanageue() {
  diskNameTLabel->setText(getLocalizedString("INSTALLER_PROE_DISK_NAME"));
  sViewDiskNameTLabel->setText(getLocalizedString("INSTALLER_PROE_DISK_NAME"));
  diskSizeTLabel->setText(getLocalizedString("INSTALLER_PROE_DISK_SIZE"));
  sViewDiskSizeTLabel->setText(getLocalizedString("INSTALLER_PROE_DISK_SIZE"));
  fileSystemTLabel->setText(getLocalizedString("INSTALLER_PROE_FILE_SYSTEM"));
  sViewFileSystemTLabel->setText(getLocalizedString("INSTALLER_PROE_FILE_SYSTEM"));
  remainTimeTLabel->setText(getLocalizedString("INSTALLER_PROE_REMAINTITME"));
  failTitleLabel->setText(getLocalizedString("INSTALLER_PROE_FAIL_TITLE"));
  failNodeLabel->setText(getLocalizedString("INSTALLER_PROE_FAIL_NODE"));
  suessTitleLabel->setText(getLocalizedString("INSTALLER_PROE_CREAT_SUESS"));
  creatingLabel->setText(getLocalizedString("INSTALLER_PROE_CREATING"));
  step_1_Label->setText(getLocalizedString("INSTALLER_Setp_1"));
  step_2_Label->setText(getLocalizedString("INSTALLER_Setp_2"));
  step_3_Label->setText(getLocalizedString("INSTALLER_Setp_3"));
  finishOkBut->setTextWithName(getLocalizedString("COMMNT_OK"));
  failedOkBut->setTextWithName(getLocalizedString("COMMNT_OK"));
  cancelCreateBut->setTextWithName(getLocalizedString("INSTALLER_PROE_CANCEL_CREATE"));
}

bool MacOSInatallerProgressViewController::startCreation() {
  MacOSInstaller* engine = MacOSInstaller::GetInstall();
  if (jobActive_ || !engine->HasTaskRedy()) return false;
  jobActive_ = true;
  const quint64 job = ++job_;
  model_.start();
  timeProgress.stop();
  progressBar->setFloatValue(0);
  showValues();
  progressStateChanged(InstallerProgressModel::Running);
  selectedDiskInfo = engine->getSelectedDiskInfo();
  if (selectedDiskInfo) {
    const QString size = KVPublicUtilities::longlongDiskSize(selectedDiskInfo->numSize);
    for (QLabel* l : {diskNameLabel, sViewDiskNameLabel}) l->setText(selectedDiskInfo->strDiskName);
    for (QLabel* l : {diskSizeLabel, sViewDiskSizeLabel}) l->setText(size);
    for (QLabel* l : {fileSystemLabel, sViewFileSystemLabel}) l->setText(QStringLiteral("HFS+"));
  }
  auto receiver = std::make_shared<Receiver>(this, job);
  QPointer<MacOSInatallerProgressViewController> self(this);
  platform::dispatchGlobal([receiver, self, job] {
    const bool started = MacOSInstaller::GetInstall()->startCreateInstall(receiver.get());
    platform::dispatchMain([self, job, started] {
      if (self) self->jobReturned(job, started);
    });
  });
  return true;
}

void MacOSInatallerProgressViewController::takeReport(quint64 job, const MacOSInstallerProgressinfo& info) {
  // A job the user left (cancel, a result shown) has nothing more to show.
  if (job != job_ || !jobActive_ || model_.progressState != InstallerProgressModel::Running) return;
  timeProgress.stop();
  switch (model_.takeReport(info)) {
    case InstallerProgressModel::Action::None:
      showValues();
      if (model_.timerRunning) timeProgress.start();
      break;
    case InstallerProgressModel::Action::ShowFinished:
      showValues();
      progressStateChanged(InstallerProgressModel::Finished);
      break;
    case InstallerProgressModel::Action::ShowFailed:
      progressStateChanged(InstallerProgressModel::Failed);
      break;
    case InstallerProgressModel::Action::AskEraseRetry: {
      askingRetry_ = true;
      const int answer = KVPublicUtilities::askAlert(
          getLocalizedString("INSTALLER_PROE_ERROR"), info.strErrorText, getLocalizedString("INSTALLER_PROE_RETRY"),
          getLocalizedString("COMM_CANCEL"));
      askingRetry_ = false;
      model_.fail();
      if (answer == 1) {
        updateViewState();
      } else {
        MacOSInstaller::GetInstall()->cancelMacOSInstller();
        progressStateChanged(InstallerProgressModel::Failed);
      }
      break;
    }
  }
}

void MacOSInatallerProgressViewController::jobReturned(quint64 job, bool started) {
  if (job != job_) return;
  jobActive_ = false;
  if (model_.progressState == InstallerProgressModel::Running && !askingRetry_) {
    model_.fail();
    timeProgress.stop();
    if (!started) {
      const int answer = KVPublicUtilities::askAlert(
          getLocalizedString("INSTALLER_PROE_ERROR"), getLocalizedString("INSTALLER_PROE_ERROR_no_problems"),
          getLocalizedString("INSTALLER_CANCEL_CREATION"), getLocalizedString("INSTALLER_PROE_RETRY"));
      if (answer == 1) {
        progressStateChanged(InstallerProgressModel::Failed);
      } else {
        MacOSInstaller::GetInstall()->cancelMacOSInstller();
        updateViewState();
      }
    } else {
      // The run ended without a verdict this page saw: never leave it spinning.
      progressStateChanged(InstallerProgressModel::Failed);
    }
  }
  if (MacOSInatallerProgressVCDelegate* d = delegate.get()) d->creationEnded();
}

void MacOSInatallerProgressViewController::updateCreateProgress() {
  model_.tick();
  showValues();
}

void MacOSInatallerProgressViewController::showValues() {
  progressBar->animatorSetFloatValue(model_.barValue());
  progressValueLabel->setText(model_.percentText());
  remainTimeLabel->setText(model_.clockText());
}

void MacOSInatallerProgressViewController::progressStateChanged(int state) {
  for (QWidget* w : {progressBgView, finishedView, failedView}) w->hide();
  if (state != InstallerProgressModel::Running) timeProgress.stop();
  switch (state) {
    case InstallerProgressModel::Running:
      progressBgView->show();
      break;
    case InstallerProgressModel::Finished:
      finishedView->show();
      canChangeTag();
      break;
    case InstallerProgressModel::Failed:
      failedView->show();
      canChangeTag();
      break;
    default:
      break;
  }
}

void MacOSInatallerProgressViewController::CancelCreateInstaller() {
  const int answer = KVPublicUtilities::askAlert(
      getLocalizedString("INSTALLER_PROE_CANCEL_CREATION"), getLocalizedString("INSTALLER_PROE_CANCEL_NODE"),
      getLocalizedString("INSTALLER_PROE_comtinue"), getLocalizedString("INSTALLER_CANCEL_CREATION"));
  // Only the cancel button stops the run; closing the question keeps it going.
  if (answer != 0) return;
  // The run may have ended while the question was open: its result stands.
  if (!jobActive_ || model_.progressState != InstallerProgressModel::Running) return;
  model_.fail();
  progressStateChanged(InstallerProgressModel::Failed);
  MacOSInstaller::GetInstall()->cancelMacOSInstller();
}

void MacOSInatallerProgressViewController::updateViewState() {
  if (MacOSInatallerProgressVCDelegate* d = delegate.get()) d->backToMainView();
}

void MacOSInatallerProgressViewController::canChangeTag() {
  if (MacOSInatallerProgressVCDelegate* d = delegate.get()) d->canChangeTag();
}
