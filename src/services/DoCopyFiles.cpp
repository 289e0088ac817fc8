#include "services/DoCopyFiles.h"
#include "services/PathRules.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/FileFlags.h"
#include "platform/Gate.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "services/Selection.h"

struct DoCopyFiles::Job {
  std::atomic<bool> cancel{false};
  std::atomic<bool> detached{false};
  std::atomic<bool> ended{false};  // the worker is done, its last rsync waited for
  std::mutex delegateMutex;  // the screen may set it while the worker reports
  DelegateRef<DoCopyFilesDelegate> delegate;
  CopyItems items = CopyItems::DroppedItems;
  QString destination;  // the folder the copy goes into (Mac path)

  std::mutex childMutex;
  qint64 childPid = 0;  // process group of the running rsync, 0 when none

  int copied = 0;
  int failed = 0;

  // Stops the running rsync (its whole process group: rsync forks for a local copy).
  void terminateChild() {
    std::lock_guard<std::mutex> lock(childMutex);
    if (childPid > 0) ::kill(-pid_t(childPid), SIGTERM);
  }

  // Runs `report` with the delegate kept alive for the call, on this thread.
  template <class F>
  void tell(F&& report) {
    if (detached) return;
    DelegateRef<DoCopyFilesDelegate> receiver;
    {
      std::lock_guard<std::mutex> lock(delegateMutex);
      receiver = delegate;
    }
    receiver.call(report);
  }
  void setTarget(DoCopyFilesDelegate* d) {
    std::lock_guard<std::mutex> lock(delegateMutex);
    delegate = d;
  }

  template <class F>
  void onMain(F&& call) {
    std::shared_ptr<Job> self = shared();
    platform::dispatchMain([self, call] {
      self->tell(call);
    });
  }
  std::weak_ptr<Job> weakSelf;
  std::shared_ptr<Job> shared() { return weakSelf.lock(); }
};

