#include "installer/MacOSInstaller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <functional>
#include <mutex>

#include "TestWorld.h"
#include "platform/DiskArbitration.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "platform/plist/PropertyList.h"
#include "world/lib/Tools.h"
#include "world/lib/Layout.h"

namespace {

class Receiver : public MacOSInstallerProgress {
 public:
  void MacOSInstallerProgressCB(const MacOSInstallerProgressinfoPtr& info) override {
    std::lock_guard lock(mutex);
    onMain |= platform::isMainThread();
    reports.append(*info);
  }
  QList<MacOSInstallerProgressinfo> all() {
    std::lock_guard lock(mutex);
    return reports;
  }
  int successes() {
    int n = 0;
    for (const auto& r : all())
      if (r.numError == 0 && r.numCurrent == 100 && r.numRemain == 0) ++n;
    return n;
  }
  std::mutex mutex;
  QList<MacOSInstallerProgressinfo> reports;
  bool onMain = false;
};

MacOSInstallerAppInfoPtr installer(const QString& name, const QString& path) {
  for (const auto& k : MacOSInstaller::GetInstall()->getSelectOSVersion()) {
    if (k->strOSName != name) continue;
    auto copy = k->copy();
    copy->setStrOSPath(path, 0);
    return copy;
  }
  return nullptr;
}

int runWorld(const TestWorld& world, const QString& command, const QStringList& args, QString* output = nullptr) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(world::defaultToolsDir() + "/qdc-world", QStringList{command, world.dir()} + args);
  if (!p.waitForFinished(60000)) return -1;
  if (output) *output = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The record the engine lists for `bsd` now (the engine erases only a medium it
// still finds); a made-up one when nothing of that name is listed.
MacOSInstallerDiskInfoPtr diskRecord(const QString& bsd, const QString& mountPath) {
  std::function<MacOSInstallerDiskInfoPtr(const QList<MacOSInstallerDiskInfoPtr>&)> find =
      [&](const QList<MacOSInstallerDiskInfoPtr>& list) -> MacOSInstallerDiskInfoPtr {
    for (const auto& d : list) {
      if (d->strBSDName == bsd && d->strVolumeName == mountPath) return d;
      if (d->arrChildren)
        if (auto child = find(*d->arrChildren)) return child;
    }
    return nullptr;
  };
  if (auto listed = find(MacOSInstaller::GetInstall()->getInstallerDiskInfo())) return listed;
  return MacOSInstallerDiskInfo::infoWithName("Target", "Target", bsd, 32000000000, mountPath, "", "", "");
}

// Runs the creation on a worker, as the progress screen does, and waits for it.
struct Creation {
  std::atomic<bool> done{false};
  std::atomic<bool> result{false};
  void start(const MacOSInstallerAppInfoPtr& app, const MacOSInstallerDiskInfoPtr& disk, Receiver* r) {
    platform::dispatchGlobal([this, app, disk, r] {
      MacOSInstaller::GetInstall()->setInstallerAppInfo(app, disk);
      result = MacOSInstaller::GetInstall()->startCreateInstall(r);
      done = true;
    });
  }
  bool wait(int ms = 120000) { return waitUntil([&] { return done.load(); }, ms); }
};

class InstallerEngine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(world.ok()) << qPrintable(world.error()); }
  void TearDown() override {
    MacOSInstaller::GetInstall()->cancelMacOSInstller();
    waitUntil([] { return !MacOSInstaller::GetInstall()->isRunning(); }, 60000);
    platform::waitForGlobalQueue();
  }
  void knob(const QString& name, const QVariant& value) {
    ASSERT_TRUE(world::writeKnob(world.layout(), name, value));
  }
  TestWorld world{TestWorld::demo()};
  MacOSInstaller* engine = MacOSInstaller::GetInstall();
};

TEST(InstallerPaths, TrashAndTemporaryFolders) {
  struct Case { const char* path; bool trash; bool temp; } cases[] = {
      {"/Users/alex/.Trash/Install macOS Sonoma.app", true, false},
      {"/Users/alex/Applications/Install macOS Sonoma.app", false, false},
      {"/Users/.Trash", false, false},
      {"/Applications/.Trash/Install.app", false, false},
      {"/private/var/folders/xy/T/Install macOS Sonoma.app", false, true},
      {"/var/folders/xy/Install.app", false, false},
      {"/Applications/Install macOS Ventura.app", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MacOSInstaller::isPathInTrash(c.path), c.trash) << c.path;
    EXPECT_EQ(MacOSInstaller::isPathInTemp(c.path), c.temp) << c.path;
  }
}

