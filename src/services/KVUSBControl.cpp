#include "services/KVUSBControl.h"

#include "services/DiskTools.h"
#include "services/KVExecCommand.h"

#include "platform/Gate.h"
#include "platform/Queue.h"
#include "services/PathRules.h"
#include "platform/Shell.h"
#include "services/KVLog.h"
#include "services/KVTask.h"

KVUSBControl::KVUSBControl() {
  _usbAllObjs.reserve(4);
  volumeName_.reserve(8);
}

KVUSBControl* KVUSBControl::KVShareInstance() {
  static KVUSBControl* instance = new KVUSBControl();  // lives for the whole process
  return instance;
}

void KVUSBControl::KVSetDelegateObj(KVUSBControlDelegate* delegate) {
  std::lock_guard<std::mutex> lock(mutex_);
  _delegateObj = delegate;
}

void KVUSBControl::HlbCreateVolumeName() {
  const QString base = QStringLiteral("NewCloneSystem");
  QString name = base;
  if (KVCheckFolderExist(QStringLiteral("/Volumes/") + base)) {
    for (int counter = 1;; ++counter) {
      name = QStringLiteral("%1%2").arg(base).arg(counter);
      if (!KVCheckFolderExist(QStringLiteral("/Volumes/") + name)) break;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  volumeName_ = name;
}

QString KVUSBControl::KVGetOstrelVolumeName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return volumeName_;
}

QString KVUSBControl::KVGetOstrelVolumePath() const {
  return QStringLiteral("/Volumes/") + KVGetOstrelVolumeName();
}

QVariantList KVUSBControl::KVGetUSBList() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return _usbAllObjs;
}

// ---- USB disk list ----------------------------------------------------------

namespace {

const char* const kListOutput = "KVTemp.plist";

std::optional<QVariantMap> diskInfo(const QString& bsdName) {
  return KVExecCommandDictionary(
      platform::shellLine(QStringLiteral("diskutil"),
                          {QStringLiteral("info"), QStringLiteral("-plist"), QStringLiteral("/dev/") + bsdName}),
      QString::fromLatin1(kListOutput));
}

std::optional<QVariantMap> diskList() {
  return KVExecCommandDictionary(
      platform::shellLine(QStringLiteral("diskutil"), {QStringLiteral("list"), QStringLiteral("-plist")}),
      QString::fromLatin1(kListOutput));
}

// The list as the log shows it: one entry a line.
QByteArray describe(const QVariantList& list) {
  QStringList lines;
  for (const QVariant& v : list) {
    const QVariantMap e = v.toMap();
    lines << QStringLiteral("    {KVUSBBsdName = %1; KVUSBMediaName = \"%2\"; KVUSBTotalSize = %3;}")
                 .arg(e.value("KVUSBBsdName").toString(), e.value("KVUSBMediaName").toString())
                 .arg(e.value("KVUSBTotalSize").toLongLong());
  }
  return ("(\n" + lines.join(QStringLiteral(",\n")) + "\n)").toUtf8();
}

}  // namespace

bool KVUSBControl::isCloneableUSBDisk(const QVariantMap& info) {
  return info.value("WholeDisk").toBool() && info.value("BusProtocol").toString() == QLatin1String("USB") &&
         !info.value("RAIDMaster").toBool() && !info.value("CoreStorageEncrypted").toBool() &&
         info.value("Content").toString() != QLatin1String("Apple_HFSX") &&
         info.value("TotalSize").toLongLong() >= kCloneVolumeSize &&
         info.value("VirtualOrPhysical").toString() != QLatin1String("Virtual");
}

bool KVUSBControl::isListedLocked(const QString& bsdName) const {
  for (const QVariant& v : _usbAllObjs)
    if (v.toMap().value("KVUSBBsdName").toString() == bsdName) return true;
  return false;
}

void KVUSBControl::KVAddUSBWithBsdName(const QString& bsdName) {
  if (bsdName.isEmpty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (isListedLocked(bsdName)) return;
  }
  const std::optional<QVariantMap> info = diskInfo(bsdName);
  if (!info) {
    KVLog("diskutil info %s error", qUtf8Printable(bsdName));
    return;
  }
  if (!isCloneableUSBDisk(*info)) return;
  QVariantMap entry;
  entry["KVUSBBsdName"] = bsdName;
  entry["KVUSBTotalSize"] = info->value("TotalSize").toLongLong();
  entry["KVUSBMediaName"] = info->contains("MediaName") ? info->value("MediaName").toString() : QStringLiteral("Unknown");
  QVariantList list;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // The listing and an appeared disk may both have looked it up; the first one in stays.
    if (isListedLocked(bsdName)) return;
    _usbAllObjs.append(entry);
    list = _usbAllObjs;
  }
  KVLog("Add %s", describe(list).constData());
}

void KVUSBControl::KVRemoveUSBWithBsdName(const QString& bsdName) {
  QVariantList list;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bool removed = false;
    for (qsizetype i = _usbAllObjs.size() - 1; i >= 0; --i) {
      if (_usbAllObjs[i].toMap().value("KVUSBBsdName").toString() != bsdName) continue;
      _usbAllObjs.removeAt(i);
      removed = true;
    }
    if (!removed) return;
    list = _usbAllObjs;
  }
  KVLog("remove %s", describe(list).constData());
}

