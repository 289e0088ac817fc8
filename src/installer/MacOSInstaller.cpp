#include "installer/MacOSInstaller.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "platform/DiskArbitration.h"
#include "platform/IOKitMedia.h"
#include "platform/LaunchServices.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/Workspace.h"
#include "platform/plist/PropertyList.h"
#include "services/DiskTools.h"
#include "services/KVExecCommand.h"
#include "services/KVPublicUtilities.h"
#include "platform/SystemLog.h"

struct MacOSInstaller::Run {
  std::atomic<bool> cancelled{false};
  // The creation that began the run hands it to its own ExcuteInstallerTask.
  std::thread::id creator;
  bool toolTaken = false;
  // The version's step table and the index its next search starts at.
  std::unique_ptr<InstallerProgressEstimator> estimator;
  // When the tool was started (steady clock, ms); -1 before.
  std::atomic<qint64> startedMs{-1};

  int elapsedSeconds() const {
    const qint64 start = startedMs.load();
    return start < 0 ? 0 : static_cast<int>((steadyMs() - start) / 1000);
  }
  static qint64 steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

namespace {

void trace(const QString& text) { SystemLog("MacOSInstaller: %s", qUtf8Printable(text)); }

QString expandTilde(const QString& path) {
  if (!path.startsWith('~')) return path;
  const QString home = platform::homeFolderForUser(platform::processUserName());
  return home + path.mid(1);
}

}  // namespace

MacOSInstaller* MacOSInstaller::GetInstall() {
  static MacOSInstaller* shared = [] {
    auto* engine = new MacOSInstaller;
    engine->initBseValue();
    return engine;
  }();
  return shared;
}

MacOSInstaller::MacOSInstaller() = default;

void MacOSInstaller::initBseValue() {
  isTaskReady = false;
  GenProgressDictionary(this);
}

void MacOSInstaller::GenProgressDictionary(MacOSInstaller* engine) {
  if (engine) engine->setDictProgress(MacOSBuildStepTables());
}

QList<MacOSInstallerAppInfoPtr> MacOSInstaller::getSelectOSVersion() const { return MacOSKnownInstallers(); }

QList<MacOSInstallerAppInfoPtr> MacOSInstaller::getMacOSInfo() { return getMacOSAppInfo(getSelectOSVersion()); }

// ---- installed installers -------------------------------------------------

bool MacOSInstaller::isPathInTrash(const QString& path) {
  const QString expanded = expandTilde(path);
  if (!expanded.startsWith('/')) return false;
  QStringList components{QStringLiteral("/")};
  components += expanded.split('/', Qt::SkipEmptyParts);
  return components.size() >= 4 && components.at(1) == QLatin1String("Users") &&
         components.at(3) == QLatin1String(".Trash");
}

bool MacOSInstaller::isPathInTemp(const QString& path) {
  return expandTilde(path).startsWith(QLatin1String("/private/var/folders"));
}

qint64 MacOSInstaller::bundleSize(const QString& path) {
  qint64 total = 0;
  QDirIterator it(platform::hostPath(path), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString item = it.next();
    struct stat st;
    if (::lstat(QFile::encodeName(item).constData(), &st) == 0 && !S_ISDIR(st.st_mode)) total += st.st_size;
  }
  return total;
}

QList<MacOSInstallerAppInfoPtr> MacOSInstaller::getMacOSAppInfo(const QList<MacOSInstallerAppInfoPtr>& known) {
  QList<MacOSInstallerAppInfoPtr> found;
  int major = 0, minor = 0, bugFix = 0;
  KVPublicUtilities::getSystemVersionMajor(&major, &minor, &bugFix);
  for (const MacOSInstallerAppInfoPtr& entry : known) {
    if (!entry || entry->strBundleID.isEmpty()) continue;
    QStringList paths;
    if (major >= 12) {
      paths = platform::URLsForApplicationsWithBundleIdentifier(entry->strBundleID);
    } else {
      const QString preferred = platform::URLForApplicationWithBundleIdentifier(entry->strBundleID);
      if (!preferred.isEmpty()) paths << preferred;
    }
    for (const QString& path : paths) {
      if (!QFileInfo::exists(platform::hostPath(path))) continue;
      if (isPathInTrash(path) || isPathInTemp(path)) continue;
      MacOSInstallerAppInfoPtr copy = entry->copy();
      copy->setStrOSPath(path, bundleSize(path));
      found.append(copy);
    }
  }
  return found;
}

MacOSInstallerAppInfoPtr MacOSInstaller::getMacOSAppInfoByPath(const QString& path) {
  if (path.isEmpty()) return nullptr;
  const std::optional<QVariantMap> info =
      plist::readDictionary(platform::hostPath(path + QStringLiteral("/Contents/Info.plist")));
  if (!info) return nullptr;
  const QString identifier = info->value("CFBundleIdentifier").toString();
  if (identifier.isEmpty()) return nullptr;
  for (const MacOSInstallerAppInfoPtr& entry : getSelectOSVersion()) {
    if (entry->strBundleID != identifier) continue;
    MacOSInstallerAppInfoPtr copy = entry->copy();
    copy->setStrOSPath(path, bundleSize(path));
    return copy;
  }
  return nullptr;
}

// ---- target disks ---------------------------------------------------------

MacOSInstallerDiskInfoPtr MacOSInstaller::diskInfoFromDescription(const QVariantMap& d,
                                                                 const QVariantMap& whole) {
  using namespace platform;
  if (d.isEmpty() || !d.contains(kDADiskDescriptionDeviceProtocolKey)) return nullptr;
  const QString protocol = d.value(kDADiskDescriptionDeviceProtocolKey).toString();
  if (protocol != QLatin1String("USB") && protocol != QLatin1String("Secure Digital")) return nullptr;
  if (!d.contains(kDADiskDescriptionMediaSizeKey) ||
      d.value(kDADiskDescriptionMediaSizeKey).toLongLong() < 1600000)
    return nullptr;
  if (!d.contains(kDADiskDescriptionMediaPathKey)) return nullptr;
  if (d.contains(kDADiskDescriptionVolumeKindKey) &&
      d.value(kDADiskDescriptionVolumeKindKey).toString() != QLatin1String("hfs"))
    return nullptr;
  if (d.contains(kDADiskDescriptionVolumeTypeKey)) {
    const QVariant type = d.value(kDADiskDescriptionVolumeTypeKey);
    if (type.typeId() == QMetaType::QString && !type.toString().contains(QLatin1String("Mac OS Extended")))
      return nullptr;
  }
  const bool hasWhole = d.contains(kDADiskDescriptionMediaWholeKey);
  const bool isWhole = d.value(kDADiskDescriptionMediaWholeKey).toBool();
  if (isWhole && d.value(kDADiskDescriptionMediaNameKey).toString() == QLatin1String("AppleAPFSMedia"))
    return nullptr;
  if (hasWhole && !isWhole && !d.contains(kDADiskDescriptionVolumePathKey)) return nullptr;
  QString name;
  for (const char* key : {kDADiskDescriptionVolumeNameKey, kDADiskDescriptionMediaNameKey,
                          kDADiskDescriptionDeviceModelKey}) {
    if (d.contains(key)) {
      name = d.value(key).toString();
      break;
    }
  }
  if (!d.contains(kDADiskDescriptionVolumeNameKey) && !d.contains(kDADiskDescriptionMediaNameKey) &&
      !d.contains(kDADiskDescriptionDeviceModelKey))
    return nullptr;

  QString volumePath;
  if (d.contains(kDADiskDescriptionVolumePathKey)) {
    const QUrl url = d.value(kDADiskDescriptionVolumePathKey).toUrl();
    volumePath = url.isLocalFile() ? url.toLocalFile() : d.value(kDADiskDescriptionVolumePathKey).toString();
    while (volumePath.size() > 1 && volumePath.endsWith('/')) volumePath.chop(1);
  }
  QString parent;
  if (!isWhole && d.value(kDADiskDescriptionMediaLeafKey).toBool())
    parent = whole.value(kDADiskDescriptionMediaPathKey).toString();
  MacOSInstallerDiskInfoPtr info = MacOSInstallerDiskInfo::infoWithName(
      name, name, d.value(kDADiskDescriptionMediaBSDNameKey).toString(),
      d.value(kDADiskDescriptionMediaSizeKey).toLongLong(), volumePath,
      d.value(kDADiskDescriptionBusPathKey).toString(), d.value(kDADiskDescriptionMediaPathKey).toString(),
      parent);
  info->strMediaUUID = d.value(kDADiskDescriptionMediaUUIDKey).toString();
  return info;
}

QList<MacOSInstallerDiskInfoPtr> MacOSInstaller::getInstallerDiskInfo() {
  using namespace platform;
  QList<MacOSInstallerDiskInfoPtr> flat;
  DASessionRef session = DASessionCreate();
  if (!session) return {};
  io_iterator_t iterator;
  if (IOServiceGetMatchingServices(IOServiceMatching("IOMedia"), &iterator) != kIOReturnSuccess) return {};
  for (io_service_t media = IOIteratorNext(iterator); !IOObjectIsNull(media); media = IOIteratorNext(iterator)) {
    DADiskRef disk = DADiskCreateFromIOMedia(session, media);
    if (!disk) continue;
    const QVariantMap description = DADiskCopyDescription(disk);
    QVariantMap whole;
    if (DADiskRef wholeDisk = DADiskCopyWholeDisk(disk)) whole = DADiskCopyDescription(wholeDisk);
    if (MacOSInstallerDiskInfoPtr info = diskInfoFromDescription(description, whole)) flat.append(info);
  }
  return GetProcessedDiskInfo(flat);
}

QList<MacOSInstallerDiskInfoPtr> MacOSInstaller::GetProcessedDiskInfo(const QList<MacOSInstallerDiskInfoPtr>& flat) {
  QList<MacOSInstallerDiskInfoPtr> top;
  QHash<QString, MacOSInstallerDiskInfoPtr> byMediaPath;
  for (const MacOSInstallerDiskInfoPtr& info : flat) {
    if (!info || !info->strParentMediaPath.isEmpty()) continue;
    top.append(info);
    byMediaPath.insert(info->strMediaPath, info);
  }
  for (const MacOSInstallerDiskInfoPtr& info : flat) {
    if (!info || info->strParentMediaPath.isEmpty()) continue;
    const MacOSInstallerDiskInfoPtr parent = byMediaPath.value(info->strParentMediaPath);
    if (!parent) continue;
    info->strDiskName = parent->strDiskName;
    parent->addChildren(info);
  }
  return top;
}

// ---- store ---------------------------------------------------------------

QString MacOSInstaller::storeLink(const QString& storeId) {
  return QStringLiteral("macappstore://apps.apple.com/app/id") + storeId;
}

bool MacOSInstaller::LaunchAppStore(const QString& storeId) {
  if (storeId.isEmpty()) return false;
  return platform::Workspace::shared().openURL(QUrl(storeLink(storeId)));
}

// ---- hand-over -------------------------------------------------------------

void MacOSInstaller::setInstallerAppInfo(const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk) {
  std::lock_guard lock(lockTask);
  appInfo_ = app;
  diskInfo_ = disk;
  isTaskReady = true;
}

void MacOSInstaller::setAppInfo(const MacOSInstallerAppInfoPtr& app) {
  std::lock_guard lock(lockTask);
  appInfo_ = app;
}

MacOSInstallerAppInfoPtr MacOSInstaller::appInfo() const {
  std::lock_guard lock(lockTask);
  return appInfo_;
}

MacOSInstallerDiskInfoPtr MacOSInstaller::getSelectedDiskInfo() const {
  std::lock_guard lock(lockTask);
  return diskInfo_;
}

bool MacOSInstaller::isRunning() const {
  std::lock_guard lock(lockTask);
  return current_ != nullptr;
}

MacOSInstaller::RunPtr MacOSInstaller::beginRun(bool needsHandOver) {
  std::lock_guard lock(lockTask);
  if (current_) return nullptr;
  // A cancel clears the hand-over; a start that comes after it finds nothing to do.
  if (needsHandOver && !isTaskReady.load()) return nullptr;
  current_ = std::make_shared<Run>();
  ++runsBegun_;
  current_->creator = std::this_thread::get_id();
  return current_;
}

void MacOSInstaller::setStepTable(const RunPtr& run, const MacOSStepTable& table) {
  std::lock_guard lock(lockOutput);
  run->estimator = std::make_unique<InstallerProgressEstimator>(table);
}

MacOSInstaller::RunPtr MacOSInstaller::takeRunForTool() {
  std::lock_guard lock(lockTask);
  if (!current_ || current_->creator != std::this_thread::get_id() || current_->toolTaken) return nullptr;
  current_->toolTaken = true;
  return current_;
}

void MacOSInstaller::endRun(const RunPtr& run) {
  std::lock_guard lock(lockTask);
  // Only the run that set the flag clears it.
  if (current_ == run) current_.reset();
}

// ---- creating --------------------------------------------------------------

bool MacOSInstaller::startCreateInstall(MacOSInstallerProgress* progress) {
  RunPtr run = beginRun(true);
  if (!run) {
    trace(QStringLiteral("nothing handed over, or a creation is already under way"));
    return false;
  }
  MacOSInstallerAppInfoPtr app;
  MacOSInstallerDiskInfoPtr disk;
  {
    std::lock_guard lock(lockTask);
    app = appInfo_;
    disk = diskInfo_;
  }
  return create(run, app, disk, progress);
}

QString MacOSInstaller::EraseDiskAndCreatePartition(const QString& bsdName) {
  static const QRegularExpression whole(QStringLiteral("^disk[0-9]+$"));
  if (!whole.match(bsdName).hasMatch()) {
    trace(QStringLiteral("refused to erase %1: not a whole disk").arg(bsdName));
    return QString();
  }
  const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  const QString line = QStringLiteral("diskutil eraseDisk JHFS+ ") + platform::shellQuote(name) + ' ' +
                       platform::shellQuote(bsdName);
  // A disk cut off in the middle of its erase is left without a usable map, so a
  // cancel lets the erase end and only keeps the installer's tool from running.
  disktools::ToolOptions options;
  options.startedGate = kInstallerEraseGate;
  const disktools::ToolResult erase =
      disktools::runTool(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), line}, options);
  if (!erase.started) {
    trace(QStringLiteral("Error while erasing disk: bash could not be started"));
    return QString();
  }
  const QString mountPath = QStringLiteral("/Volumes/") + name;
  if (erase.exitStatus != 0) {
    trace(QStringLiteral("erase of %1 failed: %2").arg(bsdName, QString::fromUtf8(erase.output.trimmed())));
    return QString();
  }
  if (!KVCheckFolderExist(mountPath)) {
    trace(QStringLiteral("erased %1, but %2 is not mounted").arg(bsdName, mountPath));
    return QString();
  }
  return mountPath;
}

