#include "image/MakeDmg.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Gate.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/DiskTools.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"
#include "services/Localization.h"

// One job's state. `step` and `busy` change under `mutex`; `idle` wakes the
// engine's destructor once no worker can touch the engine any more.
struct MakeDmg::Job {
  enum class Step {
    Creating,  // an image is being created and mounted
    Waiting,   // the image is mounted and waits for its files
    Copying,   // the files go into the image (then the eject)
    Zipping,   // an archive: zip runs
    Closed,    // ended: its closing report is on its way, or it was cancelled
    Told,      // the closing report reached the delegate
  };

  bool archive = false;
  std::atomic<bool> cancelled{false};  // the user's stop; workers and tools poll it
  std::atomic<bool> mounted{false};    // its image volume is attached
  mutable std::mutex mutex;
  std::condition_variable idle;
  Step step = Step::Creating;
  bool busy = false;  // a worker runs for it and may still use the engine

  bool closed() const {
    std::lock_guard lock(mutex);
    return step >= Step::Closed;
  }
  void close() {
    std::lock_guard lock(mutex);
    if (step < Step::Closed) step = Step::Closed;
  }
  bool told() const {
    std::lock_guard lock(mutex);
    return step == Step::Told;
  }
  // True once: the closing report may go to the delegate.
  bool tell() {
    std::lock_guard lock(mutex);
    if (step == Step::Told) return false;
    step = Step::Told;
    return true;
  }
  // Moves from `from` to `to` and marks a worker busy; false when the job is elsewhere.
  bool startWork(Step from, Step to) {
    std::lock_guard lock(mutex);
    if (step != from || busy || cancelled.load()) return false;
    step = to;
    busy = true;
    return true;
  }

  // Image job.
  QString imagePath;   // Mac path of the image once it was created by this job
  QString mountPoint;  // Mac path where it is mounted
  QString device;      // its BSD name, as hdiutil printed it
  QString ejectId;     // the mounted volume's own identifier
  // Archive job (main thread).
  QString zipPath;
  bool zipExistedBefore = true;
  QPointer<QProcess> zip;
  QStringDecoder decoder{QStringDecoder::Utf8};
};

