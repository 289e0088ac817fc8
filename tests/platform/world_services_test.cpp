// The platform services over the world, through their interfaces, as the
// volume picker, the disk manager, the clone and installer engines and the copy
// engine call them.
#include "platform/DiskArbitration.h"
#include "platform/FileFlags.h"
#include "platform/FileSystemInfo.h"
#include "platform/IOKitMedia.h"
#include "platform/LaunchServices.h"
#include "platform/Privacy.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/VolumeWatch.h"
#include "support/TestWorld.h"
#include "world/lib/Disks.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <atomic>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QString bsdOfVolumePath(const QString& path) {
  auto session = DASessionCreate();
  return DADiskCopyDescription(DADiskCreateFromVolumePath(session, path))
      .value(kDADiskDescriptionMediaBSDNameKey)
      .toString();
}

TEST(WorldDiskArbitration, VolumePathsLeadToTheirDisks) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE(DASessionCreate());
  struct Case {
    const char* path;
    const char* bsd;
  };
  const Case cases[] = {{"/Volumes/USB Stick", "disk3s2"},   {"/Volumes/Data", "disk2s2"},
                        {"/Volumes/SD CARD", "disk5s1"},     {"/Volumes/Windows Backup", "disk4s1"},
                        {"/Volumes/Macintosh HD", "disk1s1"}, {"/", "disk1s1"},
                        {"/Volumes/USB Stick/Photos", "disk3s2"}, {"/Volumes/Nothing", ""}};
  for (const Case& c : cases) EXPECT_EQ(bsdOfVolumePath(c.path), c.bsd) << c.path;
  // A plain folder in /Volumes is no mount point: it lies on the startup volume.
  QDir().mkpath(w.host("/Volumes/Stray"));
  EXPECT_EQ(bsdOfVolumePath("/Volumes/Stray"), "disk1s1");
}

TEST(WorldDiskArbitration, DescriptionsCarryTheKeysTheInstallerReads) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  auto session = DASessionCreate();
  const QVariantMap stick = DADiskCopyDescription(DADiskCreateFromBSDName(session, "disk3"));
  EXPECT_EQ(stick.value(kDADiskDescriptionDeviceProtocolKey).toString(), "USB");
  EXPECT_TRUE(stick.value(kDADiskDescriptionMediaWholeKey).toBool());
  EXPECT_EQ(stick.value(kDADiskDescriptionMediaSizeKey).toLongLong(), 32015679488);
  EXPECT_FALSE(stick.value(kDADiskDescriptionMediaPathKey).toString().isEmpty());
  EXPECT_FALSE(stick.contains(kDADiskDescriptionVolumeKindKey));
  const QVariantMap part = DADiskCopyDescription(DADiskCreateFromBSDName(session, "/dev/disk3s2"));
  EXPECT_EQ(part.value(kDADiskDescriptionVolumeKindKey).toString(), "hfs");
  EXPECT_TRUE(part.value(kDADiskDescriptionVolumeTypeKey).toString().contains("Mac OS Extended"));
  EXPECT_EQ(part.value(kDADiskDescriptionVolumeNameKey).toString(), "USB Stick");
  EXPECT_EQ(part.value(kDADiskDescriptionVolumePathKey).toUrl().toLocalFile(), "/Volumes/USB Stick/");
  EXPECT_TRUE(part.value(kDADiskDescriptionMediaLeafKey).toBool());
  EXPECT_FALSE(part.value(kDADiskDescriptionMediaWholeKey).toBool());
  const QVariantMap whole = DADiskCopyDescription(DADiskCopyWholeDisk(DADiskCreateFromBSDName(session, "disk3s2")));
  EXPECT_EQ(whole.value(kDADiskDescriptionMediaPathKey), stick.value(kDADiskDescriptionMediaPathKey));
  const QVariantMap sd = DADiskCopyDescription(DADiskCreateFromBSDName(session, "disk5s1"));
  EXPECT_EQ(sd.value(kDADiskDescriptionDeviceProtocolKey).toString(), "Secure Digital");
  EXPECT_EQ(sd.value(kDADiskDescriptionVolumeKindKey).toString(), "msdos");
  const QVariantMap container = DADiskCopyDescription(DADiskCreateFromBSDName(session, "disk1"));
  EXPECT_EQ(container.value(kDADiskDescriptionMediaNameKey).toString(), "AppleAPFSMedia");
  EXPECT_TRUE(container.value(kDADiskDescriptionMediaWholeKey).toBool());
  const QVariantMap unmounted = DADiskCopyDescription(DADiskCreateFromBSDName(session, "disk3s1"));
  EXPECT_FALSE(unmounted.contains(kDADiskDescriptionVolumePathKey));
  EXPECT_FALSE(DADiskCreateFromBSDName(session, "disk9"));
}

