// diskutil of the simulated Mac: lists, describes, mounts, renames, erases and
// ejects the world's disks, with the command lines and output of the Mac's tool.
#include "world/lib/Build.h"
#include "world/lib/DiskInfo.h"
#include "world/lib/ImageFile.h"
#include "world/programs/common/Tool.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <functional>

#include <unistd.h>

using namespace world;
using tool::err;
using tool::fail;
using tool::out;

namespace {

Layout gWorld;

void usage() {
  fail("Usage:  diskutil [quiet] <verb> <options>, where <verb> is as follows:\n\n"
       "     list                 (List the partitions of a disk)\n"
       "     info[rmation]        (Get information on a specific disk or partition)\n"
       "     unmount              (Unmount a single volume)\n"
       "     unmountDisk          (Unmount an entire disk (all volumes))\n"
       "     eject                (Eject a disk)\n"
       "     mount                (Mount a single volume)\n"
       "     mountDisk            (Mount an entire disk (all mountable volumes))\n"
       "     rename[Volume]       (Rename a volume)\n"
       "     eraseDisk            (Erase an existing disk, removing all volumes)\n"
       "     eraseVolume          (Erase an existing volume)\n"
       "     reformat             (Erase an existing volume with same name and type)\n"
       "     resizeVolume         (Resize a volume, increasing or decreasing its size)\n",
       1);
}

void failIfKnob(const QString& verb, const QString& message) {
  if (toolShouldFail(gWorld, "diskutil", verb)) fail(message, 1);
}

DiskDatabase loaded() {
  DiskDatabase db(gWorld);
  if (!db.load()) fail("Unable to run because unable to use the DiskManagement framework", 1);
  return db;
}

// One locked edit of the database on the disk `device` names: prints the
// edit's message, or fails with its error.
using DiskChange = std::function<bool(DiskDatabase& db, const Media& disk, QString& message, QString& error)>;
int changeDisk(const QString& device, const DiskChange& change) {
  QString message, error;
  bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& db) {
    const Media* m = db.resolve(device);
    if (!m) {
      error = "Unable to find disk for " + device;
      return false;
    }
    return change(db, *m, message, error);
  });
  if (!ok) fail(error, 1);
  out(message);
  return 0;
}

// Checks a volume name the way the file system would take it.
QString nameProblem(const Personality& p, const QString& name) {
  if (p.fs == "msdos") {
    if (name.toUtf8().size() > 11) return "MS-DOS FAT32 volume names must be 11 characters or fewer";
    for (QChar c : name)
      if (QString("\"*/:<>?\\|").contains(c) || c.unicode() < 0x20 || c.unicode() > 0x7e)
        return "The volume name contains characters that MS-DOS FAT32 does not allow";
  } else if (p.fs == "exfat") {
    if (name.size() > 15) return "ExFAT volume names must be 15 characters or fewer";
  } else if (name.toUtf8().size() > 255) {
    return "The volume name is too long";
  }
  return QString();
}

QString fatName(const Personality& p, const QString& name) {
  return p.fs == "msdos" ? name.toUpper() : name;
}

// The file system `format` names, with `name` made into a name it takes;
// fails where there is no such format or the name is refused.
Personality erasePersonality(const QString& format, QString& name) {
  auto found = personalityNamed(format);
  if (!found) fail(QString("%1 does not appear to be a valid file system format\n"
                           "Use diskutil listFilesystems to view a list of supported file systems")
                       .arg(format),
                   1);
  name = fatName(*found, name);
  const QString problem = nameProblem(*found, name);
  if (!problem.isEmpty()) fail("Error: -69860: " + problem, 1);
  return *found;
}

QString describeNewContainer(const QString& container, const QString& volume) {
  return QString("Creating a new empty APFS Container\nPreparing to add APFS Volume to APFS Container %1\n"
                 "Creating APFS Volume\nCreated new APFS Volume %2\n")
      .arg(container, volume);
}

