// Wrappers of the simulated Mac around the host's rsync, zip, unzip, cp, mkdir,
// chmod, rm and ls: Mac path arguments are mapped into the world and host paths
// in the output are turned back into Mac paths, so nothing outside the world is
// ever touched and the caller only ever sees Mac paths. zip runs from the
// simulated "/" with relative names, so an archive holds what it would on a Mac.
#include "world/lib/Disks.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace world;
using tool::fail;

namespace {

Layout gWorld;
volatile sig_atomic_t gChild = 0;

void forward(int sig) {
  if (gChild > 0) ::kill(pid_t(gChild), sig);
}

QString hostTool(const QString& name) {
  for (const QString& dir : {QString("/usr/bin"), QString("/bin")}) {
    const QString p = dir + "/" + name;
    if (QFileInfo(p).isExecutable()) return p;
  }
  return QString();
}

// Passes a child's output on, with host paths of the world turned into Mac paths.
class Unmapper {
 public:
  explicit Unmapper(int fd) : fd_(fd), root_(QFile::encodeName(gWorld.root())) {}
  void feed(const QByteArray& data) {
    pending_ += data;
    int hold = 0;
    for (int k = std::min(root_.size(), pending_.size()); k > 0; --k)
      if (pending_.endsWith(root_.left(k))) {
        hold = k;
        break;
      }
    emit(pending_.left(pending_.size() - hold));
    pending_ = pending_.right(hold);
  }
  void finish() {
    emit(pending_);
    pending_.clear();
  }

 private:
  void emit(QByteArray text) {
    if (text.isEmpty()) return;
    text.replace(root_ + "/", "/");
    text.replace(root_, "/");
    tool::writeAll(fd_, text);
  }
  int fd_;
  QByteArray root_;
  QByteArray pending_;
};

int run(const QString& program, const QStringList& args, const QString& cwd) {
  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) fail("cannot make a pipe", 1);
  QList<QByteArray> bytes;
  bytes << QFile::encodeName(program);
  for (const QString& a : args) bytes << a.toLocal8Bit();
  std::vector<char*> argv;
  for (QByteArray& b : bytes) argv.push_back(b.data());
  argv.push_back(nullptr);
  const QByteArray dir = QFile::encodeName(cwd);
  const pid_t pid = ::fork();
  if (pid < 0) fail("cannot start " + program, 1);
  if (pid == 0) {
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    if (!dir.isEmpty() && ::chdir(dir.constData()) != 0) ::_exit(126);
    ::signal(SIGPIPE, SIG_DFL);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  gChild = pid;
  struct sigaction sa {};
  sa.sa_handler = forward;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  Unmapper out(1), err(2);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? out : err).feed(QByteArray(buf, int(n)));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  out.finish();
  err.finish();
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

// The caller's working folder as a Mac path ("" when it lies outside the world).
QString callerMacCwd() { return tool::macPath(gWorld, QDir::currentPath()); }

// A path argument of the caller as a Mac path (absolute); "" when it cannot be one.
QString asMac(const QString& arg) {
  if (arg.startsWith('/')) return arg;
  const QString cwd = callerMacCwd();
  if (cwd.isEmpty()) return QString();
  return QDir::cleanPath(cwd + "/" + arg) + (arg.endsWith('/') ? "/" : "");
}

QString mapped(const QString& arg) {
  const QString mac = asMac(arg);
  if (mac.isEmpty()) fail(QString("%1: not a path of the simulated Mac").arg(arg), 1);
  QString host = gWorld.root() + (mac == "/" ? QString("/") : mac);
  return host;
}

// Refuses writes where the Mac would: a read-only volume, a full one.
void checkWritable(const QString& toolName, const QString& macDest, qint64 needed) {
  DiskDatabase db(gWorld);
  if (!db.load()) return;
  QString probe = macDest;
  while (!probe.isEmpty() && probe != "/" && !QFileInfo::exists(gWorld.root() + probe))
    probe = QFileInfo(probe).path();
  const Media* v = db.volumeForPath(probe.isEmpty() ? QString("/") : probe);
  if (!v) return;
  // The sealed system volume holds /System; the rest of "/" lives on its Data volume.
  const bool readOnly =
      v->startup ? (volumeIsReadOnly(gWorld, v->volumeName) || probe == "/System" ||
                    (probe.startsWith("/System/") && !probe.startsWith("/System/Volumes/")))
                 : !db.writable(*v);
  if (readOnly)
    fail(QString("%1: %2: Read-only file system").arg(toolName, macDest), toolName == "rsync" ? 23 : 1);
  if (needed > 0 && needed > db.freeBytes(*v))
    fail(QString("%1: write failed on \"%2\": No space left on device (28)").arg(toolName, macDest),
         toolName == "rsync" ? 11 : 1);
}

qint64 bytesOf(const QString& hostPath) {
  QFileInfo fi(hostPath);
  if (fi.isSymLink()) return 0;
  if (fi.isDir()) return folderBytes(hostPath);
  return fi.exists() ? fi.size() : 0;
}

// Options that take a value in the next argument, per tool.
bool takesValue(const QString& tool, const QString& opt) {
  if (tool == "rsync") return opt == "-e" || opt == "-T" || opt == "-B" || opt == "-f";
  if (tool == "chmod") return false;
  if (tool == "mkdir") return opt == "-m";
  if (tool == "unzip") return opt == "-d" || opt == "-x";
  if (tool == "zip") return opt == "-b" || opt == "-n" || opt == "-t" || opt == "-tt";
  return false;
}

int wrapGeneric(const QString& name, const QStringList& args) {
  QStringList out;
  QStringList paths;  // mapped path arguments, in order (Mac form)
  bool modeSeen = false;
  bool endOfOptions = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString a = args[i];
    if (!endOfOptions && a == "--") {
      endOfOptions = true;
      out << a;
      continue;
    }
    if (!endOfOptions && a.startsWith('-') && a.size() > 1) {
      out << a;
      if (takesValue(name, a) && i + 1 < args.size()) {
        ++i;
        out << ((name == "unzip" && a == "-d") ? mapped(args[i]) : args[i]);
      }
      continue;
    }
    if (name == "chmod" && !modeSeen) {  // the mode comes first
      modeSeen = true;
      out << a;
      continue;
    }
    const QString mac = asMac(a);
    if (mac.isEmpty()) fail(QString("%1: %2: not a path of the simulated Mac").arg(name, a), 1);
    if (name == "rm" && QDir::cleanPath(mac) == "/") fail("rm: \"/\" may not be removed", 1);
    paths << mac;
    out << mapped(a);
  }
  if (!paths.isEmpty() && (name == "rsync" || name == "cp")) {
    qint64 needed = 0;
    for (int i = 0; i + 1 < paths.size(); ++i) needed += bytesOf(gWorld.root() + paths[i]);
    checkWritable(name, paths.last(), needed);
  } else if (name == "mkdir" || name == "chmod") {
    for (const QString& p : paths) checkWritable(name, p, -1);
  }
  const QString program = hostTool(name);
  if (program.isEmpty()) fail(QString("%1: command not found").arg(name), 127);
  return run(program, out, QString());
}

