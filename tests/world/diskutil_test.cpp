// diskutil of the world, read back through the command runner as the product
// reads it.
#include "world/ToolRun.h"

#include "platform/Shell.h"
#include "support/TestWorld.h"
#include "world/lib/Build.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString diskutil(const QStringList& args) { return platform::shellLine("/usr/sbin/diskutil", args); }

TEST(Diskutil, InfoAnswersEveryKindOfTarget) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok()) << w.error().toStdString();
  const auto byName = diskInfo("disk3s2");
  ASSERT_TRUE(byName);
  const QString uuid = byName->value("VolumeUUID").toString();
  const QString diskUuid = byName->value("DiskUUID").toString();
  ASSERT_FALSE(uuid.isEmpty());
  for (const QString& target : {QString("disk3s2"), QString("/dev/disk3s2"), QString("/dev/rdisk3s2"),
                                QString("/Volumes/USB Stick"), QString("/Volumes/USB Stick/Photos"),
                                QString("USB Stick"), uuid, uuid.toLower(), diskUuid}) {
    const auto d = diskInfo(target);
    ASSERT_TRUE(d) << target.toStdString();
    EXPECT_EQ(d->value("DeviceIdentifier").toString(), "disk3s2") << target.toStdString();
  }
  EXPECT_EQ(byName->value("VolumeName").toString(), "USB Stick");
  EXPECT_EQ(byName->value("MountPoint").toString(), "/Volumes/USB Stick");
  EXPECT_EQ(byName->value("DeviceNode").toString(), "/dev/disk3s2");
  EXPECT_EQ(byName->value("ParentWholeDisk").toString(), "disk3");
  EXPECT_EQ(byName->value("BusProtocol").toString(), "USB");
  EXPECT_EQ(byName->value("FilesystemName").toString(), "Journaled HFS+");
  EXPECT_EQ(byName->value("FilesystemType").toString(), "hfs");
  EXPECT_TRUE(byName->value("Ejectable").toBool());
  EXPECT_FALSE(byName->value("Internal").toBool());
  EXPECT_TRUE(byName->value("WritableVolume").toBool());
  // Free space is capacity minus what the folder holds.
  const qint64 total = byName->value("TotalSize").toLongLong();
  const qint64 held = world::folderBytes(w.host("/Volumes/USB Stick"));
  EXPECT_EQ(byName->value("FreeSpace").toLongLong(), total - held);
  EXPECT_GT(held, 0);
}

TEST(Diskutil, DisksLookAsOnAMac) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const auto root = diskInfo("/");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->value("VolumeName").toString(), "Macintosh HD");
  EXPECT_EQ(root->value("FilesystemName").toString(), "APFS");
  EXPECT_EQ(root->value("APFSContainerReference").toString(), "disk1");
  EXPECT_EQ(root->value("FreeSpace").toLongLong(), 0);  // the sealed system volume
  EXPECT_GT(root->value("APFSContainerFree").toLongLong(), 0);
  EXPECT_LT(root->value("APFSContainerFree").toLongLong(), root->value("APFSContainerSize").toLongLong());
  EXPECT_FALSE(root->value("Ejectable").toBool());
  const auto container = diskInfo("disk1");
  ASSERT_TRUE(container);
  EXPECT_EQ(container->value("VirtualOrPhysical").toString(), "Virtual");
  EXPECT_EQ(container->value("IORegistryEntryName").toString(), "AppleAPFSMedia");

  struct Case {
    const char* target;
    const char* key;
    QVariant value;
  };
  const Case cases[] = {
      {"/dev/disk3", "WholeDisk", true},
      {"/dev/disk3", "VirtualOrPhysical", "Physical"},
      {"/dev/disk3", "Content", "GUID_partition_scheme"},
      {"/dev/disk3", "MediaName", "SanDisk Ultra"},
      {"/dev/disk3", "RAIDMaster", false},
      {"/dev/disk3", "CoreStorageEncrypted", false},
      {"/dev/disk0", "BusProtocol", "PCI-Express"},
      {"/dev/disk2", "Ejectable", false},
      {"/dev/disk2", "BusProtocol", "SATA"},
      {"/dev/disk5", "BusProtocol", "Secure Digital"},
      {"/Volumes/SD CARD", "FilesystemName", "MS-DOS FAT32"},
      {"/Volumes/Windows Backup", "FilesystemType", "ntfs"},
      {"/Volumes/Windows Backup", "WritableVolume", false},
      {"disk0s2", "APFSContainerReference", "disk1"},
      {"disk1s4", "MountPoint", ""},
      {"/System/Volumes/Preboot", "VolumeName", "Preboot"},
  };
  for (const Case& c : cases) {
    const auto d = diskInfo(c.target);
    ASSERT_TRUE(d) << c.target;
    EXPECT_EQ(d->value(c.key), c.value) << c.target << " " << c.key;
  }

  const auto list = dictionaryOf(diskutil({"list", "-plist"}));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->value("WholeDisks").toStringList(),
            (QStringList{"disk0", "disk1", "disk2", "disk3", "disk4", "disk5"}));
  EXPECT_TRUE(list->value("VolumesFromDisks").toStringList().contains("USB Stick"));
  const auto one = dictionaryOf(diskutil({"list", "-plist", "/dev/disk1"}));
  ASSERT_TRUE(one);
  const QVariantList volumes = one->value("AllDisksAndPartitions").toList().value(0).toMap().value("APFSVolumes").toList();
  QStringList names;
  for (const QVariant& v : volumes) names << v.toMap().value("VolumeName").toString();
  EXPECT_EQ(names, (QStringList{"Macintosh HD", "Macintosh HD - Data", "Preboot", "Recovery", "VM"}));
}

