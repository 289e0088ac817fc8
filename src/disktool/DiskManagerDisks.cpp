#include "disktool/DiskManagerDisks.h"

#include "platform/DiskArbitration.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "platform/Privacy.h"
#include "platform/Shell.h"
#include "services/DiskTools.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace diskmanager {
namespace {

bool runDiskutil(const QStringList& args, const QString& outputFile) {
  int status = -1;
  disktools::diskutilText(args, outputFile, &status);
  return status == 0;
}

// The BSD names of the volumes mounted in /Volumes, in listing order.
QStringList mountedBSDNames() {
  QStringList names;
  const auto entries = platform::contentsOfDirectoryAtPath(QStringLiteral("/Volumes/"));
  const platform::DASessionRef session = platform::DASessionCreate();
  if (!entries || !session) return names;
  for (const QString& entry : *entries) {
    if (entry == QLatin1String("(null)") || entry == QLatin1String(".DS_Store")) continue;
    const platform::DADiskRef disk =
        platform::DADiskCreateFromVolumePath(session, QStringLiteral("/Volumes/") + entry);
    if (!disk) continue;
    const QString bsd =
        platform::DADiskCopyDescription(disk).value(platform::kDADiskDescriptionMediaBSDNameKey).toString();
    if (!bsd.isEmpty() && bsd != QLatin1String(" ")) names.append(bsd);
  }
  return names;
}

}  // namespace

std::optional<QVariantMap> getDisjInfo(const QString& name) {
  if (name.isEmpty()) return std::nullopt;
  int status = -1;
  auto info = disktools::diskutilPlist({"info", "-plist", name}, QStringLiteral("SkelderRepairTemp.plist"), &status);
  if (status != 0) return std::nullopt;
  return info;
}

namespace {

// The descriptions of `names`, in their order, read side by side: each is one
// diskutil run that mostly waits for its process.
std::vector<std::optional<QVariantMap>> describeAll(const QStringList& names) {
  std::vector<std::optional<QVariantMap>> infos(size_t(names.size()));
  std::mutex mutex;
  std::condition_variable done;
  qsizetype pending = names.size();
  for (qsizetype i = 0; i < names.size(); ++i) {
    platform::dispatchGlobal([&, i] {
      auto info = getDisjInfo(names[i]);
      std::lock_guard lock(mutex);
      infos[size_t(i)] = std::move(info);
      if (--pending == 0) done.notify_all();
    });
  }
  std::unique_lock lock(mutex);
  done.wait(lock, [&] { return pending == 0; });
  return infos;
}

}  // namespace

QList<VolumeObjPtr> scanVolumes() {
  const QStringList names = mountedBSDNames();
  platform::gatePoint(kDescribeGate);
  QList<VolumeObjPtr> found;
  for (const std::optional<QVariantMap>& info : describeAll(names)) {
    if (!info) continue;
    const QString name = info->value(QStringLiteral("VolumeName")).toString();
    const QString node = info->value(QStringLiteral("DeviceNode")).toString();
    bool listed = false;
    for (const VolumeObjPtr& v : found)
      if (v->volumeName == name && v->volumePath == node) listed = true;
    if (listed) continue;
    if (VolumeObjPtr v = VolumeObj::fromDiskInfo(*info, VolumeObj::Filler::DiskManager,
                                                 [](qint64 n) { return byteToSizeWithByte(quint64(n)); }))
      found.append(v);
  }
  return found;
}

bool renameVolume(const QString& diskUUID, const QString& name) {
  if (diskUUID.isEmpty()) return false;
  return runDiskutil({"rename", diskUUID, name}, QStringLiteral("SkelderRepairTemp.plist"));
}

bool ejectVolume(const QString& diskUUID) {
  if (diskUUID.isEmpty()) return false;
  return runDiskutil({"eject", diskUUID}, QStringLiteral("SkelderRepairTemp.plist"));
}

FormatTarget bindFormatTarget(const VolumeObjPtr& record) {
  FormatTarget t;
  if (record) {
    t.bound = true;
    t.diskUUID = record->diskUUID;
    t.deviceNode = record->volRootDir;
    t.mountPoint = record->volumeMountPoint;
    t.diskType = record->diskType;
  }
  return t;
}

FormatOutcome runFormat(const FormatTarget& target, const FormatPlan& plan) {
  platform::gatePoint(kFormatGate);
  if (!target.bound || target.mountPoint == QLatin1String("/")) return FormatOutcome::NothingErasable;
  if (target.diskUUID.isEmpty() || target.deviceNode.isEmpty()) return FormatOutcome::TargetChanged;
  // The node is described again just before the erase: a disk unplugged since
  // the click, or another one that took its node, is never erased.
  const auto now = getDisjInfo(target.deviceNode);
  if (!now || now->value(QStringLiteral("DiskUUID")).toString() != target.diskUUID)
    return FormatOutcome::TargetChanged;
  if (now->value(QStringLiteral("MountPoint")).toString() == QLatin1String("/")) return FormatOutcome::NothingErasable;

  if (plan.path == FormatPlan::Path::RenameThenReformat) {
    if (!runDiskutil({"rename", target.diskUUID, plan.name}, QStringLiteral("SkelderChangeNameTemp.plist")))
      return FormatOutcome::RenameFailed;
    return runDiskutil({"reformat", target.deviceNode}, QStringLiteral("SkelderReformatTemp.plist"))
               ? FormatOutcome::Done
               : FormatOutcome::EraseFailed;
  }
  return runDiskutil({"eraseVolume", plan.personality, plan.name, target.deviceNode},
                     QStringLiteral("eraserVolumeTemp.plist"))
             ? FormatOutcome::Done
             : FormatOutcome::EraseFailed;
}

}  // namespace diskmanager
