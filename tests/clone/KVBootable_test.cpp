#include "clone/KVBootable.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "TestWorld.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/KVExecCommand.h"
#include "services/Localization.h"
#include "world/lib/Layout.h"
#include "CloneWorld_support.h"

using clonetest::volumeOnDiskHolding;

namespace {

struct Report {
  int err, step, percent;
};

class Recorder : public QObject, public KVBootableDelegate {
 public:
  QList<Report> reports;
  QStringList labels;
  QList<std::pair<int, int>> tags;
  bool offMainThread = false;

  void KVUINotify(_tagBootableProgress* p) override {
    offMainThread |= !platform::isMainThread();
    reports.append({p->iErrCode, p->iStepCode, p->iPercent});
  }
  void changeProLabelValue(const QString& text) override {
    offMainThread |= !platform::isMainThread();
    labels.append(text);
  }
  void changeProTimeWithTag(int tag, int step) override {
    offMainThread |= !platform::isMainThread();
    tags.append({tag, step});
  }

  bool ended() const {
    for (const Report& r : reports)
      if (r.err < 0 || r.step == 8) return true;
    return false;
  }
  Report last() const { return reports.isEmpty() ? Report{1, -1, -1} : reports.last(); }
  QList<int> steps() const {
    QList<int> s;
    for (const Report& r : reports) s << r.step;
    return s;
  }
  bool sawStep(int step) const { return steps().contains(step); }
};

VolumeObjPtr wholeDisk(const QString& bsd) {
  auto v = std::make_shared<VolumeObj>();
  v->volumeName = "SanDisk Ultra";
  v->volumePath = bsd;
  return v;
}

class CloneEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world.ok()) << qPrintable(world.error());
    engine = KVBootable::KVShareInstance();
    engine->KVInit();
    engine->KVSetDelegate(&recorder);
  }
  void TearDown() override {
    // The shared engine must be idle before the next test's world replaces this one.
    engine->KVStop();
    waitUntil([&] { return !engine->isRunning(); }, 60000);
    platform::waitForGlobalQueue();
    QCoreApplication::processEvents();
    engine->KVSetDelegate(nullptr);
  }
  void knob(const QString& name, const QVariant& value) {
    ASSERT_TRUE(world::writeKnob(world.layout(), name, value));
  }

  TestWorld world{TestWorld::demo()};
  KVBootable* engine = nullptr;
  Recorder recorder;
};

TEST(CloneEngineRules, FileSystemAndPercentPerStep) {
  struct FsCase { int version; const char* fs; } fs[] = {
      {1013, "HFS+"}, {1014, "HFS+"}, {1015, "JHFS+"}, {1299, "JHFS+"}, {1300, "APFS"}, {1507, "APFS"}};
  for (const FsCase& c : fs) EXPECT_EQ(KVBootable::fileSystemForSystemVersion(c.version), c.fs) << c.version;
  const int want[] = {0, 12, 25, 37, 50, 62, 75, 87, 100};
  for (int step = 0; step <= 8; ++step) EXPECT_EQ(KVBootable::KVGetPrecentWithStepCode(step), want[step]) << step;
}

TEST(CloneEngineRules, WholeDisksOfAVolume) {
  QVariantMap apfs{{"DeviceIdentifier", "disk1s1"},
                   {"ParentWholeDisk", "disk1"},
                   {"APFSContainerReference", "disk1"},
                   {"APFSPhysicalStores", QVariantList{QVariantMap{{"APFSPhysicalStore", "disk0s2"}}}}};
  EXPECT_EQ(KVBootable::wholeDisksOfVolume(apfs), (QStringList{"disk1", "disk0"}));
  QVariantMap hfs{{"DeviceIdentifier", "disk12s2"}, {"ParentWholeDisk", "disk12"}};
  EXPECT_EQ(KVBootable::wholeDisksOfVolume(hfs), QStringList{"disk12"});
  for (const char* ok : {"disk3", "disk12"}) EXPECT_TRUE(KVBootable::isWholeDiskIdentifier(ok)) << ok;
  for (const char* bad : {"disk3s2", "/", "disk", "disk3 ; rm -rf /", ""})
    EXPECT_FALSE(KVBootable::isWholeDiskIdentifier(bad)) << bad;
}

