#include "platform/Jobs.h"

#include "platform/Queue.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <map>
#include <mutex>
#include <set>

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

void endRunningJobs() {
  std::set<int> stopped;
  // Workers hand their last reports and the ends of their children (pipe and
  // process notifications) to the main thread, so it keeps serving while it waits.
  for (;;) {
    const bool busy = stopBusy(stopped);
    if (!busy && globalQueueIdle()) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (busy || !globalQueueIdle()) waitForGlobalQueue(20);
  }
  // The stopped jobs' last reports, posted as they ended, still reach the screens.
  QCoreApplication::processEvents();
}

}  // namespace platform
