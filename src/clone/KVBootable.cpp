#include "clone/KVBootable.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <ctime>

#include "clone/AsrOutputParser.h"
#include "platform/DiskArbitration.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/DiskTools.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"
#include "services/KVPublicUtilities.h"
#include "services/KVTask.h"
#include "services/Localization.h"
#include "services/WholeDisks.h"

struct KVBootable::Job {
  quint64 id = 0;
  VolumeObjPtr target;
  QString wholeDisk;   // BSD identifier of the chosen disk
  QString volumeName;  // the name the erase gives the new volume
  std::atomic<bool> cancelled{false};
  std::atomic<bool> closed{false};       // its closing report has been delivered
  // Main thread only.
  QPointer<QProcess> asr;
  std::unique_ptr<AsrOutputParser> parser;
  bool asrEnded = false;
};

namespace {

using disktools::kDiskutil;

}  // namespace

KVBootable* KVBootable::KVShareInstance() {
  static KVBootable* shared = [] {
    auto* engine = new KVBootable;
    if (auto* app = QCoreApplication::instance()) engine->moveToThread(app->thread());
    return engine;
  }();
  return shared;
}

KVBootable::KVBootable() = default;

void KVBootable::KVInit() {
  KVInitLog();
  _strDmgPath = QStringLiteral("/Volumes/Recovery HD/com.apple.recovery.boot/BaseSystem.dmg");
  KVUSBControl::KVShareInstance()->KVSetDelegateObj(this);
  std::srand(static_cast<unsigned>(std::time(nullptr)));
}

void KVBootable::KVUninit() { KVUninitLog(); }

void KVBootable::KVSetDelegate(KVBootableDelegate* delegate) { _delegateObj = delegate; }

void KVBootable::KVEnumUSBFinishImp() {
  if (KVBootableDelegate* d = _delegateObj.get()) d->KVEnumUSBFinish();
}

QVariantList KVBootable::KVGetUSBList() { return KVUSBControl::KVShareInstance()->KVGetUSBList(); }

int KVBootable::KVGetPrecentWithStepCode(int step) {
  if (step == 8) return 100;
  const float share = static_cast<float>(step * 0.125);
  const int percent = static_cast<int>(share * 100.0);
  return percent > 100 ? 100 : percent;
}

QString KVBootable::fileSystemForSystemVersion(int version) {
  if (version <= 1014) return QStringLiteral("HFS+");
  if (version <= 1299) return QStringLiteral("JHFS+");
  return QStringLiteral("APFS");
}

bool KVBootable::isWholeDiskIdentifier(const QString& bsdName) {
  static const QRegularExpression whole(QStringLiteral("^disk[0-9]+$"));
  return whole.match(bsdName).hasMatch();
}

QStringList KVBootable::wholeDisksOfVolume(const QVariantMap& info) {
  return ::wholeDisksOfVolume(info);
}

bool KVBootable::isRunning() const {
  std::lock_guard lock(mutex_);
  return current_ && !current_->closed.load();
}

bool KVBootable::isCurrent(const JobPtr& job) const {
  std::lock_guard lock(mutex_);
  return job && job == current_ && !job->closed.load();
}

std::optional<QVariantMap> KVBootable::getDisjInfo(const char* bsdName) {
  if (!bsdName) return std::nullopt;
  return disktools::diskutilPlist({QStringLiteral("info"), QStringLiteral("-plist"), QString::fromUtf8(bsdName)},
                                  QStringLiteral("AQuorvanTemp.plist"));
}

int KVBootable::KVStart(const VolumeObjPtr& target) {
  // Refused before anything is touched: a running job keeps its own state.
  if (isRunning()) return kJobRunning;
  _bUserCancel = false;
  if (!target) return kNoTarget;
  const QString wholeDisk = diskIdentifier(target->volumePath);
  if (wholeDisk.isEmpty()) return kNoTarget;
  if (!isWholeDiskIdentifier(wholeDisk)) {
    KVLog("clone target %s is no whole disk", qUtf8Printable(wholeDisk));
    return kTargetRefused;
  }
  KVUSBControl* usb = KVUSBControl::KVShareInstance();
  usb->HlbCreateVolumeName();
  auto job = std::make_shared<Job>();
  job->target = target;
  job->wholeDisk = wholeDisk;
  job->volumeName = usb->KVGetOstrelVolumeName();
  {
    std::lock_guard lock(mutex_);
    job->id = nextJobId_++;
    current_ = job;
  }
  platform::dispatchGlobal([this, job] { runJob(job); });
  return kOK;
}