TEST_F(CloneEngine, ClonesTheSystemOntoTheChosenDisk) {
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
  platform::waitForGlobalQueue();
  QCoreApplication::processEvents();

  EXPECT_FALSE(recorder.offMainThread);
  EXPECT_EQ(recorder.last().err, 0);
  EXPECT_EQ(recorder.last().step, 8);
  EXPECT_EQ(recorder.last().percent, 100);
  const QList<int> steps = recorder.steps();
  for (int s : {0, 1, 2, 3, 4, 5}) EXPECT_TRUE(steps.contains(s)) << s;
  // How the pipe cuts asr's marks decides which tags come ("....90....100" in one
  // chunk is tag 9); the parser's tests hold that rule. Here: both passes were
  // followed to their end.
  for (int pass : {1, 2}) {
    int last = 0;
    for (const auto& [tag, p] : recorder.tags)
      if (p == pass) last = std::max(last, tag);
    EXPECT_GE(last, 9) << "pass " << pass;
  }
  EXPECT_FALSE(engine->isRunning());
  EXPECT_EQ(recorder.labels.first(), getLocalizedString("BOOTABLE_CLONE_VALIDATING_TARGET"));
  EXPECT_TRUE(recorder.labels.contains(getLocalizedString("BOOTABLE_CLONE_VALIDATING_SOURCE")));
  EXPECT_GE(recorder.labels.count(getLocalizedString("BOOTABLE_CLONE_CLONING")), 1);
  for (const QString& l : recorder.labels) EXPECT_FALSE(l.contains("[ny]")) << qPrintable(l);

  // The system's files are now on a volume of disk3, and the stick's old volume is gone.
  EXPECT_FALSE(volumeOnDiskHolding(world, "disk3", "Users/alex/Documents").isEmpty());
  EXPECT_FALSE(QFileInfo::exists(world.host("/Volumes/USB Stick")));
  // Untouched elsewhere.
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/Data")));
}

TEST_F(CloneEngine, StartWhileAJobRunsIsRefusedAndTheFirstGoesOn) {
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  EXPECT_EQ(engine->KVStart(wholeDisk("disk5")), KVBootable::kJobRunning);
  EXPECT_EQ(engine->KVStart(nullptr), KVBootable::kJobRunning);
  // Nor may a restore be launched beside the job while it erases.
  EXPECT_EQ(engine->KVCreateBootableSystem("/", "/Volumes/SD CARD"), KVBootable::kJobRunning);
  EXPECT_EQ(engine->KVCreateBootableSystem("", "/Volumes/SD CARD"), KVBootable::kNoSourceOrTarget);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
  EXPECT_EQ(recorder.last().err, 0);
  // The SD card was never touched.
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/SD CARD")));
}

TEST_F(CloneEngine, RefusedTargetsStartNothing) {
  struct Case { VolumeObjPtr target; int result; } cases[] = {
      {nullptr, KVBootable::kNoTarget},
      {wholeDisk(""), KVBootable::kNoTarget},
      {wholeDisk("disk3s2"), KVBootable::kTargetRefused},   // a partition
      {wholeDisk("/dev/disk3s2"), KVBootable::kTargetRefused},
  };
  for (const Case& c : cases) EXPECT_EQ(engine->KVStart(c.target), c.result);
  EXPECT_FALSE(engine->isRunning());
  QCoreApplication::processEvents();
  EXPECT_TRUE(recorder.reports.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/USB Stick")));
}

// Which disk holds "/" is asked by the job, off the main thread: KVStart queues it,
// and a startup disk, or one that cannot be told, ends it with one closing -5
// before anything is erased.
TEST_F(CloneEngine, StartupDiskIsRefusedByTheJobBeforeTheErase) {
  struct Case { const char* disk; bool infoFails; } cases[] = {
      {"disk0", false},  // physical store of "/"
      {"disk1", false},  // container of "/"
      {"/dev/disk1", false},
      {"disk3", true},   // the stick, but "/" cannot be looked up
  };
  for (const Case& c : cases) {
    knob(world::knob::kFailTools, c.infoFails ? QStringList{"diskutil info"} : QStringList{});
    recorder.reports.clear();
    ASSERT_EQ(engine->KVStart(wholeDisk(c.disk)), 0) << c.disk;
    ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 30000)) << c.disk;
    ASSERT_TRUE(waitUntil([&] { return !engine->isRunning(); }, 10000)) << c.disk;
    EXPECT_EQ(recorder.last().err, KVBootable::kTargetRefused) << c.disk;
    int negatives = 0;
    for (const Report& r : recorder.reports) negatives += r.err < 0;
    EXPECT_EQ(negatives, 1) << c.disk;
    EXPECT_FALSE(recorder.sawStep(2)) << c.disk;
  }
  knob(world::knob::kFailTools, QStringList{});
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/USB Stick")));
  EXPECT_TRUE(QFileInfo::exists(world.host("/System/Volumes/Preboot/Cryptexes")));
}

TEST_F(CloneEngine, CancelDuringTheEraseEndsWithUserCancelAndNoRestore) {
  knob(world::knob::kPace, 2.0);  // the erase takes several seconds
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  ASSERT_TRUE(waitUntil([&] { return recorder.sawStep(2); }, 20000));
  engine->KVStop();
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 30000));
  platform::waitForGlobalQueue();
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.last().err, KVBootable::kUserCancel);
  EXPECT_EQ(recorder.last().step, 2);
  EXPECT_FALSE(recorder.sawStep(3));
  EXPECT_FALSE(recorder.sawStep(8));
  // The erase was stopped before it changed the disk.
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/USB Stick")));
}

