#include "copy/SelectDiskViewController.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <mutex>

#include "copy/BusyIndicator.h"
#include "copy/SelectValueView.h"
#include "uikit/PVPopover.h"
#include "platform/Bundle.h"
#include "platform/DiskArbitration.h"
#include "platform/FileSystemInfo.h"
#include "platform/Paths.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/DiskTools.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "services/WholeDisks.h"
#include "uikit/ProgressBars.h"
#include "uikit/Style.h"

using namespace uikit;

namespace {

using disktools::kDiskutil;
const QString kInfoFile = QStringLiteral("QuorvanTemp.plist");

std::mutex& discoveryMutex() {
  static std::mutex m;
  return m;
}
std::function<QList<VolumeObjPtr>(bool)>& discoveryOverride() {
  static std::function<QList<VolumeObjPtr>(bool)> f;
  return f;
}

bool flag(const QVariantMap& info, const char* key) {
  return info.value(QLatin1String(key)).toBool();
}
QString text(const QVariantMap& info, const char* key) {
  return info.value(QLatin1String(key)).toString();
}

// getDisjInfo: the record of a BSD name.
std::optional<QVariantMap> getDisjInfo(const QString& bsdName) {
  if (bsdName.isEmpty()) return std::nullopt;
  return KVExecCommandDictionary(
      platform::shellLine(kDiskutil, {QStringLiteral("info"), QStringLiteral("-plist"), bsdName}), kInfoFile);
}

// KVGetDiskInfo: the record of a disk identifier, through its device node.
std::optional<QVariantMap> KVGetDiskInfo(const QString& identifier) {
  if (identifier.isEmpty()) return std::nullopt;
  auto info = KVExecCommandDictionary(
      platform::shellLine(kDiskutil, {QStringLiteral("info"), QStringLiteral("-plist"),
                                      QStringLiteral("/dev/") + identifier}),
      kInfoFile);
  if (!info) KVLog("diskutil info %s error", qUtf8Printable(identifier));
  return info;
}

QLabel* makeLabel(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = new QLabel(parent);
  l->setFont(font);
  l->setAlignment(align);
  setTextColor(l, color);
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  setFrame(l, frame);
  return l;
}

}  // namespace

// ------------------------------------------------------------------ picker::