TEST(Diskutil, FailsLikeTheMacTool) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const ToolRun missing = runTool("/usr/sbin/diskutil", {"info", "-plist", "disk42"});
  EXPECT_NE(missing.status, 0);
  EXPECT_TRUE(missing.out.isEmpty());
  EXPECT_TRUE(missing.err.contains("Could not find disk: disk42"));
  EXPECT_FALSE(diskInfo("disk42"));

  world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"diskutil info"});
  const ToolRun failing = runTool("/usr/sbin/diskutil", {"info", "-plist", "disk3"});
  EXPECT_NE(failing.status, 0);
  EXPECT_TRUE(failing.out.isEmpty());
  EXPECT_FALSE(failing.err.isEmpty());
  EXPECT_TRUE(dictionaryOf(diskutil({"list", "-plist"})));  // only the named verb fails
}

TEST(Diskutil, RefusesToEraseTheStartupDisk) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QStringList lines = {
      diskutil({"eraseDisk", "JHFS+", "X", "disk0"}),
      diskutil({"eraseDisk", "APFS", "X", "GPT", "/dev/disk0"}),
      diskutil({"eraseVolume", "Journaled HFS+", "X", "/dev/disk1s1"}),
      diskutil({"eraseVolume", "APFS", "X", "disk1s2"}),
      diskutil({"reformat", "/dev/disk1s1"}),
      diskutil({"eraseVolume", "ExFAT", "X", "disk0s2"}),
      "/bin/bash -c " + platform::shellQuote("diskutil eraseDisk JHFS+ 'X' 'disk0'"),
  };
  for (const QString& line : lines) {
    const ToolRun r = runLine(line);
    EXPECT_NE(r.status, 0) << line.toStdString();
    EXPECT_FALSE(r.err.isEmpty()) << line.toStdString();
  }
  EXPECT_TRUE(QFileInfo::exists(w.host("/Users/alex/Documents/Report 2023.pdf")));
  EXPECT_EQ(diskInfo("/")->value("VolumeName").toString(), "Macintosh HD");
}

