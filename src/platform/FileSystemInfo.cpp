#include "platform/FileSystemInfo.h"

#include "platform/Paths.h"
#include "platform/SystemWorld.h"
#include "world/lib/Disks.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace platform {

namespace {

struct Facts {
  FileSystemInfo info;
  qint64 size = 0;
  qint64 free = 0;
  qint64 number = 0;
};

std::optional<Facts> worldFacts(const QString& macPath) {
  auto disks = systemWorldDisks();
  if (!disks) return std::nullopt;
  const world::DiskDatabase& db = *disks;
  const world::Media* v = nullptr;
  if (macPath.startsWith("/dev/")) {
    v = db.resolve(macPath);
  } else {
    if (!QFileInfo::exists(hostPath(QDir::cleanPath(macPath)))) return std::nullopt;
    v = db.volumeForPath(macPath);
  }
  if (!v || !v->hasFileSystem()) return std::nullopt;
  const world::Personality p = world::personalityOf(*v);
  const world::Media* pd = db.physicalDisk(*v);
  Facts f;
  f.info.type = p.fs;
  f.info.description = p.userVisible;
  f.info.writable = v->startup ? true : db.writable(*v);
  f.info.removable = pd && pd->removable;
  f.info.unmountable = !v->startup && !db.holdsStartup(*v);
  f.size = db.capacity(*v);
  f.free = db.freeBytes(*v);
  f.number = qHash(v->volumeUUID) & 0x7fffffff;
  return f;
}

std::optional<Facts> hostFacts(const QString& path) {
  QStorageInfo s(path);
  if (!s.isValid()) return std::nullopt;
  Facts f;
  f.info.type = QString::fromUtf8(s.fileSystemType());
  f.info.description = f.info.type;
  f.info.writable = !s.isReadOnly();
  f.info.unmountable = !s.isRoot();
  f.size = s.bytesTotal();
  f.free = s.bytesAvailable();
  f.number = qHash(s.device()) & 0x7fffffff;
  return f;
}

std::optional<Facts> facts(const QString& macPath) {
  if (macPath.isEmpty()) return std::nullopt;
  return inWorld() ? worldFacts(macPath) : hostFacts(macPath);
}

}  // namespace

bool getFileSystemInfoForPath(const QString& macPath, FileSystemInfo* info) {
  auto f = facts(macPath);
  if (!f) return false;
  if (info) *info = f->info;
  return true;
}

std::optional<QVariantMap> fileSystemAttributesAtPath(const QString& macPath) {
  auto f = facts(macPath);
  if (!f) return std::nullopt;
  return QVariantMap{{NSFileSystemSize, f->size},
                     {NSFileSystemFreeSize, f->free},
                     {NSFileSystemNodes, f->size / 4096},
                     {NSFileSystemFreeNodes, f->free / 4096},
                     {NSFileSystemNumber, f->number}};
}

}  // namespace platform