int wrapZip(const QStringList& args) {
  QStringList out;
  QString archive;
  qint64 needed = 0;
  bool exclude = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString a = args[i];
    if (exclude) {  // patterns after -x stay as given
      out << a;
      continue;
    }
    if (a == "-x" || a == "-i") {
      exclude = true;
      out << a;
      continue;
    }
    if (a.startsWith('-') && a.size() > 1) {
      out << a;
      if (takesValue("zip", a) && i + 1 < args.size()) out << args[++i];
      continue;
    }
    const QString mac = asMac(a);
    if (mac.isEmpty()) fail(QString("zip error: Invalid command arguments (%1 is not a path of the simulated Mac)").arg(a), 16);
    if (archive.isEmpty()) {
      archive = mac;
      out << gWorld.root() + mac;
      continue;
    }
    // Members are named from "/" without its slash, as zip does with absolute paths.
    QString rel = QDir::cleanPath(mac).mid(1);
    if (rel.isEmpty()) rel = ".";
    needed += bytesOf(gWorld.root() + mac);
    out << rel;
  }
  if (archive.isEmpty()) fail("zip error: Nothing to do!", 12);
  checkWritable("zip", archive, needed / 2);
  const QString program = hostTool("zip");
  if (program.isEmpty()) fail("zip: command not found", 127);
  return run(program, out, gWorld.root());
}

}  // namespace

int main(int argc, char** argv) {
  gWorld = tool::requireWorld("qdc-wrap");
  QStringList args = tool::arguments(argc, argv);
  if (args.isEmpty()) fail("usage: qdc-wrap TOOL [ARGUMENTS…]", 64);
  const QString name = args.takeFirst();
  if (toolShouldFail(gWorld, name)) fail(QString("%1: simulated failure").arg(name), 1);
  static const QStringList known{"rsync", "cp", "mkdir", "chmod", "rm", "ls", "unzip"};
  if (name == "zip") return wrapZip(args);
  if (known.contains(name)) return wrapGeneric(name, args);
  fail(QString("%1: no such tool in the simulated Mac").arg(name), 127);
}