QString describeInit(const Media& v, qint64 size) {
  const Personality p = personalityOf(v);
  if (p.fs == "hfs")
    return QString("Initialized /dev/r%1 as a %2 case-insensitive HFS Plus volume%3\n")
        .arg(v.id, tool::sizeText(size), p.name.startsWith("Journaled") ? " with a 8192k journal" : "");
  if (p.fs == "msdos") return QString("512 bytes per physical sector\n/dev/r%1: %2 sectors in FAT32 format\n")
                                .arg(v.id)
                                .arg(size / 512);
  if (p.fs == "exfat") return QString("Volume name      : %1\nPartition offset : 2048 sectors\n").arg(v.volumeName);
  return QString();
}

int cmdList(const QStringList& args) {
  bool asPlist = false;
  QString disk;
  for (const QString& a : args) {
    if (a == "-plist")
      asPlist = true;
    else if (a.startsWith('-'))
      continue;  // -internal, -external, physical/virtual filters: all disks
    else if (a != "internal" && a != "external" && a != "physical" && a != "virtual")
      disk = a;
  }
  failIfKnob("list", "Unable to list disks: the DiskManagement framework did not answer");
  DiskDatabase db = loaded();
  if (!disk.isEmpty() && !db.resolve(disk)) fail("Could not find disk: " + disk, 1);
  const QVariantMap d = listDictionary(db, disk);
  if (asPlist) {
    tool::printPlist(d);
    return 0;
  }
  for (const QVariant& e : d.value("AllDisksAndPartitions").toList()) {
    const QVariantMap m = e.toMap();
    const Media* w = db.find(m.value("DeviceIdentifier").toString());
    if (!w) continue;
    const Media* pd = db.physicalDisk(*w);
    QString kind = pd && pd->internal ? "internal" : "external";
    kind += w->kind == MediaKind::Container || (pd && pd->virtualDisk) ? ", virtual" : ", physical";
    out(QString("/dev/%1 (%2):\n").arg(w->id, kind));
    out("   #:                       TYPE NAME                    SIZE       IDENTIFIER\n");
    out(QString("   0: %1 %2 %3 %4\n")
            .arg(w->kind == MediaKind::Container ? QString("APFS Container Scheme -") : w->content, 26)
            .arg("", -23)
            .arg("+" + tool::sizeText(w->size), 10)
            .arg(w->id));
    int n = 1;
    for (const Media* c : db.children(w->id)) {
      const QString type = c->kind == MediaKind::Volume ? QString("APFS Volume") : c->content;
      out(QString("   %1: %2 %3 %4 %5\n")
              .arg(n++)
              .arg(type, 26)
              .arg(c->volumeName.left(23), -23)
              .arg(tool::sizeText(c->kind == MediaKind::Volume ? db.usedBytes(*c) : c->size), 10)
              .arg(c->id));
    }
    out("\n");
  }
  return 0;
}