TEST(Diskutil, EraseRenameEjectRoundTrips) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // eraseVolume with each personality: info shows the new name and file system.
  struct Case {
    const char* personality;
    const char* name;
    const char* expectedName;
    const char* fsName;
  };
  const Case cases[] = {{"ExFAT", "Ex", "Ex", "ExFAT"},
                        {"MS-DOS FAT32", "photos", "PHOTOS", "MS-DOS FAT32"},
                        {"Journaled HFS+", "Mac Disk", "Mac Disk", "Journaled HFS+"},
                        {"APFS", "Apfs Vol", "Apfs Vol", "APFS"}};
  for (const Case& c : cases) {
    const QString device = "/dev/disk5s1";
    const ToolRun r = runLine(diskutil({"eraseVolume", c.personality, c.name, device}));
    ASSERT_EQ(r.status, 0) << c.personality << r.err.toStdString();
    const auto d = diskInfo(QString("/Volumes/") + c.expectedName);
    ASSERT_TRUE(d) << c.personality;
    EXPECT_EQ(d->value("VolumeName").toString(), c.expectedName);
    EXPECT_EQ(d->value("FilesystemName").toString(), c.fsName);
    EXPECT_FALSE(QFileInfo::exists(w.host(QString("/Volumes/") + c.expectedName + "/DCIM")));
    if (QString(c.fsName) == "APFS") EXPECT_EQ(d->value("APFSContainerReference").toString(), "disk6");
  }
  // A full-size FAT32 name is refused; a partition's files survive a failed erase.
  const ToolRun longName = runLine(diskutil({"eraseVolume", "MS-DOS FAT32", "MUCH TOO LONG NAME", "disk3s2"}));
  EXPECT_NE(longName.status, 0);
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/USB Stick/readme.txt")));

  // rename by DiskUUID, the way the disk manager addresses a volume.
  const QString uuid = diskInfo("disk3s2")->value("DiskUUID").toString();
  ASSERT_EQ(runLine(diskutil({"rename", uuid, "Stick 2"})).status, 0);
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/Stick 2/readme.txt")));
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/USB Stick")));

  // eject: gone from Volumes and from the list; attach brings the same files back.
  const ToolRun ej = runLine(diskutil({"eject", uuid}));
  ASSERT_EQ(ej.status, 0) << ej.err.toStdString();
  EXPECT_TRUE(ej.out.contains("ejected"));
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/Stick 2")));
  EXPECT_FALSE(diskInfo(uuid));
  QString error;
  QString id;
  ASSERT_TRUE(world::DiskDatabase(w.layout()).modify([&](world::DiskDatabase& db) {
    id = world::attachDisk(db, "SanDisk Ultra", &error);
    return !id.isEmpty();
  })) << error.toStdString();
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/Stick 2/readme.txt")));

  // unmountDisk keeps the files; mountDisk shows them again.
  ASSERT_EQ(runLine(diskutil({"unmountDisk", "/dev/" + id})).status, 0);
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/Stick 2")));
  const ToolRun mounted = runLine(diskutil({"mountDisk", "/dev/" + id}));
  ASSERT_EQ(mounted.status, 0);
  EXPECT_FALSE(dictionaryOf(diskutil({"mountDisk", "/dev/" + id})));  // plain text, not a property list
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/Stick 2/readme.txt")));
}

TEST(Diskutil, ReformatKeepsNameAndFileSystemAndDropsTheFiles) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // The disk manager's APFS path: rename by DiskUUID, then reformat the device node.
  ASSERT_EQ(runLine(diskutil({"eraseVolume", "APFS", "Apfs Vol", "/dev/disk5s1"})).status, 0);
  const auto apfs = diskInfo("/Volumes/Apfs Vol");
  ASSERT_TRUE(apfs);
  const QString node = apfs->value("DeviceNode").toString();
  QFile file(w.host("/Volumes/Apfs Vol/old.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ASSERT_EQ(runLine(diskutil({"rename", apfs->value("DiskUUID").toString(), "Fresh Name"})).status, 0);
  const ToolRun r = runTool("/usr/sbin/diskutil", {"reformat", node});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const auto after = diskInfo(node);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->value("VolumeName").toString(), "Fresh Name");
  EXPECT_EQ(after->value("FilesystemName").toString(), "APFS");
  EXPECT_EQ(after->value("MountPoint").toString(), "/Volumes/Fresh Name");
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/Fresh Name")).isDir());
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/Fresh Name/old.txt")));
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/Apfs Vol")));

  // Any other volume keeps its own personality; a volume that cannot be written is left alone.
  ASSERT_EQ(runLine(diskutil({"reformat", "/dev/disk3s2"})).status, 0);
  EXPECT_EQ(diskInfo("disk3s2")->value("FilesystemName").toString(), "Journaled HFS+");
  EXPECT_EQ(diskInfo("disk3s2")->value("VolumeName").toString(), "USB Stick");
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/USB Stick/readme.txt")));
  EXPECT_NE(runLine(diskutil({"reformat", "/dev/disk4s1"})).status, 0);
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/Windows Backup/Documents/Tax 2022.pdf")));
}