namespace picker {

VolumeObjPtr volumeFromInfo(const std::optional<QVariantMap>& info, bool hidden) {
  if (!info || !info->contains(QStringLiteral("VolumeName")) || hidden) return nullptr;
  return VolumeObj::fromDiskInfo(*info, VolumeObj::Filler::PickerVolume);
}

bool isHiddenVolume(const QString& bsdName) {
  const QString device = QStringLiteral("/dev/") + bsdName;
  platform::FileSystemInfo fs;
  if (!platform::getFileSystemInfoForPath(device, &fs)) return true;
  const std::optional<QVariantMap> attributes = platform::fileSystemAttributesAtPath(device);
  if (!attributes || attributes->value(QLatin1String(platform::NSFileSystemSize)).toLongLong() == 0)
    return true;
  return fs.type == QLatin1String("ntfs");
}

bool wholeDiskPasses(const QVariantMap& info) {
  const QString bus = text(info, "BusProtocol");
  if (bus == QLatin1String("USB")) {
    if (flag(info, "RAIDMaster")) return false;
  } else {
    if (bus == QLatin1String("PCI-Express") && !flag(info, "Ejectable")) return false;
    if (bus == QLatin1String("Apple Fabric")) return false;
  }
  if (flag(info, "CoreStorageEncrypted")) return false;
  if (text(info, "Content") == QLatin1String("Apple_HFSX")) return false;
  if (text(info, "VirtualOrPhysical") == QLatin1String("Virtual")) return false;
  return true;
}

VolumeObjPtr wholeDiskFromInfo(const std::optional<QVariantMap>& info, const QStringList& startupDisks) {
  if (!info || !wholeDiskPasses(*info)) return nullptr;
  const QString id = diskIdentifier(text(*info, "DeviceIdentifier"));
  // Erasing it would erase the running system (or the store under its container).
  if (id.isEmpty() || startupDisks.contains(id)) return nullptr;
  return VolumeObj::fromDiskInfo(*info, VolumeObj::Filler::PickerWholeDisk);
}

float usagePercent(qint64 total, qint64 free, bool wholeDiskMode) {
  if (wholeDiskMode) return 0.1f;
  // Nothing to measure against: an empty bar rather than a division by zero.
  if (total <= 0) return 0;
  const qint64 p = free * 100 / total;
  return (p >= 0 && p <= 100) ? float(100 - p) : 100.0f;
}

Layout layout(int nI, int nE, bool wholeDisk) {
  Layout out;
  if (wholeDisk) nI = 0;
  const double pitch = kRowHeight + 4;
  // How far below the top the lowest row (or header) reaches.
  double depth;
  if (wholeDisk)
    depth = nE > 0 ? 33 + pitch * nE - 4 : 0;
  else if (nE > 0)
    depth = pitch * nI + 65 + pitch * nE - 4;
  else
    depth = nI > 0 ? 32 + pitch * nI - 4 : 30;
  const double H = std::max(kMinListHeight, depth + 12);
  out.height = H;
  // The internal rows are 52 apart, so the external group starts below all of them.
  const double c = wholeDisk ? 0 : pitch * nI;
  if (!wholeDisk) {
    out.internalHeader = NSMakeRect(20, H - 30, 200, 20);
    for (int i = 0; i < nI; ++i)
      out.internalRows.append(NSMakeRect(0, H - kRowHeight * (i + 1) - 32 - 4 * i, kRowWidth, kRowHeight));
  }
  if (nE > 0) {
    const double g = wholeDisk ? 30 : 63;
    const double k = wholeDisk ? 33 : 65;
    out.externalHeader = NSMakeRect(20, H - c - g, 200, 20);
    for (int j = 0; j < nE; ++j)
      out.externalRows.append(NSMakeRect(0, H - kRowHeight * (j + 1) - c - k - 4 * j, kRowWidth, kRowHeight));
  }
  return out;
}

QList<VolumeObjPtr> discoverVolumes() {
  QList<VolumeObjPtr> out;
  const QStringList names = QDir(platform::hostPath(QStringLiteral("/Volumes"))).entryList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  platform::DASessionRef session = platform::DASessionCreate();
  if (!session) return out;
  QSet<QString> seen;
  for (const QString& name : names) {
    if (name == QLatin1String("(null)") || name == QLatin1String(".DS_Store")) continue;
    platform::DADiskRef disk = platform::DADiskCreateFromVolumePath(session, QStringLiteral("/Volumes/") + name);
    if (!disk) continue;
    const QString bsd =
        platform::DADiskCopyDescription(disk).value(platform::kDADiskDescriptionMediaBSDNameKey).toString();
    if (bsd.isEmpty() || bsd == QLatin1String(" ")) continue;
    // A plain folder in /Volumes, or the startup volume's link, leads to a device
    // already listed.
    if (seen.contains(bsd)) continue;
    seen.insert(bsd);
    if (VolumeObjPtr v = volumeFromInfo(getDisjInfo(bsd), isHiddenVolume(bsd))) out.append(v);
  }
  return out;
}

QList<VolumeObjPtr> discoverWholeDisks() {
  QList<VolumeObjPtr> out;
  const auto list = KVExecCommandDictionary(
      platform::shellLine(kDiskutil, {QStringLiteral("list"), QStringLiteral("-plist")}), kInfoFile);
  if (!list) {
    KVLog("diskutil list error");
    return out;
  }
  // Without knowing which disk holds "/", no disk is offered as a target.
  const std::optional<QVariantMap> boot = getDisjInfo(QStringLiteral("/"));
  if (!boot) {
    KVLog("diskutil info / error: no whole disk offered");
    return out;
  }
  const QStringList startup = wholeDisksOfVolume(*boot);
  QSet<QString> seen;
  for (const QVariant& entry : list->value(QStringLiteral("WholeDisks")).toList()) {
    const QString id = diskIdentifier(entry.toString()).section(QLatin1Char('/'), -1);
    if (id.isEmpty() || seen.contains(id)) continue;
    seen.insert(id);
    if (VolumeObjPtr v = wholeDiskFromInfo(KVGetDiskInfo(id), startup)) out.append(v);
  }
  return out;
}

}  // namespace picker

// ------------------------------------------------------------ DiskListView

DiskListView::DiskListView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_Hover); }

void DiskListView::paintEvent(QPaintEvent*) {
  if (!mouseIn_) return;
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(toQtF(NSInsetRect(NSMakeRect(20, 0, 318, 48), 0.5, 0.5), height()), 4, 4);
  p.fillPath(path, deviceColor(236, 238, 242, 1));
}

