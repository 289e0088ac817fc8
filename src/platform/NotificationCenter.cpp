#include "platform/NotificationCenter.h"

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter;
  return *center;
}

int NotificationCenter::addObserver(QObject* owner, const QString& name, Handler handler) {
  std::lock_guard lock(mutex_);
  const int token = next_++;
  entries_.push_back({token, owner, name, std::move(handler)});
  if (owner) {
    QObject::connect(owner, &QObject::destroyed, [this, token] { removeObserver(token); });
  }
  return token;
}

void NotificationCenter::removeObserver(int token) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::removeObserver(QObject* owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [owner](const Entry& e) { return e.owner == owner; });
}

void NotificationCenter::postNotificationName(const QString& name, const QVariant& object) {
  // Copy the handlers first: an observer may add or remove observers.
  std::vector<std::pair<int, Handler>> targets;
  {
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_)
      if (e.name == name) targets.emplace_back(e.token, e.handler);
  }
  for (auto& [token, handler] : targets) {
    bool alive = false;
    {
      std::lock_guard lock(mutex_);
      for (const Entry& e : entries_)
        if (e.token == token) alive = true;
    }
    if (alive) handler(object);
  }
}

int NotificationCenter::observerCount(const QString& name) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const Entry& e : entries_)
    if (e.name == name) ++n;
  return n;
}

}  // namespace platform
