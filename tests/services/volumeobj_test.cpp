// Volume records from "diskutil info -plist" dictionaries, and the clone
// volume's name.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "VolumesTestHelpers.h"
#include "support/TestWorld.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "platform/VolumeWatch.h"
#include "services/WatchMountUnmount.h"
#include "services/KVPublicUtilities.h"
#include "services/KVUSBControl.h"
#include "services/VolumeObj.h"

using namespace volumes_test;
using Filler = VolumeObj::Filler;

namespace {

const QList<Filler> kAllFillers = {Filler::PickerVolume, Filler::PickerWholeDisk, Filler::CloneEngine,
                                   Filler::DiskManager};

QVariantMap volume(const QString& fs, qint64 free, qint64 containerFree) {
  return {{"VolumeName", "Data"},
          {"FilesystemName", fs},
          {"FreeSpace", free},
          {"APFSContainerFree", containerFree},
          {"TotalSize", qint64(500000000000)},
          {"MountPoint", "/Volumes/Data"},
          {"DeviceIdentifier", "disk2s1"},
          {"DeviceNode", "/dev/disk2s1"},
          {"DiskUUID", "UUID-1"},
          {"Ejectable", true},
          {"BusProtocol", "USB"},
          {"ParentWholeDisk", "disk2"},
          {"IORegistryEntryName", "SanDisk Media"}};
}

}  // namespace

TEST(VolumeObjTest, FreeSpaceRulePerFiller) {
  struct Case {
    const char* name;
    QString fs;
    qint64 free;
    // expected free per filler: picker, whole disk, clone, disk manager
    QList<qint64> expected;
  };
  const QList<Case> cases = {
      {"APFS with no own free space: container's everywhere", "APFS", 0, {777, 777, 777, 777}},
      {"APFS with own free space: disk manager keeps it", "APFS", 123, {777, 777, 777, 123}},
      {"lower-case apfs: only the upper-casing fillers", "apfs", 0, {777, 777, 777, 0}},
      {"HFS+ keeps its own", "Mac OS Extended (Journaled)", 55, {55, 55, 55, 55}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < kAllFillers.size(); ++i) {
      VolumeObjPtr v = VolumeObj::fromDiskInfo(volume(c.fs, c.free, 777), kAllFillers[i]);
      ASSERT_TRUE(v);
      EXPECT_EQ(v->volumeFreeSizeNum, c.expected[i]) << "filler " << i;
      EXPECT_EQ(v->volumeFreeSize, KVPublicUtilities::longlongConvertVolSpace(c.expected[i]));
    }
  }
  // The disk manager names a volume whose container's space it took "APFS".
  EXPECT_EQ(VolumeObj::fromDiskInfo(volume("APFS", 0, 1), Filler::DiskManager)->diskType, "APFS");
  EXPECT_EQ(VolumeObj::fromDiskInfo(volume("ExFAT", 0, 1), Filler::DiskManager)->diskType, "ExFAT");
}

TEST(VolumeObjTest, FieldsPerFiller) {
  const QVariantMap info = volume("ExFAT", 42, 0);
  struct Case {
    Filler filler;
    QString name, path, type, diskType, bus, root, parent;
  };
  const QList<Case> cases = {
      {Filler::PickerVolume, "Data", "/Volumes/Data", "ExFAT", "", "", "", ""},
      {Filler::PickerWholeDisk, "SanDisk Media", "disk2s1", " ", "", "", "", ""},
      {Filler::CloneEngine, "Data", "disk2s1", "ExFAT", "", "", "", ""},
      {Filler::DiskManager, "Data", "/dev/disk2s1", "", "ExFAT", "USB", "/dev/disk2s1", "disk2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.filler));
    VolumeObjPtr v = VolumeObj::fromDiskInfo(info, c.filler);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->volumeName, c.name);
    EXPECT_EQ(v->volumePath, c.path);
    EXPECT_EQ(v->volumeType, c.type);
    EXPECT_EQ(v->diskType, c.diskType);
    EXPECT_EQ(v->BusProtocol, c.bus);
    EXPECT_EQ(v->volRootDir, c.root);
    EXPECT_EQ(v->parentWholeDisk, c.parent);
    EXPECT_EQ(v->volumeMountPoint, "/Volumes/Data");
    EXPECT_EQ(v->diskUUID, "UUID-1");
    EXPECT_TRUE(v->bCanEject);
    EXPECT_EQ(v->volumeTotalSizeNum, 500000000000);
    EXPECT_EQ(v->volumeTotalSize, "500.00 GB");
  }
  // A whole disk keeps APFS as its type and is always ejectable.
  QVariantMap apfsDisk = volume("APFS", 0, 9);
  apfsDisk["Ejectable"] = false;
  VolumeObjPtr disk = VolumeObj::fromDiskInfo(apfsDisk, Filler::PickerWholeDisk);
  EXPECT_EQ(disk->volumeType, "APFS");
  EXPECT_TRUE(disk->bCanEject);
  // The disk manager may bring its own size texts.
  VolumeObjPtr own = VolumeObj::fromDiskInfo(info, Filler::DiskManager,
                                             [](qint64 n) { return QString("<%1>").arg(n); });
  EXPECT_EQ(own->volumeFreeSize, "<42>");
  EXPECT_EQ(own->volumeTotalSize, "<500000000000>");
}