bool MacOSInstaller::CreateMacOSInstaller(const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk,
                                          MacOSInstallerProgress* progress) {
  RunPtr run = beginRun(false);
  if (!run) {
    trace(QStringLiteral("a creation is already under way"));
    return false;
  }
  return create(run, app, disk, progress);
}

bool MacOSInstaller::create(const RunPtr& run, const MacOSInstallerAppInfoPtr& app,
                            const MacOSInstallerDiskInfoPtr& disk, MacOSInstallerProgress* progress) {
  auto refuse = [&](const QString& why) {
    trace(why);
    endRun(run);
    return false;
  };
  if (!app || !disk || app->strOSName.isEmpty() || app->strOSAppID.isEmpty())
    return refuse(QStringLiteral("no installer or disk"));
  setStepTable(run, _dictProgress.value(QStringLiteral("macOS ") + app->strOSName));
  {
    std::lock_guard lock(lockTask);
    appInfo_ = app;
    diskInfo_ = disk;
  }
  const QString tool = app->strOSPath + QStringLiteral("/Contents/Resources/createinstallmedia");
  // Without its tool the installer cannot be written: the disk is left as it is.
  const QFileInfo toolFile(platform::hostPath(tool));
  if (app->strOSPath.isEmpty() || !toolFile.isFile() || !toolFile.isExecutable())
    return refuse(QStringLiteral("tool missing: ") + tool);

  // The records were listed a while ago: a disk unplugged since then may have
  // left its BSD name to another one, which must not be erased, and the medium
  // may have been mounted elsewhere while another disk took its old path. So
  // only the fresh record names the disk to the tools.
  const MacOSInstallerDiskInfoPtr medium = MacOSInstallerDiskInfo::findSameMedium(getInstallerDiskInfo(), disk);
  if (!medium) return refuse(QStringLiteral("the chosen disk is gone or has changed: ") + disk->strBSDName);
  QString target = medium->strVolumeName;
  if (target.isEmpty()) {
    if (medium->strBSDName.isEmpty()) return refuse(QStringLiteral("target without BSD name"));
    if (run->cancelled.load()) return refuse(QStringLiteral("cancelled before the erase"));
    target = EraseDiskAndCreatePartition(medium->strBSDName);
    if (target.isEmpty()) return refuse(QStringLiteral("erase failed"));
  }
  if (run->cancelled.load()) return refuse(QStringLiteral("cancelled before the tool started"));
  ExcuteInstallerTask(tool, {QStringLiteral("--volume"), target, QStringLiteral("--nointeraction")}, progress);
  endRun(run);
  return true;
}

