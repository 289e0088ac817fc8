#include "services/KVUSBControl.h"

#include "services/KVExecCommand.h"

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