namespace {

using disktools::kDiskutil;
using disktools::kHdiutil;
using disktools::ToolResult;

bool existsNoFollow(const QString& macPath) {
  struct stat st;
  return ::lstat(QFile::encodeName(platform::hostPath(macPath)).constData(), &st) == 0;
}

QByteArray scratchHost() {
  return QFile::encodeName(platform::hostPath(QString::fromLatin1(MakeDmg::kScratchFolder)));
}

// Our own empty folder: owned by this process's user, no one else may write
// in it, not a link.
bool isOurEmptyFolder(const QByteArray& host) {
  struct stat st;
  if (::lstat(host.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) return false;
  return QDir(QFile::decodeName(host)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
}

// Removes whatever stands at `host` without following a link: a link or file
// goes itself, a folder with its contents (links inside are removed as links).
bool removeNoFollow(const QByteArray& host) {
  struct stat st;
  if (::lstat(host.constData(), &st) != 0) return errno == ENOENT;
  if (S_ISDIR(st.st_mode)) return QDir(QFile::decodeName(host)).removeRecursively();
  return ::unlink(host.constData()) == 0;
}

// The scratch folder lies in a world-writable place, and what it holds goes
// into the image: it is used as found only when it is our own empty folder;
// anything else is removed and the folder made anew, then checked again, since
// another process may have put something there in between. (In the sticky
// "/tmp" no other user can swap our own folder afterwards.)
bool takeScratchFolder() {
  const QByteArray host = scratchHost();
  if (isOurEmptyFolder(host)) return true;
  if (!removeNoFollow(host)) {
    KVLog("scratch folder %s cannot be removed", MakeDmg::kScratchFolder);
    return false;
  }
  if (::mkdir(host.constData(), 0700) != 0) {
    KVLog("scratch folder %s cannot be made", MakeDmg::kScratchFolder);
    return false;
  }
  if (!isOurEmptyFolder(host)) {
    KVLog("scratch folder %s was changed while it was made", MakeDmg::kScratchFolder);
    return false;
  }
  return true;
}

// The scratch folder goes only while it is our own folder, never through a link.
void removeScratch() {
  const QByteArray host = scratchHost();
  struct stat st;
  if (::lstat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
    QDir(QFile::decodeName(host)).removeRecursively();
}

// Removes what a job made at `macPath`: a file, or a folder with its contents.
void removeMade(const QString& macPath) {
  const QString host = platform::hostPath(macPath);
  QFileInfo info(host);
  if (info.isDir() && !info.isSymLink())
    QDir(host).removeRecursively();
  else
    QFile::remove(host);
}

// Runs a tool on this worker and stops it as soon as `cancelled` is set.
// `startedGate` names a seam passed once the tool runs.
ToolResult runTool(const QString& tool, const QStringList& args, const std::atomic<bool>* cancelled,
                   const char* startedGate = nullptr) {
  disktools::ToolOptions options;
  options.cancelled = cancelled;
  options.startedGate = startedGate;
  return disktools::runTool(tool, args, options);
}

// Copies one item as the file manager would: folders with their contents,
// symbolic links as links. Host paths.
bool copyItem(const QString& from, const QString& to, QString* error) {
  struct stat st;
  const QByteArray src = QFile::encodeName(from);
  const QByteArray dst = QFile::encodeName(to);
  if (::lstat(src.constData(), &st) != 0) {
    *error = QStringLiteral("cannot read ") + from;
    return false;
  }
  struct stat existing;
  if (::lstat(dst.constData(), &existing) == 0) {
    *error = QStringLiteral("already exists: ") + to;
    return false;
  }
  if (S_ISLNK(st.st_mode)) {
    QByteArray target(PATH_MAX + 1, '\0');
    const ssize_t n = ::readlink(src.constData(), target.data(), PATH_MAX);
    if (n < 0 || ::symlink(target.left(n).constData(), dst.constData()) != 0) {
      *error = QStringLiteral("cannot copy link ") + from;
      return false;
    }
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    if (::mkdir(dst.constData(), st.st_mode & 07777) != 0) {
      *error = QStringLiteral("cannot make ") + to;
      return false;
    }
    const QStringList entries =
        QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
      if (!copyItem(from + '/' + e, to + '/' + e, error)) return false;
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    // Sockets, pipes and devices hold no data to copy.
    KVLog("skipped special file %s", qUtf8Printable(from));
    return true;
  }
  if (!QFile::copy(from, to)) {
    *error = QStringLiteral("cannot copy ") + from;
    return false;
  }
  return true;
}

}  // namespace

MakeDmg::MakeDmg(QObject* parent) : QObject(parent) {}

MakeDmg::~MakeDmg() {
  JobPtr job;
  {
    std::lock_guard lock(mutex_);
    job = current_;
    current_.reset();
  }
  if (!job) return;
  job->cancelled = true;
  // A worker still uses the engine until it leaves: it stops at its next check.
  std::unique_lock lock(job->mutex);
  job->idle.wait(lock, [&job] { return !job->busy; });
}

void MakeDmg::setIsCancelCopy(bool value) {
  isCancelCopy_ = value;
  if (!value) return;
  // The copy loop stops before its next item; stopMakeDmg does the rest.
  std::lock_guard lock(mutex_);
  if (current_) current_->cancelled = true;
}

bool MakeDmg::isRunning() const {
  std::lock_guard lock(mutex_);
  return current_ && !current_->closed();
}

MakeDmg::JobPtr MakeDmg::currentJob() const {
  std::lock_guard lock(mutex_);
  return current_;
}

bool MakeDmg::isCurrent(const JobPtr& job) const {
  std::lock_guard lock(mutex_);
  return job && job == current_;
}

MakeDmg::JobPtr MakeDmg::beginJob(bool archive) {
  std::lock_guard lock(mutex_);
  if (current_ && !current_->closed()) return nullptr;
  auto job = std::make_shared<Job>();
  job->archive = archive;
  job->step = archive ? Job::Step::Zipping : Job::Step::Creating;
  current_ = job;
  return job;
}

void MakeDmg::refuse() {
  // A second job while one runs: told to the screen, the running job goes on.
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self] {
    if (!self) return;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->makeDmgFailWithError(MakeDmgDelegate::kFailed);
  });
}

void MakeDmg::report(const JobPtr& job, const QString& text, float progress, bool closing) {
  if (closing) job->close();
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self, job, text, progress, closing] {
    if (!self || !self->isCurrent(job) || job->cancelled.load()) return;
    if (closing ? !job->tell() : job->told()) return;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->copyFileToDmgWithFileName(text, progress);
  });
}

