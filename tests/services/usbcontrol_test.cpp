// The USB disk service: its list of disks that can take a clone, kept as disks
// come and go, and the partition routine that makes room for the clone volume.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include "TestWorld.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/KVLog.h"
#include "services/KVUSBControl.h"
#include "usb_support.h"
#include "world/lib/Tools.h"

namespace {

using usbtest::listed;

// `qdc-world COMMAND <w> ARGS…` (the host's tool, outside the world).
int worldCommand(const TestWorld& w, const QStringList& args) {
  return QProcess::execute(world::defaultToolsDir() + "/qdc-world",
                           QStringList{args.first(), w.dir()} + args.mid(1));
}

using usbtest::Finish;

}  // namespace

TEST(USBDiskList, KeepsTheUSBDisksThatCanTakeACloneAsTheyComeAndGo) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  KVUninitLog();  // the log of this world
  KVUSBControl* usb = KVUSBControl::KVShareInstance();
  Finish finish;
  usb->KVSetDelegateObj(&finish);
  platform::dispatchGlobal([usb] { usb->KVEnumUSB(); });
  ASSERT_TRUE(waitUntil([&] { return finish.finished == 1; }, 30000));
  // The stick and the USB drive; not the SD card, not the internal disks.
  EXPECT_EQ(listed(), (QStringList{"disk3", "disk4"}));
  const QVariantMap stick = usb->KVGetUSBList().first().toMap();
  EXPECT_EQ(stick.value("KVUSBTotalSize").toLongLong(), 32015679488LL);
  EXPECT_EQ(stick.value("KVUSBMediaName").toString(), "SanDisk Ultra");

  // A stick below the clone's size and a disk image do not qualify; a big stick does.
  ASSERT_EQ(worldCommand(w, {"attach", "--new", "usb", "Tiny", "1G"}), 0);
  ASSERT_EQ(platform::runShell(platform::shellLine(
                "/usr/bin/hdiutil", {"create", "-size", "3g", "-fs", "HFS+", "-volname", "Img", "/Volumes/Data/i.dmg"})),
            0);
  ASSERT_EQ(platform::runShell(platform::shellLine("/usr/bin/hdiutil", {"attach", "/Volumes/Data/i.dmg"})), 0);
  ASSERT_EQ(worldCommand(w, {"attach", "--new", "usb", "Big Stick", "16G"}), 0);
  ASSERT_TRUE(waitUntil([] { return listed().size() == 3; }, 20000)) << qPrintable(listed().join(","));
  // The big stick came last: the look that found it had handed every disk
  // before it to the global queue, so once that queue is idle all are judged.
  platform::waitForGlobalQueue();
  EXPECT_EQ(listed().size(), 3) << qPrintable(listed().join(","));

  // Unplugged: gone from the list.
  ASSERT_EQ(worldCommand(w, {"detach", "disk3"}), 0);
  ASSERT_TRUE(waitUntil([] { return !listed().contains("disk3"); }, 20000));
  EXPECT_EQ(listed().size(), 2);
  EXPECT_EQ(finish.finished, 1);

  // Each change is logged with the list as it then is.
  QFile log(w.host(KVLogPath()));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(log.readAll());
  EXPECT_EQ(text.count("  Add ("), 3);
  EXPECT_EQ(text.count("  remove ("), 1);
  EXPECT_TRUE(text.contains("KVUSBMediaName = \"SanDisk Ultra\"")) << qPrintable(text);
  usb->KVSetDelegateObj(nullptr);
}

