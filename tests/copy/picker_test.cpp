// The volume picker: which disk-tool records it lists, how it lays them out,
// and discovery in a world.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <atomic>

#include "copy/SelectDiskViewController.h"
#include "platform/Queue.h"
#include "services/KVPublicUtilities.h"
#include "support/TestWorld.h"
#include "uikit/ProgressBars.h"
#include "world/lib/Disks.h"

using uikit::NSRect;

namespace {

QVariantMap volumeInfo(const QString& name, const QString& fs, qint64 total, qint64 free,
                       qint64 containerFree, bool ejectable, const QString& mount) {
  return {{"VolumeName", name},          {"FilesystemName", fs},  {"TotalSize", total},
          {"FreeSpace", free},           {"APFSContainerFree", containerFree},
          {"Ejectable", ejectable},      {"MountPoint", mount},   {"DiskUUID", "U-" + name}};
}

QVariantMap diskInfo(const QString& id, const QString& bus, bool ejectable) {
  return {{"DeviceIdentifier", id}, {"BusProtocol", bus},      {"Ejectable", ejectable},
          {"TotalSize", qint64(32e9)}, {"IORegistryEntryName", id + " Media"},
          {"Content", "GUID_partition_scheme"}, {"VirtualOrPhysical", "Physical"}};
}

QStringList names(const QList<VolumeObjPtr>& list) {
  QStringList out;
  for (const VolumeObjPtr& v : list) out << v->volumeName;
  return out;
}

}  // namespace

TEST(PickerFill, VolumeModeRecords) {
  struct Case {
    const char* what;
    std::optional<QVariantMap> info;
    bool hidden;
    bool listed;
    qint64 free;
  };
  QVariantMap noName = volumeInfo("X", "HFS+", 100, 10, 0, false, "/Volumes/X");
  noName.remove("VolumeName");
  const Case cases[] = {
      {"plain HFS+ volume", volumeInfo("Data", "HFS+", 1000, 400, 0, false, "/Volumes/Data"), false, true, 400},
      {"APFS reports its container's free space", volumeInfo("HD", "APFS", 1000, 5, 600, false, "/"), false, true, 600},
      {"lower-case apfs too", volumeInfo("HD", "apfs", 1000, 5, 600, false, "/"), false, true, 600},
      {"hidden kind (ntfs, no size)", volumeInfo("Win", "ntfs", 1000, 5, 0, true, "/Volumes/Win"), true, false, 0},
      {"no record from the disk tool", std::nullopt, false, false, 0},
      {"record without a volume name", noName, false, false, 0},
  };
  for (const Case& c : cases) {
    VolumeObjPtr v = picker::volumeFromInfo(c.info, c.hidden);
    EXPECT_EQ(v != nullptr, c.listed) << c.what;
    if (v && c.listed) {
      EXPECT_EQ(v->volumeFreeSizeNum, c.free) << c.what;
      EXPECT_EQ(v->volumePath, c.info->value("MountPoint").toString()) << c.what;
    }
  }
}

TEST(PickerFill, WholeDiskBusRules) {
  struct Case {
    const char* what;
    QVariantMap info;
    bool listed;
  };
  auto with = [](QVariantMap m, const char* key, const QVariant& v) {
    m.insert(key, v);
    return m;
  };
  const QStringList startup = {"disk1", "disk0"};
  const Case cases[] = {
      {"USB stick", diskInfo("disk3", "USB", true), true},
      {"USB RAID master", with(diskInfo("disk3", "USB", true), "RAIDMaster", true), false},
      {"SATA RAID master passes the RAID rule", with(diskInfo("disk2", "SATA", false), "RAIDMaster", true), true},
      {"PCI-Express ejectable", diskInfo("disk6", "PCI-Express", true), true},
      {"PCI-Express fixed", diskInfo("disk6", "PCI-Express", false), false},
      {"Apple Fabric", diskInfo("disk6", "Apple Fabric", true), false},
      {"Thunderbolt", diskInfo("disk7", "Thunderbolt", false), true},
      {"CoreStorage encrypted", with(diskInfo("disk3", "USB", true), "CoreStorageEncrypted", true), false},
      {"Apple_HFSX content", with(diskInfo("disk3", "USB", true), "Content", "Apple_HFSX"), false},
      {"virtual disk", with(diskInfo("disk3", "USB", true), "VirtualOrPhysical", "Virtual"), false},
      {"the startup disk on USB", diskInfo("disk1", "USB", true), false},
      {"the physical store of the startup container", diskInfo("disk0", "SATA", false), false},
      {"given as a device node", diskInfo("/dev/disk0", "SATA", false), false},
  };
  for (const Case& c : cases) {
    VolumeObjPtr v = picker::wholeDiskFromInfo(c.info, startup);
    EXPECT_EQ(v != nullptr, c.listed) << c.what;
    if (v) {
      EXPECT_TRUE(v->bCanEject) << c.what;
      EXPECT_EQ(v->volumeName, c.info.value("IORegistryEntryName").toString()) << c.what;
    }
  }
  EXPECT_EQ(picker::wholeDiskFromInfo(std::nullopt, startup), nullptr);
}