int cmdInfo(const QStringList& args) {
  bool asPlist = false;
  QString target;
  bool all = false;
  for (const QString& a : args) {
    if (a == "-plist")
      asPlist = true;
    else if (a == "-all")
      all = true;
    else
      target = a;
  }
  if (target.isEmpty() && !all) usage();
  DiskDatabase db = loaded();
  if (all) {
    for (const QString& id : db.orderedIds()) {
      const Media* m = db.find(id);
      if (asPlist)
        tool::printPlist(infoDictionary(db, *m));
      else
        out("   Device Identifier:         " + id + "\n**********\n\n");
    }
    return 0;
  }
  failIfKnob("info", "Could not find disk: " + target);
  const Media* m = db.resolve(target);
  if (!m) fail("Could not find disk: " + target, 1);
  const QVariantMap d = infoDictionary(db, *m);
  if (asPlist) {
    tool::printPlist(d);
    return 0;
  }
  auto line = [](const QString& label, const QString& value) {
    out(QString("   %1 %2\n").arg(label + ":", -26).arg(value));
  };
  line("Device Identifier", d.value("DeviceIdentifier").toString());
  line("Device Node", d.value("DeviceNode").toString());
  line("Whole", d.value("WholeDisk").toBool() ? "Yes" : "No");
  line("Part of Whole", d.value("ParentWholeDisk").toString());
  line("Device / Media Name", d.value("MediaName").toString());
  out("\n");
  if (m->hasFileSystem()) {
    line("Volume Name", d.value("VolumeName").toString());
    out("\n");
    line("Mounted", m->mounted() ? "Yes" : "No");
    if (m->mounted()) line("Mount Point", m->mountPoint);
    out("\n");
    line("Partition Type", d.value("Content").toString());
    line("File System Personality", d.value("FilesystemName").toString());
    line("Name (User Visible)", d.value("FilesystemUserVisibleName").toString());
    out("\n");
  }
  line("Protocol", d.value("BusProtocol").toString());
  line("Device Location", d.value("Internal").toBool() ? "Internal" : "External");
  line("Removable Media", d.value("RemovableMedia").toBool() ? "Removable" : "Fixed");
  out("\n");
  line("Disk Size", tool::sizeText(d.value("TotalSize").toLongLong()) +
                        QString(" (%1 Bytes)").arg(d.value("TotalSize").toLongLong()));
  if (m->hasFileSystem())
    line("Volume Free Space", tool::sizeText(d.value("FreeSpace").toLongLong()) +
                                  QString(" (%1 Bytes)").arg(d.value("FreeSpace").toLongLong()));
  out("\n");
  line("Read-Only Media", d.value("WritableMedia").toBool() ? "No" : "Yes");
  if (m->hasFileSystem()) line("Read-Only Volume", d.value("WritableVolume").toBool() ? "No" : "Yes");
  out("\n");
  if (!d.value("DiskUUID").toString().isEmpty()) line("Disk / Partition UUID", d.value("DiskUUID").toString());
  if (!d.value("VolumeUUID").toString().isEmpty()) line("Volume UUID", d.value("VolumeUUID").toString());
  line("Virtual", d.value("VirtualOrPhysical").toString() == "Virtual" ? "Yes" : "No");
  return 0;
}

int cmdUnmount(const QStringList& args, bool wholeDisk) {
  QStringList a = args;
  bool force = false;
  if (!a.isEmpty() && a.first() == "force") {
    force = true;
    a.removeFirst();
  }
  if (a.size() != 1) usage();
  failIfKnob(wholeDisk ? "unmountDisk" : "unmount",
             QString("Unmount of %1 failed: at least one volume could not be unmounted").arg(a[0]));
  return changeDisk(a[0], [&](DiskDatabase& db, const Media& disk, QString& message, QString& error) {
    if (wholeDisk) {
      const Media* w = db.wholeDisk(disk);
      const QString wid = w->id;
      for (Media* v : volumesOnDisk(db, wid)) {
        if (!db.unmountVolume(*v, &error, force)) {
          error = QString("Unmount of %1 failed: at least one volume could not be unmounted").arg(wid);
          return false;
        }
      }
      message = QString("Unmount of all volumes on %1 was successful\n").arg(wid);
      return true;
    }
    Media* v = db.find(disk.id);
    if (!v->hasFileSystem()) {
      error = v->id + " does not appear to be a valid volume";
      return false;
    }
    if (!v->mounted()) {
      error = QString("Volume on %1 is not mounted").arg(v->id);  // real tool: no error, nothing done
      message = QString("Volume %1 on %2 was already unmounted\n").arg(v->volumeName, v->id);
      return true;
    }
    if (!db.unmountVolume(*v, &error, force)) {
      error = QString("Volume %1 on %2 failed to unmount: %3").arg(v->volumeName, v->id, error);
      return false;
    }
    message = QString("Volume %1 on %2 unmounted\n").arg(v->volumeName, v->id);
    return true;
  });
}

bool mountableRole(const Media& v) {
  return v.content != "EFI" && v.role != "Recovery" && v.role != "VM" && v.role != "Update";
}

