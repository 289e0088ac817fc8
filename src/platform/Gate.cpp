#include "platform/Gate.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

namespace platform {
namespace {

struct GateState {
  bool armed = false;
  bool reached = false;
};

std::atomic<int> armedCount{0};
std::mutex mutex;
std::condition_variable released;
QHash<QString, GateState>& table() {
  static QHash<QString, GateState> t;
  return t;
}

}  // namespace

void gatePoint(const char* name) {
  if (armedCount.load(std::memory_order_acquire) == 0) return;
  std::unique_lock lock(mutex);
  const QString key = QString::fromUtf8(name);
  auto it = table().find(key);
  if (it == table().end() || !it->armed) return;
  it->reached = true;
  released.wait(lock, [&] {
    auto now = table().find(key);
    return now == table().end() || !now->armed;
  });
}

namespace gates {

void arm(const QString& name) {
  std::lock_guard lock(mutex);
  GateState& g = table()[name];
  if (!g.armed) armedCount.fetch_add(1, std::memory_order_release);
  g = GateState{true, false};
}

bool waitReached(const QString& name, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    {
      std::lock_guard lock(mutex);
      auto it = table().find(name);
      if (it != table().end() && it->reached) return true;
    }
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

void release(const QString& name) {
  {
    std::lock_guard lock(mutex);
    auto it = table().find(name);
    if (it == table().end()) return;
    if (it->armed) armedCount.fetch_sub(1, std::memory_order_release);
    table().erase(it);
  }
  released.notify_all();
}

void releaseAll() {
  {
    std::lock_guard lock(mutex);
    for (const GateState& g : table())
      if (g.armed) armedCount.fetch_sub(1, std::memory_order_release);
    table().clear();
  }
  released.notify_all();
}

}  // namespace gates
}  // namespace platform