void MakeDmg::fail(const JobPtr& job, int error) {
  job->close();
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self, job, error] {
    if (!self || !self->isCurrent(job) || job->cancelled.load() || !job->tell()) return;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->makeDmgFailWithError(error);
  });
}

void MakeDmg::abandon(const JobPtr& job) {
  discardImage(job);
  job->close();
}

void MakeDmg::endWork(const JobPtr& job) {
  // A cancel that came while the worker was finishing is cleaned up here; the
  // flag is read under the lock that stopMakeDmg sets it under. Once `busy` is
  // cleared the worker touches nothing of the engine.
  for (;;) {
    {
      std::lock_guard lock(job->mutex);
      if (!job->cancelled.load() || job->step >= Job::Step::Closed) {
        job->busy = false;
        job->idle.notify_all();
        return;
      }
    }
    abandon(job);
  }
}

std::optional<QVariantMap> MakeDmg::getDisjInfo(const char* name) {
  if (!name) return std::nullopt;
  return disktools::diskutilPlist({QStringLiteral("info"), QStringLiteral("-plist"), QString::fromUtf8(name)},
                                  QStringLiteral("ejectExecCommandTemp.plist"));
}

int MakeDmg::resizeVolume(const QString& imagePath, const QString& size) {
  return disktools::runTool(kHdiutil, {QStringLiteral("resize"), QStringLiteral("-size"), size, imagePath}).exitStatus;
}

QString MakeDmg::imageSizeText(qint64 size) {
  return QString::number(static_cast<quint64>(size < 0 ? 0 : size) + 50000000ULL);
}

std::pair<QString, QString> MakeDmg::mountFromHdiutilOutput(const QString& output) {
  // Lines of "<device>\t<content>\t<mount point>"; the volume's line names the mount point.
  for (const QString& line : output.split('\n')) {
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) continue;
    const QString mountPoint = fields.last().trimmed();
    if (!mountPoint.startsWith(QLatin1String("/Volumes/"))) continue;
    QString device = fields.first().trimmed();
    if (device.startsWith(QLatin1String("/dev/"))) device = device.mid(5);
    return {mountPoint, device};
  }
  return {};
}

// ---- image ----------------------------------------------------------------

void MakeDmg::makeTmpDmgWithPath(const QString& folder, const QString& name, qint64 size) {
  JobPtr job = beginJob(false);
  if (!job) {
    refuse();
    return;
  }
  isCancelCopy_ = false;
  report(job, getLocalizedString("MAKE_DMG_Greating"), 20);
  dmgNameStr = name;
  job->busy = true;
  // Made here: the worker must not build a pointer to the engine once it is no longer busy.
  QPointer<MakeDmg> self(this);
  platform::dispatchGlobal([this, self, job, folder, name, size] {
    const bool mounted = createImage(job, folder, name, size);
    // The worker is done before the delegate is asked for the files, so its
    // answer finds the job idle.
    endWork(job);
    if (!mounted) return;
    platform::dispatchMain([self, job] {
      if (!self || !self->isCurrent(job) || job->cancelled.load() || job->closed()) return;
      if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->beginToCopyDmg();
    });
  });
}