TEST(WorldIOKit, EnumeratesEveryMediumOnce) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  io_iterator_t it;
  ASSERT_EQ(IOServiceGetMatchingServices(IOServiceMatching("IOMedia"), &it), kIOReturnSuccess);
  QStringList names;
  for (io_service_t s = IOIteratorNext(it); !IOObjectIsNull(s); s = IOIteratorNext(it)) names << s.bsdName;
  EXPECT_EQ(names.size(), 19);
  EXPECT_EQ(names.removeDuplicates(), 0);
  EXPECT_EQ(names.first(), "disk0");
  EXPECT_TRUE(names.contains("disk5s1"));
  io_iterator_t other;
  IOServiceGetMatchingServices(IOServiceMatching("IOUSBDevice"), &other);
  EXPECT_TRUE(IOObjectIsNull(IOIteratorNext(other)));
}

TEST(WorldFileSystemInfo, AnswersFromTheDiskDatabase) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  struct Case {
    const char* path;
    bool known;
    const char* type;
    bool writable;
  };
  const Case cases[] = {{"/dev/disk4s1", true, "ntfs", false}, {"/dev/disk3s2", true, "hfs", true},
                        {"/dev/disk5s1", true, "msdos", true}, {"/Volumes/Data", true, "hfs", true},
                        {"/", true, "apfs", true},             {"/dev/disk3", false, "", false},
                        {"/Volumes/Nothing", false, "", false}};
  for (const Case& c : cases) {
    FileSystemInfo info;
    ASSERT_EQ(getFileSystemInfoForPath(c.path, &info), c.known) << c.path;
    if (!c.known) continue;
    EXPECT_EQ(info.type, c.type) << c.path;
    EXPECT_EQ(info.writable, c.writable) << c.path;
  }
  const auto attrs = fileSystemAttributesAtPath("/dev/disk3s2");
  ASSERT_TRUE(attrs);
  EXPECT_EQ(attrs->value(NSFileSystemSize).toLongLong(), 32015679488 - 209715200 - 1048576);
  EXPECT_LT(attrs->value(NSFileSystemFreeSize).toLongLong(), attrs->value(NSFileSystemSize).toLongLong());
}

// Each look notes the thread it ran on; none may be the main thread, which
// only hears the result.
struct LookThreads {
  std::atomic<int> looks{0};
  std::atomic<int> onMain{0};
  VolumeWatch::LookObserver observer() {
    return [this] {
      ++looks;
      if (QThread::currentThread() == QCoreApplication::instance()->thread()) ++onMain;
    };
  }
};

