#pragma once
// The world's disk database: whole disks, their partitions, APFS containers and
// volumes, as a Mac's disk arbitration sees them. Kept in state/disks.plist and
// changed only under the database lock, so several tools can run at once.
//
// A volume's files are a real folder: root/<mount point> while it is mounted,
// state/volumes/<VolumeUUID> while it is not.
#include "world/lib/Layout.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace world {

enum class MediaKind { Whole, Partition, Container, Volume };

struct Media {
  QString id;  // BSD name: disk0, disk0s2, disk1s1
  MediaKind kind = MediaKind::Whole;
  QString parent;   // partition: its whole disk; APFS volume: its container
  qint64 size = 0;  // bytes; an APFS volume shares its container's size
  QString content;  // partition scheme, partition type or APFS role content
  QString uuid;     // DiskUUID (partition or APFS volume); container: its UUID

  // Whole (physical or image) disks.
  QString bus;  // "PCI-Express", "SATA", "USB", "Secure Digital", "Disk Image"
  bool internal = false;
  bool removable = false;
  bool ejectable = false;
  bool solidState = false;
  bool virtualDisk = false;
  bool writableMedia = true;
  QString mediaName;  // "SanDisk Ultra"
  QString imagePath;  // disk image: host path of the image file

  // Container: the partition that holds it.
  QString physicalStore;

  // File system, on a partition or an APFS volume; fs empty: none.
  QString fs;           // "apfs", "hfs", "msdos", "exfat", "ntfs"
  QString personality;  // "APFS", "Journaled HFS+", "HFS+", "MS-DOS FAT32", "ExFAT", "NTFS"
  QString volumeName;
  QString volumeUUID;
  QString role;        // APFS role: System, Data, Preboot, Recovery, VM
  QString mountPoint;  // Mac path; empty while unmounted
  QString fixedMountPoint;  // where it always mounts ("/", "/System/Volumes/Data")
  bool readOnly = false;    // NTFS, the sealed system volume
  bool startup = false;     // the volume mounted at "/"
  bool remount = false;     // a detached disk's volume that was mounted
  int mounts = 0;           // how often it was mounted: tells a remount from no change

  bool hasFileSystem() const { return !fs.isEmpty(); }
  bool mounted() const { return !mountPoint.isEmpty(); }
  bool isWhole() const { return kind == MediaKind::Whole || kind == MediaKind::Container; }

  QVariantMap toMap() const;
  static Media fromMap(const QVariantMap& map);
};

// File-system personalities diskutil knows; nothing for an unknown name.
struct Personality {
  QString fs;           // "hfs"
  QString name;         // "Journaled HFS+"
  QString userVisible;  // "Mac OS Extended (Journaled)"
  QString partitionType;  // "Apple_HFS"
};
std::optional<Personality> personalityNamed(const QString& name);
Personality personalityOf(const Media& volume);

class DiskDatabase {
 public:
  explicit DiskDatabase(Layout layout) : layout_(std::move(layout)) {}

  // Reads the database (no lock: a consistent snapshot, the file is replaced atomically).
  bool load();
  // Runs `change` on a fresh copy under the lock and writes it when it returns true.
  bool modify(const std::function<bool(DiskDatabase&)>& change);

  const Layout& layout() const { return layout_; }
  QList<Media>& media() { return media_; }
  const QList<Media>& media() const { return media_; }
  QVariantList& detached() { return detached_; }

  Media* find(const QString& id);
  const Media* find(const QString& id) const;
  // A disk by BSD name, /dev node, UUID, mount point, path on a volume or volume name.
  const Media* resolve(const QString& target) const;
  // The volume holding the Mac path (longest mount point prefix); "/" at the last.
  const Media* volumeForPath(const QString& macPath) const;

  QList<const Media*> children(const QString& id) const;  // partitions or APFS volumes
  // The physical whole disk under a medium (a container leads to its store's disk).
  const Media* physicalDisk(const Media& m) const;
  // Whole disk that a partition or APFS volume belongs to (itself for whole disks).
  const Media* wholeDisk(const Media& m) const;
  const Media* containerOfStore(const QString& partitionId) const;
  // True when `m` is, holds or lies on the disk that holds "/".
  bool holdsStartup(const Media& m) const;

  QString nextDiskId() const;  // smallest free diskN
  QString nextSliceId(const QString& wholeId) const;
  // All BSD names in diskutil order (disk0, disk0s1, disk0s2, disk1, ...).
  QStringList orderedIds() const;
  QStringList wholeDiskIds() const;

  // Host folder of a volume's files.
  QString contentDir(const Media& volume) const;
  qint64 usedBytes(const Media& volume) const;
  qint64 containerUsed(const Media& container) const;
  qint64 freeBytes(const Media& volume) const;
  qint64 capacity(const Media& volume) const;
  bool writable(const Media& volume) const;

  // Mount changes move folders; call inside modify().
  bool mountVolume(Media& volume, QString* error);
  bool unmountVolume(Media& volume, QString* error, bool force = false);
  // Empties a volume's files and gives it a new name and file system.
  bool eraseVolume(Media& volume, const Personality& p, const QString& name, QString* error);
  void removeMediaTree(const QString& id);  // a whole disk with its partitions and containers

 private:
  Layout layout_;
  QList<Media> media_;
  QVariantList detached_;
  friend bool saveDatabase(const DiskDatabase&);
};

bool saveDatabase(const DiskDatabase& db);

// Mount point folder name for a volume name ("/" is not allowed in a folder name).
QString mountFolderName(const QString& volumeName);
QString newUuid();
// Bytes held by a host folder (regular files' sizes, symbolic links not followed);
// `skip` lists host paths left out.
qint64 folderBytes(const QString& hostDir, const QStringList& skip = {});
// Natural order of BSD names: disk2 < disk2s1 < disk2s10 < disk10.
bool bsdLess(const QString& a, const QString& b);

// An exclusive lock on a file, across processes and threads (flock).
class FileLock {
 public:
  explicit FileLock(const QString& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace world
