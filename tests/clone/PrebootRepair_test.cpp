#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "TestWorld.h"
#include "clone/CloneDiskWork.h"
#include "platform/Shell.h"
#include "world/lib/Layout.h"
#include "CloneWorld_support.h"

using namespace cloning;
using namespace clonetest;

namespace {

// `disk` erased as `fileSystem` and the running system restored onto it, as a
// clone leaves it before its Preboot repair.
bool clonedOnto(const QString& disk, const QString& fileSystem) {
  return run("/usr/sbin/diskutil", {"eraseDisk", fileSystem, "NewCloneSystem", disk}) == 0 &&
         run("/usr/sbin/asr", {"restore", "--source", "/", "--target", "/Volumes/NewCloneSystem", "--erase",
                               "--noprompt"}) == 0;
}

QStringList volumesFolder(const TestWorld& w) {
  return QDir(w.host("/Volumes")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
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
  EXPECT_TRUE(prebootHoldsCryptexes(w, preboot));
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