int cmdMount(const QStringList& args, bool wholeDisk) {
  QStringList a = args;
  if (!a.isEmpty() && (a.first() == "readOnly" || a.first() == "force")) a.removeFirst();
  if (a.size() != 1) usage();
  failIfKnob(wholeDisk ? "mountDisk" : "mount", QString("Volume(s) failed to mount on %1").arg(a[0]));
  return changeDisk(a[0], [&](DiskDatabase& db, const Media& disk, QString& message, QString& error) {
    if (wholeDisk) {
      const QString wid = db.wholeDisk(disk)->id;
      for (Media* v : volumesOnDisk(db, wid)) {
        if (!mountableRole(*v)) continue;
        if (!db.mountVolume(*v, &error)) return false;
      }
      message = "Volume(s) mounted successfully\n";
      return true;
    }
    Media* v = db.find(disk.id);
    if (!v->hasFileSystem()) {
      error = QString("Volume on %1 failed to mount\nIf the volume is damaged, try the \"readOnly\" option").arg(v->id);
      return false;
    }
    if (!db.mountVolume(*v, &error)) return false;
    message = QString("Volume %1 on %2 mounted\n").arg(v->volumeName, v->id);
    return true;
  });
}

// Writes a disk image's volume back into its file.
bool writeBack(DiskDatabase& db, const Media& whole, QString* error) {
  if (whole.imagePath.isEmpty()) return true;
  for (Media* v : volumesOnDisk(db, whole.id)) {
    if (!v->hasFileSystem() || v->content == "EFI") continue;
    ImageHeader h;
    h.volumeName = v->volumeName;
    h.personality = v->personality;
    h.volumeUUID = v->volumeUUID;
    h.capacity = db.capacity(*v);
    if (auto old = readImageHeader(whole.imagePath)) {
      h.format = old->format;
      h.capacity = old->capacity;
    }
    if (!writeImage(whole.imagePath, h, db.contentDir(*v), error)) return false;
    if (v->mounted()) db.unmountVolume(*v, error, true);
    QDir(gWorld.volumesStore() + "/" + v->volumeUUID).removeRecursively();
  }
  return true;
}

int cmdEject(const QStringList& args) {
  if (args.size() != 1) usage();
  failIfKnob("eject", QString("Unable to eject %1: the disk is in use").arg(args[0]));
  return changeDisk(args[0], [&](DiskDatabase& db, const Media& disk, QString& message, QString& error) {
    const Media* pd = db.physicalDisk(disk);
    if (!pd) {
      error = "Unable to find disk for " + args[0];
      return false;
    }
    const QString wid = pd->id;
    if (db.holdsStartup(*pd)) {
      error = QString("Unmount of %1 failed: at least one volume could not be unmounted").arg(wid);
      return false;
    }
    if (!pd->imagePath.isEmpty()) {
      if (!writeBack(db, *pd, &error)) return false;
      db.removeMediaTree(wid);
    } else if (pd->ejectable) {
      if (!detachDisk(db, wid, &error)) return false;
    } else {
      for (Media* v : volumesOnDisk(db, wid))
        if (!db.unmountVolume(*v, &error)) return false;
    }
    message = QString("Disk %1 ejected\n").arg(wid);
    return true;
  });
}