QString MakeDmg::imageFolder(const QString& folder) {
  if (folder != QLatin1String("/")) return folder;
  const QString own = QString::fromLatin1(kRootFolder);
  const QString host = platform::hostPath(own);
  QDir().mkpath(host);
  const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                   QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                   QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
  QFile::setPermissions(host, all);
  for (QDirIterator it(host, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
       it.hasNext();) {
    it.next();
    if (!it.fileInfo().isSymLink()) QFile::setPermissions(it.filePath(), all);
  }
  return own;
}

bool MakeDmg::placesAreFree(const QString& imagePath) {
  if (existsNoFollow(imagePath)) {
    KVLog("image %s exists already", qUtf8Printable(imagePath));
    return false;
  }
  const QString mountPoint = QStringLiteral("/Volumes/") + QString::fromLatin1(kVolumeName);
  if (existsNoFollow(mountPoint)) {
    // Another volume of that name would take the image's place.
    KVLog("%s is in use", qUtf8Printable(mountPoint));
    return false;
  }
  return true;
}

bool MakeDmg::runCreate(const JobPtr& job, const QString& imagePath, qint64 size) {
  const ToolResult create = runTool(
      kHdiutil,
      {QStringLiteral("create"), imagePath, QStringLiteral("-volname"), QString::fromLatin1(kVolumeName),
       QStringLiteral("-size"), imageSizeText(size), QStringLiteral("-fs"), QStringLiteral("HFS+"),
       QStringLiteral("-format"), QStringLiteral("UDRW"), QStringLiteral("-srcfolder"),
       QString::fromLatin1(kScratchFolder)},
      &job->cancelled, "makeDmg.creating");
  if (existsNoFollow(imagePath)) job->imagePath = imagePath;
  if (!job->cancelled.load() && (!create.exitedCleanly() || job->imagePath.isEmpty())) {
    KVLog("hdiutil create failed: %s", create.output.trimmed().constData());
    return false;
  }
  return true;
}

bool MakeDmg::createImage(const JobPtr& job, const QString& folder, const QString& name, qint64 size) {
  if (!takeScratchFolder()) {
    fail(job);
    return false;
  }
  const QString imagePath = imageFolder(folder) + '/' + name + QStringLiteral(".dmg");
  if (!placesAreFree(imagePath)) {
    fail(job);
    return false;
  }
  const bool made = runCreate(job, imagePath, size) && !job->cancelled.load() && mountImage(job);
  if (job->cancelled.load()) {
    abandon(job);
    return false;
  }
  if (!made) {
    failImage(job);
    return false;
  }
  std::lock_guard lock(job->mutex);
  job->step = Job::Step::Waiting;
  return true;
}

bool MakeDmg::mountImage(const JobPtr& job) {
  removeScratch();
  const ToolResult mount = runTool(kHdiutil, {QStringLiteral("mount"), job->imagePath}, &job->cancelled);
  const auto [mountPoint, device] = mountFromHdiutilOutput(QString::fromUtf8(mount.output));
  if (!mountPoint.isEmpty()) {
    job->mountPoint = mountPoint;
    job->device = device;
    job->ejectId = device;
    job->mounted = true;
  }
  if (!mount.exitedCleanly() || mountPoint.isEmpty()) {
    KVLog("hdiutil mount failed: %s", mount.output.trimmed().constData());
    return false;
  }
  const QString expected = QStringLiteral("/Volumes/") + QString::fromLatin1(kVolumeName);
  const std::optional<QVariantMap> info = getDisjInfo(mountPoint.toUtf8().constData());
  if (info && info->value("MountPoint").toString() == mountPoint) {
    const QString uuid = info->value("VolumeUUID").toString();
    const QString id = info->value("DeviceIdentifier").toString();
    job->ejectId = !uuid.isEmpty() ? uuid : (!id.isEmpty() ? id : device);
  }
  if (mountPoint != expected || !info) {
    KVLog("image mounted at %s, expected %s", qUtf8Printable(mountPoint), qUtf8Printable(expected));
    return false;
  }
  return true;
}

void MakeDmg::doCopyFilesToDmgWithDmg(const QStringList& paths, const QStringList& targets) {
  const JobPtr job = currentJob();
  if (!job || job->archive || !job->mounted.load()) return;
  if (!job->startWork(Job::Step::Waiting, Job::Step::Copying)) return;
  platform::dispatchGlobal([this, job, paths, targets] {
    copyItems(job, paths, targets);
    endWork(job);
  });
}

void MakeDmg::copyItems(const JobPtr& job, const QStringList& paths, const QStringList& targets) {
  const quint64 count = static_cast<quint64>(paths.size());
  if (count == 0) {
    KVLog("nothing to put into the image");
    failImage(job);
    return;
  }
  const QString text = getLocalizedString("MAKE_DMG_Greating");
  for (quint64 j = 0; j < count; ++j) {
    if (job->cancelled.load()) {
      abandon(job);
      return;
    }
    const QString& path = paths.at(static_cast<int>(j));
    const QString name = targets.size() > static_cast<int>(j) ? targets.at(static_cast<int>(j))
                                                              : path.mid(path.lastIndexOf('/') + 1);
    const quint64 p = (j * 100 + 100) / count;
    if (name.isEmpty() || name == QLatin1String(" ")) {
      if (p >= 100) break;
      continue;
    }
    if (j == 0) report(job, text, 20);
    platform::gatePoint("makeDmg.copyItem");
    if (job->cancelled.load()) continue;
    QString error;
    const QString to = platform::hostPath(job->mountPoint + '/' + name);
    // A target inside a folder keeps the item's place below a folder that was
    // packed by its entries.
    if (name.contains('/')) QDir().mkpath(QFileInfo(to).path());
    if (!copyItem(platform::hostPath(path), to, &error)) {
      // Two items of one name, a full image, an unreadable file: the image would
      // lack what was chosen.
      KVLog("copy into image failed: %s", qUtf8Printable(error));
      failImage(job);
      return;
    }
    const quint64 shown = p <= 20 ? 20 : p;
    if (shown <= 99) report(job, text, static_cast<float>(shown));
  }
  if (job->cancelled.load()) {
    abandon(job);
    return;
  }
  platform::gatePoint("makeDmg.eject");
  if (!ejectImage(job)) {
    // The files reach the image file only when it is ejected: still attached, it is not finished.
    KVLog("image %s could not be ejected; it is not finished", qUtf8Printable(job->imagePath));
    removeScratch();
    fail(job, MakeDmgDelegate::kImageNotFinished);
    return;
  }
  report(job, text, 100, true);
}

bool MakeDmg::ejectImage(const JobPtr& job) {
  if (!job->mounted.load() || job->ejectId.isEmpty()) return false;
  int status = -1;
  disktools::diskutilText({QStringLiteral("eject"), job->ejectId}, QStringLiteral("ejectExecCommandTemp.plist"),
                          &status);
  if (status != 0) {
    // Once more, by force: the image's own device (or its mount point) detached.
    KVLog("eject of %s failed; detaching it by force", qUtf8Printable(job->ejectId));
    const QString target = !job->device.isEmpty() ? QStringLiteral("/dev/") + job->device : job->mountPoint;
    if (!runTool(kHdiutil, {QStringLiteral("detach"), target, QStringLiteral("-force")}, nullptr).exitedCleanly())
      return false;
  }
  job->mounted = false;
  return true;
}

void MakeDmg::unmountDmgWithFullPath() {
  const JobPtr job = currentJob();
  if (!job || job->archive) return;
  platform::dispatchGlobal([job] { ejectImage(job); });
}

void MakeDmg::discardImage(const JobPtr& job) {
  ejectImage(job);
  if (!job->imagePath.isEmpty() && !job->mounted.load()) removeMade(job->imagePath);
  job->imagePath.clear();
  removeScratch();
}

void MakeDmg::failImage(const JobPtr& job) {
  discardImage(job);
  fail(job);
}

void MakeDmg::stopMakeDmg() {
  const JobPtr job = currentJob();
  if (!job || job->closed()) return;
  if (!job->archive) {
    bool idle;
    {
      std::lock_guard lock(job->mutex);
      job->cancelled = true;
      idle = !job->busy;
      if (idle) job->busy = true;
    }
    // A busy worker notices the flag itself; a mounted image waiting for its
    // files is ejected and removed here.
    if (idle) {
      platform::dispatchGlobal([job] {
        abandon(job);
        std::lock_guard lock(job->mutex);
        job->busy = false;
        job->idle.notify_all();
      });
    }
    return;
  }
  job->cancelled = true;
  if (QProcess* zip = job->zip.data()) {
    if (zip->state() != QProcess::NotRunning) {
      zip->terminate();
      QTimer::singleShot(5000, zip, [zip] {
        if (zip->state() != QProcess::NotRunning) zip->kill();
      });
      return;  // the end of zip removes the partial archive
    }
  }
  removeArchive(job);
}

// ---- archive --------------------------------------------------------------

quint64 MakeDmg::getAllFileCountWithPath(const QString& macPath) {
  quint64 n = 0;
  QDirIterator it(platform::hostPath(macPath),
                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    ++n;
  }
  return n;
}

quint64 MakeDmg::getAllFileCount(const FileNodeList& roots) {
  quint64 n = 0;
  for (const FileNodePtr& node : roots) {
    if (!node) continue;
    if (node->state() == FileNode::Selected) {
      allSelectFileArr.append(node->path());
      n += node->isDirectory() ? getAllFileCountWithPath(node->path()) : 1;
    } else if (node->state() == FileNode::PartlySelected) {
      n += getAllFileCount(node->children());
    }
  }
  return n;
}

void MakeDmg::doZipWithPath(const QString& zipPath, const FileNodeList& roots) {
  JobPtr job = beginJob(true);
  if (!job) {
    refuse();
    return;
  }
  allSelectFileCout = 0;
  proValue = 0;
  allSelectFileArr.clear();
  allSelectFileCout = getAllFileCount(roots);
  isCancelCopy_ = false;
  job->zipPath = zipPath;
  job->zipExistedBefore = existsNoFollow(zipPath);
  if (job->zipExistedBefore || allSelectFileArr.isEmpty() || zipPath.isEmpty()) {
    // zip would add to an existing archive; that file is not ours to change.
    KVLog("archive %s not made: exists or nothing selected", qUtf8Printable(zipPath));
    fail(job);
    return;
  }

  auto* zip = new QProcess(this);
  job->zip = zip;
  QStringList args{QStringLiteral("-r"), zipPath};
  args += allSelectFileArr;
  platform::prepareProcess(*zip, QStringLiteral("/usr/bin/zip"), args);
  connect(zip, &QProcess::readyReadStandardOutput, this, [this, job] { dataReady(job); });
  connect(zip, &QProcess::readyReadStandardError, this, [job] {
    if (QProcess* p = job->zip.data()) KVLog("zip: %s", p->readAllStandardError().trimmed().constData());
  });
  connect(zip, &QProcess::finished, this, [this, job](int code, QProcess::ExitStatus status) {
    zipTaskTerminated(job, status == QProcess::NormalExit && code == 0);
  });
  connect(zip, &QProcess::errorOccurred, this, [this, job](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) zipTaskTerminated(job, false);
  });
  zip->start();
}