TEST(Diskutil, EraseDiskMountsTheNewVolumeBeforeItEnds) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // As the installer engine runs it: through /bin/bash -c with quoted values.
  const QString uuidName = "6B1F2C1E-0000-4000-8000-00000000ABCD";
  const ToolRun r = runTool("/bin/bash", {"-c", QString("diskutil eraseDisk JHFS+ '%1' '%2'").arg(uuidName, "disk3")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/" + uuidName)).isDir());
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/USB Stick")));

  // As the clone engine runs it, one file system per system version: an
  // argument list; APFS makes a container whose store is the second partition.
  struct Case {
    const char* format;
    const char* fsName;
    const char* content;
  };
  const Case cases[] = {{"HFS+", "HFS+", "Apple_HFS"},
                        {"JHFS+", "Journaled HFS+", "Apple_HFS"},
                        {"APFS", "APFS", "Apple_APFS"}};
  for (const Case& c : cases) {
    const ToolRun erased = runTool("/usr/sbin/diskutil", {"eraseDisk", c.format, "NewCloneSystem", "disk3"});
    ASSERT_EQ(erased.status, 0) << c.format << erased.err.toStdString();
    EXPECT_TRUE(QFileInfo(w.host("/Volumes/NewCloneSystem")).isDir()) << c.format;
    const auto v = diskInfo("/Volumes/NewCloneSystem");
    ASSERT_TRUE(v) << c.format;
    EXPECT_EQ(v->value("FilesystemName").toString(), c.fsName);
    EXPECT_TRUE(v->value("Ejectable").toBool());
    const auto list = dictionaryOf(diskutil({"list", "-plist", "/dev/disk3"}));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->value("AllDisks").toStringList(), (QStringList{"disk3", "disk3s1", "disk3s2"})) << c.format;
    const auto store = diskInfo("disk3s2");
    EXPECT_EQ(store->value("Content").toString(), c.content) << c.format;
    if (QString(c.format) == "APFS") {
      const QString container = v->value("APFSContainerReference").toString();
      EXPECT_FALSE(container.isEmpty());
      EXPECT_EQ(store->value("APFSContainerReference").toString(), container);
    } else {
      EXPECT_EQ(v->value("DeviceIdentifier").toString(), "disk3s2");
    }
  }
  // A master boot record has no EFI partition: the volume is the first slice.
  ASSERT_EQ(runTool("/usr/sbin/diskutil", {"eraseDisk", "JHFS+", "Stick", "MBR", "disk3"}).status, 0);
  EXPECT_EQ(diskInfo("/Volumes/Stick")->value("DeviceIdentifier").toString(), "disk3s1");
  EXPECT_EQ(diskInfo("disk3")->value("Content").toString(), "FDisk_partition_scheme");
}

TEST(Diskutil, ResizeVolumeMakesRoomForANewVolume) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // As the USB disk service runs it: the partition shrunk by 2.5 GB, a JHFS+ volume in its place.
  const qint64 total = diskInfo("disk3s2")->value("TotalSize").toLongLong();
  const QString kept = QString("%1B").arg(total - 2500000000LL);
  const ToolRun r =
      runTool("/usr/sbin/diskutil", {"resizeVolume", "disk3s2", kept, "JHFS+", "NewCloneSystem", "2500000000B"});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(diskInfo("disk3s2")->value("TotalSize").toLongLong(), total - 2500000000LL);
  EXPECT_TRUE(QFileInfo::exists(w.host("/Volumes/USB Stick/readme.txt")));
  const auto added = diskInfo("/Volumes/NewCloneSystem");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->value("DeviceIdentifier").toString(), "disk3s3");
  EXPECT_EQ(added->value("TotalSize").toLongLong(), 2500000000LL);
  EXPECT_EQ(added->value("FilesystemName").toString(), "Journaled HFS+");

  // Refused, and nothing changes: below the data held, more than the partition,
  // no volume of a partition (the startup system), a read-only volume.
  const QStringList refused[] = {
      {"resizeVolume", "disk3s2", "1000B"},
      {"resizeVolume", "disk2s2", "10G", "JHFS+", "Big", "2T"},
      {"resizeVolume", "disk1s1", "10G"},
      {"resizeVolume", "disk4s1", "100G"},
      {"resizeVolume", "disk3s2", "lots"},
  };
  for (const QStringList& args : refused) {
    const ToolRun f = runTool("/usr/sbin/diskutil", args);
    EXPECT_NE(f.status, 0) << args.join(' ').toStdString();
    EXPECT_FALSE(f.err.isEmpty()) << args.join(' ').toStdString();
  }
  EXPECT_EQ(diskInfo("disk3s2")->value("TotalSize").toLongLong(), total - 2500000000LL);
  EXPECT_FALSE(diskInfo("/Volumes/Big"));
}

