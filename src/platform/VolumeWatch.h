#pragma once
// The workspace's mount and unmount notifications (NSWorkspaceDidMountNotification,
// NSWorkspaceDidUnmountNotification): a watch on the Volumes folder ("/Volumes",
// in a world the world's, and the folder of the world's disk database). Signals
// come on the thread the watch lives on (the main thread) with the notification's
// user information.
//
// Change events start each look; the look itself (the folder listing and, in a
// world, the disk database read) runs on a worker of the watch's own and its
// result comes back to the watch's thread as a queued call. Only the starting
// point is read where the watch is made, once. Only where a folder
// cannot be watched does a timer start looks, and it stops once the watch holds.
#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "platform/Queue.h"
#include "world/lib/Layout.h"

namespace platform {

// User-information keys of the notifications.
inline constexpr const char* NSDevicePath = "NSDevicePath";  // "/Volumes/USB Stick"
inline constexpr const char* NSWorkspaceVolumeLocalizedNameKey = "NSWorkspaceVolumeLocalizedNameKey";
inline constexpr const char* NSWorkspaceVolumeURLKey = "NSWorkspaceVolumeURLKey";  // QUrl

class VolumeWatch : public QObject {
  Q_OBJECT
 public:
  // Ignore: behave as on a file system without change events (looks by the timer only).
  enum class ChangeEvents { Use, Ignore };
  // Called on the worker at the start of every look.
  using LookObserver = std::function<void()>;

  explicit VolumeWatch(QObject* parent = nullptr, ChangeEvents events = ChangeEvents::Use,
                       LookObserver observer = {});
  ~VolumeWatch() override;

  // Mac paths of the entries of the Volumes folder as last reported.
  QStringList mountedVolumes() const;
  // The timer looks because change events are not to be had.
  bool pollingActive() const { return poll_.isActive(); }

  static constexpr int kPollIntervalMs = 500;

 Q_SIGNALS:
  void didMount(const QVariantMap& userInfo);
  void didUnmount(const QVariantMap& userInfo);

 private:
  bool watchFolders();
  void changed();
  void startLook();
  void lookEnded(const QSet<QString>& now);

  QString folder_;       // host path of the Volumes folder
  std::optional<world::Layout> world_;  // none outside a world
  ChangeEvents events_;
  LookObserver observer_;
  QFileSystemWatcher watcher_;
  QTimer poll_;
  QSet<QString> known_;
  bool looking_ = false;
  bool lookAgain_ = false;
  SerialQueue pool_;     // last member: waited for first when the watch goes
};

}  // namespace platform
