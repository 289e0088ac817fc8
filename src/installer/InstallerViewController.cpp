#include "installer/InstallerViewController.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "installer/LinkTitleButton.h"
#include "installer/MacOSInstaller.h"
#include "platform/Gate.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Queue.h"
#include "platform/VolumeWatch.h"
#include "platform/plist/PropertyList.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "uikit/ImageButtons.h"
#include "uikit/Layout.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {

QString& nextChosenPath() {
  static QString path;
  return path;
}
bool& hasNextChosenPath() {
  static bool has = false;
  return has;
}

// The installer's own icon; our drawing when the bundle has none we can read.
QPixmap installerIcon(const QString& bundlePath) {
  for (const char* name : {"/contents/resources/installassistant.icns", "/Contents/Resources/InstallAssistant.icns"}) {
    const QImage image(platform::hostPath(bundlePath + QString::fromLatin1(name)));
    if (!image.isNull()) return QPixmap::fromImage(image.scaled(72, 72, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  }
  return Image::named("ic_installer_app").pixmap(36);
}

// One row of the two lists: a selectable background with an icon and two lines.
class ListRow : public SelectListBgView {
 public:
  ListRow(QWidget* parent, const QString& name, double indent, const QPixmap& icon, const QString& title,
          const QString& detail, bool selected, std::function<void()> onClick)
      : SelectListBgView(parent), onClick_(std::move(onClick)) {
    setObjectName(name);
    setFixedSize(348, 55);
    auto* image = new QLabel(this);
    image->setPixmap(icon);
    image->setScaledContents(true);
    setFrame(image, NSMakeRect(10 + indent, 9, 36, 36));
    auto* t = installerLabel(this, "Name", NSMakeRect(56 + indent, 28, 280 - indent, 20), 14, true);
    t->setText(title);
    t->setToolTip(title);
    auto* d = installerLabel(this, "Detail", NSMakeRect(56 + indent, 8, 280 - indent, 18), 12, false, deviceColor(120, 124, 132));
    d->setText(detail);
    d->setToolTip(detail);
    SetListSelect(selected);
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && onClick_) QTimer::singleShot(0, this, onClick_);
  }

 private:
  std::function<void()> onClick_;
};

QScrollArea* scroller(QWidget* parent, const char* name, const NSRect& frame, QWidget** content) {
  auto* area = new QScrollArea(parent);
  area->setObjectName(name);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setWidgetResizable(true);
  area->setStyleSheet("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }");
  area->verticalScrollBar()->setStyleSheet(
      "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
      "QScrollBar::handle:vertical { background: #c8ccd4; border-radius: 3px; min-height: 24px; }"
      "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
      "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }");
  setFrame(area, frame);
  *content = new QWidget;
  auto* layout = new QVBoxLayout(*content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addStretch(1);
  area->setWidget(*content);
  return area;
}

void clearRows(QWidget* content) {
  auto* layout = static_cast<QVBoxLayout*>(content->layout());
  while (layout->count() > 1) {
    QLayoutItem* item = layout->takeAt(0);
    if (QWidget* w = item->widget()) {
      w->hide();
      w->deleteLater();
    }
    delete item;
  }
}

void addRow(QWidget* content, QWidget* row) {
  auto* layout = static_cast<QVBoxLayout*>(content->layout());
  layout->insertWidget(layout->count() - 1, row);
}

}  // namespace

InstallerViewController::InstallerViewController(QWidget* parent) : QWidget(parent) {
  setObjectName("installerVC");
  resize(888, 652);
  buildLayout();
  progressVC = new MacOSInatallerProgressViewController(progressView);
  progressVC->setDelegate(this);
  progressView->hide();

  connect(addBut, &QAbstractButton::clicked, this, [this] { addAppClick(); });
  connect(refrshBut, &QAbstractButton::clicked, this, [this] { refrshDownloadApp(); });
  connect(createBut, &QAbstractButton::clicked, this, [this] { beginMakeMacOSInstaller(); });
  connect(reDownLoadBut, &QAbstractButton::clicked, this, [this] { reselectButAction(); });

  platform::NotificationCenter::defaultCenter().addObserver(this, "UPDATE_LANGUAGE",
                                                            [this](const QVariant&) { changeLanageue(); });
  changeLanageue();

  // The disk list follows plugs for the screen's whole life, whichever tab shows.
  volumeWatch_ = std::make_unique<platform::VolumeWatch>();
  connect(volumeWatch_.get(), &platform::VolumeWatch::didMount, this, [this] { refreshDiskInfo(); });
  connect(volumeWatch_.get(), &platform::VolumeWatch::didUnmount, this, [this] { refreshDiskInfo(); });

  noDiskView->show();
  diskListScrollView->hide();
  changeCreatButState();
}

void InstallerViewController::loadData() {
  refreshDiskInfo();
  refrshDownloadApp();
}

InstallerViewController::~InstallerViewController() = default;

void InstallerViewController::buildLayout() {
  titleLabel = installerLabel(this, "titleLabel", NSMakeRect(56, 596, 810, 30), 22, true);
  nodeLabel = installerLabel(this, "nodeLabel", NSMakeRect(56, 566, 810, 22), 13, false, deviceColor(120, 124, 132));

  baseView = installerBox(this, "baseView", NSMakeRect(0, 0, 888, 560));
  auto* bg = new MainBgView(baseView);
  setFrame(bg, NSMakeRect(0, 0, 888, 560));
  progressView = installerBox(this, "progressView", NSMakeRect(0, 0, 888, 652));

  const QColor blue = deviceColor(5, 100, 255);
  setp_1_title = installerLabel(baseView, "setp_1_title", NSMakeRect(86, 515, 350, 20), 13, true, blue);
  option_1_title = installerLabel(baseView, "option_1_title", NSMakeRect(86, 488, 350, 24), 16, true);

  selectAppView = installerBox(baseView, "selectAppView", NSMakeRect(76, 110, 370, 370));
  option_1_node = installerLabel(selectAppView, "option_1_node", NSMakeRect(10, 342, 360, 24), 13);
  option_1_node->setWordWrap(true);
  // Just above the version list, which opens at a fixed point below it.
  selectOSView = installerBox(selectAppView, "selectOSView", NSMakeRect(10, 304, 300, 36));
  lComboBox = new InstallerComboBox(selectOSView);
  lComboBox->setLconboBoxDelegate(this);
  option_1_2_node = installerLabel(selectAppView, "option_1_2_node", NSMakeRect(10, 250, 360, 24), 13);
  option_1_2_node->setWordWrap(true);
  addBut = new TextImageButton(selectAppView);
  addBut->setObjectName("addBut");
  setFrame(addBut, NSMakeRect(10, 206, 120, 36));
  option_1_error = installerLabel(selectAppView, "noAppLabel", NSMakeRect(10, 130, 350, 56), 13, false, deviceColor(230, 70, 70));
  option_1_error->setWordWrap(true);
  option_1_error->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  noAppLabel = option_1_error;
  noAppLabel->hide();

  appInfoListView = installerBox(baseView, "appInfoListView", NSMakeRect(76, 110, 370, 370));
  appListScrollView = scroller(appInfoListView, "appListScrollView", NSMakeRect(10, 60, 352, 300), &appListContent);
  refrshBut = new TextImageButton(appInfoListView);
  refrshBut->setObjectName("refrshBut");
  setFrame(refrshBut, NSMakeRect(10, 10, 120, 36));
  reDownLoadBut = new LinkTitleButton(appInfoListView);
  reDownLoadBut->setObjectName("reDownLoadBut");
  reDownLoadBut->setFont(regularFont(12));
  reDownLoadBut->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setFrame(reDownLoadBut, NSMakeRect(140, 6, 225, 44));
  appInfoListView->hide();

  setp_2_title = installerLabel(baseView, "setp_2_title", NSMakeRect(476, 515, 360, 20), 13, true, blue);
  option_2_title = installerLabel(baseView, "option_2_title", NSMakeRect(476, 488, 360, 24), 16, true);
  option_2_node = installerLabel(baseView, "option_2_node", NSMakeRect(476, 436, 360, 44), 13);
  option_2_node->setWordWrap(true);
  diskListView = installerBox(baseView, "diskListView", NSMakeRect(466, 150, 380, 280));
  diskListScrollView = scroller(diskListView, "diskListScrollView", NSMakeRect(10, 0, 352, 280), &diskListContent);
  noDiskView = installerBox(diskListView, "noDiskView", NSMakeRect(10, 0, 352, 280));
  auto* usb = new QLabel(noDiskView);
  usb->setPixmap(Image::named("ic_usb_main").pixmap(48));
  setFrame(usb, NSMakeRect(152, 170, 48, 48));
  noDiskNodeLabel = installerLabel(noDiskView, "noDiskNodeLabel", NSMakeRect(10, 90, 332, 64), 13, false, deviceColor(120, 124, 132));
  noDiskNodeLabel->setWordWrap(true);
  noDiskNodeLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  createBut = new TextImageButton(baseView);
  createBut->setObjectName("createBut");
  setFrame(createBut, NSMakeRect(606, 92, 240, 48));
  addBut->setImageFromFileNormalName("btn_pop_sec", "btn_pop_pri_press", "btn_pop_pri_hover", "btn_pop_pri_disable");
  addBut->setButtonEnabled(true);
  refrshBut->setImageFromFileNormalName("btn_pop_sec", "btn_pop_pri_press", "btn_pop_pri_hover", "btn_pop_pri_disable");
  refrshBut->setButtonEnabled(true);
  createBut->setImageFromFileNormalName("btn_pri_l", "btn_pri_l_press", "btn_pri_l_hover", "btn_pri_l_dis");
  createBut->setButtonEnabled(false);
}

void InstallerViewController::setDelegate(InstallerVCDelegate* delegate) { delegate_ = delegate; }

InstallerVCDelegate* InstallerViewController::delegate() const { return delegate_.get(); }

void InstallerViewController::canChangeTab(bool canChange) {
  if (InstallerVCDelegate* target = delegate()) target->canChangeTab(canChange);
}

void InstallerViewController::canChangeTag() { canChangeTab(true); }

void InstallerViewController::changeLanageue() {
  titleLabel->setText(getLocalizedString("INSTALLER_TITLE"));
  nodeLabel->setText(getLocalizedString("INSTALLER_NODE"));
  setp_1_title->setText(getLocalizedString("INSTALLER_Setp_1"));
  setp_2_title->setText(getLocalizedString("INSTALLER_Setp_2"));
  option_1_title->setText(getLocalizedString("INSTALLER_Setp_Option_1"));
  option_1_node->setText(getLocalizedString("INSTALLER_Setp_Select_OS_1"));
  option_1_2_node->setText(getLocalizedString("INSTALLER_Setp_Select_OS_2"));
  option_1_error->setText(getLocalizedString("INSTALLER_Setp_Select_OS_ERROR"));
  option_2_title->setText(getLocalizedString("INSTALLER_Setp_Option_2"));
  option_2_node->setText(getLocalizedString("INSTALLER_Setp_Option_2_NODE"));
  noDiskNodeLabel->setText(getLocalizedString("INSTALLER_SELECT_DES_TIP"));
  refrshBut->setTextWithName(getLocalizedString("COMM_Refresh"));
  addBut->setTextWithName(getLocalizedString("COMM_ADD"));
  createBut->setTextWithName(getLocalizedString("INSTALLER_CREATE"));
  lComboBox->setStrLabelValue(getLocalizedString("INSTALLER_SELECT"));
  setReSelectButStyle();
}

void InstallerViewController::setReSelectButStyle() {
  reDownLoadBut->setLinkTitle(getLocalizedString("INSTALLER_REDOWNLOAD"), getLocalizedString("INSTALLER_DWNLOAD_OR_ADD"));
}

void InstallerViewController::changeCreatButState() {
  const bool idle = !awaitingDiskList() && !progressVC->jobActive() && !MacOSInstaller::GetInstall()->isRunning();
  createBut->setButtonEnabled(appInfo && diskInfo && idle);
}

void InstallerViewController::creationEnded() { changeCreatButState(); }

// ---- disks ------------------------------------------------------------------

void InstallerViewController::refreshDiskInfo() {
  const quint64 token = ++diskRefresh_;
  QPointer<InstallerViewController> self(this);
  platform::dispatchGlobal([self, token] {
    platform::gatePoint("installer.diskList");
    const QList<MacOSInstallerDiskInfoPtr> disks = MacOSInstaller::GetInstall()->getInstallerDiskInfo();
    platform::dispatchMain([self, token, disks] {
      if (self && token == self->diskRefresh_) self->applyDiskInfo(disks);
    });
  });
}

void InstallerViewController::applyDiskInfo(const QList<MacOSInstallerDiskInfoPtr>& disks) {
  arrDiskInfos = disks;
  // The chosen disk is kept only while the same medium is still there.
  if (diskInfo) diskInfo = MacOSInstallerDiskInfo::findSameMedium(arrDiskInfos, diskInfo);
  noDiskView->setVisible(arrDiskInfos.isEmpty());
  diskListScrollView->setVisible(!arrDiskInfos.isEmpty());
  reloadDiskList();
  // Taken before it runs: a list that comes in later starts nothing of it.
  const AfterDiskList action = std::exchange(afterDiskList_, AfterDiskList::Nothing);
  changeCreatButState();
  runAfterDiskList(action);
}

void InstallerViewController::runAfterDiskList(AfterDiskList action) {
  switch (action) {
    case AfterDiskList::Nothing:
      break;
    case AfterDiskList::ContinueCreate:
      continueMakeMacOSInstaller();
      break;
  }
}

void InstallerViewController::reloadDiskList() {
  const int scroll = diskListScrollView->verticalScrollBar()->value();
  clearRows(diskListContent);
  const QPixmap usb = Image::named("ic_usb_main").pixmap(36);
  std::function<void(const MacOSInstallerDiskInfoPtr&, double)> add = [&](const MacOSInstallerDiskInfoPtr& d,
                                                                             double indent) {
    addRow(diskListContent,
           new ListRow(diskListContent, "diskRow_" + d->strBSDName, indent, usb, d->strName,
                       KVPublicUtilities::longlongDiskSize(d->numSize), d == diskInfo, [this, d] { chooseDisk(d); }));
    // Every disk shows its partitions.
    if (d->arrChildren)
      for (const MacOSInstallerDiskInfoPtr& child : *d->arrChildren) add(child, indent + 24);
  };
  for (const MacOSInstallerDiskInfoPtr& disk : arrDiskInfos) add(disk, 0);
  diskListScrollView->verticalScrollBar()->setValue(scroll);
}

void InstallerViewController::chooseDisk(const MacOSInstallerDiskInfoPtr& disk) {
  // The confirmed choice stays until its disk has been looked up again.
  if (awaitingDiskList()) return;
  diskInfo = disk;
  reloadDiskList();
  changeCreatButState();
}

// ---- installers ---------------------------------------------------------------

void InstallerViewController::refrshDownloadApp() {
  noAppLabel->hide();
  const quint64 token = ++appRefresh_;
  QPointer<InstallerViewController> self(this);
  // Summing the bundles' sizes reads every file: not on the main thread.
  platform::dispatchGlobal([self, token] {
    const QList<MacOSInstallerAppInfoPtr> found = MacOSInstaller::GetInstall()->getMacOSInfo();
    platform::dispatchMain([self, token, found] {
      if (self && token == self->appRefresh_) self->applyFoundApps(found);
    });
  });
}

void InstallerViewController::applyFoundApps(const QList<MacOSInstallerAppInfoPtr>& found) {
  if (found.isEmpty()) {
    noAppLabel->show();
    return;
  }
  for (const MacOSInstallerAppInfoPtr& app : found) addApp(app);
  if (!arrAddApps.isEmpty()) showAppList();
}

void InstallerViewController::addApp(const MacOSInstallerAppInfoPtr& app) {
  for (const MacOSInstallerAppInfoPtr& listed : arrAddApps)
    if (listed->strOSPath == app->strOSPath) return;
  arrAddApps.append(app);
}

void InstallerViewController::showAppList() {
  appInfoListView->show();
  selectAppView->hide();
  reloadAppList();
}

void InstallerViewController::reloadAppList() {
  clearRows(appListContent);
  for (int row = 0; row < arrAddApps.size(); ++row) {
    const MacOSInstallerAppInfoPtr& app = arrAddApps[row];
    addRow(appListContent, new ListRow(appListContent, QStringLiteral("appRow_%1").arg(row), 0,
                                       installerIcon(app->strOSPath),
                                       QStringLiteral("Install macOS %1.app").arg(app->strOSName), app->strOSVersion,
                                       app == appInfo, [this, row] { chooseApp(row); }));
  }
}

void InstallerViewController::chooseApp(int row) {
  if (awaitingDiskList() || row < 0 || row >= arrAddApps.size()) return;
  appInfo = arrAddApps[row];
  selectedAppRow = row;
  reloadAppList();
  changeCreatButState();
}

void InstallerViewController::setNextChosenPath(const QString& macPath) {
  nextChosenPath() = macPath;
  hasNextChosenPath() = true;
}

bool InstallerViewController::checkBundleWith(const QString& macPath) {
  const QFileInfo item(platform::hostPath(macPath));
  if (!item.exists()) return false;
  if (item.suffix().toLower() != QLatin1String("app")) return item.isDir();
  const auto info = plist::readDictionary(platform::hostPath(macPath + "/Contents/Info.plist"));
  if (!info) return false;
  const QString identifier = info->value("CFBundleIdentifier").toString();
  for (const MacOSInstallerAppInfoPtr& known : MacOSInstaller::GetInstall()->getSelectOSVersion())
    if (!identifier.isEmpty() && known->strBundleID == identifier) return true;
  return false;
}

void InstallerViewController::addAppClick() {
  QString macPath;
  if (hasNextChosenPath()) {
    hasNextChosenPath() = false;
    macPath = nextChosenPath();
  } else {
    // A bundle is a folder here: the chooser picks folders, and only a known
    // installer's bundle is taken.
    const QString host = QFileDialog::getExistingDirectory(this, QString(), platform::hostPath("/Applications"));
    if (host.isEmpty()) return;
    macPath = platform::inWorld() ? platform::macPathFromHost(host) : host;
  }
  if (macPath.isEmpty() || !macPath.endsWith(QLatin1String(".app"), Qt::CaseInsensitive) || !checkBundleWith(macPath))
    return;
  const MacOSInstallerAppInfoPtr app = MacOSInstaller::GetInstall()->getMacOSAppInfoByPath(macPath);
  if (!app) return;
  addApp(app);
  showAppList();
}

void InstallerViewController::reselectButAction() {
  if (awaitingDiskList()) return;
  appInfo.reset();
  selectedAppRow = -1;
  changeCreatButState();
  appInfoListView->hide();
  selectAppView->show();
}

// ---- version picker -------------------------------------------------------------

void InstallerViewController::showSelectAllVC() {
  if (sortDropDown->isOpen()) return;
  auto* list = new SelectOSFilePopVC;
  list->setDelegate(this);
  RAttachedWindow* shown = sortDropDown->open(window(), list, kDropDownPointInstaller);
  if (!shown) return;
  shown->setObjectName("sortAttachedWindow");
  shown->setMattachedWDelegate(this);
}

void InstallerViewController::closeMattachedWindow() {
  if (RAttachedWindow* w = sortDropDown->window()) w->setMattachedWDelegate(nullptr);
  sortDropDown->close();
}

void InstallerViewController::mouseEixtView(bool exited) {
  if (exited) QTimer::singleShot(0, this, [this] { closeMattachedWindow(); });
}

void InstallerViewController::selectFormatbyType(int index) {
  lComboBox->changeSelectType(index);
  comboBoxSelectionChanged(InstallerComboBox::labelForIndex(index));
  mouseEixtView(true);
}

void InstallerViewController::comboBoxSelectionChanged(const QString& text) {
  if (text.isNull()) return;
  QString name = text;
  name.remove(QStringLiteral("macOS "));
  MacOSInstaller* engine = MacOSInstaller::GetInstall();
  for (const MacOSInstallerAppInfoPtr& known : engine->getSelectOSVersion()) {
    if (known->strOSName != name) continue;
    engine->setAppInfo(known);
    if (!engine->LaunchAppStore(known->strOSAppID))
      KVPublicUtilities::askAlert(
          getLocalizedString("INSTALLER_ERROR_TITLE"), getLocalizedString("INSTALLER_ERROR_NODE"),
          getLocalizedString("COMMNT_OK"), QString());
  }
}

// ---- creating -------------------------------------------------------------------

void InstallerViewController::beginMakeMacOSInstaller() {
  if (!appInfo || !diskInfo || awaitingDiskList()) return;
  const int answer = KVPublicUtilities::askAlert(
      getLocalizedString("INSTALLER_TIP_TITLE").replace(QStringLiteral("%@"), diskInfo->strDiskName),
      getLocalizedString("INSTALLER_TIP_NODE"), getLocalizedString("INSTALLER_ERASE_AND_CREATE"),
      getLocalizedString("INSTALLER_CANCEL_CREATION"));
  if (answer != 1 || !appInfo || !diskInfo) return;
  // The list may be older than the disks now plugged in: look once more, on a
  // worker as every scan is; the first list scanned after the confirmation decides.
  afterDiskList_ = AfterDiskList::ContinueCreate;
  canChangeTab(false);
  changeCreatButState();
  refreshDiskInfo();
}

void InstallerViewController::continueMakeMacOSInstaller() {
  if (!diskInfo) {
    // The fresh list no longer has the confirmed medium: it was unplugged, or
    // another disk took its name. The choice is gone and Create is off already.
    canChangeTab(true);
    KVPublicUtilities::askAlert(getLocalizedString("INSTALLER_PROE_ERROR"), getLocalizedString("INSTALLER_DISK_GONE"),
                 getLocalizedString("COMMNT_OK"), QString());
    return;
  }
  MacOSInstaller::GetInstall()->setInstallerAppInfo(appInfo, diskInfo);
  baseView->hide();
  progressView->show();
  if (!progressVC->startCreation()) backToMainView();
  changeCreatButState();
}

void InstallerViewController::backToMainView() {
  canChangeTag();
  baseView->show();
  progressView->hide();
  diskInfo.reset();
  appInfo.reset();
  selectedAppRow = -1;
  reloadAppList();
  reloadDiskList();
  refreshDiskInfo();
  changeCreatButState();
}