TEST(InstallerDisks, DescriptionRules) {
  using namespace platform;
  const QVariantMap stick{{kDADiskDescriptionDeviceProtocolKey, "USB"},
                          {kDADiskDescriptionMediaSizeKey, qint64(1600000)},
                          {kDADiskDescriptionMediaPathKey, "IODeviceTree:/usb@1/disk3"},
                          {kDADiskDescriptionMediaWholeKey, true},
                          {kDADiskDescriptionMediaNameKey, "SanDisk Ultra"},
                          {kDADiskDescriptionMediaBSDNameKey, "disk3"}};
  auto with = [](QVariantMap m, const QString& key, const QVariant& v) {
    if (v.isValid()) m.insert(key, v); else m.remove(key);
    return m;
  };
  QVariantMap hfsPart = with(with(with(with(stick, kDADiskDescriptionMediaWholeKey, false),
                                         kDADiskDescriptionMediaLeafKey, true),
                                    kDADiskDescriptionVolumeKindKey, "hfs"),
                               kDADiskDescriptionVolumePathKey, QUrl::fromLocalFile("/Volumes/USB Stick/"));
  hfsPart.insert(kDADiskDescriptionMediaPathKey, "IODeviceTree:/usb@1/disk3/s2");
  hfsPart.insert(kDADiskDescriptionVolumeNameKey, "USB Stick");
  hfsPart.insert(kDADiskDescriptionVolumeTypeKey, "Mac OS Extended (Journaled)");

  struct Case { const char* name; QVariantMap d; bool listed; } cases[] = {
      {"stick of 1,600,000 bytes", stick, true},
      {"one byte less", with(stick, kDADiskDescriptionMediaSizeKey, qint64(1599999)), false},
      {"SD card", with(stick, kDADiskDescriptionDeviceProtocolKey, "Secure Digital"), true},
      {"SATA disk", with(stick, kDADiskDescriptionDeviceProtocolKey, "SATA"), false},
      {"no protocol", with(stick, kDADiskDescriptionDeviceProtocolKey, QVariant()), false},
      {"no media path", with(stick, kDADiskDescriptionMediaPathKey, QVariant()), false},
      {"APFS container", with(stick, kDADiskDescriptionMediaNameKey, "AppleAPFSMedia"), false},
      {"mounted HFS+ partition", hfsPart, true},
      {"exFAT partition", with(with(hfsPart, kDADiskDescriptionVolumeKindKey, "exfat"),
                               kDADiskDescriptionVolumeTypeKey, "ExFAT"), false},
      {"other file system type", with(hfsPart, kDADiskDescriptionVolumeTypeKey, "MS-DOS (FAT32)"), false},
      {"unmounted partition", with(hfsPart, kDADiskDescriptionVolumePathKey, QVariant()), false},
      {"no name at all", with(stick, kDADiskDescriptionMediaNameKey, QVariant()), false},
      {"model as name", with(with(stick, kDADiskDescriptionMediaNameKey, QVariant()),
                             kDADiskDescriptionDeviceModelKey, "Ultra"), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MacOSInstaller::diskInfoFromDescription(c.d, stick) != nullptr, c.listed) << c.name;

  auto part = MacOSInstaller::diskInfoFromDescription(hfsPart, stick);
  ASSERT_TRUE(part);
  EXPECT_EQ(part->strName, "USB Stick");
  EXPECT_EQ(part->strVolumeName, "/Volumes/USB Stick");
  EXPECT_EQ(part->strParentMediaPath, "IODeviceTree:/usb@1/disk3");

  // Nesting: a partition takes its disk's name; one whose disk is not listed is dropped.
  auto disk = MacOSInstaller::diskInfoFromDescription(stick, stick);
  auto orphan = MacOSInstallerDiskInfo::infoWithName("Lost", "Lost", "disk9s1", 1, "/Volumes/Lost", "",
                                                     "IODeviceTree:/x/s1", "IODeviceTree:/x");
  const auto tree = MacOSInstaller::GetProcessedDiskInfo({part, disk, orphan});
  ASSERT_EQ(tree.size(), 1);
  ASSERT_TRUE(tree.first()->arrChildren);
  ASSERT_EQ(tree.first()->arrChildren->size(), 1);
  EXPECT_EQ(tree.first()->arrChildren->first()->strDiskName, "SanDisk Ultra");
  EXPECT_TRUE(MacOSInstaller::GetProcessedDiskInfo({}).isEmpty());
}

TEST(InstallerDisks, EveryDiskKeepsItsOwnPartitionsWhateverTheOrder) {
  // disk3 has many partitions, disk4's come before disk4 itself, disk5 has none.
  struct Disk { const char* bsd; int partitions; } disks[] = {{"disk3", 6}, {"disk4", 2}, {"disk5", 0}};
  auto mediaPath = [](const QString& bsd) { return "IODeviceTree:/usb/" + bsd; };
  auto partition = [](const QString& bsd, int n) { return QString("%1s%2").arg(bsd).arg(n); };
  QList<MacOSInstallerDiskInfoPtr> flat;
  for (const Disk& d : disks) {
    const QString bsd = d.bsd;
    auto whole = MacOSInstallerDiskInfo::infoWithName(bsd + " media", bsd + " media", bsd, 8000000000, "", "",
                                                      mediaPath(bsd), "");
    QList<MacOSInstallerDiskInfoPtr> parts;
    for (int n = 1; n <= d.partitions; ++n) {
      const QString part = partition(bsd, n);
      parts << MacOSInstallerDiskInfo::infoWithName(part, part, part, 1000000000, "/Volumes/" + part, "",
                                                    mediaPath(part), mediaPath(bsd));
    }
    flat += bsd == "disk4" ? parts + QList{whole} : QList{whole} + parts;
  }
  const auto tree = MacOSInstaller::GetProcessedDiskInfo(flat);
  ASSERT_EQ(tree.size(), 3);
  for (int i = 0; i < 3; ++i) {
    const Disk& d = disks[i];
    EXPECT_EQ(tree[i]->strBSDName, d.bsd);
    QStringList children;
    if (tree[i]->arrChildren)
      for (const auto& child : *tree[i]->arrChildren) {
        children << child->strBSDName;
        EXPECT_EQ(child->strDiskName, tree[i]->strDiskName) << qPrintable(child->strBSDName);
      }
    QStringList expected;
    for (int n = 1; n <= d.partitions; ++n) expected << partition(d.bsd, n);
    EXPECT_EQ(children, expected) << d.bsd;
  }
}

TEST_F(InstallerEngine, FindsInstalledInstallersButNotTheTrashCopy) {
  const auto found = engine->getMacOSInfo();
  QStringList names;
  for (const auto& f : found) {
    names << f->strOSName;
    EXPECT_FALSE(MacOSInstaller::isPathInTrash(f->strOSPath)) << qPrintable(f->strOSPath);
    EXPECT_GT(f->numOSSize.value_or(0), 0) << qPrintable(f->strOSPath);
  }
  names.sort();
  EXPECT_EQ(names, (QStringList{"Sonoma", "Ventura"}));

  // The Trash copy chosen by path is accepted; a bundle that is no installer is not.
  const auto trashed = engine->getMacOSAppInfoByPath("/Users/alex/.Trash/Install macOS Sonoma.app");
  ASSERT_TRUE(trashed);
  EXPECT_EQ(trashed->strOSName, "Sonoma");
  EXPECT_EQ(trashed->strOSAppID, "6450717509");
  EXPECT_FALSE(engine->getMacOSAppInfoByPath("/Applications/Safari.app"));
  EXPECT_FALSE(engine->getMacOSAppInfoByPath(""));
  EXPECT_FALSE(engine->getMacOSAppInfoByPath("/Applications/Nothing.app"));
}

TEST_F(InstallerEngine, ListsRemovableDisksWithTheirMacPartitions) {
  const auto tree = engine->getInstallerDiskInfo();
  QStringList disks;
  for (const auto& d : tree) disks << d->strBSDName;
  disks.sort();
  // The stick, the USB drive and the SD card; the internal disks are not offered.
  EXPECT_EQ(disks, (QStringList{"disk3", "disk4", "disk5"}));
  for (const auto& d : tree) {
    if (d->strBSDName == "disk3") {
      ASSERT_TRUE(d->arrChildren);
      ASSERT_EQ(d->arrChildren->size(), 1);
      EXPECT_EQ(d->arrChildren->first()->strVolumeName, "/Volumes/USB Stick");
      EXPECT_EQ(d->arrChildren->first()->strDiskName, d->strDiskName);
    } else {
      // NTFS and FAT32 partitions are not listed.
      EXPECT_FALSE(d->arrChildren) << qPrintable(d->strBSDName);
      EXPECT_TRUE(d->strVolumeName.isEmpty());
    }
  }
}

TEST_F(InstallerEngine, WritesTheInstallerOntoAMountedStick) {
  Receiver receiver;
  Creation c;
  c.start(installer("Sonoma", "/Applications/Install macOS Sonoma.app"),
          diskRecord("disk3s2", "/Volumes/USB Stick"), &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_TRUE(c.result);
  const auto reports = receiver.all();
  ASSERT_GE(reports.size(), 3);
  EXPECT_FALSE(receiver.onMain);
  EXPECT_EQ(reports.first().numCurrent, 0);
  EXPECT_EQ(reports.first().numTotal, 100);
  EXPECT_EQ(reports.first().numRemain, -1);
  int previous = 0;
  for (const auto& r : reports) {
    EXPECT_EQ(r.numError, 0);
    EXPECT_GE(r.numCurrent, previous);
    previous = r.numCurrent;
  }
  EXPECT_EQ(receiver.successes(), 1);
  EXPECT_EQ(reports.last().numCurrent, 100);
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Install macOS Sonoma/Install macOS Sonoma.app")));
  EXPECT_FALSE(engine->isRunning());
  EXPECT_FALSE(engine->HasTaskRedy());
  // The hand-over was used: starting again without a new one does nothing.
  Receiver again;
  EXPECT_FALSE(engine->startCreateInstall(&again));
  EXPECT_TRUE(again.all().isEmpty());
}

TEST_F(InstallerEngine, CancelBeforeTheRunStartsErasesNothing) {
  // The progress page saw the hand-over, then the user cancelled before its worker began.
  engine->setInstallerAppInfo(installer("Ventura", "/Applications/Install macOS Ventura.app"),
                              diskRecord("disk5", ""));
  ASSERT_TRUE(engine->HasTaskRedy());
  engine->cancelMacOSInstller();
  Receiver receiver;
  EXPECT_FALSE(engine->startCreateInstall(&receiver));
  EXPECT_TRUE(receiver.all().isEmpty());
  EXPECT_FALSE(engine->isRunning());
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/SD CARD")));
}

TEST_F(InstallerEngine, ErasesAWholeDiskWithoutVolumeFirst) {
  Receiver receiver;
  Creation c;
  c.start(installer("Ventura", "/Applications/Install macOS Ventura.app"), diskRecord("disk5", ""), &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_TRUE(c.result);
  EXPECT_EQ(receiver.successes(), 1);
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/SD CARD")));
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Install macOS Ventura/Install macOS Ventura.app")));
}

TEST_F(InstallerEngine, NothingIsErasedWhenTheToolIsMissing) {
  // A bundle that looks like an installer but lacks createinstallmedia.
  const QString app = "/Users/alex/Downloads/Install macOS Sonoma.app";
  ASSERT_TRUE(QDir().mkpath(world.host(app + "/Contents")));
  ASSERT_TRUE(QFile::copy(world.host("/Applications/Install macOS Sonoma.app/Contents/Info.plist"),
                          world.host(app + "/Contents/Info.plist")));
  Receiver receiver;
  Creation c;
  c.start(installer("Sonoma", app), diskRecord("disk5", ""), &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_FALSE(c.result);
  EXPECT_TRUE(receiver.all().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/SD CARD")));
  EXPECT_FALSE(engine->isRunning());
}

TEST_F(InstallerEngine, FailingEraseOfAWholeDiskRunsNoTool) {
  knob(world::knob::kFailTools, QStringList{"diskutil eraseDisk"});
  Receiver receiver;
  Creation c;
  c.start(installer("Ventura", "/Applications/Install macOS Ventura.app"), diskRecord("disk5", ""), &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_FALSE(c.result);
  EXPECT_TRUE(receiver.all().isEmpty());
  EXPECT_FALSE(engine->isRunning());
}

TEST_F(InstallerEngine, ToolThatFailsToEraseReportsKindOne) {
  knob(world::knob::kFailTools, QStringList{"createinstallmedia erase"});
  Receiver receiver;
  Creation c;
  c.start(installer("Sonoma", "/Applications/Install macOS Sonoma.app"),
          diskRecord("disk3s2", "/Volumes/USB Stick"), &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_TRUE(c.result);
  const auto reports = receiver.all();
  ASSERT_FALSE(reports.isEmpty());
  EXPECT_EQ(reports.last().numError, MacOSInstallerProgressinfo::EraseFailed);
  EXPECT_TRUE(reports.last().strErrorText.contains("An error occurred erasing the disk."));
  EXPECT_EQ(receiver.successes(), 0);
}

TEST_F(InstallerEngine, CancelStopsTheToolAndNeverEndsAsSuccess) {
  knob(world::knob::kPace, 0.3);
  Receiver receiver;
  Creation c;
  c.start(installer("Sonoma", "/Applications/Install macOS Sonoma.app"),
          diskRecord("disk3s2", "/Volumes/USB Stick"), &receiver);
  ASSERT_TRUE(waitUntil([&] { return receiver.all().size() >= 2; }, 60000));

  // A second start while the run is under way is refused at once, without reports.
  Receiver second;
  EXPECT_FALSE(engine->CreateMacOSInstaller(installer("Ventura", "/Applications/Install macOS Ventura.app"),
                                            diskRecord("disk5", ""), &second));
  EXPECT_TRUE(second.all().isEmpty());
  EXPECT_TRUE(engine->isRunning());

  engine->cancelMacOSInstller();
  EXPECT_FALSE(engine->HasTaskRedy());
  ASSERT_TRUE(c.wait(30000));
  const auto reports = receiver.all();
  EXPECT_EQ(reports.last().numError, MacOSInstallerProgressinfo::OtherFailure);
  EXPECT_EQ(receiver.successes(), 0);
  EXPECT_FALSE(engine->isRunning());
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/SD CARD")));
}

TEST_F(InstallerEngine, CancelDuringTheEraseRunsNoTool) {
  // The worker is held while the erase of the card runs; the cancel lands there.
  platform::gates::arm(kInstallerEraseGate);
  Receiver receiver;
  Creation c;
  c.start(installer("Ventura", "/Applications/Install macOS Ventura.app"), diskRecord("disk5", ""), &receiver);
  ASSERT_TRUE(platform::gates::waitReached(kInstallerEraseGate, 30000));
  engine->cancelMacOSInstller();
  platform::gates::release(kInstallerEraseGate);
  ASSERT_TRUE(c.wait(60000));
  EXPECT_FALSE(c.result);
  EXPECT_TRUE(receiver.all().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/SD CARD"))) << "the erase was under way";
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Install macOS Ventura"))) << "the tool ran after the cancel";
  EXPECT_FALSE(engine->isRunning());
  EXPECT_FALSE(engine->HasTaskRedy());
}

TEST_F(InstallerEngine, ALiveRunReportsItsVersionsStepsInOrderUpToTheEnd) {
  // Slow enough that most steps arrive in pieces of their own.
  knob(world::knob::kPace, 0.15);
  const MacOSStepTables tables = engine->dictProgress();
  struct Case { const char* name; const char* disk; const char* mount; } cases[] = {
      {"Sonoma", "disk3s2", "/Volumes/USB Stick"},
      {"Ventura", "disk5", ""},
  };
  for (const Case& k : cases) {
    const MacOSStepTable table = tables.value(QStringLiteral("macOS ") + k.name);
    ASSERT_FALSE(table.isEmpty()) << k.name;
    Receiver receiver;
    Creation c;
    c.start(installer(k.name, QString("/Applications/Install macOS %1.app").arg(k.name)),
            diskRecord(k.disk, k.mount), &receiver);
    ASSERT_TRUE(c.wait()) << k.name;
    ASSERT_TRUE(c.result) << k.name;
    const auto reports = receiver.all();
    ASSERT_GE(reports.size(), 3) << k.name;
    EXPECT_EQ(reports.first().numCurrent, 0) << k.name;
    EXPECT_EQ(reports.first().numRemain, -1) << k.name;

    // Every report between the opening and the verdict is a row of the version's
    // table, later than the one before; the percentages never fall back.
    int row = -1, current = 0;
    QList<int> rows;
    for (int i = 1; i + 1 < reports.size(); ++i) {
      const MacOSInstallerProgressinfo& r = reports[i];
      EXPECT_EQ(r.numError, 0) << k.name << " report " << i;
      int found = -1;
      for (int j = row + 1; j < table.size() && found < 0; ++j)
        if (table[j]->i32CurProgress == r.numCurrent && table[j]->i32NextProaress == r.numNext) found = j;
      ASSERT_GE(found, 0) << k.name << ": " << r.numCurrent << "/" << r.numNext << " is no later row";
      EXPECT_GE(r.numCurrent, current) << k.name;
      if (r.numCurrent > 0) {
        // Timed from the tool's start: total = elapsed * 100 / current, remain = total - elapsed.
        const int elapsed = r.numAllTime - r.numRemain;
        EXPECT_GE(elapsed, 0) << k.name;
        EXPECT_EQ(r.numAllTime, elapsed * 100 / r.numCurrent) << k.name;
      } else {
        EXPECT_EQ(r.numRemain, -1) << k.name;
      }
      row = found;
      current = r.numCurrent;
      rows << found;
    }
    // The steps come paced, so the run is told of several on its way, not only of its end.
    EXPECT_GE(rows.size(), table.size() / 4) << k.name << ": steps came in " << rows.size() << " reports";
    EXPECT_GE(current, 90) << k.name;
    const MacOSInstallerProgressinfo& last = reports.last();
    EXPECT_EQ(last.numError, 0) << k.name;
    EXPECT_EQ(last.numCurrent, 100) << k.name;
    EXPECT_EQ(last.numNext, 100) << k.name;
    EXPECT_EQ(last.numRemain, 0) << k.name;
    EXPECT_GT(last.numAllTime, 0) << k.name << ": the run took seconds";
    EXPECT_FALSE(engine->GetCreateProgress("Making disk bootable...")) << k.name << ": no estimate outside a run";
  }
}

TEST_F(InstallerEngine, TheToolRunOnItsOwnHasNoStepTable) {
  // Outside a creation the tool runs without a version: only the opening and the verdict.
  Receiver receiver;
  engine->ExcuteInstallerTask("/Applications/Install macOS Sonoma.app/Contents/Resources/createinstallmedia",
                              {"--volume", "/Volumes/USB Stick", "--nointeraction"}, &receiver);
  const auto reports = receiver.all();
  ASSERT_EQ(reports.size(), 2);
  EXPECT_EQ(reports.first().numCurrent, 0);
  EXPECT_EQ(reports.first().numRemain, -1);
  EXPECT_EQ(reports.last().numCurrent, 100);
  EXPECT_EQ(reports.last().numRemain, 0);
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Install macOS Sonoma/Install macOS Sonoma.app")));
  EXPECT_FALSE(engine->isRunning());
}

TEST_F(InstallerEngine, StoreLinkOpensThroughTheWorkspace) {
  EXPECT_FALSE(engine->LaunchAppStore(QString()));
  EXPECT_TRUE(engine->LaunchAppStore("6450717509"));
  const QStringList opened = world::openedRecords(world.layout());
  ASSERT_FALSE(opened.isEmpty());
  EXPECT_TRUE(opened.last().contains("macappstore://apps.apple.com/app/id6450717509")) << qPrintable(opened.last());
}

TEST_F(InstallerEngine, OlderAndNewerReleasesEndWithOneSuccess) {
  // High Sierra ends with "Copy complete." and "Done."; Tahoe's table stops at 99
  // and the tool's last line makes it a success.
  struct Case { const char* name; const char* bundleId; int highestBeforeEnd; } cases[] = {
      {"High Sierra", "com.apple.InstallAssistant.HighSierra", 98},
      {"Tahoe 26", "com.apple.InstallAssistant.macOSTahoe", 99},
  };
  for (const Case& c : cases) {
    const QString app = QString("/Applications/Install macOS %1.app").arg(c.name);
    ASSERT_TRUE(copyTree(world.host("/Applications/Install macOS Sonoma.app"), world.host(app)));
    auto plistInfo = plist::readDictionary(world.host(app + "/Contents/Info.plist"));
    ASSERT_TRUE(plistInfo);
    plistInfo->insert("CFBundleIdentifier", c.bundleId);
    ASSERT_TRUE(plist::writeFile(world.host(app + "/Contents/Info.plist"), *plistInfo));
    QFile::setPermissions(world.host(app + "/Contents/Resources/createinstallmedia"),
                          QFileInfo(world.host("/Applications/Install macOS Sonoma.app/Contents/Resources/createinstallmedia")).permissions());

    const auto found = engine->getMacOSAppInfoByPath(app);
    ASSERT_TRUE(found) << c.name;
    Receiver receiver;
    Creation run;
    const auto tree = engine->getInstallerDiskInfo();
    MacOSInstallerDiskInfoPtr stick;
    for (const auto& d : tree)
      if (d->strBSDName == "disk3") stick = d;
    ASSERT_TRUE(stick) << c.name;
    run.start(found, stick->arrChildren ? stick->arrChildren->first() : stick, &receiver);
    ASSERT_TRUE(run.wait()) << c.name;
    EXPECT_TRUE(run.result) << c.name;
    const auto reports = receiver.all();
    ASSERT_GE(reports.size(), 2) << c.name;
    EXPECT_EQ(receiver.successes(), 1) << c.name;
    EXPECT_EQ(reports.last().numCurrent, 100) << c.name;
    // The version's own table: no report before the end passes its highest row.
    // Which rows are told depends on how the pipe cuts the tool's output (under
    // load its last lines come in one read with the end), so not which is last.
    int highest = 0;
    for (qsizetype i = 0; i + 1 < reports.size(); ++i) highest = std::max(highest, reports[i].numCurrent);
    EXPECT_LE(highest, c.highestBeforeEnd) << c.name;
    EXPECT_GE(highest, 90) << c.name;
  }
}

}  // namespace

TEST_F(InstallerEngine, ADiskThatTookTheChosenBsdNameIsNotErased) {
  const auto chosen = diskRecord("disk5", "");
  ASSERT_EQ(chosen->strName, "APPLE SD Card Reader Media");
  QString out;
  ASSERT_EQ(runWorld(world, "detach", {"disk5"}), 0);
  ASSERT_EQ(runWorld(world, "attach", {"--new", "sd", "Other Card", "8G", "Journaled HFS+"}, &out), 0);
  ASSERT_TRUE(diskRecord("disk5", "") != chosen) << qPrintable(out);
  Receiver receiver;
  Creation c;
  c.start(installer("Ventura", "/Applications/Install macOS Ventura.app"), chosen, &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_FALSE(c.result);
  EXPECT_TRUE(receiver.all().isEmpty());
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Other Card")));
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/Install macOS Ventura")));
}

TEST_F(InstallerEngine, AStickMountedElsewhereSinceTheListIsWrittenWhereItIsNow) {
  const auto chosen = diskRecord("disk3s2", "/Volumes/USB Stick");
  ASSERT_EQ(chosen->strName, "USB Stick");
  // Another stick takes the old mount path while the chosen one is unmounted;
  // mounted again, the chosen one gets "USB Stick 1".
  auto diskutil = [](const QStringList& args) {
    return platform::runShell(platform::shellLine("/usr/sbin/diskutil", args) + " >/dev/null");
  };
  ASSERT_EQ(diskutil({"unmount", "disk3s2"}), 0);
  QString other;
  ASSERT_EQ(runWorld(world, "attach", {"--new", "usb", "USB Stick", "8G", "Journaled HFS+"}, &other), 0);
  other = other.trimmed();
  ASSERT_EQ(diskutil({"mount", "disk3s2"}), 0);
  ASSERT_EQ(diskRecord(other + "s2", "/Volumes/USB Stick")->strName, "USB Stick") << qPrintable(other);
  ASSERT_EQ(diskRecord("disk3s2", "/Volumes/USB Stick 1")->strName, "USB Stick");

  Receiver receiver;
  Creation c;
  c.start(installer("Sonoma", "/Applications/Install macOS Sonoma.app"), chosen, &receiver);
  ASSERT_TRUE(c.wait());
  EXPECT_TRUE(c.result);
  EXPECT_EQ(receiver.successes(), 1);
  EXPECT_EQ(diskRecord("disk3s2", "/Volumes/Install macOS Sonoma")->strName, "Install macOS Sonoma")
      << "the chosen stick holds the installer";
  EXPECT_EQ(diskRecord(other + "s2", "/Volumes/USB Stick")->strName, "USB Stick") << "the other stick is untouched";
}
