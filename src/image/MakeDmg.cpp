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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Gate.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/KVExecCommand.h"
#include "services/KVLog.h"
#include "services/Localization.h"

struct MakeDmg::Job {
  bool archive = false;
  std::atomic<bool> cancelled{false};
  std::atomic<bool> closed{false};  // ended: its closing report is on its way, or it was cancelled
  std::atomic<bool> told{false};    // the closing report reached the delegate
  std::mutex workMutex;
  bool busy = false;  // a worker runs for it (create and mount, or copy)
  // Image job.
  QString imagePath;      // Mac path of the image once it was created by this job
  QString mountPoint;     // Mac path where it is mounted
  QString ejectId;        // the mounted volume's own identifier
  std::atomic<bool> mounted{false};
  bool copied = false;  // the copy was started (under workMutex)
  // Archive job (main thread).
  QString zipPath;
  bool zipExistedBefore = true;
  QPointer<QProcess> zip;
  QStringDecoder decoder{QStringDecoder::Utf8};
  bool zipEnded = false;
};

namespace {

const char* const kHdiutil = "/usr/bin/hdiutil";
const char* const kDiskutil = "/usr/sbin/diskutil";

bool existsNoFollow(const QString& macPath) {
  struct stat st;
  return ::lstat(QFile::encodeName(platform::hostPath(macPath)).constData(), &st) == 0;
}

// The scratch folder goes only while it is our plain folder, never through a link.
void removeScratch() {
  const QString host = platform::hostPath(QString::fromLatin1(MakeDmg::kScratchFolder));
  struct stat st;
  if (::lstat(QFile::encodeName(host).constData(), &st) == 0 && S_ISDIR(st.st_mode))
    QDir(host).removeRecursively();
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

struct ToolResult {
  bool started = false;
  bool exitedCleanly = false;  // exited by itself with 0
  QByteArray output;
};

// Runs a tool on this worker, draining its output, and stops it as soon as
// `cancelled` is set.
ToolResult runTool(const QString& tool, const QStringList& args, const std::atomic<bool>* cancelled) {
  ToolResult r;
  QProcess p;
  platform::prepareProcess(p, tool, args);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start();
  if (!p.waitForStarted(10000)) {
    KVLog("%s could not be started", qUtf8Printable(tool));
    return r;
  }
  r.started = true;
  bool stopped = false;
  while (!p.waitForFinished(100)) {
    r.output += p.readAll();
    if (p.state() == QProcess::NotRunning) break;
    if (cancelled && cancelled->load() && !stopped) {
      stopped = true;
      p.terminate();
      if (!p.waitForFinished(3000)) p.kill();
    }
  }
  r.output += p.readAll();
  r.exitedCleanly = !stopped && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return r;
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
  // An image worker still uses the engine: it stops at its next check.
  for (;;) {
    {
      std::lock_guard lock(job->workMutex);
      if (!job->busy) break;
    }
    QThread::msleep(20);
  }
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
  return current_ && !current_->closed.load();
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
  if (current_ && !current_->closed.load()) return nullptr;
  auto job = std::make_shared<Job>();
  job->archive = archive;
  current_ = job;
  return job;
}

void MakeDmg::refuse() {
  // A second job while one runs: told to the screen, the running job goes on.
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self] {
    if (!self) return;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->makeDmgFailWithError(0);
  });
}

void MakeDmg::report(const JobPtr& job, const QString& text, float progress, bool closing) {
  if (closing) job->closed = true;
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self, job, text, progress, closing] {
    if (!self || !self->isCurrent(job) || job->cancelled.load() || job->told.load()) return;
    if (closing) job->told = true;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->copyFileToDmgWithFileName(text, progress);
  });
}

void MakeDmg::fail(const JobPtr& job) {
  job->closed = true;
  QPointer<MakeDmg> self(this);
  platform::dispatchMain([self, job] {
    if (!self || !self->isCurrent(job) || job->cancelled.load() || job->told.load()) return;
    job->told = true;
    if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->makeDmgFailWithError(0);
  });
}

void MakeDmg::endWork(const JobPtr& job) {
  // A cancel that came while the worker was finishing is cleaned up here; the
  // flag is read under the lock that stopMakeDmg sets it under.
  for (;;) {
    {
      std::lock_guard lock(job->workMutex);
      if (!job->cancelled.load() || job->closed.load()) {
        job->busy = false;
        return;
      }
    }
    discardImage(job);
    job->closed = true;
  }
}

std::optional<QVariantMap> MakeDmg::getDisjInfo(const char* name) {
  if (!name) return std::nullopt;
  return KVExecCommandDictionary(
      platform::shellLine(kDiskutil, {QStringLiteral("info"), QStringLiteral("-plist"),
                                      QString::fromUtf8(name)}),
      QStringLiteral("ejectExecCommandTemp.plist"));
}

int MakeDmg::resizeVolume(const QString& imagePath, const QString& size) {
  QProcess p;
  platform::prepareProcess(p, kHdiutil, {QStringLiteral("resize"), QStringLiteral("-size"), size, imagePath});
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start();
  if (!p.waitForStarted(10000)) return -1;
  p.waitForFinished(-1);
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
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
  platform::dispatchGlobal([this, job, folder, name, size] {
    const bool mounted = createImage(job, folder, name, size);
    // The worker is done before the delegate is asked for the files, so its
    // answer finds the job idle.
    endWork(job);
    if (!mounted) return;
    QPointer<MakeDmg> self(this);
    platform::dispatchMain([self, job] {
      if (!self || !self->isCurrent(job) || job->cancelled.load() || job->closed.load()) return;
      if (MakeDmgDelegate* d = self->makeDmgDelegate_.get()) d->beginToCopyDmg();
    });
  });
}