void KVUSBControl::KVEnumUSB() {
  // Follow the disks before listing them: one plugged in while the list is read
  // then still arrives (the add skips a disk already in).
  platform::dispatchMainSync([this] { followDisks(); });
  platform::gatePoint("KVUSBControl.watching");
  const std::optional<QVariantMap> listed = diskList();
  if (!listed) KVLog("diskutil list error");
  platform::gatePoint("KVUSBControl.listed");
  const QVariantList wholeDisks = listed ? listed->value("WholeDisks").toList() : QVariantList();
  for (const QVariant& disk : wholeDisks) KVAddUSBWithBsdName(services::lastPathComponent(disk.toString()));
  platform::dispatchMain([this] {
    std::unique_lock<std::mutex> lock(mutex_);
    KVUSBControlDelegate* d = _delegateObj.get();
    lock.unlock();
    if (d) d->KVEnumUSBFinishImp();
  });
}

void KVUSBControl::followDisks() {
  if (session_) return;  // already following
  session_ = platform::DASessionCreate();
  platform::DARegisterDiskAppearedCallback(session_, [this](const platform::DADiskRef& disk) {
    const QString bsd = platform::DADiskGetBSDName(disk);
    platform::dispatchGlobal([this, bsd] { KVAddUSBWithBsdName(bsd); });
  });
  platform::DARegisterDiskDisappearedCallback(session_, [this](const platform::DADiskRef& disk) {
    KVRemoveUSBWithBsdName(platform::DADiskGetBSDName(disk));
  });
  platform::DASessionScheduleWithRunLoop(session_);
}

// ---- partition routine ----------------------------------------------------

KVUSBControl::PartitionChoice KVUSBControl::choosePartition(const QVariantMap& list, const QVariantMap& usbEntry,
                                                          const InfoLookup& info,
                                                          const std::function<bool()>& cancelled) {
  const QString bsd = usbEntry.value("KVUSBBsdName").toString();
  const qint64 total = usbEntry.value("KVUSBTotalSize").toLongLong();
  QVariantList partitions;
  for (const QVariant& v : list.value("AllDisksAndPartitions").toList()) {
    const QVariantMap disk = v.toMap();
    if (disk.value("DeviceIdentifier").toString() == bsd && disk.value("Size").toLongLong() == total) {
      partitions = disk.value("Partitions").toList();
      break;
    }
  }
  PartitionChoice choice;
  choice.error = kNoRoom;  // fewer than two partitions, or none reached a test
  for (qsizetype i = partitions.size() - 1; i >= 1; --i) {
    if (cancelled && cancelled()) break;
    const QVariantMap p = partitions[i].toMap();
    const QString content = p.value("Content").toString();
    if (content == QLatin1String("Apple_Boot") || content == QLatin1String("EFI")) continue;
    if (content == QLatin1String("Apple_CoreStorage")) {
      choice.error = kCoreStorage;
      continue;
    }
    const QString id = p.value("DeviceIdentifier").toString();
    const std::optional<QVariantMap> d = info ? info(id) : std::nullopt;
    const QString mountPoint = d ? d->value("MountPoint").toString() : p.value("MountPoint").toString();
    const qint64 freeSpace = d ? d->value("FreeSpace").toLongLong() : 0;
    if (mountPoint.isEmpty() && freeSpace == 0) {
      choice.error = kNoMountNoFree;
      continue;
    }
    if (freeSpace < kNeededFree) {
      choice.error = kNoRoom;
      continue;
    }
    choice.partition = id;
    choice.size = p.value("Size").toLongLong();
    choice.error = 0;
    return choice;
  }
  return choice;
}

std::optional<QString> KVUSBControl::KVCreateOstrelPartition(const QVariantMap& usbEntry) {
  const QString bsd = usbEntry.value("KVUSBBsdName").toString();
  auto record = [&](int error) -> std::optional<QString> {
    std::lock_guard<std::mutex> lock(mutex_);
    _dictErrObjs[bsd] = error;
    return std::nullopt;
  };
  const std::optional<QVariantMap> listed = diskList();
  if (!listed) {
    KVLog("diskutil list error");
    return record(kNoRoom);
  }
  auto cancelled = [this] {
    std::unique_lock<std::mutex> lock(mutex_);
    KVUSBControlDelegate* d = _delegateObj.get();
    lock.unlock();
    return d && d->KVUserIsCancel();
  };
  const PartitionChoice choice = choosePartition(*listed, usbEntry, diskInfo, cancelled);
  if (choice.partition.isEmpty()) return record(choice.error);

  if (KVGetOstrelVolumeName().isEmpty()) HlbCreateVolumeName();
  const QString name = KVGetOstrelVolumeName();
  platform::runShell(QStringLiteral("killall mds_stores"));
  KVTask* task = KVTask::KVShareInstance();
  task->KVSetLaunchPath(disktools::kDiskutil);
  task->KVSetArguments({QStringLiteral("resizeVolume"), choice.partition,
                        QStringLiteral("%1B").arg(quint64(choice.size - kCloneVolumeSize)), QStringLiteral("JHFS+"),
                        name, QStringLiteral("%1B").arg(quint64(kCloneVolumeSize))});
  task->KVSetTimeoutCount(60);
  task->KVStartTask();
  const QString path = KVGetOstrelVolumePath();
  if (!KVCheckFolderExist(path)) return record(kNoNewVolume);
  return path;
}

QVariantMap KVUSBControl::KVGetErrObjs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return _dictErrObjs;
}