TEST(WorldVolumeWatch, ReportsMountAndUnmountByEventsOrByThePoll) {
  struct Case {
    const char* name;
    VolumeWatch::ChangeEvents events;
    bool polling;
  };
  const Case cases[] = {{"change events", VolumeWatch::ChangeEvents::Use, false},
                        {"no change events", VolumeWatch::ChangeEvents::Ignore, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestWorld w(TestWorld::demo());
    ASSERT_TRUE(w.ok());
    LookThreads threads;
    VolumeWatch watch(nullptr, c.events, threads.observer());
    QSignalSpy mounted(&watch, &VolumeWatch::didMount);
    QSignalSpy unmounted(&watch, &VolumeWatch::didUnmount);
    EXPECT_EQ(watch.pollingActive(), c.polling);
    EXPECT_TRUE(watch.mountedVolumes().contains("/Volumes/USB Stick"));
    ASSERT_EQ(runShell(shellLine("/usr/sbin/diskutil", {"eject", "disk3"}) + " >/dev/null"), 0);
    ASSERT_TRUE(waitUntil([&] { return unmounted.count() > 0; }, 5000));
    EXPECT_EQ(unmounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/USB Stick");
    EXPECT_EQ(mounted.count(), 0);
    EXPECT_FALSE(watch.mountedVolumes().contains("/Volumes/USB Stick"));
    ASSERT_EQ(runShell(shellLine("/usr/sbin/diskutil", {"unmount", "/Volumes/Data"}) + " >/dev/null"), 0);
    ASSERT_EQ(runShell(shellLine("/usr/sbin/diskutil", {"mount", "disk2s2"}) + " >/dev/null"), 0);
    ASSERT_TRUE(waitUntil([&] { return mounted.count() > 0; }, 5000));
    EXPECT_EQ(mounted.last().first().toMap().value(NSWorkspaceVolumeLocalizedNameKey).toString(), "Data");
    // A reformat unmounts and mounts again under the same name: both are reported,
    // so the disk manager rescans once the volume is back.
    mounted.clear();
    unmounted.clear();
    ASSERT_EQ(runShell(shellLine("/usr/sbin/diskutil", {"reformat", "/dev/disk5s1"}) + " >/dev/null"), 0);
    ASSERT_TRUE(waitUntil([&] { return mounted.count() > 0; }, 5000));
    ASSERT_EQ(unmounted.count(), 1);
    EXPECT_EQ(unmounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/SD CARD");
    EXPECT_EQ(mounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/SD CARD");
    // A remount whose folder moves both fell before one look shows only in the
    // disk database's mount count, which is written last: that alone is reported.
    mounted.clear();
    unmounted.clear();
    ASSERT_TRUE(world::DiskDatabase(w.layout()).modify([](world::DiskDatabase& db) {
      world::Media* data = db.find("disk2s2");
      if (data) ++data->mounts;
      return data != nullptr;
    }));
    ASSERT_TRUE(waitUntil([&] { return mounted.count() > 0; }, 5000));
    ASSERT_EQ(unmounted.count(), 1);
    EXPECT_EQ(unmounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/Data");
    EXPECT_EQ(mounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/Data");
    EXPECT_EQ(watch.pollingActive(), c.polling);
    EXPECT_GT(threads.looks.load(), 0);
    EXPECT_EQ(threads.onMain.load(), 0);
  }
}

TEST(WorldVolumeWatch, PollsOnlyUntilTheVolumesFolderCanBeWatched) {
  TestWorld w;
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE(QDir(w.host("/Volumes")).removeRecursively());  // nothing to watch yet
  LookThreads threads;
  VolumeWatch watch(nullptr, VolumeWatch::ChangeEvents::Use, threads.observer());
  QSignalSpy mounted(&watch, &VolumeWatch::didMount);
  EXPECT_TRUE(watch.pollingActive());
  ASSERT_TRUE(QDir().mkpath(w.host("/Volumes/Stick")));
  ASSERT_TRUE(waitUntil([&] { return mounted.count() == 1; }, 5000));
  EXPECT_EQ(mounted.first().first().toMap().value(NSDevicePath).toString(), "/Volumes/Stick");
  EXPECT_FALSE(watch.pollingActive());
  // Watched now: the next one comes by its change event.
  ASSERT_TRUE(QDir().mkpath(w.host("/Volumes/Card")));
  ASSERT_TRUE(waitUntil([&] { return mounted.count() == 2; }, 5000));
  EXPECT_FALSE(watch.pollingActive());
  // The folder goes: back to looking by the timer until it is there again.
  ASSERT_TRUE(QDir(w.host("/Volumes")).removeRecursively());
  ASSERT_TRUE(waitUntil([&] { return watch.pollingActive(); }, 5000));
  EXPECT_EQ(threads.onMain.load(), 0);
}

TEST(WorldLaunchServices, FindsInstallersByBundleIdentifier) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  const QStringList sonoma = URLsForApplicationsWithBundleIdentifier("com.apple.InstallAssistant.macOSSonoma");
  EXPECT_EQ(sonoma, (QStringList{"/Applications/Install macOS Sonoma.app",
                                 "/Users/alex/.Trash/Install macOS Sonoma.app"}));
  EXPECT_EQ(URLForApplicationWithBundleIdentifier("com.apple.InstallAssistant.macOSVentura"),
            "/Applications/Install macOS Ventura.app");
  EXPECT_TRUE(URLForApplicationWithBundleIdentifier("com.apple.InstallAssistant.Mojave").isEmpty());
}

TEST(WorldSystemInfo, CpuBrandFollowsTheKnob) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  // An Intel Mac unless the world says otherwise; the clone screen looks for "Apple".
  EXPECT_FALSE(cpuBrandString().isEmpty());
  EXPECT_FALSE(cpuBrandString().contains("Apple"));
  world::writeKnob(w.layout(), world::knob::kCpuBrand, "Apple M2 Pro");
  EXPECT_EQ(cpuBrandString(), "Apple M2 Pro");
}

TEST(WorldPrivacy, FullDiskAccessGuardsSafari) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  EXPECT_TRUE(fullDiskAccessGranted());
  EXPECT_TRUE(contentsOfDirectoryAtPath("/Users/alex/Library/Safari"));
  world::writeKnob(w.layout(), world::knob::kFullDiskAccess, false);
  EXPECT_FALSE(fullDiskAccessGranted());
  QString error;
  EXPECT_FALSE(contentsOfDirectoryAtPath("/Users/alex/Library/Safari", &error));
  EXPECT_EQ(error, "Operation not permitted");
  EXPECT_FALSE(contentsOfDirectoryAtPath("/var/root/Library/Safari"));
  EXPECT_TRUE(fileExistsAtPath("/Users/alex/Library/Safari"));
  EXPECT_TRUE(contentsOfDirectoryAtPath("/Users/alex/Documents"));
}

TEST(WorldFileFlags, HiddenFlagAndFinderInfo) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  EXPECT_TRUE(hasHiddenFlag("/Users/alex/Desktop/Secret Folder"));
  EXPECT_EQ(fileFlagsAtPath("/Users/alex/Desktop/Secret Folder") & UF_HIDDEN, UF_HIDDEN);
  EXPECT_FALSE(hasHiddenFlag("/Users/alex/Desktop/todo.txt"));
  EXPECT_TRUE(isHiddenResource("/Users/alex/Desktop/.localized"));
  EXPECT_TRUE(listExtendedAttributes("/Users/alex/Documents/Old Stuff").contains(kFinderInfoAttributeName));
  EXPECT_TRUE(listExtendedAttributes("/Users/alex/Documents/Projects").isEmpty());
  ASSERT_TRUE(setHiddenFlag("/Users/alex/Documents/Projects", true));
  EXPECT_TRUE(isHiddenResource("/Users/alex/Documents/Projects"));
  ASSERT_TRUE(setHiddenFlag("/Users/alex/Documents/Projects", false));
  EXPECT_FALSE(hasHiddenFlag("/Users/alex/Documents/Projects"));
  EXPECT_FALSE(setHiddenFlag("/Users/alex/Nothing", true));
}

}  // namespace