TEST(PickerLayout, EveryRowInsideTheListAndNoOverlap) {
  struct Split {
    int internal;
    int external;
  };
  const Split splits[] = {{0, 0}, {3, 4}, {7, 0}, {0, 7}, {4, 4}, {1, 7}, {8, 0}, {0, 8}, {12, 8}, {0, 20}, {20, 0}};
  for (bool whole : {false, true}) {
    for (const Split& s : splits) {
      const int nI = whole ? 0 : s.internal;
      const int nE = whole ? s.internal + s.external : s.external;
      const picker::Layout L = picker::layout(nI, nE, whole);
      const QString what = QStringLiteral("%1 internal, %2 external, whole-disk %3").arg(nI).arg(nE).arg(whole);
      EXPECT_GE(L.height, picker::kMinListHeight) << qPrintable(what);
      EXPECT_EQ(L.internalRows.size(), nI) << qPrintable(what);
      EXPECT_EQ(L.externalRows.size(), nE) << qPrintable(what);
      EXPECT_EQ(L.internalHeader.has_value(), !whole) << qPrintable(what);
      EXPECT_EQ(L.externalHeader.has_value(), nE > 0) << qPrintable(what);
      QList<NSRect> all = L.internalRows + L.externalRows;
      if (L.internalHeader) all << *L.internalHeader;
      if (L.externalHeader) all << *L.externalHeader;
      const NSRect list = uikit::NSMakeRect(0, 0, picker::kListWidth, L.height);
      for (int i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(uikit::NSContainsRect(list, all[i])) << qPrintable(what) << " item " << i;
        for (int j = i + 1; j < all.size(); ++j) {
          const NSRect& a = all[i];
          const NSRect& b = all[j];
          const bool overlap = a.minY() < b.maxY() && b.minY() < a.maxY() && a.minX() < b.maxX() && b.minX() < a.maxX();
          EXPECT_FALSE(overlap) << qPrintable(what) << " items " << i << " and " << j;
        }
      }
    }
  }
  // A short list keeps the picker's own height.
  EXPECT_EQ(picker::layout(2, 3, false).height, picker::kMinListHeight);
}

TEST(PickerLayout, UsageBar) {
  struct Case {
    qint64 total, free;
    bool whole;
    float percent;
  };
  const Case cases[] = {
      {1000, 250, false, 75}, {1000, 1000, false, 0}, {1000, 0, false, 100},
      {0, 0, false, 0},        // no total: nothing is divided, the bar stays empty
      {0, 500, false, 0},      {-5, 1, false, 0},
      {1000, 2000, false, 100},  // more free than total: full bar
      {1000, -1, false, 100},    // negative free: full bar
      {1000, 250, true, 0.1f},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(picker::usagePercent(c.total, c.free, c.whole), c.percent) << c.total << " " << c.free;
}

class PickerInWorld : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(world.ok()) << qPrintable(world.error()); }
  TestWorld world{TestWorld::demo()};
};

TEST_F(PickerInWorld, VolumesListedOnceWithoutHiddenOnesOrStrayFolders) {
  ASSERT_TRUE(QDir().mkpath(world.host("/Volumes/Stray Folder")));
  const QList<VolumeObjPtr> found = picker::discoverVolumes();
  QStringList listed = names(found);
  // The startup volume is reached through its link and through the stray folder.
  EXPECT_EQ(listed.count("Macintosh HD"), 1) << qPrintable(listed.join(", "));
  EXPECT_FALSE(listed.contains("Windows Backup"));  // ntfs is hidden
  EXPECT_FALSE(listed.contains("Stray Folder"));
  listed.sort();
  EXPECT_EQ(listed, (QStringList{"Data", "Macintosh HD", "SD CARD", "USB Stick"}));
  for (const VolumeObjPtr& v : found) {
    if (v->volumeName == "Macintosh HD") EXPECT_EQ(v->volumePath, "/");
    if (v->volumeName == "USB Stick") {
      EXPECT_TRUE(v->bCanEject);
      EXPECT_EQ(v->volumePath, "/Volumes/USB Stick");
    }
  }
}

TEST_F(PickerInWorld, HideTestOfEachKind) {
  struct Case {
    const char* bsd;
    bool hidden;
  };
  const Case cases[] = {
      {"disk3s2", false},  // the USB stick, HFS+
      {"disk5s1", false},  // the SD card, FAT32
      {"disk4s1", true},   // ntfs
      {"disk99s1", true},  // nothing answers
  };
  for (const Case& c : cases) EXPECT_EQ(picker::isHiddenVolume(c.bsd), c.hidden) << c.bsd;
}

