#include "world/programs/common/Tool.h"

#include "platform/plist/PropertyList.h"
#include "world/lib/HostFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace tool {

namespace {

volatile sig_atomic_t gTerminated = 0;

void onSignal(int) { gTerminated = 1; }

bool copyEntry(const QByteArray& from, const QByteArray& to, const QList<QByteArray>& skip, qint64& done,
               const std::function<bool(qint64)>& progress, QString* error);

bool copyDir(const QByteArray& from, const QByteArray& to, const QList<QByteArray>& skip, qint64& done,
             const std::function<bool(qint64)>& progress, QString* error) {
  const auto names = world::sortedEntryNames(from);
  if (!names) {
    if (error) *error = "cannot read " + QFile::decodeName(from);
    return false;
  }
  for (const QByteArray& n : *names) {
    const QByteArray f = from + "/" + n;
    if (skip.contains(f)) continue;
    if (!copyEntry(f, to + "/" + n, skip, done, progress, error)) return false;
  }
  return true;
}

bool copyEntry(const QByteArray& from, const QByteArray& to, const QList<QByteArray>& skip, qint64& done,
               const std::function<bool(qint64)>& progress, QString* error) {
  if (gTerminated) return false;
  struct stat st;
  if (::lstat(from.constData(), &st) != 0) return true;
  if (S_ISDIR(st.st_mode)) {
    ::mkdir(to.constData(), 0755);
    if (!copyDir(from, to, skip, done, progress, error)) return false;
    ::chmod(to.constData(), st.st_mode & 07777);
    return true;
  }
  if (S_ISLNK(st.st_mode)) {
    if (const auto target = world::linkTarget(from)) {
      ::unlink(to.constData());
      ::symlink(target->constData(), to.constData());
    }
    return true;
  }
  if (!S_ISREG(st.st_mode)) return true;
  const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (error) *error = "cannot read " + QFile::decodeName(from);
    return false;
  }
  ::unlink(to.constData());
  const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    if (error) *error = "cannot write " + QFile::decodeName(to);
    return false;
  }
  char buf[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (::write(out, buf, size_t(n)) != n) {
      ok = false;
      break;
    }
    done += n;
    if (progress && !progress(done)) {
      ok = false;
      break;
    }
  }
  ::close(in);
  ::close(out);
  if (!ok && error && error->isEmpty()) *error = "cannot copy " + QFile::decodeName(from);
  return ok;
}

}  // namespace

world::Layout requireWorld(const char* toolName) {
  auto w = world::Layout::current();
  if (!w) {
    err(QString("%1: no simulated Mac (QDC_ROOT does not name a world's root)\n").arg(toolName));
    ::exit(1);
  }
  return *w;
}

QStringList arguments(int argc, char** argv) {
  QStringList a;
  for (int i = 1; i < argc; ++i) a << QString::fromLocal8Bit(argv[i]);
  return a;
}

void writeAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qint64 left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    p += n;
    left -= n;
  }
}

void out(const QString& text) { writeAll(1, text.toUtf8()); }
void err(const QString& text) { writeAll(2, text.toUtf8()); }

void fail(const QString& message, int status) {
  err(message.endsWith('\n') ? message : message + "\n");
  ::exit(status);
}

void printPlist(const QVariant& value) { writeAll(1, plist::toXml(value)); }

void installSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
}

bool terminated() { return gTerminated != 0; }

bool paceSleep(const world::Layout& w, double steps) {
  double left = world::pace(w) * steps;
  while (left > 0 && !gTerminated) {
    const double slice = std::min(left, 0.05);
    struct timespec ts;
    ts.tv_sec = time_t(slice);
    ts.tv_nsec = long((slice - double(ts.tv_sec)) * 1e9);
    ::nanosleep(&ts, nullptr);
    left -= slice;
  }
  return !gTerminated;
}

void ended() { ::_exit(143); }

void paceOrEnd(const world::Layout& w, double steps) {
  if (!paceSleep(w, steps)) ended();
}

void holdIfAsked(const world::Layout& w, const QString& toolName, const QString& verb) {
  if (!world::toolShouldHold(w, toolName, verb)) return;
  const QString marker = world::heldFile(w, toolName, verb);
  QDir().mkpath(w.heldDir());
  {
    QFile f(marker);
    if (f.open(QIODevice::WriteOnly)) f.write(QByteArray::number(qint64(::getpid())) + "\n");
  }
  while (!gTerminated && world::toolShouldHold(w, toolName, verb)) {
    struct timespec ts {0, 20 * 1000 * 1000};
    ::nanosleep(&ts, nullptr);
  }
  QFile::remove(marker);
  if (gTerminated) ended();
}

QString hostPath(const world::Layout& w, const QString& mac) {
  if (!mac.startsWith('/')) return mac;
  return w.root() + mac;
}

QString macPath(const world::Layout& w, const QString& host) {
  const QString root = w.root();
  if (host == root) return "/";
  if (host.startsWith(root + "/")) return host.mid(root.size());
  return QString();
}

QString unmapText(const world::Layout& w, const QString& text) {
  QString t = text;
  t.replace(w.root() + "/", "/");
  t.replace(w.root(), "/");
  return t;
}

bool copyTree(const QString& fromDir, const QString& toDir, const QStringList& skip,
              const std::function<bool(qint64)>& progress, QString* error) {
  QList<QByteArray> s;
  for (const QString& p : skip) s << QFile::encodeName(QDir::cleanPath(p));
  QDir().mkpath(toDir);
  qint64 done = 0;
  return copyDir(QFile::encodeName(QDir::cleanPath(fromDir)), QFile::encodeName(QDir::cleanPath(toDir)), s, done,
                 progress, error);
}

bool emptyFolder(const QString& hostDir) {
  QDir d(hostDir);
  bool ok = true;
  for (const QFileInfo& fi : d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    if (fi.isDir() && !fi.isSymLink())
      ok = QDir(fi.absoluteFilePath()).removeRecursively() && ok;
    else
      ok = QFile::remove(fi.absoluteFilePath()) && ok;
  }
  return ok;
}

QString sizeText(qint64 bytes) {
  const double b = double(bytes);
  if (b >= 1e12) return QString::number(b / 1e12, 'f', 1) + " TB";
  if (b >= 1e9) return QString::number(b / 1e9, 'f', 1) + " GB";
  if (b >= 1e6) return QString::number(b / 1e6, 'f', 1) + " MB";
  if (b >= 1e3) return QString::number(b / 1e3, 'f', 1) + " KB";
  return QString::number(bytes) + " Bytes";
}

}  // namespace tool
