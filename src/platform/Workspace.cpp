#include "platform/Workspace.h"

#include "platform/Bundle.h"
#include "platform/Paths.h"
#include "platform/Queue.h"
#include "platform/plist/PropertyList.h"
#include "world/lib/Layout.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>

#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

QString registryDir() {
  if (auto world = world::Layout::current()) return world->runningDir();
  QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty()) base = QDir::tempPath();
  return base + "/qdc-running-" + QString::number(::getuid());
}

// A process that has ended but is not reaped yet (a zombie) still answers
// kill(pid, 0); it counts as gone.
bool alive(qint64 pid) {
  if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM)) return false;
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return true;
  const QByteArray line = stat.readAll();
  const qsizetype end = line.lastIndexOf(')');  // the name may hold blanks and ')'
  return end < 0 || line.mid(end + 2, 1) != "Z";
}

QString serverNameFor(qint64 pid) {
  const QByteArray scope = QCryptographicHash::hash(registryDir().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
  return QString("qdc-%1-%2").arg(QString::fromLatin1(scope)).arg(pid);
}

struct Registration {
  QString file;
  QLocalServer* server = nullptr;
  std::function<void()> activate;
};
Registration* g_registration = nullptr;

void unregister() {
  if (g_registration) QFile::remove(g_registration->file);
}

struct Entry {
  RunningApplication app;
  QString file;
};

QList<Entry> registeredApplications() {
  QList<Entry> out;
  QDir dir(registryDir());
  for (const QString& name : dir.entryList({"*.plist"}, QDir::Files)) {
    const QString file = dir.filePath(name);
    auto d = plist::readDictionary(file);
    if (!d) continue;
    RunningApplication app;
    app.processIdentifier = d->value("pid").toLongLong();
    app.bundleIdentifier = d->value("bundleIdentifier").toString();
    app.bundlePath = d->value("bundlePath").toString();
    if (!alive(app.processIdentifier)) {
      QFile::remove(file);  // a process that ended without unregistering
      continue;
    }
    out.append({app, file});
  }
  return out;
}

bool askToActivate(qint64 pid) {
  QLocalSocket socket;
  socket.connectToServer(serverNameFor(pid));
  if (!socket.waitForConnected(2000)) return false;
  socket.write("activate\n");
  socket.waitForBytesWritten(2000);
  socket.disconnectFromServer();
  return true;
}

}  // namespace

Workspace& Workspace::shared() {
  static Workspace* workspace = new Workspace;
  return *workspace;
}

qint64 Workspace::currentProcessIdentifier() { return qint64(::getpid()); }

bool Workspace::openURL(const QUrl& url) {
  if (!url.isValid() || url.isEmpty()) return false;
  if (auto world = world::Layout::current()) {
    if (world::urlShouldFailToOpen(*world, url.scheme())) return false;
    world::recordOpened(*world, "url", url.toString(QUrl::FullyEncoded));
    return true;
  }
  return QProcess::startDetached("xdg-open", {url.toString()});
}

bool Workspace::openFile(const QString& macPath) {
  if (macPath.isEmpty() || !QFileInfo::exists(hostPath(macPath))) return false;
  if (auto world = world::Layout::current()) {
    world::recordOpened(*world, "file", macPath);
    return true;
  }
  return QProcess::startDetached("xdg-open", {macPath});
}

bool Workspace::selectFile(const QString& macPath) {
  if (macPath.isEmpty() || !QFileInfo::exists(hostPath(macPath))) return false;
  if (auto world = world::Layout::current()) {
    world::recordOpened(*world, "reveal", macPath);
    return true;
  }
  // The freedesktop file-manager interface selects the item; without a session
  // bus or a file manager that serves it, the folder that holds it is opened.
  const QString uri = QUrl::fromLocalFile(macPath).toString(QUrl::FullyEncoded);
  const int status = QProcess::execute(
      "dbus-send", {"--session", "--print-reply", "--reply-timeout=2000",
                   "--dest=org.freedesktop.FileManager1",
                    "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1.ShowItems",
                    "array:string:" + uri, "string:"});
  if (status == 0) return true;
  return QProcess::startDetached("xdg-open", {QFileInfo(macPath).absolutePath()});
}

bool Workspace::launchApplication(const QString& bundlePath) {
  const QString abs = QDir(bundlePath).absolutePath();
  if (!QFileInfo(abs).isDir()) return false;
  if (auto world = world::Layout::current()) world::recordOpened(*world, "application", abs);
  // Already running: bring that instance to the front.
  for (const Entry& e : registeredApplications()) {
    if (QDir(e.app.bundlePath).absolutePath() == abs && e.app.processIdentifier != currentProcessIdentifier())
      if (askToActivate(e.app.processIdentifier)) return true;
  }
  const QString exe = Bundle(abs).executablePath();
  if (!QFileInfo(exe).isExecutable()) return false;
  return QProcess::startDetached(exe, {}, QFileInfo(exe).absolutePath());
}

void Workspace::registerCurrentApplication(const QString& bundleIdentifier, const QString& bundlePath,
                                           std::function<void()> activate) {
  if (g_registration) return;
  QDir().mkpath(registryDir());
  g_registration = new Registration;
  g_registration->activate = std::move(activate);
  const qint64 pid = currentProcessIdentifier();
  g_registration->file = registryDir() + "/" + QString::number(pid) + ".plist";
  plist::writeFile(g_registration->file, QVariantMap{{"pid", pid},
                                                     {"bundleIdentifier", bundleIdentifier},
                                                     {"bundlePath", QDir(bundlePath).absolutePath()}});
  std::atexit(unregister);
  if (QCoreApplication::instance()) {
    auto* server = new QLocalServer(QCoreApplication::instance());
    QLocalServer::removeServer(serverNameFor(pid));
    if (server->listen(serverNameFor(pid))) {
      QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* s = server->nextPendingConnection()) {
          QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
          if (g_registration && g_registration->activate) g_registration->activate();
        }
      });
    }
    g_registration->server = server;
  }
}

ApplicationRegistryLock::ApplicationRegistryLock() {
  QDir().mkpath(registryDir());
  const QByteArray path = QFile::encodeName(registryDir() + "/.lock");
  fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

ApplicationRegistryLock::~ApplicationRegistryLock() {
  if (fd_ >= 0) ::close(fd_);
}

QList<RunningApplication> Workspace::runningApplicationsWithBundleIdentifier(const QString& identifier) const {
  QList<RunningApplication> out;
  for (const Entry& e : registeredApplications())
    if (e.app.bundleIdentifier == identifier) out.append(e.app);
  return out;
}

}  // namespace platform