int cmdRename(const QStringList& args) {
  if (args.size() != 2) usage();
  const QString newName = args[1];
  failIfKnob("rename", QString("Failed to rename volume on %1").arg(args[0]));
  return changeDisk(args[0], [&](DiskDatabase& db, const Media& disk, QString& message, QString& error) {
    Media* v = db.find(disk.id);
    if (!v->hasFileSystem()) {
      error = QString("%1 does not contain a file system that can be renamed").arg(v->id);
      return false;
    }
    if (!db.writable(*v)) {
      error = QString("Failed to rename volume on %1: the volume is read-only").arg(v->id);
      return false;
    }
    const Personality p = personalityOf(*v);
    if (newName.isEmpty()) {
      error = "A volume name is required";
      return false;
    }
    const QString problem = nameProblem(p, newName);
    if (!problem.isEmpty()) {
      error = QString("Failed to rename volume on %1: %2").arg(v->id, problem);
      return false;
    }
    const bool remount = v->mounted() && v->fixedMountPoint.isEmpty();
    const QString oldName = v->volumeName;
    if (remount && !db.unmountVolume(*v, &error, true)) return false;
    v->volumeName = newName;
    if (remount && !db.mountVolume(*v, &error)) return false;
    if (v->startup) {
      // The link that shows the startup volume among the others follows its name.
      ::unlink(QFile::encodeName(gWorld.root() + "/Volumes/" + mountFolderName(oldName)).constData());
      ::symlink("..", QFile::encodeName(gWorld.root() + "/Volumes/" + mountFolderName(newName)).constData());
    }
    message = QString("Volume on %1 renamed to %2\n").arg(v->id, newName);
    return true;
  });
}

// Erases one volume (or makes an APFS container on a partition).
int eraseOne(const QString& verb, const QString& format, const QString& requestedName, const QString& device,
             bool keep) {
  DiskDatabase snapshot = loaded();
  const Media* m = snapshot.resolve(device);
  if (!m) fail("Unable to find disk for " + device, 1);
  if (snapshot.holdsStartup(*m)) {
    out(QString("Started erase on %1\n").arg(m->id));
    fail("Error: -69888: Couldn't unmount disk", 1);
  }
  Personality p;
  QString name = requestedName;
  if (keep) {
    if (!m->hasFileSystem()) fail(QString("%1 does not contain a file system to reformat").arg(m->id), 1);
    p = personalityOf(*m);
    name = m->volumeName;
    if (p.fs == "ntfs") fail("Error: -69874: Unable to reformat a volume of this file system", 1);
  } else {
    p = erasePersonality(format, name);
    if (m->kind == MediaKind::Volume && p.fs != "apfs")
      fail("Error: -69624: An APFS Volume can only be erased as APFS; use eraseDisk for another format", 1);
  }
  if (m->isWhole()) fail(QString("%1 is a whole disk; use eraseDisk").arg(m->id), 1);
  const Media* pd = snapshot.physicalDisk(*m);
  if (pd && !pd->writableMedia) fail("Error: -69772: The media is write-protected", 1);
  const QString id = m->id;
  out(QString("Started erase on %1 %2\nUnmounting disk\n").arg(id, m->volumeName));
  tool::paceOrEnd(gWorld, 2);
  if (toolShouldFail(gWorld, "diskutil", verb)) fail("Error: -69877: Couldn't open device", 1);
  QString error, detail;
  QString newId = id;
  bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& db) {
    Media* v = db.find(id);
    if (!v) return false;
    if (v->kind == MediaKind::Partition && p.fs == "apfs") {
      // A partition becomes the physical store of a new container.
      if (v->mounted() && !db.unmountVolume(*v, &error, true)) return false;
      if (!v->volumeUUID.isEmpty()) QDir(gWorld.volumesStore() + "/" + v->volumeUUID).removeRecursively();
      if (const Media* old = db.containerOfStore(id)) {
        for (Media* ov : volumesOnDisk(db, old->id)) {
          db.unmountVolume(*ov, &error, true);
          QDir(gWorld.volumesStore() + "/" + ov->volumeUUID).removeRecursively();
        }
        db.removeMediaTree(old->id);
      }
      v = db.find(id);
      *v = Media{v->id, MediaKind::Partition, v->parent, v->size, "Apple_APFS", v->uuid};
      const QString c = addContainer(db, id, {VolumeSpec{"APFS", name}}, &error);
      if (c.isEmpty()) return false;
      newId = c + "s1";
      detail = describeNewContainer(c, newId);
      return true;
    }
    if (!db.eraseVolume(*v, p, name, &error)) return false;
    detail = describeInit(*v, db.capacity(*v));
    return true;
  });
  if (!ok) fail(error.isEmpty() ? QString("Error: -69877: Couldn't open device") : error, 1);
  out("Erasing\n" + detail + "Mounting disk\n");
  tool::paceOrEnd(gWorld, 1);
  out(QString("Finished erase on %1 %2\n").arg(newId, name));
  return 0;
}

