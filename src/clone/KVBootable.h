#pragma once
// The clone engine: erases the chosen whole disk, finds the new volume on it and
// restores the running system onto it with asr, reporting steps, progress tags
// and label texts to its delegate on the main thread.
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Jobs.h"
#include "services/DelegateRef.h"
#include "services/KVUSBControl.h"
#include "services/VolumeObj.h"

struct _tagBootableProgress {
  int iErrCode = 0;
  int iStepCode = 0;
  int iPercent = 0;
};

class KVBootableDelegate {
 public:
  virtual ~KVBootableDelegate() = default;
  // The record is valid only during the call.
  virtual void KVUINotify(_tagBootableProgress* progress) { (void)progress; }
  virtual void changeProLabelValue(const QString& text) { (void)text; }
  // tag 1..10 of asr's percent marks, step: pass 1 (system copy) or 2.
  virtual void changeProTimeWithTag(int tag, int step) { (void)tag; (void)step; }
  // Declared for the protocol; the engine never sends it.
  virtual bool KVUSBDataWillEarse(QObject* object) { (void)object; return true; }
  virtual void KVEnumUSBFinish() {}
};

class QProcess;
class AsrOutputParser;

class KVBootable : public QObject, public KVUSBControlDelegate {
  Q_OBJECT

 public:
  // Results and error codes.
  enum {
    kOK = 0,
    kNoSourceOrTarget = -1,  // KVCreateBootableSystem without source or target
    kNoTarget = -2,          // KVStart without a target
    kJobRunning = -3,        // KVStart while a clone runs
    kTargetNotFound = -4,    // the new volume was not found on the target after the erase
    kTargetRefused = -5,     // the target holds the running system, or is no whole disk
    kAsrFailed = -7,         // asr did not finish both copy phases (or was stopped)
    kUserCancel = -8,        // cancelled before asr started
  };

  static KVBootable* KVShareInstance();

  void KVInit();
  void KVUninit();
  void KVSetDelegate(KVBootableDelegate* delegate);
  KVBootableDelegate* delegateObj() const { return _delegateObj.get(); }
  void setDelegateObj(KVBootableDelegate* delegate) { _delegateObj = delegate; }

  // Starts a clone onto the whole disk `target` (its volumePath is the BSD
  // identifier). 0 once the job is queued; -2 without a target, -3 while a job
  // runs, -5 for a disk that holds the running system. Main thread.
  int KVStart(const VolumeObjPtr& target);
  // Cancels the running job; final for that job. Always 0.
  int KVStop();
  // Launches asr from `source` onto `target` (main thread). 0 once launched, -1
  // without either, -3 while another asr runs.
  int KVCreateBootableSystem(const QString& source, const QString& target);

  bool KVUserIsCancel() override { return _bUserCancel.load(); }
  void KVEnumUSBFinishImp() override;
  QVariantList KVGetUSBList();

  // "diskutil info -plist <name>"; nothing for no name or no dictionary.
  std::optional<QVariantMap> getDisjInfo(const char* bsdName);
  void getAllVolumes();
  void getVolumeAllObjWithVolumeName(const QString& bsdName);
  QList<VolumeObjPtr> allVolumes() const;

  static int KVGetPrecentWithStepCode(int step);
  // The file system the target is erased with on a system of `version` (1014 ...).
  static QString fileSystemForSystemVersion(int version);
  // Whole disks that hold the volume described by `info`: its own, its APFS
  // container's and the container's physical stores'.
  static QStringList wholeDisksOfVolume(const QVariantMap& info);
  static bool isWholeDiskIdentifier(const QString& bsdName);

  bool isRunning() const;

 private:
  struct Job;
  using JobPtr = std::shared_ptr<Job>;

  KVBootable();
  void runJob(const JobPtr& job);
  QString lookUpTarget(const JobPtr& job);
  bool volumeIsOnDisk(const QString& mountPoint, const QString& wholeDisk);
  int launchAsr(const JobPtr& job, const QString& source, const QString& target);
  void asrOutput(const JobPtr& job);
  void asrEnded(const JobPtr& job, bool exitedCleanly);

  // Reports go through the main queue and reach the delegate only while `job`
  // is the current one and has not closed; a closing report ends the job.
  void KVUpdateProgress(int base, int error, int step, const JobPtr& job, bool closing = false);
  void KVUpdateProgressImp(int base, int error, int step);
  void sendLabel(const JobPtr& job, const QString& text);
  void changeProTimeWithTag(int tag, int step, const JobPtr& job);
  bool isCurrent(const JobPtr& job) const;

  QString _strDmgPath;
  std::atomic<bool> _bUserCancel{false};
  QList<VolumeObjPtr> allVoumesArr;
  QList<QStringList> allVolumesDisks_;  // whole disks of each entry of allVoumesArr
  DelegateRef<KVBootableDelegate> _delegateObj;

  mutable std::mutex mutex_;
  JobPtr current_;
  quint64 nextJobId_ = 1;
  // Quitting stops a running clone as Cancel does and waits for its end.
  platform::JobOwnerRegistration quitStops_{[this] { return isRunning(); }, [this] { KVStop(); }};
};