void MakeDmg::dataReady(const JobPtr& job) {
  QProcess* zip = job->zip.data();
  if (!zip) return;
  const QByteArray chunk = zip->readAllStandardOutput();
  if (chunk.isEmpty() || job->cancelled.load() || !isCurrent(job)) return;
  const QString text = job->decoder.decode(chunk);
  ++proValue;
  // 100 is told only once zip has ended well; an empty selection count gives no
  // division, just the cap.
  quint64 p = allSelectFileCout ? proValue * 100 / allSelectFileCout : 99;
  if (p > 99) p = 99;
  report(job, text, static_cast<float>(p));
}

void MakeDmg::zipTaskTerminated(const JobPtr& job, bool exitedCleanly) {
  {
    std::lock_guard lock(job->mutex);
    if (job->step != Job::Step::Zipping) return;  // its end was handled (finished after a failed start)
  }
  dataReady(job);
  if (QProcess* zip = job->zip.data()) {
    job->zip = nullptr;
    zip->deleteLater();
  }
  if (job->cancelled.load()) {
    removeArchive(job);
    job->close();
    return;
  }
  QFileInfo archive(platform::hostPath(job->zipPath));
  if (exitedCleanly && archive.isFile() && !archive.isSymLink()) {
    report(job, QString(), 100, true);
    return;
  }
  KVLog("zip of %s failed", qUtf8Printable(job->zipPath));
  removeArchive(job);
  fail(job);
}

void MakeDmg::removeArchive(const JobPtr& job) {
  if (!job->zipExistedBefore && !job->zipPath.isEmpty() && existsNoFollow(job->zipPath))
    QFile::remove(platform::hostPath(job->zipPath));
  job->zipExistedBefore = true;  // removed once; later files of that name are not ours
}
