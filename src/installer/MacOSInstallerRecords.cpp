#include "installer/MacOSInstallerRecords.h"

MacOSInstallerAppInfoPtr MacOSInstallerAppInfo::getAppInfoWithName(const QString& name,
                                                                   const QString& bundleID,
                                                                   const QString& version,
                                                                   const QString& appID) {
  auto info = std::make_shared<MacOSInstallerAppInfo>();
  info->strOSName = name;
  info->strBundleID = bundleID;
  info->strOSVersion = version;
  info->strOSAppID = appID;
  return info;
}

MacOSInstallerAppInfoPtr MacOSInstallerAppInfo::copy() const {
  return std::make_shared<MacOSInstallerAppInfo>(*this);
}

void MacOSInstallerAppInfo::setStrOSPath(const QString& path, std::optional<qint64> size) {
  strOSPath = path.isNull() ? QStringLiteral("") : path;
  numOSSize = size.value_or(0);
}

MacOSInstallerDiskInfoPtr MacOSInstallerDiskInfo::infoWithName(
    const QString& name, const QString& diskName, const QString& bsdName, qint64 size,
    const QString& volumeName, const QString& busPath, const QString& mediaPath,
    const QString& parentMediaPath) {
  auto info = std::make_shared<MacOSInstallerDiskInfo>();
  info->strName = name;
  info->strDiskName = diskName;
  info->strBSDName = bsdName;
  info->numSize = size;
  info->strVolumeName = volumeName;
  info->strBusPath = busPath;
  info->strMediaPath = mediaPath;
  info->strParentMediaPath = parentMediaPath;
  return info;
}

bool MacOSInstallerDiskInfo::isSameMedium(const MacOSInstallerDiskInfo& other) const {
  if (strBSDName.isEmpty() || strBSDName != other.strBSDName) return false;
  if (strName != other.strName || numSize != other.numSize) return false;
  if (!strMediaUUID.isEmpty() && !other.strMediaUUID.isEmpty() && strMediaUUID != other.strMediaUUID)
    return false;
  return true;
}

MacOSInstallerDiskInfoPtr MacOSInstallerDiskInfo::findSameMedium(const QList<MacOSInstallerDiskInfoPtr>& tree,
                                                                 const MacOSInstallerDiskInfoPtr& chosen) {
  if (!chosen) return nullptr;
  for (const MacOSInstallerDiskInfoPtr& disk : tree) {
    if (!disk) continue;
    if (disk->isSameMedium(*chosen)) return disk;
    if (disk->arrChildren)
      if (MacOSInstallerDiskInfoPtr child = findSameMedium(*disk->arrChildren, chosen)) return child;
  }
  return nullptr;
}

void MacOSInstallerDiskInfo::addChildren(const MacOSInstallerDiskInfoPtr& child) {
  if (!arrChildren) arrChildren.emplace();
  arrChildren->append(child);
}

MacOSCreateProaressPtr MacOSCreateProaress::progresswithText(const QString& text, int current,
                                                             int next) {
  auto row = std::make_shared<MacOSCreateProaress>();
  row->strText = text.isNull() ? QStringLiteral("") : text;
  row->i32CurProgress = current;
  row->i32NextProaress = next;
  return row;
}

MacOSInstallerProgressinfoPtr MacOSInstallerProgressinfo::infoWithError(int error,
                                                                       const QString& text) {
  auto info = std::make_shared<MacOSInstallerProgressinfo>();
  info->numError = error;
  info->strErrorText = text.isNull() ? QStringLiteral("") : text;
  info->numCurrent = 0;
  info->numNext = 0;
  info->numTotal = 0;
  info->numRemain = -1;
  info->numAllTime = -1;
  return info;
}

MacOSInstallerProgressinfoPtr MacOSInstallerProgressinfo::infoWithCurrent(
    std::optional<int> current, std::optional<int> next, std::optional<int> total,
    std::optional<int> remain, std::optional<int> allTime) {
  auto info = std::make_shared<MacOSInstallerProgressinfo>();
  info->numError = NoError;
  info->strErrorText = QStringLiteral("");
  info->numCurrent = current.value_or(0);
  info->numNext = next.value_or(0);
  info->numTotal = total.value_or(0);
  info->numRemain = remain.value_or(-1);
  info->numAllTime = allTime.value_or(-1);
  return info;
}
