#pragma once
// The process-wide USB disk service; its live task is choosing the name of the
// volume the clone engine creates.
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <mutex>

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

 private:
  KVUSBControl();

  mutable std::mutex mutex_;
  QVariantList _usbAllObjs;
  QString volumeName_;
  QVariantMap _dictErrObjs;
  DelegateRef<KVUSBControlDelegate> _delegateObj;
};