int KVBootable::KVStop() {
  _bUserCancel = true;
  JobPtr job;
  {
    std::lock_guard lock(mutex_);
    job = current_;
  }
  const bool running = job && !job->closed.load();
  if (running) job->cancelled = true;
  // After the mark: an erase about to launch sees the mark and never starts, one
  // that has launched sees this stop.
  KVTask::KVShareInstance()->KVStopTask();
  if (!running) return 0;
  platform::dispatchMain([job] {
    if (QProcess* asr = job->asr.data()) {
      if (asr->state() == QProcess::NotRunning) return;
      asr->terminate();
      // asr gets a moment to end by itself, then it is killed.
      QTimer::singleShot(10000, asr, [asr] {
        if (asr->state() != QProcess::NotRunning) asr->kill();
      });
    }
  });
  return 0;
}

void KVBootable::runJob(const JobPtr& job) {
  sendLabel(job, getLocalizedString("BOOTABLE_CLONE_VALIDATING_TARGET"));
  KVUpdateProgress(0, 0, 0, job);
  KVUpdateProgress(0, 0, 1, job);
  if (job->cancelled.load()) {
    KVUpdateProgress(0, kUserCancel, 1, job, true);
    return;
  }
  // The disk that holds "/" (or a physical store of its container) is never erased;
  // when that cannot be told, nothing is erased either. Asked here, not in KVStart,
  // because the tool may take its time and KVStart runs on the main thread.
  if (!targetIsClearOfStartupDisk(job)) {
    KVUpdateProgress(0, kTargetRefused, 1, job, true);
    return;
  }

  platform::runShell(platform::shellLine("/usr/bin/killall", {QStringLiteral("mds_stores")}));
  KVUpdateProgress(0, 0, 2, job);

  const QString fileSystem = fileSystemForSystemVersion(KVPublicUtilities::getSystemVersion());
  KVTask* task = KVTask::KVShareInstance();
  task->KVSetLaunchPath(kDiskutil);
  task->KVSetArguments({QStringLiteral("eraseDisk"), fileSystem, job->volumeName, job->wholeDisk});
  task->KVSetTimeoutCount(600.0);
  if (!job->cancelled.load()) {
    KVLog("erase %s as %s named %s", qUtf8Printable(job->wholeDisk), qUtf8Printable(fileSystem),
          qUtf8Printable(job->volumeName));
    task->KVStartTask([job] { return job->cancelled.load(); });
  }
  if (job->cancelled.load()) {
    KVUpdateProgress(0, kUserCancel, 2, job, true);
    return;
  }

  const QString targetPath = lookUpTarget(job);
  if (job->cancelled.load()) {
    KVUpdateProgress(0, kUserCancel, 2, job, true);
    return;
  }
  if (targetPath.isEmpty()) {
    KVLog("new volume %s not found on %s", qUtf8Printable(job->volumeName),
          qUtf8Printable(job->wholeDisk));
    KVUpdateProgress(0, kTargetNotFound, 3, job, true);
    return;
  }
  KVUpdateProgress(0, 0, 3, job);
  platform::dispatchMain([this, job, targetPath] {
    if (!isCurrent(job)) return;
    launchAsr(job, QStringLiteral("/"), targetPath);
  });
}

bool KVBootable::targetIsClearOfStartupDisk(const JobPtr& job) {
  const std::optional<QVariantMap> boot = getDisjInfo("/");
  if (boot && !wholeDisksOfVolume(*boot).contains(job->wholeDisk)) return true;
  KVLog("clone target %s refused: startup disk or unknown startup disk",
        qUtf8Printable(job->wholeDisk));
  return false;
}