TEST(Diskutil, HostileNamesSurviveEveryCommand) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QStringList names = {"it's \"quoted\"", "$(touch /tmp/pwned) `id`", "back\\slash", "new\nline",
                             "Ünïcødé café", "a/b"};
  for (const QString& name : names) {
    ASSERT_EQ(runLine(diskutil({"eraseVolume", "Journaled HFS+", name, "/dev/disk3s2"})).status, 0)
        << name.toStdString();
    auto d = diskInfo("disk3s2");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->value("VolumeName").toString(), name);
    const QString mountPoint = d->value("MountPoint").toString();
    EXPECT_TRUE(QFileInfo(w.host(mountPoint)).isDir()) << mountPoint.toStdString();
    EXPECT_EQ(diskInfo(mountPoint)->value("DeviceIdentifier").toString(), "disk3s2");
    EXPECT_EQ(diskInfo(name)->value("DeviceIdentifier").toString(), "disk3s2");
    ASSERT_EQ(runLine(diskutil({"unmount", mountPoint})).status, 0) << name.toStdString();
    EXPECT_FALSE(QFileInfo::exists(w.host(mountPoint)));
    ASSERT_EQ(runLine(diskutil({"mount", d->value("DiskUUID").toString()})).status, 0) << name.toStdString();
    EXPECT_TRUE(QFileInfo(w.host(mountPoint)).isDir());
    const QString renamed = name + " 2";
    ASSERT_EQ(runLine(diskutil({"rename", d->value("DiskUUID").toString(), renamed})).status, 0);
    EXPECT_EQ(diskInfo("disk3s2")->value("VolumeName").toString(), renamed);
  }
  EXPECT_FALSE(QFileInfo::exists("/tmp/pwned"));
  EXPECT_FALSE(QFileInfo::exists(w.host("/tmp/pwned")));
}

TEST(Diskutil, ConcurrentToolsKeepTheDatabaseWhole) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // Renames, mounts and reads of several disks at once, as several screens may run them.
  QString script;
  for (int i = 0; i < 6; ++i) {
    script += diskutil({"rename", "disk3s2", QString("Stick%1").arg(i)}) + " >/dev/null & ";
    script += diskutil({"unmount", "disk5s1"}) + " >/dev/null; " + diskutil({"mount", "disk5s1"}) + " >/dev/null & ";
    script += diskutil({"rename", "disk2s2", QString("Data%1").arg(i)}) + " >/dev/null & ";
    script += diskutil({"info", "-plist", "disk4s1"}) + " >/dev/null & ";
  }
  script += "wait";
  ASSERT_EQ(runLine(script).status, 0);
  world::DiskDatabase db(w.layout());
  ASSERT_TRUE(db.load());
  EXPECT_EQ(db.media().size(), 19);
  const world::Media* stick = db.find("disk3s2");
  const world::Media* data = db.find("disk2s2");
  const world::Media* sd = db.find("disk5s1");
  ASSERT_TRUE(stick && data && sd);
  // Each mounted volume's folder is where the database says, with its files.
  EXPECT_TRUE(QFileInfo::exists(w.host(stick->mountPoint + "/readme.txt"))) << stick->mountPoint.toStdString();
  EXPECT_TRUE(QFileInfo::exists(w.host(data->mountPoint + "/Movies/Trailer.mov")));
  EXPECT_TRUE(QFileInfo::exists(w.host(sd->mountPoint + "/DCIM")));
  // No volume folder was left behind or lost.
  QStringList entries = QDir(w.host("/Volumes")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
  entries.sort();
  QStringList expected{"Macintosh HD", stick->volumeName, data->volumeName, sd->volumeName, "Windows Backup"};
  expected.sort();
  EXPECT_EQ(entries, expected);
}

// The program re-reads the database on every look and keeps the last parse: a
// tool's change must show even when it leaves the file's size and time alone.
TEST(DiskDatabase, EveryChangeOfTheFileIsReadAgain) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QString file = w.layout().disksFile();
  world::DiskDatabase db(w.layout());
  ASSERT_TRUE(db.load());
  ASSERT_TRUE(db.find("disk3s2"));
  EXPECT_EQ(db.find("disk3s2")->volumeName, "USB Stick");

  struct stat before;
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &before), 0);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray bytes = f.readAll();
  f.close();
  ASSERT_TRUE(bytes.contains("USB Stick"));
  bytes.replace("USB Stick", "USB Stock");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
  f.close();
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);

  world::DiskDatabase again(w.layout());
  ASSERT_TRUE(again.load());
  ASSERT_TRUE(again.find("disk3s2"));
  EXPECT_EQ(again.find("disk3s2")->volumeName, "USB Stock");
  // A file that is no longer a database is not answered from the last parse.
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("not a property list");
  f.close();
  world::DiskDatabase broken(w.layout());
  EXPECT_FALSE(broken.load());
  EXPECT_TRUE(broken.media().isEmpty());
}

}  // namespace