void DiskListView::enterEvent(QEnterEvent*) {
  mouseIn_ = true;
  if (delegate_) delegate_->mouseInView();
  update();
}

void DiskListView::leaveEvent(QEvent*) {
  mouseIn_ = false;
  if (delegate_) delegate_->mouseOutView();
  update();
}

void DiskListView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (delegate_) delegate_->doSelectDisk();
}

// -------------------------------------------------- DiskListViewController

DiskListViewController::DiskListViewController(QWidget* parent) : QWidget(parent) {
  resize(int(picker::kRowWidth), int(picker::kRowHeight));
  aView = new DiskListView(this);
  aView->setGeometry(rect());
  aView->setDiskViewDelegate(this);
  diskIconImageView = new QLabel(this);
  diskIconImageView->setAttribute(Qt::WA_TransparentForMouseEvents);
  diskIconImageView->setScaledContents(true);
  setFrame(diskIconImageView, NSMakeRect(32, 8, 32, 32));
  nameLabel_ = makeLabel(this, mBoldFont(13), getColor(58, 58, 58, 1), NSMakeRect(76, 27, 160, 17));
  sizeLabel_ = makeLabel(this, regularFont(11), getColor(129, 129, 129, 1), NSMakeRect(196, 27, 130, 17),
                         Qt::AlignRight | Qt::AlignVCenter);
  diskInfoLabel_ = makeLabel(this, regularFont(10), getColor(129, 129, 129, 1), NSMakeRect(76, 16, 250, 11));
  bar_ = new DiskSizeProgress(this);
  bar_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setFrame(bar_, NSMakeRect(76, 12, 250, 4));
}

void DiskListViewController::applyIcon() {
  if (!volumeObj) return;
  iconName_ = volumeIconName(*volumeObj);
  diskIconImageView->setPixmap(platform::Bundle::mainBundle().imageNamed(iconName_, QSize(64, 64)));
}

void DiskListViewController::refreshaView() {
  if (!volumeObj) return;
  setObjectName(QStringLiteral("diskRow:") + volumeObj->volumeName);
  applyIcon();
  nameLabel_->setText(volumeObj->volumeName);
  nameLabel_->setToolTip(volumeObj->volumeName);
  if (isOnlyShowEx) {
    nameLabel_->setFont(systemFont(12));
    setFrame(nameLabel_, NSMakeRect(76, 29, 180, 14));
    sizeLabel_->setText(volumeObj->volumeTotalSize);
  } else {
    const QString used =
        KVPublicUtilities::longlongDiskSize(volumeObj->volumeTotalSizeNum - volumeObj->volumeFreeSizeNum);
    sizeLabel_->setText(used + QLatin1Char('/') + volumeObj->volumeTotalSize);
  }
  diskInfoLabel_->setText(volumeObj->volumeType);
  bar_->changeProgressValue(
      picker::usagePercent(volumeObj->volumeTotalSizeNum, volumeObj->volumeFreeSizeNum, isOnlyShowEx));
}

void DiskListViewController::doSelectDisk() {
  if (auto* d = diskListVCDelegate.get()) d->doSelectDiskWithVolume(volumeObj);
}

void DiskListViewController::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) doSelectDisk();
}

void DiskListViewController::mouseInView() { applyIcon(); }
void DiskListViewController::mouseOutView() { applyIcon(); }

// ------------------------------------------------ SelectDiskViewController

SelectDiskViewController::SelectDiskViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SelectDiskViewController"));
  resize(int(picker::kListWidth), int(picker::kMinListHeight));
  // White like the popover's body; the list inherits it.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);
  listScrollView_ = new QScrollArea(this);
  listScrollView_->setObjectName(QStringLiteral("listScrollView"));
  listScrollView_->setFrameShape(QFrame::NoFrame);
  listScrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  listScrollView_->setWidgetResizable(false);
  listScrollView_->setGeometry(rect());
  listScrollView_->viewport()->setAutoFillBackground(false);
  loadP_ = new BusyIndicator(this);
  loadP_->setObjectName(QStringLiteral("loadP"));
  loadP_->setGeometry(width() / 2 - 16, height() / 2 - 16, 32, 32);
}

SelectDiskViewController::~SelectDiskViewController() = default;

