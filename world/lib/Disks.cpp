#include "world/lib/Disks.h"

#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace world {

namespace {

const char* kindName(MediaKind k) {
  switch (k) {
    case MediaKind::Whole: return "whole";
    case MediaKind::Partition: return "partition";
    case MediaKind::Container: return "container";
    case MediaKind::Volume: return "volume";
  }
  return "whole";
}

MediaKind kindFrom(const QString& s) {
  if (s == "partition") return MediaKind::Partition;
  if (s == "container") return MediaKind::Container;
  if (s == "volume") return MediaKind::Volume;
  return MediaKind::Whole;
}

bool lexists(const QString& hostPath) {
  struct stat st;
  return ::lstat(QFile::encodeName(hostPath).constData(), &st) == 0;
}

QString canonical(const QString& hostPath) {
  const QString c = QFileInfo(hostPath).canonicalFilePath();
  return c.isEmpty() ? QDir::cleanPath(hostPath) : c;
}

qint64 walk(const QByteArray& dir, const QList<QByteArray>& skip) {
  DIR* d = ::opendir(dir.constData());
  if (!d) return 0;
  qint64 total = 0;
  while (dirent* e = ::readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    QByteArray path = dir;
    if (!path.endsWith('/')) path += '/';
    path += n;
    if (skip.contains(path)) continue;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) continue;
    if (S_ISREG(st.st_mode))
      total += st.st_size;
    else if (S_ISDIR(st.st_mode))
      total += walk(path, skip);
  }
  ::closedir(d);
  return total;
}

}  // namespace

QVariantMap Media::toMap() const {
  QVariantMap m{{"id", id},
                {"kind", kindName(kind)},
                {"parent", parent},
                {"size", size},
                {"content", content},
                {"uuid", uuid}};
  if (kind == MediaKind::Whole) {
    m.insert("bus", bus);
    m.insert("internal", internal);
    m.insert("removable", removable);
    m.insert("ejectable", ejectable);
    m.insert("solidState", solidState);
    m.insert("virtual", virtualDisk);
    m.insert("writableMedia", writableMedia);
    m.insert("mediaName", mediaName);
    if (!imagePath.isEmpty()) m.insert("imagePath", imagePath);
  }
  if (!physicalStore.isEmpty()) m.insert("physicalStore", physicalStore);
  if (!fs.isEmpty()) {
    m.insert("fs", fs);
    m.insert("personality", personality);
    m.insert("volumeName", volumeName);
    m.insert("volumeUUID", volumeUUID);
    m.insert("role", role);
    m.insert("mountPoint", mountPoint);
    m.insert("fixedMountPoint", fixedMountPoint);
    m.insert("readOnly", readOnly);
    m.insert("startup", startup);
    if (remount) m.insert("remount", true);
    m.insert("mounts", mounts);
  }
  return m;
}

Media Media::fromMap(const QVariantMap& m) {
  Media x;
  x.id = m.value("id").toString();
  x.kind = kindFrom(m.value("kind").toString());
  x.parent = m.value("parent").toString();
  x.size = m.value("size").toLongLong();
  x.content = m.value("content").toString();
  x.uuid = m.value("uuid").toString();
  x.bus = m.value("bus").toString();
  x.internal = m.value("internal").toBool();
  x.removable = m.value("removable").toBool();
  x.ejectable = m.value("ejectable").toBool();
  x.solidState = m.value("solidState").toBool();
  x.virtualDisk = m.value("virtual").toBool();
  x.writableMedia = m.value("writableMedia", true).toBool();
  x.mediaName = m.value("mediaName").toString();
  x.imagePath = m.value("imagePath").toString();
  x.physicalStore = m.value("physicalStore").toString();
  x.fs = m.value("fs").toString();
  x.personality = m.value("personality").toString();
  x.volumeName = m.value("volumeName").toString();
  x.volumeUUID = m.value("volumeUUID").toString();
  x.role = m.value("role").toString();
  x.mountPoint = m.value("mountPoint").toString();
  x.fixedMountPoint = m.value("fixedMountPoint").toString();
  x.readOnly = m.value("readOnly").toBool();
  x.startup = m.value("startup").toBool();
  x.remount = m.value("remount").toBool();
  x.mounts = m.value("mounts").toInt();
  return x;
}