bool MakeDmg::createImage(const JobPtr& job, QString folder, const QString& name, qint64 size) {
  const QString scratch = QString::fromLatin1(kScratchFolder);
  const QString scratchHost = platform::hostPath(scratch);
  // The scratch folder lies in a world-writable place: it must be our own empty
  // folder, never a link to somewhere else whose files would go into the image.
  ::mkdir(QFile::encodeName(scratchHost).constData(), 0700);
  struct stat st;
  if (::lstat(QFile::encodeName(scratchHost).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      !QDir(scratchHost).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    KVLog("scratch folder %s is not an empty folder", kScratchFolder);
    fail(job);
    return false;
  }

  if (folder == QLatin1String("/")) {
    folder = QString::fromLatin1(kRootFolder);
    const QString host = platform::hostPath(folder);
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
  }
  const QString imagePath = folder + '/' + name + QStringLiteral(".dmg");
  const QString mountPoint = QStringLiteral("/Volumes/") + QString::fromLatin1(kVolumeName);
  if (existsNoFollow(imagePath)) {
    KVLog("image %s exists already", qUtf8Printable(imagePath));
    fail(job);
    return false;
  }
  if (existsNoFollow(mountPoint)) {
    // Another volume of that name would take the image's place.
    KVLog("%s is in use", qUtf8Printable(mountPoint));
    fail(job);
    return false;
  }

  const ToolResult create = runTool(
      kHdiutil,
      {QStringLiteral("create"), imagePath, QStringLiteral("-volname"), QString::fromLatin1(kVolumeName),
       QStringLiteral("-size"), imageSizeText(size), QStringLiteral("-fs"), QStringLiteral("HFS+"),
       QStringLiteral("-format"), QStringLiteral("UDRW"), QStringLiteral("-srcfolder"), scratch},
      &job->cancelled);
  if (existsNoFollow(imagePath)) job->imagePath = imagePath;
  if (job->cancelled.load()) {
    discardImage(job);
    job->closed = true;
    return false;
  }
  if (!create.exitedCleanly || job->imagePath.isEmpty()) {
    KVLog("hdiutil create failed: %s", create.output.trimmed().constData());
    failImage(job);
    return false;
  }
  if (!mountImage(job)) {
    if (job->cancelled.load()) {
      discardImage(job);
      job->closed = true;
    } else {
      failImage(job);
    }
    return false;
  }
  return true;
}

bool MakeDmg::mountImage(const JobPtr& job) {
  removeScratch();
  const ToolResult mount = runTool(kHdiutil, {QStringLiteral("mount"), job->imagePath}, &job->cancelled);
  const auto [mountPoint, device] = mountFromHdiutilOutput(QString::fromUtf8(mount.output));
  if (!mountPoint.isEmpty()) {
    job->mountPoint = mountPoint;
    job->ejectId = device;
    job->mounted = true;
  }
  if (!mount.exitedCleanly || mountPoint.isEmpty()) {
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
  if (!job || job->archive || job->closed.load() || !job->mounted.load()) return;
  {
    std::lock_guard lock(job->workMutex);
    if (job->busy || job->copied || job->cancelled.load()) return;
    job->busy = true;
    job->copied = true;
  }
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
      discardImage(job);
      job->closed = true;
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
    discardImage(job);
    job->closed = true;
    return;
  }
  if (!ejectImage(job)) KVLog("image %s stays mounted", qUtf8Printable(job->imagePath));
  report(job, text, 100, true);
}

bool MakeDmg::ejectImage(const JobPtr& job) {
  if (!job->mounted.load() || job->ejectId.isEmpty()) return false;
  int status = -1;
  KVExecCommandOutput(platform::shellLine(kDiskutil, {QStringLiteral("eject"), job->ejectId}),
                      QStringLiteral("ejectExecCommandTemp.plist"), &status);
  if (status != 0) return false;
  job->mounted = false;
  return true;
}

void MakeDmg::unmountDmgWithFullPath() {
  const JobPtr job = currentJob();
  if (!job || job->archive) return;
  platform::dispatchGlobal([this, job] { ejectImage(job); });
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
  if (!job || job->closed.load()) return;
  if (!job->archive) {
    bool idle;
    {
      std::lock_guard lock(job->workMutex);
      job->cancelled = true;
      idle = !job->busy;
      if (idle) job->busy = true;
    }
    // A busy worker notices the flag itself; a mounted image waiting for its
    // files is ejected and removed here.
    if (idle) {
      platform::dispatchGlobal([this, job] {
        discardImage(job);
        job->closed = true;
        std::lock_guard lock(job->workMutex);
        job->busy = false;
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
  if (job->zipEnded) return;
  job->zipEnded = true;
  dataReady(job);
  if (QProcess* zip = job->zip.data()) {
    job->zip = nullptr;
    zip->deleteLater();
  }
  if (job->cancelled.load()) {
    removeArchive(job);
    job->closed = true;
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
