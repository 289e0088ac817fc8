#include "world/lib/DiskInfo.h"

namespace world {

QString contentTypeName(const Media& m) {
  if (m.kind == MediaKind::Volume) return kApfsVolumeContent;
  if (m.kind == MediaKind::Container) return kApfsContainerContent;
  return m.content;
}

QString registryName(const DiskDatabase& db, const Media& m) {
  switch (m.kind) {
    case MediaKind::Whole: return m.mediaName.isEmpty() ? QString("Untitled Media") : m.mediaName + " Media";
    case MediaKind::Container: return "AppleAPFSMedia";
    case MediaKind::Volume: return m.volumeName;
    case MediaKind::Partition:
      if (m.content == "EFI") return "EFI System Partition";
      if (m.hasFileSystem()) return m.volumeName;
      if (const Media* w = db.wholeDisk(m)) return w->mediaName.isEmpty() ? m.id : m.id;
      return m.id;
  }
  return m.id;
}

QVariantMap infoDictionary(const DiskDatabase& db, const Media& m) {
  const Media* pd = db.physicalDisk(m);
  const Media* whole = db.wholeDisk(m);
  const bool synthesized = whole && whole->kind == MediaKind::Container;
  const bool isVirtual = synthesized || (pd && pd->virtualDisk);
  const qint64 size = db.capacity(m);
  QVariantMap d;
  d["DeviceIdentifier"] = m.id;
  d["DeviceNode"] = "/dev/" + m.id;
  d["WholeDisk"] = m.isWhole();
  d["ParentWholeDisk"] = whole ? whole->id : m.id;
  d["Size"] = size;
  d["TotalSize"] = size;
  d["IOKitSize"] = size;
  d["DeviceBlockSize"] = (m.kind == MediaKind::Volume || m.kind == MediaKind::Container) ? 4096 : 512;
  d["Content"] = contentTypeName(m);
  d["MediaName"] = m.kind == MediaKind::Whole ? m.mediaName
                                             : (m.kind == MediaKind::Container ? QString("AppleAPFSMedia") : QString());
  d["IORegistryEntryName"] = registryName(db, m);
  d["MediaType"] = "Generic";
  d["OSInternalMedia"] = false;
  d["RAIDMaster"] = false;
  d["RAIDSlave"] = false;
  d["CoreStorageEncrypted"] = false;
  d["Fusion"] = false;
  d["PartitionMapPartition"] = m.kind == MediaKind::Partition;
  d["VirtualOrPhysical"] = isVirtual ? "Virtual" : "Physical";
  d["MountPoint"] = m.mountPoint;
  d["Bootable"] = m.startup;
  if (pd) {
    d["BusProtocol"] = pd->bus;
    d["Internal"] = pd->internal;
    d["Removable"] = pd->removable;
    d["RemovableMedia"] = pd->removable;
    d["RemovableMediaOrExternalDevice"] = pd->removable || !pd->internal;
    d["Ejectable"] = pd->ejectable;
    d["EjectableOnly"] = pd->ejectable;
    d["EjectableMediaAutomaticUnderSoftwareControl"] = pd->ejectable;
    d["SolidState"] = pd->solidState;
    d["WritableMedia"] = pd->writableMedia;
    d["SMARTStatus"] = (pd->internal && !pd->virtualDisk) ? "Verified" : "Not Supported";
    d["AESHardware"] = pd->internal && pd->bus == "PCI-Express";
  }
  d["Writable"] = m.hasFileSystem() ? db.writable(m) : (!pd || pd->writableMedia);
  if (m.kind == MediaKind::Partition && m.content == "Apple_APFS") {
    if (const Media* c = db.containerOfStore(m.id)) d["APFSContainerReference"] = c->id;
  }
  if (m.kind == MediaKind::Container) {
    d["APFSPhysicalStores"] = QVariantList{QVariantMap{{"APFSPhysicalStore", m.physicalStore}}};
    d["APFSContainerSize"] = m.size;
    d["APFSContainerFree"] = std::max<qint64>(0, m.size - db.containerUsed(m));
  }
  if (m.hasFileSystem()) {
    const Personality p = personalityOf(m);
    const qint64 free = m.mounted() ? db.freeBytes(m) : 0;
    d["VolumeName"] = m.volumeName;
    d["VolumeUUID"] = m.volumeUUID;
    d["DiskUUID"] = m.kind == MediaKind::Volume ? m.volumeUUID : m.uuid;
    d["FilesystemType"] = p.fs;
    d["FilesystemName"] = p.name;
    d["FilesystemUserVisibleName"] = p.userVisible;
    // The sealed system volume reports no free space of its own.
    d["FreeSpace"] = (m.startup && m.readOnly) ? qint64(0) : free;
    d["VolumeSize"] = size;
    d["VolumeAllocationBlockSize"] = 4096;
    d["WritableVolume"] = db.writable(m);
    d["GlobalPermissionsEnabled"] = p.fs == "apfs" || p.fs == "hfs";
    d["Encryption"] = false;
    d["FileVault"] = false;
    d["Locked"] = false;
    if (m.kind == MediaKind::Volume) {
      const Media* c = db.find(m.parent);
      d["APFSContainerReference"] = m.parent;
      if (c) {
        d["APFSContainerSize"] = c->size;
        d["APFSContainerFree"] = std::max<qint64>(0, c->size - db.containerUsed(*c));
        if (volumeIsFull(db.layout(), m.volumeName)) d["APFSContainerFree"] = qint64(0);
        d["APFSPhysicalStores"] = QVariantList{QVariantMap{{"APFSPhysicalStore", c->physicalStore}}};
      }
      d["APFSSnapshot"] = false;
      if (!m.role.isEmpty()) d["APFSVolumeRole"] = m.role;
    }
  } else if (!m.uuid.isEmpty() && m.kind == MediaKind::Partition) {
    d["DiskUUID"] = m.uuid;
  }
  return d;
}

QVariantMap listDictionary(const DiskDatabase& db, const QString& disk) {
  QStringList wholes;
  if (disk.isEmpty()) {
    wholes = db.wholeDiskIds();
  } else if (const Media* m = db.resolve(disk)) {
    if (const Media* w = db.wholeDisk(*m)) wholes << w->id;
  }
  QVariantList all, entries, wholeList;
  QStringList volumes;
  for (const QString& wid : wholes) {
    const Media* w = db.find(wid);
    if (!w) continue;
    wholeList << wid;
    all << wid;
    QVariantMap e{{"DeviceIdentifier", wid}, {"OSInternal", false}, {"Size", w->size}};
    if (w->kind == MediaKind::Container) {
      e["Content"] = "";
      e["APFSPhysicalStores"] = QVariantList{QVariantMap{{"DeviceIdentifier", w->physicalStore}}};
      QVariantList vols;
      for (const Media* v : db.children(wid)) {
        all << v->id;
        QVariantMap ve{{"CapacityInUse", db.usedBytes(*v)},
                       {"DeviceIdentifier", v->id},
                       {"DiskUUID", v->volumeUUID},
                       {"OSInternal", false},
                       {"Size", w->size},
                       {"VolumeName", v->volumeName},
                       {"VolumeUUID", v->volumeUUID}};
        if (v->mounted()) {
          ve["MountPoint"] = v->mountPoint;
          volumes << v->volumeName;
        }
        vols << ve;
      }
      e["APFSVolumes"] = vols;
    } else {
      e["Content"] = w->content;
      QVariantList parts;
      for (const Media* p : db.children(wid)) {
        all << p->id;
        QVariantMap pe{{"Content", p->content}, {"DeviceIdentifier", p->id}, {"Size", p->size}};
        if (!p->uuid.isEmpty()) pe["DiskUUID"] = p->uuid;
        if (p->hasFileSystem()) {
          pe["VolumeName"] = p->volumeName;
          pe["VolumeUUID"] = p->volumeUUID;
          if (p->mounted()) {
            pe["MountPoint"] = p->mountPoint;
            volumes << p->volumeName;
          }
        }
        parts << pe;
      }
      e["Partitions"] = parts;
    }
    entries << e;
  }
  QVariantMap d;
  d["AllDisks"] = all;
  d["AllDisksAndPartitions"] = entries;
  d["VolumesFromDisks"] = volumes;
  d["WholeDisks"] = wholeList;
  return d;
}

}  // namespace world