std::optional<Personality> personalityNamed(const QString& name) {
  const QString n = name.trimmed().toLower();
  if (n == "apfs" || n == "apfsi") return Personality{"apfs", "APFS", "APFS", "Apple_APFS"};
  if (n == "jhfs+" || n == "journaled hfs+" || n == "hfs+j" || n == "mac os extended (journaled)")
    return Personality{"hfs", "Journaled HFS+", "Mac OS Extended (Journaled)", "Apple_HFS"};
  if (n == "hfs+" || n == "mac os extended")
    return Personality{"hfs", "HFS+", "Mac OS Extended", "Apple_HFS"};
  if (n == "ms-dos fat32" || n == "fat32" || n == "ms-dos" || n == "msdos" || n == "ms-dos (fat32)")
    return Personality{"msdos", "MS-DOS FAT32", "MS-DOS (FAT32)", "Microsoft Basic Data"};
  if (n == "exfat") return Personality{"exfat", "ExFAT", "ExFAT", "Microsoft Basic Data"};
  return std::nullopt;
}

Personality personalityOf(const Media& v) {
  if (v.fs == "ntfs") return {"ntfs", "NTFS", "Windows NT File System (NTFS)", "Windows_NTFS"};
  if (auto p = personalityNamed(v.personality)) return *p;
  return {v.fs, v.personality, v.personality, v.content};
}

QString mountFolderName(const QString& volumeName) {
  QString n = volumeName;
  n.replace('/', ':');
  return n.isEmpty() ? QStringLiteral("Untitled") : n;
}

QString newUuid() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

qint64 folderBytes(const QString& hostDir, const QStringList& skip) {
  QList<QByteArray> s;
  for (const QString& p : skip) s << QFile::encodeName(QDir::cleanPath(p));
  return walk(QFile::encodeName(QDir::cleanPath(hostDir)), s);
}

bool bsdLess(const QString& a, const QString& b) {
  static const QRegularExpression re("^disk(\\d+)(?:s(\\d+))?(?:s(\\d+))?$");
  auto key = [](const QString& s) {
    auto m = re.match(s);
    if (!m.hasMatch()) return std::make_tuple(1 << 30, -1, -1, s);
    return std::make_tuple(m.captured(1).toInt(), m.captured(2).isEmpty() ? -1 : m.captured(2).toInt(),
                           m.captured(3).isEmpty() ? -1 : m.captured(3).toInt(), QString());
  };
  return key(a) < key(b);
}