void SelectDiskViewController::setDiscoveryForTesting(std::function<QList<VolumeObjPtr>(bool)> discover) {
  std::lock_guard lock(discoveryMutex());
  discoveryOverride() = std::move(discover);
}

void SelectDiskViewController::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  awakeFromNib();
}

void SelectDiskViewController::awakeFromNib() {
  if (started_) return;
  started_ = true;
  allVolumeArr.clear();
  loadP_->startAnimation();
  std::function<QList<VolumeObjPtr>(bool)> discover;
  {
    std::lock_guard lock(discoveryMutex());
    discover = discoveryOverride();
  }
  const bool wholeDisk = isOnlyShowEx;
  QPointer<SelectDiskViewController> self(this);
  // The worker builds its own list and hands it over; a picker closed meanwhile
  // is gone by then and nothing is touched.
  platform::dispatchGlobal([self, wholeDisk, discover] {
    QList<VolumeObjPtr> found;
    if (discover)
      found = discover(wholeDisk);
    else
      found = wholeDisk ? picker::discoverWholeDisks() : picker::discoverVolumes();
    platform::dispatchMain([self, found] {
      if (self) self->discoveryEnded(found);
    });
  });
}

void SelectDiskViewController::discoveryEnded(const QList<VolumeObjPtr>& volumes) {
  allVolumeArr = volumes;
  discovered_ = true;
  QTimer::singleShot(200, this, [this] { showView(); });
}

QList<DiskListViewController*> SelectDiskViewController::rows() const {
  if (!document_) return {};
  return document_->findChildren<DiskListViewController*>(QString(), Qt::FindDirectChildrenOnly);
}

void SelectDiskViewController::showView() {
  if (!discovered_) return;
  loadP_->stopAnimation();
  QList<VolumeObjPtr> external, internal;
  for (const VolumeObjPtr& v : allVolumeArr) (v->bCanEject ? external : internal).append(v);
  const picker::Layout L = picker::layout(int(internal.size()), int(external.size()), isOnlyShowEx);

  auto* doc = new QWidget;
  doc->setObjectName(QStringLiteral("diskListDocument"));
  doc->resize(int(picker::kListWidth), int(L.height));
  auto header = [&](const NSRect& frame, const QString& text) {
    makeLabel(doc, mBoldFont(13), getColor(163, 160, 161, 1), frame)->setText(text);
  };
  if (L.internalHeader) header(*L.internalHeader, getLocalizedString(QStringLiteral("FILE_COPY_INTERNAL_DRIVES")));
  if (L.externalHeader) header(*L.externalHeader, getLocalizedString(QStringLiteral("FILE_COPY_External_DRIVES")));
  auto row = [&](const VolumeObjPtr& v, const NSRect& frame) {
    auto* r = new DiskListViewController(doc);
    r->setDiskListVCDelegate(this);
    r->setIsOnlyShowEx(isOnlyShowEx);
    r->setVolumeObj(v);
    setFrameOrigin(r, frame.origin);
    r->refreshaView();
  };
  for (int i = 0; i < internal.size(); ++i) row(internal.at(i), L.internalRows.value(i));
  for (int j = 0; j < external.size(); ++j) row(external.at(j), L.externalRows.value(j));

  listScrollView_->setWidget(doc);  // deletes an earlier list
  document_ = doc;
  listScrollView_->verticalScrollBar()->setValue(0);  // the top of the list shows
  listShown_ = true;
}

void SelectDiskViewController::doSelectDiskWithVolume(const VolumeObjPtr& volume) {
  if (auto* d = selectDiskVCDelegate.get()) d->doSelectDiskWithVolume(volume);
}

PVPopoverController* presentVolumePicker(SelectDiskViewController* picker, QWidget* owner, QWidget* anchor,
                                         bool destination, double borderWidth, bool animates) {
  auto* popover = new PVPopoverController(picker, owner);
  // The picker stays in the popover while it fades out, and goes with it.
  QObject::connect(popover, &QObject::destroyed, picker, &QObject::deleteLater);
  popover->setColor(getColor(255, 255, 255, 1));
  popover->setBorderColor(getColor(255, 255, 255, 1));
  popover->setBorderWidth(borderWidth);
  popover->setAnimates(animates);
  popover->presentPopoverFromRect(uikit::NSMakeRect(0, 0, anchor->width(), anchor->height()), anchor,
                                  destination ? 2 : 1, true);
  return popover;
}
