#pragma once
// The workspace's mount and unmount notifications (NSWorkspaceDidMountNotification,
// NSWorkspaceDidUnmountNotification): a watch on the Volumes folder ("/Volumes",
// in a world the world's). Signals come on the thread the watch lives on (the
// main thread) with the notification's user information.
#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QVariantMap>

namespace platform {

// User-information keys of the notifications.
inline constexpr const char* NSDevicePath = "NSDevicePath";  // "/Volumes/USB Stick"
inline constexpr const char* NSWorkspaceVolumeLocalizedNameKey = "NSWorkspaceVolumeLocalizedNameKey";
inline constexpr const char* NSWorkspaceVolumeURLKey = "NSWorkspaceVolumeURLKey";  // QUrl

class VolumeWatch : public QObject {
  Q_OBJECT
 public:
  explicit VolumeWatch(QObject* parent = nullptr);
  // Mac paths of the entries of the Volumes folder now.
  QStringList mountedVolumes() const;

 Q_SIGNALS:
  void didMount(const QVariantMap& userInfo);
  void didUnmount(const QVariantMap& userInfo);

 private:
  void rescan();
  QSet<QString> entries() const;
  QString folder_;  // host path
  QFileSystemWatcher watcher_;
  QTimer poll_;     // a fallback for file systems without change events
  QSet<QString> known_;
};

}  // namespace platform