TEST_F(CloneEngine, CancelDuringTheRestoreIsFinal) {
  knob(world::knob::kPace, 0.2);
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  ASSERT_TRUE(waitUntil([&] { return !recorder.tags.isEmpty(); }, 60000));
  engine->KVStop();
  const int reportsAtCancel = recorder.reports.size();
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 30000));
  platform::waitForGlobalQueue();
  waitUntil([] { return false; }, 300);  // anything late would arrive now
  EXPECT_EQ(recorder.last().err, KVBootable::kAsrFailed);
  EXPECT_EQ(recorder.last().step, 8);
  EXPECT_EQ(recorder.reports.size(), reportsAtCancel + 1) << "only the closing report after a cancel";
  EXPECT_FALSE(recorder.tags.contains({10, 2}));
}

TEST_F(CloneEngine, FailingAsrEndsWithToolError) {
  knob(world::knob::kFailTools, QStringList{"asr"});
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
  EXPECT_EQ(recorder.last().err, KVBootable::kAsrFailed);
  EXPECT_EQ(recorder.last().step, 8);

  // A second job in the same run starts from nothing: with asr working again it succeeds,
  // and the failed job's counts do not leak into it.
  knob(world::knob::kFailTools, QStringList{});
  recorder.reports.clear();
  recorder.tags.clear();
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
  EXPECT_EQ(recorder.last().err, 0);
  EXPECT_EQ(recorder.tags.first(), (std::pair<int, int>{1, 1}));
}

TEST_F(CloneEngine, FailedEraseEndsWithTargetNotFound) {
  knob(world::knob::kFailTools, QStringList{"diskutil eraseDisk"});
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  // A folder of the chosen name that is no volume of disk3 must not become the target.
  const QString chosen = KVUSBControl::KVShareInstance()->KVGetOstrelVolumeName();
  ASSERT_FALSE(chosen.isEmpty());
  QDir().mkpath(world.host("/Volumes/" + chosen));
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 60000));
  EXPECT_EQ(recorder.last().err, KVBootable::kTargetNotFound);
  EXPECT_EQ(recorder.last().step, 3);
  EXPECT_FALSE(recorder.sawStep(4));
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/USB Stick")));
}

TEST_F(CloneEngine, NameSkipsAnEarlierCloneVolume) {
  // With a "NewCloneSystem" volume mounted, the new one is NewCloneSystem1 and the
  // earlier volume keeps its files.
  ASSERT_EQ(platform::runShell(platform::shellLine(
                "/usr/sbin/diskutil", {"eraseDisk", "JHFS+", "NewCloneSystem", "disk5"})),
            0);
  QFile marker(world.host("/Volumes/NewCloneSystem/keep.txt"));
  ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
  marker.close();
  ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0);
  EXPECT_EQ(KVUSBControl::KVShareInstance()->KVGetOstrelVolumeName(), "NewCloneSystem1");
  ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
  EXPECT_EQ(recorder.last().err, 0);
  EXPECT_TRUE(QFileInfo::exists(world.host("/Volumes/NewCloneSystem/keep.txt")));
  EXPECT_FALSE(volumeOnDiskHolding(world, "disk3", "Users/alex").isEmpty());
}

TEST(CloneEngineVersions, EraseUsesTheFileSystemOfTheRunningSystem) {
  struct Case { const char* version; const char* fileSystem; } cases[] = {
      {"10.14", "HFS+"}, {"10.15", "Journaled HFS+"}, {"13.4", "APFS"}};
  for (const Case& c : cases) {
    world::CreateOptions options = TestWorld::demo();
    options.productVersion = c.version;
    TestWorld w(options);
    ASSERT_TRUE(w.ok()) << qPrintable(w.error());
    // asr fails, so the erased volume stays as the erase made it.
    ASSERT_TRUE(world::writeKnob(w.layout(), world::knob::kFailTools, QStringList{"asr"}));
    Recorder recorder;
    KVBootable* engine = KVBootable::KVShareInstance();
    engine->KVInit();
    engine->KVSetDelegate(&recorder);
    ASSERT_EQ(engine->KVStart(wholeDisk("disk3")), 0) << c.version;
    ASSERT_TRUE(waitUntil([&] { return recorder.ended(); }, 120000));
    ASSERT_TRUE(waitUntil([&] { return !engine->isRunning(); }, 10000));
    platform::waitForGlobalQueue();
    QCoreApplication::processEvents();
    engine->KVSetDelegate(nullptr);
    EXPECT_EQ(recorder.last().err, KVBootable::kAsrFailed) << c.version;
    const QString volume = "/Volumes/" + KVUSBControl::KVShareInstance()->KVGetOstrelVolumeName();
    const auto i = KVExecCommandDictionary(platform::shellLine("/usr/sbin/diskutil", {"info", "-plist", volume}), "cloneTestInfo.plist");
    ASSERT_TRUE(i) << c.version;
    EXPECT_EQ(i->value("FilesystemName").toString(), c.fileSystem) << c.version;
    EXPECT_TRUE(KVBootable::wholeDisksOfVolume(*i).contains("disk3"));
  }
}

}  // namespace
