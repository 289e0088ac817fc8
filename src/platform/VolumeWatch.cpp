#include "platform/VolumeWatch.h"

#include "platform/Paths.h"
#include "platform/Queue.h"
#include "platform/SystemWorld.h"
#include "world/lib/Disks.h"

#include <QDir>
#include <QPointer>
#include <QUrl>
#include <optional>

namespace platform {

namespace {

QVariantMap userInfo(const QString& name) {
  const QString path = "/Volumes/" + name;
  return QVariantMap{{NSDevicePath, path},
                     {NSWorkspaceVolumeLocalizedNameKey, name},
                     {NSWorkspaceVolumeURLKey, QUrl::fromLocalFile(path)}};
}

QString nameOf(const QString& entry) { return entry.section(QChar('\t'), 0, 0); }

// Entry names, each with the mount count the world keeps for it, so a volume
// unmounted and mounted again between two looks still reports both events.
QSet<QString> readEntries(const QString& folder, const std::optional<world::Layout>& layout) {
  QHash<QString, int> mounts;
  if (layout) {
    world::DiskDatabase db(*layout);
    if (db.load())
      for (const world::Media& m : db.media())
        if (m.mounted() && m.mountPoint.startsWith("/Volumes/")) mounts.insert(m.mountPoint.mid(9), m.mounts);
  }
  QSet<QString> set;
  const QStringList names =
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& n : names)
    if (n != ".DS_Store") set.insert(n + QChar('\t') + QString::number(mounts.value(n)));
  return set;
}

}  // namespace

VolumeWatch::VolumeWatch(QObject* parent, ChangeEvents events, LookObserver observer)
    : QObject(parent), folder_(hostPath("/Volumes")), events_(events), observer_(std::move(observer)) {
  // A mount rewrites the disk database after it has moved the volume's folder,
  // so the database's folder is watched too: a look that came too early is
  // followed by one that sees the new mount count.
  world_ = systemWorld();
  // The starting point is read once, here, so that nothing mounted after the
  // watch was made can pass as already known.
  known_ = readEntries(folder_, world_);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
  poll_.setInterval(kPollIntervalMs);
  connect(&poll_, &QTimer::timeout, this, [this] {
    if (watchFolders()) poll_.stop();
    startLook();
  });
  if (!watchFolders()) poll_.start();
}

VolumeWatch::~VolumeWatch() { pool_.waitForDone(); }

// True when every folder is under watch (a folder made or removed since is
// taken up or dropped here).
bool VolumeWatch::watchFolders() {
  if (events_ == ChangeEvents::Ignore) return false;
  bool all = true;
  const QString diskFolder = world_ ? world_->state() : QString();
  for (const QString& folder : {folder_, diskFolder}) {
    if (folder.isEmpty() || watcher_.directories().contains(folder)) continue;
    if (!QDir(folder).exists() || !watcher_.addPath(folder)) all = false;
  }
  return all;
}

void VolumeWatch::changed() {
  // A watched folder that went is no longer watched: look by the timer until it is back.
  if (!poll_.isActive() && !watchFolders()) poll_.start();
  startLook();
}

void VolumeWatch::startLook() {
  if (looking_) {
    lookAgain_ = true;
    return;
  }
  looking_ = true;
  pool_.async([self = QPointer<VolumeWatch>(this), folder = folder_, layout = world_, observer = observer_] {
    if (observer) observer();
    const QSet<QString> now = readEntries(folder, layout);
    dispatchMain([self, now] {
      if (self) self->lookEnded(now);
    });
  });
}

void VolumeWatch::lookEnded(const QSet<QString>& now) {
  looking_ = false;
  QStringList gone, came;
  for (const QString& n : known_)
    if (!now.contains(n)) gone << n;
  for (const QString& n : now)
    if (!known_.contains(n)) came << n;
  known_ = now;
  gone.sort();
  came.sort();
  // A receiver may drop the watch.
  const QPointer<VolumeWatch> self(this);
  for (const QString& n : gone) {
    Q_EMIT didUnmount(userInfo(nameOf(n)));
    if (!self) return;
  }
  for (const QString& n : came) {
    Q_EMIT didMount(userInfo(nameOf(n)));
    if (!self) return;
  }
  if (lookAgain_) {
    lookAgain_ = false;
    startLook();
  }
}

QStringList VolumeWatch::mountedVolumes() const {
  QStringList out;
  for (const QString& n : known_) out << "/Volumes/" + nameOf(n);
  out.sort();
  return out;
}

}  // namespace platform