int cmdEraseVolume(const QStringList& args) {
  if (args.size() != 3) usage();
  return eraseOne("eraseVolume", args[0], args[1], args[2], false);
}

int cmdReformat(const QStringList& args) {
  if (args.size() != 1) usage();
  return eraseOne("reformat", QString(), QString(), args[0], true);
}

int cmdEraseDisk(const QStringList& args) {
  if (args.size() != 3 && args.size() != 4) usage();
  const QString format = args[0];
  QString name = args[1];
  QString scheme = "GUID_partition_scheme";
  if (args.size() == 4) {
    const QString s = args[2].toUpper();
    if (s == "GPT" || s == "GPTFORMAT")
      scheme = "GUID_partition_scheme";
    else if (s == "MBR" || s == "MBRFORMAT")
      scheme = "FDisk_partition_scheme";
    else if (s == "APM" || s == "APMFORMAT")
      scheme = "Apple_partition_scheme";
    else
      fail(QString("%1 is not a valid partition map scheme (GPT, MBR or APM)").arg(args[2]), 1);
  }
  const QString device = args.last();
  const Personality p = erasePersonality(format, name);
  DiskDatabase snapshot = loaded();
  const Media* m = snapshot.resolve(device);
  if (!m) fail("Unable to find disk for " + device, 1);
  if (m->kind != MediaKind::Whole) fail(QString("%1 is not a whole disk; eraseDisk takes a whole disk").arg(m->id), 1);
  const QString wid = m->id;
  out(QString("Started erase on %1\n").arg(wid));
  if (snapshot.holdsStartup(*m)) {
    out("Unmounting disk\n");
    fail("Error: -69888: Couldn't unmount disk", 1);
  }
  if (!m->writableMedia) fail("Error: -69772: The media is write-protected", 1);
  out("Unmounting disk\n");
  tool::paceOrEnd(gWorld, 2);
  if (toolShouldFail(gWorld, "diskutil", "eraseDisk")) fail("Error: -69877: Couldn't open device", 1);
  out("Creating the partition map\n");
  tool::paceOrEnd(gWorld, 1);
  QString error, volumeId;
  bool ok = DiskDatabase(gWorld).modify([&](DiskDatabase& db) {
    if (!partitionDisk(db, wid, scheme, {VolumeSpec{p.name, name}}, &error)) return false;
    for (Media* v : volumesOnDisk(db, wid))
      if (v->volumeName == name && v->content != "EFI") volumeId = v->id;
    return true;
  });
  if (!ok) fail(error.isEmpty() ? QString("Error: -69877: Couldn't open device") : error, 1);
  out("Waiting for partitions to activate\n");
  DiskDatabase after = loaded();
  const Media* v = after.find(volumeId);
  if (p.fs == "apfs") {
    const Media* c = v ? after.find(v->parent) : nullptr;
    out(describeNewContainer(c ? c->id : QString(), volumeId));
  } else if (v) {
    out(QString("Formatting %1 as %2 with name %3\n").arg(volumeId, p.userVisible, name));
    out(describeInit(*v, after.capacity(*v)));
  }
  out("Mounting disk\n");
  out(QString("Finished erase on %1\n").arg(wid));
  return 0;
}

