#include "clone/CloneDiskWork.h"

#include "clone/CloneScreenRules.h"
#include "platform/Gate.h"
#include "platform/Shell.h"
#include "services/DiskTools.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"
#include "services/KVPublicUtilities.h"

namespace {

using disktools::kDiskutil;
const char* const kCryptexes = "/System/Volumes/Preboot/Cryptexes";

QString dev(const QString& identifier) { return QStringLiteral("/dev/") + identifier; }

// Runs a tool to its end on this worker; its exit status, -1 when it did not exit by itself.
int runTool(const QString& macTool, const QStringList& args, QByteArray* output = nullptr) {
  disktools::ToolOptions options;
  options.startTimeoutMs = -1;
  const disktools::ToolResult r = disktools::runTool(macTool, args, options);
  if (output) *output = r.output;
  return r.exitStatus;
}

}  // namespace

std::optional<QVariantMap> ZZDoCommand(const QString& line, const QString& outputName) {
  if (line.isEmpty() || outputName.isEmpty()) return std::nullopt;
  return KVExecCommandDictionary(line, outputName);
}

std::optional<qint64> ZZCheckVolumeIsBootDriveImp() {
  const std::optional<QVariantMap> info =
      ZZDoCommand(platform::shellLine(kDiskutil, {QStringLiteral("info"), QStringLiteral("-plist"), QStringLiteral("/")}),
                  QStringLiteral("QuorvanDiskCloneDataTemp.plist"));
  return cloning::usedBytesOfStartupVolume(info, KVPublicUtilities::getSystemVersion());
}

namespace cloning {

DiskutilReader diskutilReader() {
  return [](const QStringList& args) {
    return ZZDoCommand(platform::shellLine(kDiskutil, args), QStringLiteral("rootTuvDataTemp.plist"));
  };
}

PrebootPlan planPrebootRepair(const QString& wholeDisk, const DiskutilReader& diskutil) {
  PrebootPlan plan;
  const std::optional<QVariantMap> disk =
      diskutil({QStringLiteral("list"), QStringLiteral("-plist"), dev(wholeDisk)});
  if (!disk) return plan;
  plan.kind = PrebootPlan::NoContainer;
  for (const QVariant& id : disk->value("AllDisks").toList()) {
    const std::optional<QVariantMap> info =
        diskutil({QStringLiteral("info"), QStringLiteral("-plist"), dev(id.toString())});
    const QString container = info ? info->value("APFSContainerReference").toString() : QString();
    if (!container.isEmpty()) {
      plan.container = container;
      break;
    }
  }
  if (plan.container.isEmpty()) return plan;

  plan.kind = PrebootPlan::NoPreboot;
  const std::optional<QVariantMap> list =
      diskutil({QStringLiteral("list"), QStringLiteral("-plist"), dev(plan.container)});
  if (!list) return plan;
  const QVariantList volumes =
      list->value("AllDisksAndPartitions").toList().value(0).toMap().value("APFSVolumes").toList();
  for (const QVariant& v : volumes) {
    const QVariantMap volume = v.toMap();
    if (volume.value("VolumeName").toString() == QLatin1String("Preboot")) {
      plan.preboot = volume.value("DeviceIdentifier").toString();
    }
  }
  if (!plan.preboot.isEmpty()) plan.kind = PrebootPlan::Found;
  return plan;
}

namespace {

QString mountPointOf(const QString& identifier) {
  const std::optional<QVariantMap> info =
      diskutilReader()({QStringLiteral("info"), QStringLiteral("-plist"), dev(identifier)});
  return info ? info->value("MountPoint").toString() : QString();
}

// Copies the Cryptexes onto the mounted Preboot volume at `mountPoint`.
bool copyCryptexes(const QString& mountPoint, const std::function<bool()>& cancelled) {
  const QString folder = mountPoint + QStringLiteral("/Preboot");
  if (!KVCheckFolderExist(folder)) runTool(QStringLiteral("/bin/mkdir"), {QStringLiteral("-p"), folder});
  if (cancelled()) return false;
  QByteArray output;
  const int status = runTool(QStringLiteral("/bin/cp"), {QStringLiteral("-av"), QString::fromLatin1(kCryptexes), mountPoint}, &output);
  KVLog("Output: %s", output.constData());
  KVLog("Exit status: %d", status);
  return status == 0 && KVCheckFolderExist(mountPoint + QStringLiteral("/Cryptexes"));
}

}  // namespace

PrebootRepairResult repairPrebootFile(const QString& wholeDisk, bool apfsTarget,
                                      const std::function<bool()>& cancelled) {
  const PrebootPlan plan = planPrebootRepair(wholeDisk, diskutilReader());
  switch (plan.kind) {
    case PrebootPlan::Found: break;
    case PrebootPlan::NoPreboot:
      KVLog("no Preboot volume in container %s", qUtf8Printable(plan.container));
      return PrebootRepairResult::Failed;
    case PrebootPlan::Unreadable:
    case PrebootPlan::NoContainer:
      if (!apfsTarget) return PrebootRepairResult::NothingToRepair;
      KVLog("no APFS container found on %s", qUtf8Printable(wholeDisk));
      return PrebootRepairResult::Failed;
  }
  if (cancelled()) return PrebootRepairResult::Failed;

  int mountStatus = -1;
  disktools::diskutilText({QStringLiteral("mountDisk"), dev(plan.preboot)}, QStringLiteral("diskMountTemp.plist"),
                          &mountStatus);
  // Where it mounted, as the disk tool tells it: another disk's Preboot may
  // already hold "/Volumes/Preboot".
  const QString mountPoint = mountPointOf(plan.preboot);
  if (mountStatus != 0 || mountPoint.isEmpty()) {
    KVLog("Preboot volume %s did not mount", qUtf8Printable(plan.preboot));
    return PrebootRepairResult::Failed;
  }
  platform::gatePoint(kPrebootRepairGate);
  const bool copied = !cancelled() && copyCryptexes(mountPoint, cancelled);
  int unmountStatus = -1;
  disktools::diskutilText({QStringLiteral("unmount"), dev(plan.preboot)}, QStringLiteral("diskUnmountTemp.plist"),
                          &unmountStatus);
  if (unmountStatus != 0) KVLog("Preboot volume %s stays mounted", qUtf8Printable(plan.preboot));
  return copied ? PrebootRepairResult::Repaired : PrebootRepairResult::Failed;
}

}  // namespace cloning