bool KVBootable::volumeIsOnDisk(const QString& mountPoint, const QString& wholeDisk) {
  if (!KVCheckFolderExist(mountPoint)) return false;
  const std::optional<QVariantMap> info = getDisjInfo(mountPoint.toUtf8().constData());
  // A plain folder in /Volumes would be described as the volume that holds it.
  if (!info || info->value("MountPoint").toString() != mountPoint) return false;
  return wholeDisksOfVolume(*info).contains(wholeDisk);
}

QString KVBootable::lookUpTarget(const JobPtr& job) {
  const QString path = QStringLiteral("/Volumes/") + job->volumeName;
  if (volumeIsOnDisk(path, job->wholeDisk)) return path;

  getAllVolumes();
  QString device = job->wholeDisk;
  {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < allVoumesArr.size(); ++i) {
      // Only a volume of the chosen disk may be remounted.
      if (allVoumesArr.at(i)->volumeName == job->volumeName &&
          allVolumesDisks_.value(i).contains(job->wholeDisk))
        device = allVoumesArr.at(i)->volumePath;
    }
  }
  if (job->cancelled.load()) return QString();
  const QString node = QStringLiteral("/dev/") + diskIdentifier(device);
  disktools::diskutilText({QStringLiteral("unmountDisk"), node}, QStringLiteral("eraserDiskTemp.plist"));
  disktools::diskutilText({QStringLiteral("mountDisk"), node}, QStringLiteral("eraserDiskTemp.plist"));
  if (volumeIsOnDisk(path, job->wholeDisk)) return path;
  return QString();
}

void KVBootable::getAllVolumes() {
  {
    std::lock_guard lock(mutex_);
    allVoumesArr.clear();
    allVolumesDisks_.clear();
  }
  QDir volumes(platform::hostPath(QStringLiteral("/Volumes")));
  const QStringList names =
      volumes.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  platform::DASessionRef session = platform::DASessionCreate();
  if (!session) return;
  for (const QString& name : names) {
    if (name == QLatin1String("(null)") || name == QLatin1String(".DS_Store")) continue;
    platform::DADiskRef disk =
        platform::DADiskCreateFromVolumePath(session, QStringLiteral("/Volumes/") + name);
    if (!disk) continue;
    const QString bsd = platform::DADiskCopyDescription(disk)
                            .value(platform::kDADiskDescriptionMediaBSDNameKey)
                            .toString();
    if (bsd.isEmpty() || bsd == QLatin1String(" ")) continue;
    getVolumeAllObjWithVolumeName(bsd);
  }
}

void KVBootable::getVolumeAllObjWithVolumeName(const QString& bsdName) {
  const std::optional<QVariantMap> info = getDisjInfo(bsdName.toUtf8().constData());
  if (!info || !info->contains("VolumeName")) return;
  VolumeObjPtr volume = VolumeObj::fromDiskInfo(*info, VolumeObj::Filler::CloneEngine);
  if (!volume) return;
  std::lock_guard lock(mutex_);
  allVoumesArr.append(volume);
  allVolumesDisks_.append(wholeDisksOfVolume(*info));
}

QList<VolumeObjPtr> KVBootable::allVolumes() const {
  std::lock_guard lock(mutex_);
  return allVoumesArr;
}

int KVBootable::KVCreateBootableSystem(const QString& source, const QString& target) {
  if (source.isEmpty() || target.isEmpty()) return kNoSourceOrTarget;
  JobPtr job;
  {
    std::lock_guard lock(mutex_);
    // A clone job launches its own asr once its target is ready; another one
    // beside it, in any phase, would restore onto a second disk.
    if (current_ && !current_->closed.load()) return kJobRunning;
    job = std::make_shared<Job>();
    job->id = nextJobId_++;
    current_ = job;
  }
  return launchAsr(job, source, target);
}

