#include "clone/CloneScreenRules.h"

#include <gtest/gtest.h>

#include <QDir>

#include "TestWorld.h"
#include "clone/CloneDiskWork.h"
#include "platform/Privacy.h"
#include "world/lib/Layout.h"

using namespace cloning;

TEST(CloneScreenRules, StepsMoveTheBarTheStepBarAndThePicture) {
  struct Case { int step; StepShow show; } cases[] = {
      {0, {0, 0, ""}},        {1, {5, 2, "erase"}}, {2, {10, 0, ""}}, {3, {15, 0, ""}},
      {4, {20, 0, ""}},       {5, {30, 3, "copy"}}, {6, {0, 0, ""}},  {7, {0, 0, ""}},
      {8, {100, 0, ""}},      {9, {0, 0, ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(progressForStep(c.step), c.show) << c.step;
}

TEST(CloneScreenRules, PercentMarksOfTheTwoPasses) {
  struct Case { int tag, pass, percent; } cases[] = {
      {1, 1, 38}, {5, 1, 50}, {10, 1, 65}, {1, 2, 68}, {5, 2, 80}, {10, 2, 95},
  };
  for (const Case& c : cases) EXPECT_EQ(percentForTag(c.tag, c.pass), c.percent) << c.tag << "/" << c.pass;
}

TEST(CloneScreenRules, ErrorCodesGetTheirTexts) {
  struct Case { int code; bool userCancel; const char* key; } progress[] = {
      {0, false, ""},
      {0, true, ""},  // a good report stays good; the cancel itself shows the stop
      {-1, false, "BOOTABLE_CLONE_error_1"},
      {-2, false, "BOOTABLE_CLONE_error_1"},
      {-3, false, "BOOTABLE_CLONE_error_2"},
      {-4, false, "BOOTABLE_CLONE_error_3"},
      {-5, false, "BOOTABLE_CLONE_error_4"},
      {-6, false, "BOOTABLE_CLONE_error_1"},
      {-7, false, "BOOTABLE_CLONE_error_1"},
      // A stop that did not come from the screen still ends the working pane.
      {-8, false, "BOOTABLE_CLONE_STOP_Node"},
      {-7, true, "BOOTABLE_CLONE_STOP_Node"},
      {-4, true, "BOOTABLE_CLONE_STOP_Node"},
  };
  for (const Case& c : progress)
    EXPECT_EQ(errorTextKeyForProgress(c.code, c.userCancel), c.key) << c.code << " " << c.userCancel;

  struct StartCase { int code; const char* key; } starts[] = {
      {0, ""},
      {-2, "BOOTABLE_CLONE_error_5"},
      {-3, "BOOTABLE_CLONE_error_2"},
      {-5, "BOOTABLE_CLONE_error_5"},
  };
  for (const StartCase& c : starts) EXPECT_EQ(errorTextKeyForStart(c.code), c.key) << c.code;
}

TEST(CloneScreenRules, UsedBytesOfTheStartupVolume) {
  const QVariantMap apfs{{"APFSContainerSize", qint64(500000000000)},
                         {"APFSContainerFree", qint64(380000000000)},
                         {"TotalSize", qint64(500000000000)},
                         {"FreeSpace", qint64(0)}};  // the sealed system volume tells no free space
  const QVariantMap hfs{{"TotalSize", qint64(250000000000)}, {"FreeSpace", qint64(100000000000)}};
  struct Case {
    const char* name;
    std::optional<QVariantMap> info;
    int version;
    std::optional<qint64> used;
  } cases[] = {
      {"APFS from 10.15", apfs, 1300, qint64(120000000000)},
      {"APFS on 10.15", apfs, 1015, qint64(120000000000)},
      {"HFS+ below 10.15", hfs, 1014, qint64(150000000000)},
      {"APFS figures missing", hfs, 1015, std::nullopt},
      {"tool failed", std::nullopt, 1300, std::nullopt},
      {"free above total", QVariantMap{{"TotalSize", 10}, {"FreeSpace", 20}}, 1013, std::nullopt},
      {"unreadable figure", QVariantMap{{"TotalSize", "lots"}, {"FreeSpace", 20}}, 1013, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(usedBytesOfStartupVolume(c.info, c.version), c.used) << c.name;
}

TEST(CloneScreenRules, SpaceCheck) {
  struct Case { qint64 used; bool failed; qint64 free; SpaceVerdict verdict; } cases[] = {
      {1000, false, 1000, SpaceVerdict::Fits},
      {1000, false, 999, SpaceVerdict::TooSmall},
      {1000, false, 32000000000, SpaceVerdict::Fits},
      {-1, false, 1000, SpaceVerdict::Pending},   // still measuring
      {1000, false, -1, SpaceVerdict::Pending},   // no destination
      {-1, true, 32000000000, SpaceVerdict::UsedUnknown},  // never taken as 0
      {-1, true, -1, SpaceVerdict::UsedUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(spaceCheck(c.used, c.failed, c.free), c.verdict) << c.used << " " << c.free;
}

TEST(CloneScreenRules, FullDiskAccessProbe) {
  struct Case { bool exists, listed; int status; } cases[] = {
      {true, true, 2}, {true, false, 1}, {false, false, 0}, {false, true, 0}};
  for (const Case& c : cases) EXPECT_EQ(authorizationStatusFor(c.exists, c.listed), c.status);
  EXPECT_EQ(fullDiskAccessProbePath("/Users/alex"), "/Users/alex/Library/Safari");
  EXPECT_EQ(fullDiskAccessProbePath("/Users/alex/"), "/Users/alex/Library/Safari");
  EXPECT_EQ(fullDiskAccessProbePath("/private/var/root"), "/private/var/root/Library/Safari");
}

TEST(CloneScreenRules, FullDiskAccessInAWorld) {
  TestWorld world(TestWorld::demo());
  ASSERT_TRUE(world.ok());
  EXPECT_EQ(getAuthorizationStatus(), 2);
  ASSERT_TRUE(world::writeKnob(world.layout(), world::knob::kFullDiskAccess, false));
  EXPECT_EQ(getAuthorizationStatus(), 1);
}

TEST(CloneScreenRules, PrebootRepairRunsOnAppleChipsAndFrom13) {
  const char* intel = "Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz";
  struct Case { const char* brand; int version; bool runs; } cases[] = {
      {intel, 1299, false}, {intel, 1300, true},  {intel, 1015, false}, {intel, 1507, true},
      {"Apple M1", 1102, true}, {"Apple M2 Pro", 1299, true}, {"Apple M1", 1300, true}, {"", 1299, false},
  };
  for (const Case& c : cases) EXPECT_EQ(prebootRepairRuns(isAppleChipBrand(c.brand), c.version), c.runs) << c.brand << " " << c.version;
}

namespace {

// diskutil answers from fixtures, keyed by the arguments.
DiskutilReader fixtures(const QMap<QString, QVariantMap>& answers) {
  return [answers](const QStringList& args) -> std::optional<QVariantMap> {
    const QString key = args.join(' ');
    if (!answers.contains(key)) return std::nullopt;
    return answers.value(key);
  };
}

QVariantMap diskList(const QStringList& all) {
  QVariantList ids;
  for (const QString& id : all) ids << id;
  return {{"AllDisks", ids}};
}

QVariantMap containerList(const QList<std::pair<QString, QString>>& volumes) {
  QVariantList list;
  for (const auto& [name, id] : volumes) list << QVariantMap{{"VolumeName", name}, {"DeviceIdentifier", id}};
  return {{"AllDisksAndPartitions", QVariantList{QVariantMap{{"APFSVolumes", list}}}}};
}

}  // namespace

TEST(CloneScreenRules, PrebootPlanFromTheDiskToolsAnswers) {
  const QVariantMap storeInfo{{"DeviceIdentifier", "disk3s2"}, {"APFSContainerReference", "disk6"}};
  const QVariantMap plainInfo{{"DeviceIdentifier", "disk3s1"}};
  struct Case {
    const char* name;
    QMap<QString, QVariantMap> answers;
    PrebootPlan plan;
  } cases[] = {
      {"store, container, Preboot",
       {{"list -plist /dev/disk3", diskList({"disk3", "disk3s1", "disk3s2"})},
        {"info -plist /dev/disk3", {{"DeviceIdentifier", "disk3"}}},
        {"info -plist /dev/disk3s1", plainInfo},
        {"info -plist /dev/disk3s2", storeInfo},
        {"list -plist /dev/disk6",
         containerList({{"Macintosh HD", "disk6s1"}, {"Preboot", "disk6s2"}, {"Recovery", "disk6s3"}})}},
       {PrebootPlan::Found, "disk6", "disk6s2"}},
      {"the last volume named Preboot",
       {{"list -plist /dev/disk3", diskList({"disk3s2"})},
        {"info -plist /dev/disk3s2", storeInfo},
        {"list -plist /dev/disk6", containerList({{"Preboot", "disk6s2"}, {"Preboot", "disk6s5"}})}},
       {PrebootPlan::Found, "disk6", "disk6s5"}},
      {"container without Preboot",
       {{"list -plist /dev/disk3", diskList({"disk3", "disk3s2"})},
        {"info -plist /dev/disk3s2", storeInfo},
        {"list -plist /dev/disk6", containerList({{"Macintosh HD", "disk6s1"}})}},
       {PrebootPlan::NoPreboot, "disk6", ""}},
      {"container list unreadable",
       {{"list -plist /dev/disk3", diskList({"disk3s2"})}, {"info -plist /dev/disk3s2", storeInfo}},
       {PrebootPlan::NoPreboot, "disk6", ""}},
      {"no container (HFS+ clone)",
       {{"list -plist /dev/disk3", diskList({"disk3", "disk3s1", "disk3s2"})},
        {"info -plist /dev/disk3s1", plainInfo},
        {"info -plist /dev/disk3s2", {{"DeviceIdentifier", "disk3s2"}, {"FilesystemName", "Journaled HFS+"}}}},
       {PrebootPlan::NoContainer, "", ""}},
      {"disk list unreadable", {}, {PrebootPlan::Unreadable, "", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(planPrebootRepair("disk3", fixtures(c.answers)), c.plan) << c.name;
}
