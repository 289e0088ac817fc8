#include "world/lib/Build.h"

#include <QDir>

namespace world {

namespace {

QString partitionType(const QString& scheme, const Personality& p) {
  if (p.fs == "apfs") return "Apple_APFS";
  if (p.fs == "hfs") return "Apple_HFS";
  if (scheme == "FDisk_partition_scheme") {
    if (p.fs == "msdos") return "DOS_FAT_32";
    return "Windows_NTFS";  // exFAT and NTFS share the MBR type
  }
  return "Microsoft Basic Data";
}

void dropVolumeFiles(DiskDatabase& db, Media& v) {
  QString ignored;
  if (v.mounted()) db.unmountVolume(v, &ignored, true);
  if (!v.volumeUUID.isEmpty()) QDir(db.layout().volumesStore() + "/" + v.volumeUUID).removeRecursively();
}

Media fileSystemMedia(const VolumeSpec& spec, const Personality& p) {
  Media m;
  m.fs = p.fs;
  m.personality = p.name;
  m.volumeName = spec.name;
  m.volumeUUID = spec.volumeUUID.isEmpty() ? newUuid() : spec.volumeUUID;
  m.role = spec.role;
  m.fixedMountPoint = spec.fixedMountPoint;
  m.readOnly = spec.readOnly || p.fs == "ntfs";
  m.startup = spec.fixedMountPoint == "/";
  return m;
}

std::optional<Personality> specPersonality(const VolumeSpec& spec) {
  if (spec.personality.compare("NTFS", Qt::CaseInsensitive) == 0)
    return Personality{"ntfs", "NTFS", "Windows NT File System (NTFS)", "Windows_NTFS"};
  return personalityNamed(spec.personality);
}

bool finishVolume(DiskDatabase& db, const QString& id, bool mount, QString* error) {
  Media* m = db.find(id);
  if (!m) return false;
  QDir().mkpath(db.layout().volumesStore() + "/" + m->volumeUUID);
  return mount ? db.mountVolume(*m, error) : true;
}

}  // namespace

QString addApfsVolume(DiskDatabase& db, const QString& containerId, const VolumeSpec& spec, QString* error) {
  Media v = fileSystemMedia(spec, *personalityNamed("APFS"));
  v.id = db.nextSliceId(containerId);
  v.kind = MediaKind::Volume;
  v.parent = containerId;
  v.uuid = v.volumeUUID;
  v.content = kApfsVolumeContentName;
  db.media() << v;
  if (!finishVolume(db, v.id, spec.mount, error)) return QString();
  return v.id;
}

QString addContainer(DiskDatabase& db, const QString& partitionId, const QList<VolumeSpec>& volumes,
                     QString* error) {
  const Media* store = db.find(partitionId);
  if (!store) return QString();
  Media c;
  c.id = db.nextDiskId();
  c.kind = MediaKind::Container;
  c.size = store->size;
  c.uuid = newUuid();
  c.physicalStore = partitionId;
  c.content = "";
  db.media() << c;
  for (const VolumeSpec& v : volumes)
    if (addApfsVolume(db, c.id, v, error).isEmpty()) return QString();
  return c.id;
}

QList<Media*> volumesOnDisk(DiskDatabase& db, const QString& wholeId) {
  QList<Media*> out;
  QStringList parents{wholeId};
  for (int i = 0; i < parents.size(); ++i) {
    for (Media& m : db.media()) {
      if (m.parent == parents[i] && m.id != parents[i]) {
        if (m.hasFileSystem()) out << &m;
        if (const Media* c = db.containerOfStore(m.id)) parents << c->id;
      }
    }
  }
  if (const Media* w = db.find(wholeId); w && w->hasFileSystem()) out.prepend(db.find(wholeId));
  return out;
}

bool partitionDisk(DiskDatabase& db, const QString& wholeId, const QString& scheme,
                   const QList<VolumeSpec>& volumes, QString* error) {
  Media* w = db.find(wholeId);
  if (!w) {
    if (error) *error = "no disk " + wholeId;
    return false;
  }
  for (Media* v : volumesOnDisk(db, wholeId)) dropVolumeFiles(db, *v);
  QStringList old;
  for (const Media* c : db.children(wholeId)) old << c->id;
  for (const QString& id : old) db.removeMediaTree(id);
  w = db.find(wholeId);
  w->content = scheme;
  const qint64 total = w->size;
  qint64 remaining = total - 1048576;
  if (scheme == "GUID_partition_scheme") {
    Media efi = fileSystemMedia(VolumeSpec{"MS-DOS FAT32", "EFI", false}, *personalityNamed("MS-DOS FAT32"));
    efi.id = db.nextSliceId(wholeId);
    efi.kind = MediaKind::Partition;
    efi.parent = wholeId;
    efi.size = kEfiSize;
    efi.content = "EFI";
    efi.uuid = newUuid();
    db.media() << efi;
    finishVolume(db, efi.id, false, error);
    remaining -= kEfiSize;
  }
  for (int i = 0; i < volumes.size(); ++i) {
    const qint64 size = remaining / (volumes.size() - i);
    remaining -= size;
    if (addPartition(db, wholeId, volumes[i], size, error).isEmpty()) return false;
  }
  return true;
}

QString addPartition(DiskDatabase& db, const QString& wholeId, const VolumeSpec& spec, qint64 size,
                     QString* error) {
  const Media* w = db.find(wholeId);
  auto p = specPersonality(spec);
  if (!w || !p) {
    if (error) *error = w ? "unknown file system " + spec.personality : "no disk " + wholeId;
    return QString();
  }
  Media part;
  if (p->fs == "apfs") {
    part.content = "Apple_APFS";
  } else {
    part = fileSystemMedia(spec, *p);
    part.content = partitionType(w->content, *p);
  }
  part.id = db.nextSliceId(wholeId);
  part.kind = MediaKind::Partition;
  part.parent = wholeId;
  part.size = size;
  part.uuid = newUuid();
  db.media() << part;
  if (p->fs == "apfs") {
    if (addContainer(db, part.id, {spec}, error).isEmpty()) return QString();
  } else if (!finishVolume(db, part.id, spec.mount, error)) {
    return QString();
  }
  return part.id;
}

QString addDisk(DiskDatabase& db, const DiskSpec& spec, const QString& scheme,
                const QList<VolumeSpec>& volumes, QString* error) {
  Media w;
  w.id = db.nextDiskId();
  w.kind = MediaKind::Whole;
  w.size = spec.size;
  w.content = scheme;
  w.bus = spec.bus;
  w.internal = spec.internal;
  w.removable = spec.removable;
  w.ejectable = spec.ejectable;
  w.solidState = spec.solidState;
  w.virtualDisk = spec.virtualDisk;
  w.writableMedia = spec.writableMedia;
  w.mediaName = spec.mediaName;
  w.imagePath = spec.imagePath;
  db.media() << w;
  if (!partitionDisk(db, w.id, scheme, volumes, error)) return QString();
  return w.id;
}

bool detachDisk(DiskDatabase& db, const QString& wholeId, QString* error) {
  const Media* w = db.find(wholeId);
  if (!w || w->kind != MediaKind::Whole) {
    if (error) *error = "no whole disk " + wholeId;
    return false;
  }
  if (db.holdsStartup(*w)) {
    if (error) *error = "the startup disk cannot be detached";
    return false;
  }
  QVariantList maps;
  for (Media* v : volumesOnDisk(db, wholeId)) {
    const bool wasMounted = v->mounted();
    if (!db.unmountVolume(*v, error, true)) return false;
    v->remount = wasMounted;
  }
  QStringList ids{wholeId};
  for (int i = 0; i < ids.size(); ++i)
    for (const Media& m : db.media())
      if (!ids.contains(m.id) &&
          (m.parent == ids[i] || (m.kind == MediaKind::Container && m.physicalStore == ids[i])))
        ids << m.id;
  for (const QString& id : ids) maps << db.find(id)->toMap();
  QString label = w->mediaName;
  const QStringList taken = detachedLabels(db);
  for (int n = 2; taken.contains(label); ++n) label = w->mediaName + " " + QString::number(n);
  db.detached() << QVariantMap{{"Label", label}, {"Media", maps}};
  db.removeMediaTree(wholeId);
  return true;
}

QStringList detachedLabels(const DiskDatabase& db) {
  QStringList out;
  for (const QVariant& v : const_cast<DiskDatabase&>(db).detached()) out << v.toMap().value("Label").toString();
  return out;
}

QString attachDisk(DiskDatabase& db, const QString& label, QString* error) {
  int index = -1;
  for (int i = 0; i < db.detached().size(); ++i)
    if (db.detached()[i].toMap().value("Label").toString() == label) index = i;
  if (index < 0) {
    if (error) *error = "no detached disk " + label;
    return QString();
  }
  const QVariantList maps = db.detached()[index].toMap().value("Media").toList();
  QList<Media> list;
  for (const QVariant& v : maps) list << Media::fromMap(v.toMap());
  QMap<QString, QString> rename;
  auto remapPrefix = [&](const QString& oldWhole, const QString& newWhole) {
    rename[oldWhole] = newWhole;
    for (const Media& m : list)
      if (m.id.startsWith(oldWhole + "s")) rename[m.id] = newWhole + m.id.mid(oldWhole.size());
  };
  // Adds `top` (as `added`) under the next disk id, its children renamed along.
  auto addUnderNewId = [&](const Media& top, Media added) {
    const QString id = db.nextDiskId();
    remapPrefix(top.id, id);
    added.id = id;
    db.media() << added;
    for (const Media& child : list)
      if (child.parent == top.id) {
        Media y = child;
        y.id = rename[child.id];
        y.parent = id;
        db.media() << y;
      }
    return id;
  };
  QString newWhole;
  for (const Media& m : list)
    if (m.kind == MediaKind::Whole) newWhole = addUnderNewId(m, m);
  for (const Media& c : list)
    if (c.kind == MediaKind::Container) {
      Media x = c;
      x.physicalStore = rename.value(c.physicalStore, c.physicalStore);
      addUnderNewId(c, x);
    }
  db.detached().removeAt(index);
  for (Media* v : volumesOnDisk(db, newWhole)) {
    if (!v->remount) continue;
    v->remount = false;
    if (!db.mountVolume(*v, error)) return QString();
  }
  return newWhole;
}

}  // namespace world
