#include "services/VolumeObj.h"

#include "services/KVPublicUtilities.h"

namespace {

qint64 number(const QVariantMap& info, const char* key) {
  const QVariant v = info.value(QLatin1String(key));
  return v.isValid() ? v.toLongLong() : 0;
}

bool boolean(const QVariantMap& info, const char* key) {
  const QVariant v = info.value(QLatin1String(key));
  return v.isValid() && v.toBool();
}

QString text(const QVariantMap& info, const char* key) {
  return info.value(QLatin1String(key)).toString();
}

}  // namespace

qint64 VolumeObj::freeSpace(const QVariantMap& info, Filler filler, bool* tookContainerFree) {
  const QString fs = text(info, "FilesystemName");
  const qint64 free = number(info, "FreeSpace");
  bool container;
  if (filler == Filler::DiskManager)
    container = fs == QLatin1String("APFS") && free == 0;
  else
    container = fs.toUpper() == QLatin1String("APFS");
  if (tookContainerFree) *tookContainerFree = container;
  return container ? number(info, "APFSContainerFree") : free;
}

VolumeObjPtr VolumeObj::fromDiskInfo(const QVariantMap& info, Filler filler, const SizeText& sizeText) {
  const bool hasName = info.contains(QStringLiteral("VolumeName"));
  switch (filler) {
    case Filler::PickerWholeDisk:
      break;
    case Filler::DiskManager:
      if (!hasName || text(info, "VolumeName") == QLatin1String("EFI")) return nullptr;
      break;
    default:
      if (!hasName) return nullptr;
  }
  const SizeText format = sizeText ? sizeText : SizeText([](qint64 bytes) {
    return KVPublicUtilities::longlongConvertVolSpace(bytes);
  });

  auto v = std::make_shared<VolumeObj>();
  bool tookContainer = false;
  const qint64 free = freeSpace(info, filler, &tookContainer);
  const QString fs = text(info, "FilesystemName");
  v->volumeTotalSizeNum = number(info, "TotalSize");
  v->volumeFreeSizeNum = free;
  v->volumeTotalSize = format(v->volumeTotalSizeNum);
  v->volumeFreeSize = format(free);
  v->volumeMountPoint = text(info, "MountPoint");
  v->diskUUID = text(info, "DiskUUID");

  switch (filler) {
    case Filler::PickerVolume:
      v->volumeName = text(info, "VolumeName");
      v->volumePath = text(info, "MountPoint");
      v->volumeType = fs;
      v->bCanEject = boolean(info, "Ejectable");
      break;
    case Filler::PickerWholeDisk:
      v->volumeName = info.contains(QStringLiteral("IORegistryEntryName"))
                          ? text(info, "IORegistryEntryName")
                          : QStringLiteral("Unknown");
      v->volumePath = text(info, "DeviceIdentifier");
      v->volumeType = fs.toUpper() == QLatin1String("APFS") ? fs : QStringLiteral(" ");
      v->bCanEject = true;
      break;
    case Filler::CloneEngine:
      v->volumeName = text(info, "VolumeName");
      v->volumePath = text(info, "DeviceIdentifier");
      v->volumeType = fs;
      v->bCanEject = boolean(info, "Ejectable");
      break;
    case Filler::DiskManager:
      v->volumeName = text(info, "VolumeName");
      v->volumePath = text(info, "DeviceNode");
      v->volRootDir = text(info, "DeviceNode");
      v->diskType = tookContainer ? QStringLiteral("APFS") : fs;
      v->bCanEject = boolean(info, "Ejectable");
      v->BusProtocol = text(info, "BusProtocol");
      v->parentWholeDisk = text(info, "ParentWholeDisk");
      break;
  }
  return v;
}
