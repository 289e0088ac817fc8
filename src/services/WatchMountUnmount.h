#pragma once
// The mount watcher: turns the workspace's mount and unmount notifications into
// "MCVolumeMount" / "MCVolumeUnmount" on the default notification centre, on the
// main thread. The notification's value is the workspace notification's user
// information (platform::NSDevicePath holds the volume's Mac path), plus
// kMCVolumeWatcherKey holding the watcher itself (QObject*), which on a Mac is
// the notification's object.
#include <QObject>
#include <QVariantMap>
#include <memory>

#include "platform/VolumeWatch.h"

inline constexpr const char* MCVolumeMountNotification = "MCVolumeMount";
inline constexpr const char* MCVolumeUnmountNotification = "MCVolumeUnmount";
inline constexpr const char* kMCVolumeWatcherKey = "MCVolumeWatcher";

class WatchMountUnmount : public QObject {
  Q_OBJECT
 public:
  // Registers at once (init).
  explicit WatchMountUnmount(QObject* parent = nullptr);
  ~WatchMountUnmount() override;

  void mountedVolume(const QVariantMap& userInfo);
  void unmountedVolume(const QVariantMap& userInfo);

  platform::VolumeWatch* wsnc() const { return wsnc_.get(); }

 private:
  void registerNotifications();
  void post(const char* name, const QVariantMap& userInfo);

  std::unique_ptr<platform::VolumeWatch> wsnc_;
};