FileLock::FileLock(const QString& path) {
  fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

namespace {

// The program looks at its disks many times a second and each look reads the
// database again; parsing it is what costs. Each thread keeps its last parse
// with the exact bytes it came from, so a changed file is always parsed anew;
// per thread, as the parsed records share their text implicitly and must not
// be handed between threads.
struct LastParse {
  QString path;
  QByteArray bytes;
  QList<Media> media;
  QVariantList detached;
};
thread_local LastParse lastParse;

}  // namespace

bool DiskDatabase::load() {
  media_.clear();
  detached_.clear();
  QFile file(layout_.disksFile());
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (!bytes.isEmpty() && lastParse.path == file.fileName() && lastParse.bytes == bytes) {
    media_ = lastParse.media;
    detached_ = lastParse.detached;
    return true;
  }
  auto d = plist::dictionaryFromData(bytes);
  if (!d) return false;
  for (const QVariant& v : d->value("Media").toList()) media_ << Media::fromMap(v.toMap());
  detached_ = d->value("Detached").toList();
  lastParse = LastParse{file.fileName(), bytes, media_, detached_};
  return true;
}

bool saveDatabase(const DiskDatabase& db) {
  QVariantList list;
  for (const Media& m : db.media_) list << m.toMap();
  return plist::writeFile(db.layout_.disksFile(), QVariantMap{{"Media", list}, {"Detached", db.detached_}});
}

bool DiskDatabase::modify(const std::function<bool(DiskDatabase&)>& change) {
  QDir().mkpath(layout_.state());
  FileLock lock(layout_.lockFile());
  load();
  if (!change(*this)) return false;
  return saveDatabase(*this);
}

Media* DiskDatabase::find(const QString& id) {
  for (Media& m : media_)
    if (m.id == id) return &m;
  return nullptr;
}

const Media* DiskDatabase::find(const QString& id) const {
  for (const Media& m : media_)
    if (m.id == id) return &m;
  return nullptr;
}

const Media* DiskDatabase::resolve(const QString& target) const {
  if (target.isEmpty()) return nullptr;
  QString t = target;
  if (t.startsWith("/dev/r")) t = t.mid(6);
  else if (t.startsWith("/dev/")) t = t.mid(5);
  if (const Media* m = find(t)) return m;
  for (const Media& m : media_) {
    if (!m.uuid.isEmpty() && m.uuid.compare(target, Qt::CaseInsensitive) == 0) return &m;
    if (!m.volumeUUID.isEmpty() && m.volumeUUID.compare(target, Qt::CaseInsensitive) == 0) return &m;
  }
  if (target.startsWith('/') && !target.startsWith("/dev/")) {
    const QString clean = QDir::cleanPath(target);
    for (const Media& m : media_)
      if (m.mounted() && m.mountPoint == clean) return &m;
    if (lexists(layout_.root() + clean)) return volumeForPath(clean);
    return nullptr;
  }
  for (const Media& m : media_)
    if (m.hasFileSystem() && m.mounted() && m.volumeName == target) return &m;
  return nullptr;
}

const Media* DiskDatabase::volumeForPath(const QString& macPath) const {
  const QString root = canonical(layout_.root());
  QString host = canonical(layout_.root() + QDir::cleanPath("/" + macPath));
  if (host != root && !host.startsWith(root + "/")) return nullptr;
  const Media* best = nullptr;
  int bestLen = -1;
  for (const Media& m : media_) {
    if (!m.hasFileSystem() || !m.mounted()) continue;
    const QString dir = canonical(contentDir(m));
    if (host == dir || host.startsWith(dir + "/")) {
      if (dir.size() > bestLen) {
        best = &m;
        bestLen = dir.size();
      }
    }
  }
  return best;
}

QList<const Media*> DiskDatabase::children(const QString& id) const {
  QList<const Media*> out;
  for (const Media& m : media_)
    if (m.parent == id && m.id != id) out << &m;
  std::sort(out.begin(), out.end(), [](const Media* a, const Media* b) { return bsdLess(a->id, b->id); });
  return out;
}

const Media* DiskDatabase::wholeDisk(const Media& m) const {
  if (m.isWhole()) return &m;
  return find(m.parent);
}

const Media* DiskDatabase::physicalDisk(const Media& m) const {
  const Media* w = wholeDisk(m);
  for (int guard = 0; w && w->kind == MediaKind::Container && guard < 8; ++guard) {
    const Media* store = find(w->physicalStore);
    if (!store) return nullptr;
    w = wholeDisk(*store);
  }
  return w;
}

const Media* DiskDatabase::containerOfStore(const QString& partitionId) const {
  for (const Media& m : media_)
    if (m.kind == MediaKind::Container && m.physicalStore == partitionId) return &m;
  return nullptr;
}

bool DiskDatabase::holdsStartup(const Media& m) const {
  const Media* startupDisk = nullptr;
  for (const Media& v : media_)
    if (v.startup) startupDisk = physicalDisk(v);
  if (!startupDisk) return false;
  const Media* pd = physicalDisk(m);
  return pd && pd->id == startupDisk->id;
}

QString DiskDatabase::nextDiskId() const {
  for (int n = 0;; ++n) {
    const QString id = QString("disk%1").arg(n);
    bool used = false;
    for (const Media& m : media_)
      if (m.id == id || m.id.startsWith(id + "s")) used = true;
    if (!used) return id;
  }
}

QString DiskDatabase::nextSliceId(const QString& wholeId) const {
  int maxSlice = 0;
  const QString prefix = wholeId + "s";
  for (const Media& m : media_) {
    if (!m.id.startsWith(prefix)) continue;
    bool ok = false;
    const int n = m.id.mid(prefix.size()).toInt(&ok);
    if (ok) maxSlice = std::max(maxSlice, n);
  }
  return prefix + QString::number(maxSlice + 1);
}

QStringList DiskDatabase::orderedIds() const {
  QStringList ids;
  for (const Media& m : media_) ids << m.id;
  std::sort(ids.begin(), ids.end(), bsdLess);
  return ids;
}

QStringList DiskDatabase::wholeDiskIds() const {
  QStringList ids;
  for (const Media& m : media_)
    if (m.isWhole()) ids << m.id;
  std::sort(ids.begin(), ids.end(), bsdLess);
  return ids;
}

QString DiskDatabase::contentDir(const Media& v) const {
  if (v.mounted()) return v.mountPoint == "/" ? layout_.root() : layout_.root() + v.mountPoint;
  return layout_.volumesStore() + "/" + v.volumeUUID;
}

qint64 DiskDatabase::usedBytes(const Media& v) const {
  if (!v.hasFileSystem()) return 0;
  if (v.startup && v.mounted())
    return folderBytes(layout_.root(), {layout_.root() + "/Volumes", layout_.root() + "/System/Volumes"});
  return folderBytes(contentDir(v));
}

qint64 DiskDatabase::containerUsed(const Media& c) const {
  qint64 used = 0;
  for (const Media* v : children(c.id)) used += usedBytes(*v);
  return used;
}

qint64 DiskDatabase::capacity(const Media& v) const {
  if (v.kind == MediaKind::Volume) {
    const Media* c = find(v.parent);
    return c ? c->size : 0;
  }
  return v.size;
}

qint64 DiskDatabase::freeBytes(const Media& v) const {
  if (!v.hasFileSystem()) return 0;
  if (volumeIsFull(layout_, v.volumeName)) return 0;
  qint64 free = 0;
  if (v.kind == MediaKind::Volume) {
    const Media* c = find(v.parent);
    if (c) {
      if (volumeIsFull(layout_, c->id)) return 0;
      free = c->size - containerUsed(*c);
    }
  } else {
    free = v.size - usedBytes(v);
  }
  return std::max<qint64>(0, free);
}

bool DiskDatabase::writable(const Media& v) const {
  if (v.readOnly || volumeIsReadOnly(layout_, v.volumeName)) return false;
  const Media* pd = physicalDisk(v);
  return !pd || pd->writableMedia;
}

bool DiskDatabase::mountVolume(Media& v, QString* error) {
  if (!v.hasFileSystem()) {
    if (error) *error = "no file system on " + v.id;
    return false;
  }
  if (v.mounted()) return true;
  QString mp = v.fixedMountPoint;
  if (mp.isEmpty()) {
    const QString base = "/Volumes/" + mountFolderName(v.volumeName);
    mp = base;
    for (int n = 1; lexists(layout_.root() + mp); ++n) mp = base + " " + QString::number(n);
  }
  const QString target = mp == "/" ? layout_.root() : layout_.root() + mp;
  const QString store = layout_.volumesStore() + "/" + v.volumeUUID;
  QDir().mkpath(QFileInfo(target).absolutePath());
  if (QFileInfo(store).isDir()) {
    if (QFileInfo(target).isDir()) {
      // A mount point folder that is already there: empty, it makes way; a
      // filled one (the startup volume's "/") keeps its files when the store is empty.
      if (!QDir().rmdir(target) && QDir().rmdir(store)) {
        v.mountPoint = mp;
        ++v.mounts;
        return true;
      }
    }
    if (!QDir().rename(store, target)) {
      if (error) *error = "cannot mount " + v.id;
      return false;
    }
  } else if (!QDir().mkpath(target)) {
    if (error) *error = "cannot mount " + v.id;
    return false;
  }
  v.mountPoint = mp;
  ++v.mounts;
  return true;
}

bool DiskDatabase::unmountVolume(Media& v, QString* error, bool force) {
  if (!v.mounted()) return true;
  if (v.startup || (!force && holdsStartup(v) && v.mountPoint.startsWith("/System/Volumes/"))) {
    if (error) *error = "dissented by PID 0 (kernel)";
    return false;
  }
  const QString from = contentDir(v);
  const QString store = layout_.volumesStore() + "/" + v.volumeUUID;
  QDir().mkpath(layout_.volumesStore());
  if (lexists(store)) QDir(store).removeRecursively();
  if (!QDir().rename(from, store)) {
    if (error) *error = "cannot move the files of " + v.id;
    return false;
  }
  if (v.mountPoint.startsWith("/System/Volumes/")) QDir().mkpath(from);  // the firmlink folder stays
  v.mountPoint.clear();
  return true;
}

bool DiskDatabase::eraseVolume(Media& v, const Personality& p, const QString& name, QString* error) {
  const bool wasMounted = v.mounted() || v.fs.isEmpty();
  if (v.mounted() && !unmountVolume(v, error, true)) return false;
  if (!v.volumeUUID.isEmpty()) QDir(layout_.volumesStore() + "/" + v.volumeUUID).removeRecursively();
  v.fs = p.fs;
  v.personality = p.name;
  v.volumeName = name;
  v.volumeUUID = newUuid();
  if (v.kind == MediaKind::Volume)
    v.uuid = v.volumeUUID;
  else
    v.content = p.partitionType;
  v.readOnly = false;
  v.role.clear();
  v.fixedMountPoint.clear();
  QDir().mkpath(layout_.volumesStore() + "/" + v.volumeUUID);
  if (wasMounted) return mountVolume(v, error);
  return true;
}

void DiskDatabase::removeMediaTree(const QString& id) {
  QStringList doomed{id};
  for (int i = 0; i < doomed.size(); ++i) {
    for (const Media& m : media_) {
      if (doomed.contains(m.id)) continue;
      if (m.parent == doomed[i] || (m.kind == MediaKind::Container && m.physicalStore == doomed[i]))
        doomed << m.id;
    }
  }
  media_.erase(std::remove_if(media_.begin(), media_.end(),
                              [&](const Media& m) { return doomed.contains(m.id); }),
               media_.end());
}

}  // namespace world
