#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "TestWorld.h"
#include "clone/CloneDiskWork.h"
#include "platform/Shell.h"
#include "world/lib/Layout.h"

using namespace cloning;

namespace {

int run(const QString& tool, const QStringList& args) {
  return platform::runShell(platform::shellLine(tool, args), "/dev/null");
}

// `disk` erased as `fileSystem` and the running system restored onto it, as a
// clone leaves it before its Preboot repair.
bool clonedOnto(const QString& disk, const QString& fileSystem) {
  return run("/usr/sbin/diskutil", {"eraseDisk", fileSystem, "NewCloneSystem", disk}) == 0 &&
         run("/usr/sbin/asr", {"restore", "--source", "/", "--target", "/Volumes/NewCloneSystem", "--erase",
                               "--noprompt"}) == 0;
}

QString prebootOf(const QString& disk) {
  const PrebootPlan plan = planPrebootRepair(disk, diskutilReader());
  return plan.kind == PrebootPlan::Found ? plan.preboot : QString();
}

QStringList volumesFolder(const TestWorld& w) {
  return QDir(w.host("/Volumes")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Where the Preboot volume's files lie while it is mounted at `mount`.
bool holdsCryptexes(const TestWorld& w, const QString& preboot) {
  if (run("/usr/sbin/diskutil", {"mount", "/dev/" + preboot}) != 0) return false;
  const auto info = diskutilReader()({"info", "-plist", "/dev/" + preboot});
  const QString mount = info ? info->value("MountPoint").toString() : QString();
  const bool there = !mount.isEmpty() &&
                     QFileInfo::exists(w.host(mount + "/Cryptexes/App/System/Library/Frameworks/Safari.txt"));
  run("/usr/sbin/diskutil", {"unmount", "/dev/" + preboot});
  return there;
}

const auto never = [] { return false; };

}  // namespace

TEST(PrebootRepair, CopiesTheCryptexesToWhereTheNewPrebootMountsAndUnmountsIt) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE(clonedOnto("disk3", "APFS"));
  // Another disk's Preboot volume already holds "/Volumes/Preboot".
  QDir().mkpath(w.host("/Volumes/Preboot"));
  const QString preboot = prebootOf("disk3");
  ASSERT_FALSE(preboot.isEmpty());

  EXPECT_EQ(repairPrebootFile("disk3", true, never), PrebootRepairResult::Repaired);
  EXPECT_TRUE(QDir(w.host("/Volumes/Preboot")).isEmpty()) << "the other volume got files";
  EXPECT_FALSE(volumesFolder(w).contains("Preboot 1")) << "left mounted";
  EXPECT_TRUE(holdsCryptexes(w, preboot));
}

TEST(PrebootRepair, FailuresOnAnApfsCloneAreReportedAndCreateNothing) {
  struct Case {
    const char* name;
    QStringList failTools;
    bool removePreboot;
    PrebootRepairResult result;
  } cases[] = {
      {"Preboot does not mount", {"diskutil mountDisk"}, false, PrebootRepairResult::Failed},
      {"copy fails", {"cp"}, false, PrebootRepairResult::Failed},
      {"no Cryptexes to copy", {}, true, PrebootRepairResult::Failed},
  };
  for (const Case& c : cases) {
    TestWorld w(TestWorld::demo());
    ASSERT_TRUE(w.ok());
    ASSERT_TRUE(clonedOnto("disk3", "APFS")) << c.name;
    const QStringList before = volumesFolder(w);
    if (c.removePreboot) QDir(w.host("/System/Volumes/Preboot/Cryptexes")).removeRecursively();
    ASSERT_TRUE(world::writeKnob(w.layout(), world::knob::kFailTools, c.failTools));
    EXPECT_EQ(repairPrebootFile("disk3", true, never), c.result) << c.name;
    EXPECT_EQ(volumesFolder(w), before) << c.name;
  }
}

TEST(PrebootRepair, AnHfsCloneHasNothingToRepairUnlessApfsWasMeant) {
  TestWorld w(TestWorld::demo());
  ASSERT_TRUE(w.ok());
  ASSERT_TRUE(clonedOnto("disk3", "JHFS+"));
  EXPECT_EQ(repairPrebootFile("disk3", false, never), PrebootRepairResult::NothingToRepair);
  EXPECT_EQ(repairPrebootFile("disk3", true, never), PrebootRepairResult::Failed);
}