int KVBootable::launchAsr(const JobPtr& job, const QString& source, const QString& target) {
  if (source.isEmpty() || target.isEmpty()) return kNoSourceOrTarget;
  if (job->cancelled.load()) {
    KVUpdateProgress(0, kUserCancel, 2, job, true);
    return kUserCancel;
  }
  sendLabel(job, QString());
  auto* asr = new QProcess(this);
  job->asr = asr;
  job->parser = std::make_unique<AsrOutputParser>();
  platform::prepareProcess(*asr, disktools::kAsr,
                           {QStringLiteral("restore"), QStringLiteral("--source"), source,
                            QStringLiteral("--target"), target, QStringLiteral("--erase")});
  connect(asr, &QProcess::readyReadStandardOutput, this, [this, job] { asrOutput(job); });
  connect(asr, &QProcess::readyReadStandardError, this, [job] {
    if (QProcess* p = job->asr.data()) {
      const QByteArray err = p->readAllStandardError();
      KVLog("asr: %s", err.trimmed().constData());
    }
  });
  connect(asr, &QProcess::finished, this, [this, job](int code, QProcess::ExitStatus status) {
    asrEnded(job, status == QProcess::NormalExit && code == 0);
  });
  connect(asr, &QProcess::errorOccurred, this, [this, job](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) asrEnded(job, false);
  });
  KVLog("asr restore --source %s --target %s --erase", qUtf8Printable(source),
        qUtf8Printable(target));
  asr->start();
  return kOK;
}

void KVBootable::asrOutput(const JobPtr& job) {
  QProcess* asr = job->asr.data();
  if (!asr || !job->parser) return;
  const QByteArray chunk = asr->readAllStandardOutput();
  if (chunk.isEmpty()) return;
  const AsrOutputParser::ChunkResult result = job->parser->addChunk(chunk);
  if (result.answerPrompt && asr->state() == QProcess::Running) {
    asr->write("y");
    asr->closeWriteChannel();
  }
  for (const AsrEvent& e : result.events) {
    switch (e.kind) {
      case AsrEvent::Step: KVUpdateProgress(0, 0, e.step, job); break;
      case AsrEvent::Tag: changeProTimeWithTag(e.tag, e.pass, job); break;
      case AsrEvent::Label:
        sendLabel(job, e.labelKey.isEmpty() ? e.labelText : getLocalizedString(e.labelKey));
        break;
    }
  }
}

void KVBootable::asrEnded(const JobPtr& job, bool exitedCleanly) {
  if (job->asrEnded) return;
  job->asrEnded = true;
  asrOutput(job);  // what is still in the pipe belongs to the verdict
  const bool cancelled = job->cancelled.load();
  const bool ok = !cancelled && job->parser && job->parser->succeeded(exitedCleanly);
  platform::dispatchGlobal([cancelled] {
    KVLog("task terminated");
    if (cancelled) KVLog("User cancel");
  });
  KVUpdateProgress(0, ok ? kOK : kAsrFailed, 8, job, true);
  if (QProcess* asr = job->asr.data()) {
    job->asr = nullptr;
    asr->deleteLater();
  }
}

void KVBootable::KVUpdateProgress(int base, int error, int step, const JobPtr& job, bool closing) {
  platform::dispatchMain([this, base, error, step, job, closing] {
    if (!isCurrent(job)) return;
    // After a cancel only the job's closing report is told, and always as a
    // failure: a success that was on its way when the cancel came stays unsaid.
    if (job->cancelled.load() && !closing) return;
    int told = error;
    if (closing && job->cancelled.load() && told == kOK) told = kAsrFailed;
    if (closing) job->closed = true;
    KVUpdateProgressImp(base, told, step);
  });
}

void KVBootable::KVUpdateProgressImp(int base, int error, int step) {
  _tagBootableProgress record;
  record.iErrCode = error;
  record.iStepCode = step;
  record.iPercent = base + KVGetPrecentWithStepCode(step);
  if (KVBootableDelegate* d = _delegateObj.get()) d->KVUINotify(&record);
}

void KVBootable::sendLabel(const JobPtr& job, const QString& text) {
  platform::dispatchMain([this, job, text] {
    if (!isCurrent(job) || job->cancelled.load()) return;
    if (KVBootableDelegate* d = _delegateObj.get()) d->changeProLabelValue(text);
  });
}

void KVBootable::changeProTimeWithTag(int tag, int step, const JobPtr& job) {
  platform::dispatchMain([this, tag, step, job] {
    if (!isCurrent(job) || job->cancelled.load()) return;
    if (KVBootableDelegate* d = _delegateObj.get()) d->changeProTimeWithTag(tag, step);
  });
}