void MacOSInstaller::ExcuteInstallerTask(const QString& toolPath, const QStringList& params,
                                         MacOSInstallerProgress* progress) {
  // Inside a creation the run carries the version's step table; a call of its
  // own runs the tool without one.
  RunPtr run = takeRunForTool();
  const bool ownRun = !run;
  if (ownRun) {
    run = beginRun(false);
    if (!run) return;
    setStepTable(run, MacOSStepTable());
  }
  runAndReport(run, toolPath, params, progress);
  if (ownRun) endRun(run);
}

void MacOSInstaller::runAndReport(const RunPtr& run, const QString& toolPath, const QStringList& params,
                                  MacOSInstallerProgress* progressReceiver) {
  DelegateRef<MacOSInstallerProgress> receiver(progressReceiver);
  auto tell = [&](const MacOSInstallerProgressinfoPtr& info, bool closing) {
    if (!info) return;
    // After a cancel only the closing (failure) report goes out.
    if (run->cancelled.load() && !closing) return;
    receiver.call([&](MacOSInstallerProgress* r) { r->MacOSInstallerProgressCB(info); });
  };
  if (toolPath.isEmpty()) {
    trace(QStringLiteral("no tool to run"));
    return;
  }
  run->startedMs = Run::steadyMs();
  {
    std::lock_guard lock(lockTask);
    isTaskReady = false;
  }
  tell(MacOSInstallerProgressinfo::infoWithCurrent(0, 0, 100, -1, -1), false);

  disktools::ToolOptions options;
  options.cancelled = &run->cancelled;
  options.stopGraceMs = 5000;
  // Each piece of output joins the run's buffer; the whole buffer is estimated again.
  options.onOutput = [&](const QByteArray& chunk) {
    QString whole;
    {
      std::lock_guard lock(lockOutput);
      if (!run->estimator->appendOutput(chunk)) return;
      whole = run->estimator->output();
    }
    const MacOSInstallerProgressinfoPtr estimate = GetCreateProgress(whole);
    MacOSInstallerProgressinfoPtr report;
    {
      std::lock_guard lock(lockOutput);
      report = run->estimator->passOn(estimate);
    }
    tell(report, false);
  };
  const disktools::ToolResult result = disktools::runTool(toolPath, params, options);
  if (!result.started) trace(QStringLiteral("Task failed with exception: %1 could not be started").arg(toolPath));

  MacOSInstallerProgressinfoPtr verdict;
  {
    std::lock_guard lock(lockOutput);
    verdict = run->estimator->finish(result.exitedCleanly(), run->cancelled.load());
  }
  tell(verdict, true);
}

MacOSInstallerProgressinfoPtr MacOSInstaller::GetCreateProgress(const QString& output) {
  RunPtr run;
  {
    std::lock_guard lock(lockTask);
    run = current_;
  }
  if (!run || !run->estimator) return nullptr;
  std::lock_guard lock(lockOutput);
  return run->estimator->GetCreateProgress(output, run->elapsedSeconds());
}

void MacOSInstaller::cancelMacOSInstller() {
  std::lock_guard lock(lockTask);
  // The run's worker stops the tool and ends the run itself.
  if (current_) current_->cancelled = true;
  isTaskReady = false;
}