// diskutil sizes: a number with B (bytes), S (512-byte sectors), K, M, G or T
// (powers of ten); 0 when the text is none.
qint64 diskutilSize(const QString& text) {
  static const QHash<QChar, qint64> units{{'B', 1},          {'S', 512},           {'K', 1000},
                                          {'M', 1000000LL}, {'G', 1000000000LL}, {'T', 1000000000000LL}};
  const QString t = text.trimmed().toUpper();
  if (t.isEmpty()) return 0;
  const qint64 unit = units.value(t.back(), 0);
  bool ok = false;
  const double v = (unit ? t.chopped(1) : t).toDouble(&ok);
  return ok && v > 0 ? qint64(v * double(unit ? unit : 1)) : 0;
}

// `resizeVolume DEVICE SIZE [FORMAT NAME SIZE]...`: shrinks a partition's volume
// (its files stay) and puts the new volumes in the room it gave up.
int cmdResizeVolume(const QStringList& args) {
  if (args.size() < 2 || (args.size() - 2) % 3 != 0) usage();
  const qint64 newSize = diskutilSize(args[1]);
  if (newSize <= 0) fail(QString("%1 is not a valid size").arg(args[1]), 1);
  struct Added {
    Personality p;
    QString name;
    qint64 size;
  };
  QList<Added> added;
  qint64 wanted = newSize;
  for (int i = 2; i < args.size(); i += 3) {
    Added a;
    a.name = args[i + 1];
    a.p = erasePersonality(args[i], a.name);
    a.size = diskutilSize(args[i + 2]);
    if (a.size <= 0) fail(QString("%1 is not a valid size").arg(args[i + 2]), 1);
    added << a;
    wanted += a.size;
  }
  failIfKnob("resizeVolume", "Error: -69877: Couldn't open device");
  QString wid;
  const int status = changeDisk(args[0], [&](DiskDatabase& db, const Media& disk, QString& message, QString& error) {
    Media* v = db.find(disk.id);
    if (v->kind != MediaKind::Partition || !v->hasFileSystem()) {
      error = QString("Error: -69606: %1 does not hold a volume that can be resized").arg(v->id);
      return false;
    }
    if (newSize < db.usedBytes(*v)) {
      error = "Error: -69521: The new size is smaller than the data on the volume";
      return false;
    }
    if (wanted > v->size) {
      error = "Error: -69519: The target disk is too small for this operation";
      return false;
    }
    if (!db.writable(*v)) {
      error = "Error: -69772: The media is write-protected";
      return false;
    }
    wid = v->parent;
    message = QString("Resizing %1\nStarted partitioning on %2\nResizing\n").arg(v->id, wid);
    v->size = newSize;
    for (const Added& a : added) {
      const QString id = addPartition(db, wid, VolumeSpec{a.p.name, a.name}, a.size, &error);
      if (id.isEmpty()) return false;
      message += QString("Formatting %1 as %2 with name %3\n").arg(id, a.p.userVisible, a.name);
    }
    message += "Mounting disk\n";
    return true;
  });
  out(QString("Finished partitioning on %1\n").arg(wid));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  tool::installSignalHandlers();
  gWorld = tool::requireWorld("diskutil");
  QStringList args = tool::arguments(argc, argv);
  if (!args.isEmpty() && args.first() == "quiet") args.removeFirst();
  if (args.isEmpty()) usage();
  const QString verb = args.takeFirst();
  const QString v = verb.toLower();
  if (v == "list") return cmdList(args);
  if (v == "info" || v == "information") return cmdInfo(args);
  if (v == "unmount" || v == "umount") return cmdUnmount(args, false);
  if (v == "unmountdisk" || v == "umountdisk") return cmdUnmount(args, true);
  if (v == "mount") return cmdMount(args, false);
  if (v == "mountdisk") return cmdMount(args, true);
  if (v == "eject") return cmdEject(args);
  if (v == "rename" || v == "renamevolume") return cmdRename(args);
  if (v == "erasevolume") return cmdEraseVolume(args);
  if (v == "reformat") return cmdReformat(args);
  if (v == "erasedisk") return cmdEraseDisk(args);
  if (v == "resizevolume") return cmdResizeVolume(args);
  fail(QString("Could not find verb \"%1\"; run \"diskutil\" for a list of verbs").arg(verb), 1);
}