namespace {

using Job = DoCopyFiles::Job;

bool existsAt(const QString& macPath) {
  struct stat st;
  return ::stat(platform::hostPath(macPath).toUtf8().constData(), &st) == 0;
}

QString cleanMacPath(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  return clean.isEmpty() ? path : clean;
}

// `item` is the destination or one of the folders above it: copying it would
// copy the destination into itself.
bool holdsDestination(const QString& item, const QString& destination) {
  const QString i = cleanMacPath(item);
  const QString d = cleanMacPath(destination);
  if (i == d) return true;
  if (i == QLatin1String("/")) return true;
  return d.startsWith(i + QLatin1Char('/'));
}

void toCopyFileWithNode(Job& job, const FileNodePtr& node, const QString& folder);

// An item that holds the destination (a copy onto the Desktop of the volume
// being copied) is copied entry by entry, around the branch that leads to the
// destination, so the copy never copies itself.
void copyAroundDestination(Job& job, const QString& source, const QString& folder) {
  const QString name = services::lastPathComponent(source);
  const QString target = folder + QLatin1Char('/') + name;
  if (!QDir().mkpath(platform::hostPath(target))) {
    ++job.failed;
    return;
  }
  const QDir dir(platform::hostPath(source));
  const QStringList names =
      dir.entryList(services::kEveryEntry, QDir::Unsorted);
  for (const QString& entry : names) {
    if (job.cancel) return;
    const QString path = FileNode::childPath(source, entry);
    if (cleanMacPath(path) == cleanMacPath(job.destination)) continue;  // the copy itself
    const QFileInfo info(platform::hostPath(path));
    FileNodePtr child = FileNode::initWithPath(path, entry, info.isDir() && !info.isSymLink(), nullptr);
    toCopyFileWithNode(job, child, target);
  }
}

// Copies one item into `folder` with one rsync run.
void toCopyFileWithNode(Job& job, const FileNodePtr& node, const QString& folder) {
  platform::gatePoint("DoCopyFiles.item");  // tests hold a copy here to stop it mid-way
  if (job.cancel) return;
  if (!existsAt(folder)) {
    ++job.failed;
    job.tell([](DoCopyFilesDelegate* d) { d->copyFileError(); });
    return;
  }
  const QString source = node->path();
  const QString clean = cleanMacPath(source);
  if (services::holdsOtherVolumes(source)) {
    // They hold the mount points of the other volumes (usually the destination's
    // among them), not content of the startup volume.
    SystemLog("skip %s: it holds the other volumes", qUtf8Printable(source));
    return;
  }
  if (holdsDestination(source, job.destination)) {
    if (clean == cleanMacPath(job.destination) || clean == QLatin1String("/")) {
      ++job.failed;
      SystemLog("cannot copy %s into %s", qUtf8Printable(source), qUtf8Printable(folder));
    } else {
      copyAroundDestination(job, source, folder);
    }
    return;
  }

  const platform::SpawnedTool child =
      platform::spawnTool(QStringLiteral("/usr/bin/rsync"), {QStringLiteral("-av"), source, folder});
  if (child.pid <= 0) {
    ++job.failed;
    SystemLog("文件复制失败, 错误码: %d", -1);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(job.childMutex);
    job.childPid = child.pid;
  }
  if (job.cancel) job.terminateChild();  // a cancel that came while it started

  QStringDecoder decoder(QStringDecoder::Utf8);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(child.stdoutFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const QString text = decoder.decode(QByteArrayView(buffer, n));  // keeps a split character for the next chunk
    if (text.isEmpty()) continue;
    SystemLog("%s", qUtf8Printable(text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text));
    job.onMain([text](DoCopyFilesDelegate* d) { d->topCopyFilePath(text); });
  }
  ::close(child.stdoutFd);
  {
    // Forgotten before it is reaped: a stop never signals a number the system
    // may already have handed to another process.
    std::lock_guard<std::mutex> lock(job.childMutex);
    job.childPid = 0;
  }
  const int exitCode = platform::waitForExit(child.pid);
  if (exitCode == 0) {
    ++job.copied;
    SystemLog("文件复制成功!");
  } else {
    ++job.failed;
    SystemLog("文件复制失败, 错误码: %d", exitCode);
  }
}

void doCopyFilesWithChiArr(Job& job, const FileNodeList& children, const QString& folder);

// The children of a partly ticked item into `folder`: a partly ticked child
// becomes a folder there holding its own ticked children, a ticked child is
// copied, an unticked one is passed over.
void doCopyFilesWithChiNode(Job& job, const FileNodeList& children, const QString& folder) {
  for (const FileNodePtr& child : children) {
    if (job.cancel) return;
    if (!child) continue;
    if (child->state() == FileNode::PartlySelected) {
      const QString sub = folder + QLatin1Char('/') + child->name();
      // Only this one folder is made: a destination that has gone is not made
      // again (whatever now lies at its path would receive the copy); the items
      // below then find no destination and say so.
      const QByteArray host = platform::hostPath(sub).toUtf8();
      ::mkdir(host.constData(), 0777);
      struct stat st;
      if (::lstat(host.constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        // A file or a link stands where the folder must be: rsync would write
        // onto it, or through it.
        ++job.failed;
        SystemLog("cannot make the folder %s: something else is there", qUtf8Printable(sub));
        continue;
      }
      doCopyFilesWithChiArr(job, child->children(), sub);
    } else if (child->state() == FileNode::Selected) {
      toCopyFileWithNode(job, child, folder);
    }
  }
}

// The levels further down follow the same rule.
void doCopyFilesWithChiArr(Job& job, const FileNodeList& children, const QString& folder) {
  doCopyFilesWithChiNode(job, children, folder);
}

// What "/System" stands for in a copy: its entries (a partly ticked one: the
// entries the user ticked), less those never copied and less "Volumes" (the
// other volumes' mount points). Built privately, so the screen's tree is not
// changed under it.
FileNodePtr systemFolderNode(const FileNodePtr& node) {
  FileNodePtr system = FileNode::initWithPath(node->path(), node->name(), true, nullptr);
  system->setState(FileNode::PartlySelected);
  static const QStringList kNeverCopied = {"Cryptexes", "Library", "iOSSupport", "DriverKit"};
  if (node->state() == FileNode::PartlySelected) {
    for (const FileNodePtr& child : node->children())
      if (child && !kNeverCopied.contains(child->name()) && child->name() != QLatin1String("Volumes"))
        system->children().append(child);
    return system;
  }
  const QDir dir(platform::hostPath(QStringLiteral("/System")));
  const QStringList names =
      dir.entryList(services::kEveryEntry, QDir::Unsorted);
  for (const QString& name : names) {
    if (kNeverCopied.contains(name)) continue;
    const QString path = QStringLiteral("/System/") + name;
    FileNodePtr child = FileNode::initWithPath(
        path, name, QFileInfo(platform::hostPath(path)).isDir(), system.data());
    child->setState(name == QLatin1String("Volumes") ? FileNode::NotSelected : FileNode::Selected);
    system->children().append(child);
  }
  return system;
}

void runCopy(const std::shared_ptr<Job>& self, const FileNodeList& list, const QString& destination) {
  Job& job = *self;
  const int count = int(list.size());
  for (int j = 0; j < count && !job.cancel; ++j) {
    if (j == 0) job.onMain([](DoCopyFilesDelegate* d) { d->topCopyProgress(5.0f); });
    FileNodePtr node = list[j];
    // An unticked "/System" stays unticked; a ticked one means its copyable
    // entries, a partly ticked one those of them the user ticked.
    if (node && job.items == CopyItems::BrowserSelection && !isTickableRoot(*node))
      node.reset();  // a row the user could not tick; its progress step still follows
    if (node && node->state() != FileNode::NotSelected && node->path() == QLatin1String("/System"))
      node = systemFolderNode(node);
    if (node && node->state() == FileNode::PartlySelected) {
      doCopyFilesWithChiNode(job, node->children(), destination);
    } else if (node && node->state() == FileNode::Selected) {
      SystemLog("==== %s", qUtf8Printable(node->path()));
      if (job.items == CopyItems::CopyAllListing && DoCopyFiles::isHiddenAtPath(node->path())) {
        // passed over; its progress step still follows
      } else {
        toCopyFileWithNode(job, node, destination);
      }
    }
    if (job.cancel) break;
    int p = ((j + 1) * 100) / count;
    if (p < 6) p = 5;
    SystemLog("-Progress-----------------: %f", double(p));
    const float percent = float(p);
    job.onMain([percent](DoCopyFilesDelegate* d) { d->topCopyProgress(percent); });
  }
  CopyOutcome outcome;
  if (job.cancel)
    outcome = CopyOutcome::Cancelled;
  else if (job.failed == 0 && job.copied > 0)
    outcome = CopyOutcome::AllCopied;
  else if (job.copied > 0)
    outcome = CopyOutcome::SomeFailed;
  else
    outcome = CopyOutcome::Failed;
  job.onMain([outcome](DoCopyFilesDelegate* d) { d->copyFilesFinished(outcome); });
  job.ended = true;
}

}  // namespace

QString DoCopyFiles::clashingName(const FileNodeList& roots, CopyItems items) {
  switch (items) {
    case CopyItems::CopyAllListing:
      return QString();  // one volume's top names, and "/System"'s entries that join them on purpose
    case CopyItems::BrowserSelection:
      return firstSharedName(copyTopNames(chosenBrowserRoots(roots)));
    case CopyItems::DroppedItems:
      return firstSharedName(copyTopNames(roots));
  }
  return QString();
}

DoCopyFiles::DoCopyFiles() = default;

DoCopyFiles::~DoCopyFiles() {
  if (job_) {
    job_->detached = true;
    job_->cancel = true;
    job_->terminateChild();
  }
}

void DoCopyFiles::setDelegate(DoCopyFilesDelegate* delegate) {
  delegate_ = delegate;
  if (job_) job_->setTarget(delegate);
}

bool DoCopyFiles::isCancel() const { return job_ && job_->cancel; }

bool DoCopyFiles::isRunning() const { return job_ && !job_->ended; }

void DoCopyFiles::setIsCancel(bool cancel) {
  if (!job_) return;
  job_->cancel = cancel;
  if (cancel) job_->terminateChild();
}

void DoCopyFiles::doCopyFilesWithArr(const FileNodeList& arr, const QString& copyPath, CopyItems items) {
  if (job_) {
    // A copy still running on this engine is replaced, not continued alongside.
    job_->detached = true;
    job_->cancel = true;
    job_->terminateChild();
  }
  auto job = std::make_shared<Job>();
  job->weakSelf = job;
  job->setTarget(delegate_.get());
  job->items = items;
  job->destination = copyPath;
  job_ = job;
  if (arr.isEmpty() || !clashingName(arr, items).isEmpty()) {
    job->ended = true;
    job->onMain([](DoCopyFilesDelegate* d) { d->copyFilesFinished(CopyOutcome::Failed); });
    return;
  }
  platform::dispatchGlobal([job, arr, copyPath] { runCopy(job, arr, copyPath); });
}

bool DoCopyFiles::isHiddenAtPath(const QString& path) {
  if (path.isEmpty()) return false;
  const QString name = services::lastPathComponent(path);
  if (name.startsWith(QLatin1Char('.'))) return true;
  if (platform::fileFlagsAtPath(path) & platform::UF_HIDDEN) return true;
  if (platform::isHiddenResource(path)) return true;
  if (platform::listExtendedAttributes(path).join(QChar(0)).contains(
          QLatin1String(platform::kFinderInfoAttributeName)))
    return true;
  static const QStringList kSystemNames = {"Library", "private", "bin", "sbin", "usr",
                                           "etc",     "var",     "tmp", "dev"};
  return kSystemNames.contains(name);
}