TEST(USBPartition, ChoosesTheLastPartitionWithRoomOrSaysWhyNot) {
  const qint64 GB = 1000000000LL;
  auto part = [](const QString& id, const QString& content, qint64 size) {
    return QVariantMap{{"DeviceIdentifier", id}, {"Content", content}, {"Size", size}};
  };
  auto list = [](const QVariantList& partitions) {
    return QVariantMap{{"AllDisksAndPartitions",
                        QVariantList{QVariantMap{{"DeviceIdentifier", "disk2"}, {"Size", 16 * 1000000000LL}},
                                     QVariantMap{{"DeviceIdentifier", "disk4"},
                                                 {"Size", 16 * 1000000000LL},
                                                 {"Partitions", partitions}}}}};
  };
  // Mount point and free space of each partition, as "diskutil info" gives them.
  const QMap<QString, QVariantMap> infos = {
      {"disk4s2", {{"MountPoint", "/Volumes/A"}, {"FreeSpace", 10 * GB}}},
      {"disk4s3", {{"MountPoint", "/Volumes/B"}, {"FreeSpace", 2 * GB}}},
      {"disk4s4", {{"MountPoint", ""}, {"FreeSpace", 0}}},
      {"disk4s5", {{"MountPoint", "/Volumes/E"}, {"FreeSpace", 2600000000LL}}},
  };
  const KVUSBControl::InfoLookup info = [&](const QString& id) -> std::optional<QVariantMap> {
    if (!infos.contains(id)) return std::nullopt;
    return infos.value(id);
  };
  const QVariantMap entry{{"KVUSBBsdName", "disk4"}, {"KVUSBTotalSize", 16 * GB}};
  const QVariant efi = part("disk4s1", "EFI", 200000000);
  struct Case {
    const char* name;
    QVariantList partitions;
    QString partition;
    int error;
    bool cancel = false;
  };
  const QList<Case> cases = {
      {"room on the only data partition", {efi, part("disk4s2", "Apple_HFS", 15 * GB)}, "disk4s2", 0},
      {"the last with room wins over an earlier one",
       {efi, part("disk4s2", "Apple_HFS", 8 * GB), part("disk4s5", "Apple_HFS", 7 * GB)}, "disk4s5", 0},
      {"a boot helper partition is passed over",
       {efi, part("disk4s2", "Apple_HFS", 8 * GB), part("disk4s9", "Apple_Boot", 1 * GB)}, "disk4s2", 0},
      {"CoreStorage", {efi, part("disk4s6", "Apple_CoreStorage", 15 * GB)}, "", KVUSBControl::kCoreStorage},
      {"neither mounted nor free space", {efi, part("disk4s4", "Apple_HFS", 15 * GB)}, "", KVUSBControl::kNoMountNoFree},
      {"too little free", {efi, part("disk4s3", "Apple_HFS", 15 * GB)}, "", KVUSBControl::kNoRoom},
      {"one partition only", {part("disk4s2", "Apple_HFS", 15 * GB)}, "", KVUSBControl::kNoRoom},
      {"only boot partitions after the first", {efi, part("disk4s9", "Apple_Boot", GB)}, "", KVUSBControl::kNoRoom},
      {"cancelled", {efi, part("disk4s2", "Apple_HFS", 15 * GB)}, "", KVUSBControl::kNoRoom, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto choice = KVUSBControl::choosePartition(list(c.partitions), entry, info, [&] { return c.cancel; });
    EXPECT_EQ(choice.partition, c.partition);
    EXPECT_EQ(choice.error, c.error);
  }
  // A disk whose size differs is another disk.
  const auto other = KVUSBControl::choosePartition(
      list({efi, part("disk4s2", "Apple_HFS", 15 * GB)}),
      QVariantMap{{"KVUSBBsdName", "disk4"}, {"KVUSBTotalSize", 8 * GB}}, info, {});
  EXPECT_EQ(other.error, KVUSBControl::kNoRoom);
}

TEST(USBPartition, ResizeMakesTheCloneVolume) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  KVUSBControl* usb = KVUSBControl::KVShareInstance();
  usb->HlbCreateVolumeName();
  std::optional<QString> made;
  platform::dispatchGlobal([&] {
    made = usb->KVCreateOstrelPartition({{"KVUSBBsdName", "disk3"}, {"KVUSBTotalSize", 32015679488LL}});
  });
  platform::waitForGlobalQueue();
  ASSERT_TRUE(made.has_value()) << usb->KVGetErrObjs().value("disk3").toInt();
  EXPECT_EQ(*made, "/Volumes/NewCloneSystem");
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/NewCloneSystem")).isDir());
  EXPECT_TRUE(QFileInfo(w.host("/Volumes/USB Stick")).isDir());

  // The world's diskutil refuses the resize: no new volume, -13.
  ASSERT_EQ(worldCommand(w, {"fail", "diskutil", "resizeVolume"}), 0);
  usb->HlbCreateVolumeName();
  platform::dispatchGlobal([&] {
    made = usb->KVCreateOstrelPartition({{"KVUSBBsdName", "disk3"}, {"KVUSBTotalSize", 32015679488LL}});
  });
  platform::waitForGlobalQueue();
  EXPECT_FALSE(made.has_value());
  EXPECT_EQ(usb->KVGetErrObjs().value("disk3").toInt(), KVUSBControl::kNoNewVolume);
  EXPECT_FALSE(QFileInfo::exists(w.host("/Volumes/NewCloneSystem1")));
}

TEST(USBDiskList, TakesOnlyAPhysicalUSBWholeDiskWithRoomForTheClone) {
  const QVariantMap good{{"WholeDisk", true},          {"BusProtocol", "USB"},
                         {"RAIDMaster", false},        {"CoreStorageEncrypted", false},
                         {"Content", "GUID_partition_scheme"}, {"TotalSize", 32015679488LL},
                         {"VirtualOrPhysical", "Physical"}};
  struct Case {
    const char* name;
    QVariantMap changes;  // over the good disk; an invalid value removes the key
    bool taken;
  };
  const Case cases[] = {
      {"a USB stick", {}, true},
      {"exactly the clone's size", {{"TotalSize", 2500000000LL}}, true},
      {"no virtual/physical key", {{"VirtualOrPhysical", QVariant()}}, true},
      {"not a whole disk", {{"WholeDisk", false}}, false},
      {"whole-disk key missing", {{"WholeDisk", QVariant()}}, false},
      {"another bus", {{"BusProtocol", "SATA"}}, false},
      {"a RAID set", {{"RAIDMaster", true}}, false},
      {"CoreStorage encrypted", {{"CoreStorageEncrypted", true}}, false},
      {"an HFSX disk", {{"Content", "Apple_HFSX"}}, false},
      {"a byte too small", {{"TotalSize", 2499999999LL}}, false},
      {"a virtual disk", {{"VirtualOrPhysical", "Virtual"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QVariantMap info = good;
    for (auto it = c.changes.begin(); it != c.changes.end(); ++it) {
      if (it.value().isValid())
        info.insert(it.key(), it.value());
      else
        info.remove(it.key());
    }
    EXPECT_EQ(KVUSBControl::isCloneableUSBDisk(info), c.taken);
  }
}