TEST_F(PickerInWorld, WholeDiskModeNeverOffersTheStartupDisk) {
  // The system disk moved onto a plain SATA bus, where the bus rules would pass it.
  world::DiskDatabase db(world.layout());
  ASSERT_TRUE(db.modify([](world::DiskDatabase& d) {
    world::Media* m = d.find("disk0");
    if (!m) return false;
    m->bus = "SATA";
    return true;
  }));
  QStringList ids;
  for (const VolumeObjPtr& v : picker::discoverWholeDisks()) ids << v->volumePath;
  EXPECT_FALSE(ids.contains("disk0")) << qPrintable(ids.join(", "));
  EXPECT_FALSE(ids.contains("disk1"));
  EXPECT_TRUE(ids.contains("disk3"));
  EXPECT_EQ(ids.removeDuplicates(), 0);
}

TEST_F(PickerInWorld, PickerShowsEveryRowAndReportsAClick) {
  struct Recorder : SelectDiskVCDelegate {
    VolumeObjPtr chosen;
    void doSelectDiskWithVolume(const VolumeObjPtr& v) override { chosen = v; }
  } recorder;
  SelectDiskViewController picker;
  picker.setSelectDiskVCDelegate(&recorder);
  picker.show();
  ASSERT_TRUE(waitUntil([&] { return picker.isListShown(); }));
  const QList<DiskListViewController*> rows = picker.rows();
  ASSERT_EQ(rows.size(), 4);
  for (DiskListViewController* row : rows)
    EXPECT_TRUE(picker.documentView()->rect().contains(row->geometry())) << qPrintable(row->objectName());
  DiskListViewController* usb = picker.findChild<DiskListViewController*>("diskRow:USB Stick");
  ASSERT_NE(usb, nullptr);
  EXPECT_EQ(usb->iconName(), "ic_usb_main");
  EXPECT_EQ(picker.findChild<DiskListViewController*>("diskRow:Macintosh HD")->iconName(), "ic_os_main_b");
  QTest::mouseClick(usb, Qt::LeftButton, {}, QPoint(100, 24));
  ASSERT_NE(recorder.chosen, nullptr);
  EXPECT_EQ(recorder.chosen->volumeName, "USB Stick");
}

TEST(PickerLifetime, ADiscoveryThatOutlivesItsPickerTouchesNothing) {
  std::atomic<bool> release{false};
  std::atomic<bool> entered{false};
  SelectDiskViewController::setDiscoveryForTesting([&](bool) {
    entered = true;
    while (!release) QThread::msleep(5);
    auto v = std::make_shared<VolumeObj>();
    v->volumeName = "Late";
    return QList<VolumeObjPtr>{v};
  });
  auto* picker = new SelectDiskViewController;
  picker->awakeFromNib();
  ASSERT_TRUE(waitUntil([&] { return entered.load(); }));
  delete picker;
  release = true;
  platform::waitForGlobalQueue();
  // The main queue keeps its order: once this marker has run, so has what the
  // discovery posted. The layout delay that would follow is a timer of the
  // picker's own and goes with it, so nothing is left to come after the marker.
  bool posted = false;
  platform::dispatchMain([&posted] { posted = true; });
  ASSERT_TRUE(waitUntil([&] { return posted; }));
  SelectDiskViewController::setDiscoveryForTesting(nullptr);
  // Nothing was laid out for the late result (a dangling write is the sanitizers' to catch).
  for (QWidget* w : QApplication::allWidgets()) EXPECT_NE(w->objectName(), "diskRow:Late");
}

TEST(PickerLifetime, ManyVolumesScrollAndFit) {
  for (bool whole : {false, true}) {
    SelectDiskViewController::setDiscoveryForTesting([](bool wholeDisk) {
      QList<VolumeObjPtr> out;
      for (int i = 0; i < 20; ++i) {
        auto v = std::make_shared<VolumeObj>();
        v->volumeName = QStringLiteral("Vol %1").arg(i);
        v->bCanEject = wholeDisk || i % 3 == 0;
        v->volumeTotalSizeNum = i == 0 ? 0 : 1000;  // one of total 0
        v->volumeFreeSizeNum = 100;
        out << v;
      }
      return out;
    });
    SelectDiskViewController picker;
    picker.setIsOnlyShowEx(whole);
    picker.show();
    ASSERT_TRUE(waitUntil([&] { return picker.isListShown(); }));
    ASSERT_EQ(picker.rows().size(), 20);
    for (DiskListViewController* row : picker.rows())
      EXPECT_TRUE(picker.documentView()->rect().contains(row->geometry())) << qPrintable(row->objectName());
    EXPECT_GT(picker.listScrollView()->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(picker.listScrollView()->verticalScrollBar()->value(), 0);  // the top shows
    if (!whole) EXPECT_EQ(picker.findChild<DiskListViewController*>("diskRow:Vol 0")->usageBar()->used(), 0.0f);
  }
  SelectDiskViewController::setDiscoveryForTesting(nullptr);
}
