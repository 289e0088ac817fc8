#include "platform/VolumeWatch.h"

#include "platform/Paths.h"
#include "platform/SystemWorld.h"
#include "world/lib/Disks.h"

#include <QDir>
#include <QUrl>

namespace platform {

namespace {

QVariantMap userInfo(const QString& name) {
  const QString path = "/Volumes/" + name;
  return QVariantMap{{NSDevicePath, path},
                     {NSWorkspaceVolumeLocalizedNameKey, name},
                     {NSWorkspaceVolumeURLKey, QUrl::fromLocalFile(path)}};
}

}  // namespace

VolumeWatch::VolumeWatch(QObject* parent) : QObject(parent), folder_(hostPath("/Volumes")) {
  known_ = entries();
  if (QDir(folder_).exists()) watcher_.addPath(folder_);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { rescan(); });
  poll_.setInterval(500);
  connect(&poll_, &QTimer::timeout, this, [this] {
    if (watcher_.directories().isEmpty() && QDir(folder_).exists()) watcher_.addPath(folder_);
    rescan();
  });
  poll_.start();
}

// Entry names, each with the mount count the world keeps for it, so a volume
// unmounted and mounted again between two looks still reports both events.
QSet<QString> VolumeWatch::entries() const {
  QHash<QString, int> mounts;
  if (auto db = systemWorldDisks())
    for (const world::Media& m : db->media())
      if (m.mounted() && m.mountPoint.startsWith("/Volumes/")) mounts.insert(m.mountPoint.mid(9), m.mounts);
  QSet<QString> set;
  const QStringList names =
      QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& n : names)
    if (n != ".DS_Store") set.insert(n + QChar('\t') + QString::number(mounts.value(n)));
  return set;
}

QStringList VolumeWatch::mountedVolumes() const {
  QStringList out;
  for (const QString& n : entries()) out << "/Volumes/" + n.section(QChar('\t'), 0, 0);
  out.sort();
  return out;
}

void VolumeWatch::rescan() {
  const QSet<QString> now = entries();
  QStringList gone, came;
  for (const QString& n : known_)
    if (!now.contains(n)) gone << n;
  for (const QString& n : now)
    if (!known_.contains(n)) came << n;
  known_ = now;
  gone.sort();
  came.sort();
  for (const QString& n : gone) Q_EMIT didUnmount(userInfo(n.section(QChar('\t'), 0, 0)));
  for (const QString& n : came) Q_EMIT didMount(userInfo(n.section(QChar('\t'), 0, 0)));
}

}  // namespace platform
