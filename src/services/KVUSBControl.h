#pragma once
// The process-wide USB disk service: the name of the volume the clone engine
// creates, the list of USB disks that can take a clone (kept up to date as disks
// come and go), and the partition routine that makes room for the clone volume.
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/DiskArbitration.h"

#include "services/DelegateRef.h"

class KVUSBControlDelegate {
 public:
  virtual ~KVUSBControlDelegate() = default;
  virtual bool KVUserIsCancel() { return false; }
  virtual void KVEnumUSBFinishImp() {}
};

class KVUSBControl {
 public:
  static KVUSBControl* KVShareInstance();

  void KVSetDelegateObj(KVUSBControlDelegate* delegate);
  // "NewCloneSystem", else the first of "NewCloneSystem1", "NewCloneSystem2", …
  // without a folder of that name in "/Volumes"; stored as the chosen name.
  void HlbCreateVolumeName();
  QString KVGetOstrelVolumeName() const;
  // "/Volumes/<chosen name>".
  QString KVGetOstrelVolumePath() const;
  // Entries with "KVUSBBsdName", "KVUSBTotalSize", "KVUSBMediaName".
  QVariantList KVGetUSBList() const;

  // On a worker: follows the disks that appear and disappear (from the main
  // thread's run loop), then lists the whole disks, keeps the USB ones that
  // qualify and tells the delegate KVEnumUSBFinishImp on the main thread.
  void KVEnumUSB();
  // Checks one BSD name with "diskutil info" and adds it when it qualifies.
  // Blocks; never on the main thread.
  void KVAddUSBWithBsdName(const QString& bsdName);
  void KVRemoveUSBWithBsdName(const QString& bsdName);
  // The checks on a whole disk's "diskutil info -plist" dictionary.
  static bool isCloneableUSBDisk(const QVariantMap& info);

  // Error numbers of the partition routine, stored by the entry's BSD name.
  enum { kCoreStorage = -10, kNoMountNoFree = -11, kNoRoom = -12, kNoNewVolume = -13 };
  static constexpr qint64 kCloneVolumeSize = 2500000000LL;
  static constexpr qint64 kNeededFree = 2600000000LL;

  // Blocks on a worker: shrinks a partition of the USB entry's disk and makes the
  // clone volume in the room; its Mac path, or nothing (the error is recorded).
  std::optional<QString> KVCreateOstrelPartition(const QVariantMap& usbEntry);
  QVariantMap KVGetErrObjs() const;

  // Which partition the routine shrinks, decided from the "diskutil list -plist"
  // dictionary and each partition's "diskutil info" (`info`); an error number
  // when none can be.
  struct PartitionChoice {
    QString partition;
    qint64 size = 0;
    int error = 0;
  };
  using InfoLookup = std::function<std::optional<QVariantMap>(const QString& bsdName)>;
  static PartitionChoice choosePartition(const QVariantMap& list, const QVariantMap& usbEntry,
                                         const InfoLookup& info, const std::function<bool()>& cancelled);

 private:
  KVUSBControl();
  bool isListedLocked(const QString& bsdName) const;  // mutex_ held
  void followDisks();                                  // main thread

  mutable std::mutex mutex_;
  QVariantList _usbAllObjs;
  QString volumeName_;
  QVariantMap _dictErrObjs;
  DelegateRef<KVUSBControlDelegate> _delegateObj;
  platform::DASessionRef session_;  // main thread
};
