#include "platform/Power.h"

#include "world/lib/Layout.h"
#include "platform/plist/PropertyList.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <mutex>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace platform {
namespace {

std::mutex g_mutex;
uint32_t g_next = 1;
QMap<uint32_t, QProcess*> g_inhibitors;

QString worldRecord(const world::Layout& w, uint32_t id) {
  return w.powerDir() + QString("/%1-%2.plist").arg(::getpid()).arg(id);
}

}  // namespace

bool IOPMAssertionCreateWithName(const QString& type, int level, const QString& name, uint32_t* assertionID) {
  if (type.isEmpty() || level <= 0) return false;
  std::lock_guard lock(g_mutex);
  const uint32_t id = g_next++;
  if (auto w = world::Layout::current()) {
    if (!plist::writeFile(worldRecord(*w, id), QVariantMap{{"type", type}, {"level", level},
                                                           {"name", name}, {"pid", qint64(::getpid())}}))
      return false;
  } else {
    const QString inhibit = QStandardPaths::findExecutable("systemd-inhibit");
    if (inhibit.isEmpty()) return false;
    auto* p = new QProcess;
    // The inhibitor must not outlive this process, however it ends: it is killed
    // when its parent dies, and the command it holds the lock for is `cat` on a
    // pipe whose writing end only this process holds, so it ends at its EOF.
    const pid_t parent = ::getpid();
    p->setChildProcessModifier([parent] {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(0);
    });
    p->start(inhibit, {"--what=idle", "--who=Quorvan Disk Clone", "--why=" + name, "cat"});
    if (!p->waitForStarted(2000)) {
      delete p;
      return false;
    }
    g_inhibitors.insert(id, p);
  }
  if (assertionID) *assertionID = id;
  return true;
}

void IOPMAssertionRelease(uint32_t assertionID) {
  std::lock_guard lock(g_mutex);
  if (auto w = world::Layout::current()) QFile::remove(worldRecord(*w, assertionID));
  if (QProcess* p = g_inhibitors.take(assertionID)) {
    p->kill();
    p->waitForFinished(1000);
    delete p;
  }
}

}  // namespace platform
