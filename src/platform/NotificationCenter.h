#pragma once
// In-process notifications by name ("UPDATE_LANGUAGE", "MCVolumeMount", …).
// Observers run synchronously on the posting thread, in the order they were added.
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <mutex>
#include <vector>

namespace platform {

class NotificationCenter {
 public:
  using Handler = std::function<void(const QVariant& object)>;
  static NotificationCenter& defaultCenter();

  // `owner` ends the observation when it is destroyed; returns a token.
  int addObserver(QObject* owner, const QString& name, Handler handler);
  void removeObserver(int token);
  void removeObserver(QObject* owner);
  void postNotificationName(const QString& name, const QVariant& object = QVariant());
  int observerCount(const QString& name) const;

 private:
  struct Entry { int token; QObject* owner; QString name; Handler handler; };
  mutable std::recursive_mutex mutex_;
  std::vector<Entry> entries_;
  int next_ = 1;
};

}  // namespace platform