TEST(VolumeObjTest, WhichDictionariesMakeRecords) {
  QVariantMap noName = volume("HFS+", 1, 0);
  noName.remove("VolumeName");
  QVariantMap efi = volume("MS-DOS FAT32", 1, 0);
  efi["VolumeName"] = "EFI";
  struct Case {
    const char* name;
    QVariantMap info;
    QList<bool> made;  // picker, whole disk, clone, disk manager
  };
  const QList<Case> cases = {
      {"no VolumeName", noName, {false, true, false, false}},
      {"EFI", efi, {true, true, true, false}},
      {"empty dictionary", {}, {false, true, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i = 0; i < kAllFillers.size(); ++i)
      EXPECT_EQ(bool(VolumeObj::fromDiskInfo(c.info, kAllFillers[i])), c.made[i]) << "filler " << i;
  }
  // Missing keys read as 0, NO and empty; a whole disk without a registry name is "Unknown".
  VolumeObjPtr bare = VolumeObj::fromDiskInfo({{"VolumeName", "V"}}, Filler::PickerVolume);
  EXPECT_EQ(bare->volumeTotalSizeNum, 0);
  EXPECT_EQ(bare->volumeFreeSizeNum, 0);
  EXPECT_EQ(bare->volumeTotalSize, "0 byte");
  EXPECT_FALSE(bare->bCanEject);
  EXPECT_TRUE(bare->volumePath.isEmpty());
  EXPECT_EQ(VolumeObj::fromDiskInfo({}, Filler::PickerWholeDisk)->volumeName, "Unknown");
}

TEST(KVUSBControlTest, CloneVolumeNameSkipsTakenFolders) {
  struct Case {
    const char* name;
    QStringList folders, files;
    QString expected;
  };
  const QList<Case> cases = {
      {"nothing taken", {}, {}, "NewCloneSystem"},
      {"first two taken", {"NewCloneSystem", "NewCloneSystem1"}, {}, "NewCloneSystem2"},
      {"a gap is used", {"NewCloneSystem", "NewCloneSystem1", "NewCloneSystem3"}, {}, "NewCloneSystem2"},
      {"a plain file does not count", {}, {"NewCloneSystem"}, "NewCloneSystem"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestWorld world;
    ASSERT_TRUE(world.ok()) << world.error().toStdString();
    QDir().mkpath(world.host("/Volumes"));
    for (const QString& f : c.folders) QDir().mkpath(world.host("/Volumes/" + f));
    for (const QString& f : c.files) ASSERT_TRUE(writeFile(world.host("/Volumes/" + f), 1));
    KVUSBControl* usb = KVUSBControl::KVShareInstance();
    usb->HlbCreateVolumeName();
    EXPECT_EQ(usb->KVGetOstrelVolumeName(), c.expected);
    EXPECT_EQ(usb->KVGetOstrelVolumePath(), "/Volumes/" + c.expected);
    EXPECT_EQ(KVUSBControl::KVShareInstance(), usb);
  }
}

TEST(WatchMountUnmountTest, RepostsMountAndUnmountWithThePath) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok()) << world.error().toStdString();
  QObject observer;
  struct Seen {
    QString name, path;
    QObject* watcher;
    bool onMain;
  };
  QList<Seen> seen;
  for (const char* name : {MCVolumeMountNotification, MCVolumeUnmountNotification}) {
    const QString n = QLatin1String(name);
    platform::NotificationCenter::defaultCenter().addObserver(&observer, n, [&seen, n](const QVariant& v) {
      const QVariantMap info = v.toMap();
      seen.append({n, info.value(platform::NSDevicePath).toString(),
                   info.value(kMCVolumeWatcherKey).value<QObject*>(), platform::isMainThread()});
    });
  }
  WatchMountUnmount watcher;
  const auto diskutil = [](const QStringList& args) {
    return platform::runShell(platform::shellLine("/usr/sbin/diskutil", args));
  };
  ASSERT_EQ(diskutil({"unmount", "/Volumes/USB Stick"}), 0);
  ASSERT_TRUE(waitFor([&] { return !seen.isEmpty(); }, 10000));
  ASSERT_EQ(diskutil({"mount", "disk3s2"}), 0);
  ASSERT_TRUE(waitFor([&] { return seen.size() >= 2; }, 10000));
  settle(200);
  ASSERT_EQ(seen.size(), 2);
  EXPECT_EQ(seen[0].name, "MCVolumeUnmount");
  EXPECT_EQ(seen[1].name, "MCVolumeMount");
  for (const Seen& s : seen) {
    EXPECT_EQ(s.path, "/Volumes/USB Stick");
    EXPECT_EQ(s.watcher, &watcher);
    EXPECT_TRUE(s.onMain);
  }
}
