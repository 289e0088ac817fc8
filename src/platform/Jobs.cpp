#include "platform/Jobs.h"

#include "platform/Queue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <csignal>
#include <map>
#include <mutex>
#include <set>
#include <unistd.h>

#include "platform/SystemLog.h"

namespace platform {
namespace {

struct Owner {
  std::function<bool()> busy;
  std::function<void()> stop;
};

struct Registry {
  std::recursive_mutex mutex;
  std::map<int, Owner> owners;
  int nextId = 1;
};

Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

// Stops the busy owners not stopped yet; true while any is busy.
bool stopBusy(std::set<int>& stopped) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  bool anyBusy = false;
  for (auto& [id, owner] : r.owners) {
    if (!owner.busy()) continue;
    anyBusy = true;
    if (stopped.insert(id).second) owner.stop();
  }
  return anyBusy;
}

// Every process below this one, read from /proc: a child that ignores its stop
// may have children of its own, and all of them hold the job open.
std::vector<pid_t> descendants() {
  std::map<pid_t, pid_t> parentOf;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool ok = false;
    const pid_t pid = pid_t(entry.toInt(&ok));
    if (!ok || pid <= 0) continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = stat.readAll();
    // "pid (comm) state ppid …": the name may hold spaces and parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1) parentOf[pid] = pid_t(fields[1].toInt());
  }
  std::vector<pid_t> out;
  std::set<pid_t> below{::getpid()};
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : parentOf) {
      if (below.count(parent) && below.insert(pid).second) {
        out.push_back(pid);
        grew = true;
      }
    }
  }
  return out;
}

void signalDescendants(int signal) {
  for (pid_t pid : descendants()) ::kill(pid, signal);
}

}  // namespace

JobOwnerRegistration::JobOwnerRegistration(std::function<bool()> busy, std::function<void()> stop) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  id_ = r.nextId++;
  r.owners[id_] = Owner{std::move(busy), std::move(stop)};
}

JobOwnerRegistration::~JobOwnerRegistration() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.owners.erase(id_);
}

void endRunningJobs(std::chrono::milliseconds bound, std::chrono::milliseconds grace) {
  std::set<int> stopped;
  QElapsedTimer clock;
  clock.start();
  const auto past = [&clock](std::chrono::milliseconds t) { return clock.elapsed() >= t.count(); };
  bool terminated = false, killed = false;
  // Workers hand their last reports and the ends of their children (pipe and
  // process notifications) to the main thread, so it keeps serving while it waits.
  for (;;) {
    const bool busy = stopBusy(stopped);
    if (!busy && globalQueueIdle()) break;
    // A child that does not end after its stop is ended here, so quitting never
    // waits for it without limit.
    if (!terminated && past(bound)) {
      terminated = true;
      SystemLog("quit: a stopped job still runs; its child processes are terminated");
      signalDescendants(SIGTERM);
    } else if (terminated && !killed && past(bound + grace)) {
      killed = true;
      SystemLog("quit: child processes still run; they are killed");
      signalDescendants(SIGKILL);
    } else if (killed && past(bound + 2 * grace)) {
      SystemLog("quit: a job did not end after its children were killed");
      break;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (busy || !globalQueueIdle()) waitForGlobalQueue(20);
  }
  // The stopped jobs' last reports, posted as they ended, still reach the screens.
  QCoreApplication::processEvents();
}

}  // namespace platform
