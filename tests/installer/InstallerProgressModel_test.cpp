#include "installer/InstallerProgressModel.h"

#include <gtest/gtest.h>

#include "installer/MacOSInstallerRecords.h"

namespace {

using Action = InstallerProgressModel::Action;

MacOSInstallerProgressinfo report(int current, int next, int total, int remain, int allTime) {
  return *MacOSInstallerProgressinfo::infoWithCurrent(current, next, total, remain, allTime);
}

MacOSInstallerProgressinfo failure(int kind, const QString& text) {
  return *MacOSInstallerProgressinfo::infoWithError(kind, text);
}

}  // namespace

TEST(InstallerProgressModel, OneReportGivesPercentBarClockAndPane) {
  struct Case {
    const char* name;
    MacOSInstallerProgressinfo info;
    Action action;
    QString percent;
    double bar;
    QString clock;
    int state;
    bool timer;
  } cases[] = {
      {"opening report", report(0, 0, 100, -1, -1), Action::None, " ", 0.0, " ", 0, false},
      {"estimate", report(15, 22, 100, 170, 200), Action::None, "15%", 0.15, "0:02:50", 0, true},
      {"finished", report(100, 100, 100, 0, 300), Action::ShowFinished, "100%", 1.0, "0:00:00", 2, false},
      {"other failure, empty text", failure(2, ""), Action::ShowFailed, " ", 0.0, " ", 1, false},
      {"erase failure", failure(1, "An error occurred erasing the disk."), Action::AskEraseRetry, " ", 0.0, " ", 0,
       false},
  };
  for (const Case& c : cases) {
    InstallerProgressModel m;
    m.start();
    EXPECT_EQ(m.takeReport(c.info), c.action) << c.name;
    EXPECT_EQ(m.percentText(), c.percent) << c.name;
    EXPECT_DOUBLE_EQ(m.barValue(), c.bar) << c.name;
    EXPECT_EQ(m.clockText(), c.clock) << c.name;
    EXPECT_EQ(m.progressState, c.state) << c.name;
    EXPECT_EQ(m.timerRunning, c.timer) << c.name;
  }
}

TEST(InstallerProgressModel, TicksCountDownToTheNextStepAndCreepBelowIt) {
  InstallerProgressModel m;
  m.start();
  m.takeReport(report(15, 22, 100, 170, 200));
  // 200 x (100 - 22) / 100 = 156 seconds are expected to remain at the next step.
  int highest = m.i32CurProgress;
  for (int tick = 1; tick <= 14; ++tick) {
    m.tick();
    EXPECT_EQ(m.i64Remain, 170 - tick);
    highest = std::max(highest, m.i32CurProgress);
  }
  EXPECT_EQ(m.clockText(), "0:02:36");
  for (int tick = 0; tick < 30; ++tick) m.tick();
  EXPECT_EQ(m.clockText(), "0:02:36");
  EXPECT_EQ(m.i32CurProgress, 21);
  EXPECT_EQ(m.percentText(), "21%");
  EXPECT_LT(m.i32CurProgress, m.i32NextProgress);
}

TEST(InstallerProgressModel, AReportWithoutEstimateBlanksOnlyTheClock) {
  InstallerProgressModel m;
  m.start();
  m.takeReport(report(40, 47, 100, 300, 500));
  EXPECT_EQ(m.takeReport(report(0, 0, 100, -1, -1)), Action::None);
  EXPECT_EQ(m.clockText(), " ");
  EXPECT_EQ(m.percentText(), "40%");
  EXPECT_FALSE(m.timerRunning);
}

TEST(InstallerProgressModel, AnEraseFailureAsksOnlyWhileRunning) {
  InstallerProgressModel m;
  m.start();
  EXPECT_EQ(m.takeReport(failure(1, "An error occurred erasing the disk.")), Action::AskEraseRetry);
  m.fail();  // the user answered
  EXPECT_EQ(m.takeReport(failure(1, "An error occurred erasing the disk.")), Action::ShowFailed);
  EXPECT_EQ(m.progressState, InstallerProgressModel::Failed);
  m.start();
  EXPECT_EQ(m.progressState, InstallerProgressModel::Running);
  EXPECT_EQ(m.i64Remain, -1);
}

TEST(InstallerProgressModel, RemainingTimeText) {
  struct Case { int seconds; const char* text; } cases[] = {
      {-1, " "}, {-300, " "}, {0, "0:00:00"}, {59, "0:00:59"}, {60, "0:01:00"},
      {3599, "0:59:59"}, {3600, "1:00:00"}, {3725, "1:02:05"}, {36000, "10:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(InstallerProgressModel::getStringByRemain(c.seconds), c.text) << c.seconds;
}

TEST(InstallerDiskMatch, TheChosenDiskInANewList) {
  auto disk = [](const QString& bsd, const QString& name, qint64 size, const QString& uuid) {
    auto d = MacOSInstallerDiskInfo::infoWithName(name, name, bsd, size, "", "", "/" + bsd, "");
    d->strMediaUUID = uuid;
    return d;
  };
  const auto chosen = disk("disk5", "APPLE SD Card Reader Media", 15931539456, "AAAA");
  auto stick = disk("disk3", "SanDisk Ultra", 32015679488, "BBBB");
  auto part = MacOSInstallerDiskInfo::infoWithName("USB Stick", "SanDisk Ultra", "disk3s2", 31000000000,
                                                   "/Volumes/USB Stick", "", "/disk3s2", "/disk3");
  stick->addChildren(part);
  struct Case {
    const char* name;
    QList<MacOSInstallerDiskInfoPtr> list;
    MacOSInstallerDiskInfoPtr want;
  };
  const auto same = disk("disk5", "APPLE SD Card Reader Media", 15931539456, "AAAA");
  const auto noUuid = disk("disk5", "APPLE SD Card Reader Media", 15931539456, "");
  const Case cases[] = {
      {"kept", {stick, same}, same},
      {"kept, the new record has no UUID", {noUuid}, noUuid},
      {"gone", {stick}, nullptr},
      {"empty list", {}, nullptr},
      {"same BSD name, other medium", {disk("disk5", "Other Card", 8000000000, "CCCC")}, nullptr},
      {"same BSD name and name, other size", {disk("disk5", "APPLE SD Card Reader Media", 8000000000, "AAAA")}, nullptr},
      {"same BSD name, name and size, other UUID", {disk("disk5", "APPLE SD Card Reader Media", 15931539456, "CCCC")},
       nullptr},
      {"other BSD name, same medium", {disk("disk6", "APPLE SD Card Reader Media", 15931539456, "AAAA")}, nullptr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MacOSInstallerDiskInfo::findSameMedium(c.list, chosen), c.want) << c.name;

  const auto partAgain = MacOSInstallerDiskInfo::infoWithName("USB Stick", "SanDisk Ultra", "disk3s2", 31000000000,
                                                              "/Volumes/USB Stick", "", "/disk3s2", "/disk3");
  EXPECT_EQ(MacOSInstallerDiskInfo::findSameMedium({stick}, partAgain), part) << "a partition is found too";
  EXPECT_EQ(MacOSInstallerDiskInfo::findSameMedium({stick}, nullptr), nullptr);
}
