#pragma once
// One volume (or whole disk) as the screens see it, filled from the dictionary
// of "diskutil info -plist". Records are shared by reference and not changed
// once filled.
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class VolumeObj;
using VolumeObjPtr = std::shared_ptr<VolumeObj>;

class VolumeObj {
 public:
  QString volumeType;
  QString volumeName;
  QString volumePath;
  QString volumeMountPoint;
  QString volumeTotalSize;
  QString volumeFreeSize;
  bool bCanEject = false;
  qint64 volumeTotalSizeNum = 0;
  qint64 volumeFreeSizeNum = 0;
  QString BusProtocol;
  QString diskType;
  QString diskUUID;
  QString volRootDir;
  QString parentWholeDisk;

  // Who fills the record: each reads the dictionary its own way.
  enum class Filler {
    PickerVolume,     // volume picker, mounted volumes
    PickerWholeDisk,  // volume picker, USB whole disks
    CloneEngine,      // clone engine's volume lookup
    DiskManager,      // disk manager's volume table
  };
  using SizeText = std::function<QString(qint64)>;

  // The record `filler` makes of `info`, or nullptr when it makes none (no
  // "VolumeName"; for the disk manager also "EFI"). `sizeText` formats the two
  // size texts; by default KVPublicUtilities::longlongConvertVolSpace (the disk
  // manager passes its own).
  static VolumeObjPtr fromDiskInfo(const QVariantMap& info, Filler filler,
                                   const SizeText& sizeText = SizeText());

  // The free-space number `filler` reads from `info`.
  static qint64 freeSpace(const QVariantMap& info, Filler filler, bool* tookContainerFree = nullptr);
};
