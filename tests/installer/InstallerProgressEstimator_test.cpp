#include "installer/InstallerProgressEstimator.h"

#include <gtest/gtest.h>

#include "installer/MacOSInstallerTables.h"

namespace {

struct Report {
  int error, current, next, total, remain, all;
  bool operator==(const Report& o) const {
    return error == o.error && current == o.current && next == o.next && total == o.total &&
           remain == o.remain && all == o.all;
  }
};

std::ostream& operator<<(std::ostream& os, const Report& r) {
  return os << "{" << r.error << "," << r.current << "," << r.next << "," << r.total << ","
            << r.remain << "," << r.all << "}";
}

Report of(const MacOSInstallerProgressinfoPtr& p) {
  return {p->numError, p->numCurrent, p->numNext, p->numTotal, p->numRemain, p->numAllTime};
}

// Chunks arrive one second apart, starting at second 10.
struct Outcome {
  QList<Report> reports;  // during the run, then the closing one
  QString errorText;
};

Outcome run(const QString& version, const QStringList& chunks, bool exitedCleanly = true,
            bool cancelled = false) {
  InstallerProgressEstimator e(MacOSBuildStepTables().value(version));
  Outcome out;
  int second = 10;
  for (const QString& c : chunks)
    if (auto r = e.addOutput(c.toUtf8(), second++)) out.reports << of(r);
  auto last = e.finish(exitedCleanly, cancelled);
  EXPECT_TRUE(last);
  if (last) {
    out.reports << of(last);
    out.errorText = last->strErrorText;
  }
  EXPECT_FALSE(e.finish(exitedCleanly, cancelled)) << "a run closes once";
  return out;
}

const QString kSonomaErase = "Erasing disk: 0%... 10%... 20%... 30%... 100%\n";

TEST(InstallerProgressEstimator, KnownTablesHaveTheirRowsAndKeys) {
  const MacOSStepTables tables = MacOSBuildStepTables();
  const QList<MacOSInstallerAppInfoPtr> known = MacOSKnownInstallers();
  ASSERT_EQ(known.size(), 9);
  for (const auto& k : known) EXPECT_TRUE(tables.contains("macOS " + k->strOSName)) << qPrintable(k->strOSName);
  struct Case { const char* key; int rows; int lastCurrent; } cases[] = {
      {"macOS Sequoia", 16, 100}, {"macOS Sonoma", 16, 100}, {"macOS Ventura", 16, 100},
      {"macOS Monterey", 14, 100}, {"macOS Big Sur", 14, 100}, {"macOS Catalina", 15, 100},
      {"macOS Mojave", 15, 100}, {"macOS High Sierra", 8, 100}, {"macOS Tahoe 26", 16, 99},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(tables.value(c.key).size(), c.rows) << c.key;
    EXPECT_EQ(tables.value(c.key).last()->i32CurProgress, c.lastCurrent) << c.key;
  }
  EXPECT_EQ(known.last()->strOSAppID, "23A344017");
}

TEST(InstallerProgressEstimator, ChunkSequencesPerVersion) {
  struct Case {
    const char* name;
    const char* version;
    QStringList chunks;
    bool exitedCleanly;
    QList<Report> want;
  } cases[] = {
      {"sonoma, a line per chunk", "macOS Sonoma",
       {kSonomaErase, "Copying essential files...\n", "Copying the macOS RecoveryOS...\n",
        "Making disk bootable...\n", "Copying to disk: 0%...", " 10%...", " 20%...",
        " 30%...", " 40%...", " 50%...", " 60%...", " 70%...", " 80%...", " 90%...",
        " 100%...\n", "Install media now available at \"/Volumes/Install macOS Sonoma\"\n"},
       true,
       // second s, current c: total = s*100/c, remain = total - s.
       {{0, 0, 0, 100, -1, -1}, {0, 0, 1, 100, -1, -1}, {0, 1, 17, 100, 1188, 1200},
        {0, 17, 17, 100, 63, 76}, {0, 17, 18, 100, 68, 82}, {0, 18, 23, 100, 68, 83},
        {0, 23, 31, 100, 53, 69}, {0, 30, 40, 100, 39, 56}, {0, 40, 47, 100, 27, 45},
        {0, 47, 57, 100, 21, 40}, {0, 57, 65, 100, 15, 35}, {0, 65, 74, 100, 11, 32},
        {0, 74, 83, 100, 7, 29}, {0, 83, 92, 100, 4, 27}, {0, 92, 100, 100, 2, 26},
        {0, 100, 100, 100, 0, 25}}},
      {"erase and copy start merged into one chunk", "macOS Sequoia",
       {"Erasing disk: 0%... 10%... 20%... 30%... 100%\nCopying to disk: 0%... 10%...\n"},
       false,
       {{0, 15, 22, 100, 56, 66}, {2, 0, 0, 0, -1, -1}}},
      {"erase line cut in two", "macOS Sequoia",
       {"Erasing disk: 0%... 10%... 20%", "... 30%... 100%\n"}, false,
       {{0, 0, 0, 100, -1, -1}, {2, 0, 0, 0, -1, -1}}},
      {"a chunk holding 90 and 100", "macOS Ventura",
       {kSonomaErase, "Copying to disk: 0%... 10%... 20%... 30%... 40%... 50%... 60%... 70%... 80%...",
        " 90%... 100%...\n"},
       false,
       {{0, 0, 0, 100, -1, -1}, {0, 74, 83, 100, 3, 14}, {0, 91, 100, 100, 1, 13},
        {2, 0, 0, 0, -1, -1}}},
      {"high sierra ends with Done.", "macOS High Sierra",
       {"Erasing disk: 0%... 10%... 20%...", " 30%...", " 100%...\n",
        "Copying installer files to disk...\n", "Making disk bootable...\n",
        "Copying boot files...\n", "Copy complete.\n", "Done.\n"},
       true,
       {{0, 1, 79, 100, 990, 1000}, {0, 79, 89, 100, 2, 13}, {0, 89, 90, 100, 1, 13},
        {0, 90, 95, 100, 1, 14}, {0, 95, 97, 100, 0, 14}, {0, 97, 98, 100, 0, 15},
        {0, 98, 100, 100, 0, 16}, {0, 100, 100, 100, 0, 17}}},
      {"tahoe stops at 99, then the tool's success", "macOS Tahoe 26",
       {kSonomaErase, "Copying to disk: 0%... 10%... 20%... 30%... 40%... 50%... 60%... 70%... 80%... 90%... 100%\n",
        "Install media now available at \"/Volumes/Install macOS Tahoe 26\"\n", "\n"},
       true,
       {{0, 0, 20, 100, -1, -1}, {0, 98, 99, 100, 0, 11}, {0, 99, 100, 100, 0, 12},
        {0, 100, 100, 100, 0, 13}}},
      {"only the last row matches: one report, at the end", "macOS Sonoma",
       {"Ready to start.\n", "Install media now available at \"/Volumes/X\"\n"}, true,
       {{0, 100, 100, 100, 0, 11}}},
      {"output that never matches: only the verdict", "macOS Sonoma",
       {"Ready to start.\n", "Something else.\n"}, true,
       {{2, 0, 0, 0, -1, -1}}},
      {"version without a table", "macOS Nonexistent",
       {"Erasing disk: 0%... 10%... 20%... 30%... 100%\n", "Done.\n"}, true,
       {{0, 100, 100, 100, 0, 11}}},
      {"erase failure", "macOS Sonoma",
       {"Erasing disk: 0%... 10%...\n", "An error occurred erasing the disk.\n"}, false,
       {{1, 0, 0, 0, -1, -1}}},
      {"success text but the tool failed", "macOS Monterey",
       {"Install media now available at \"/Volumes/X\"\n"}, false,
       {{2, 0, 0, 0, -1, -1}}},
  };
  for (const Case& c : cases) {
    Outcome o = run(c.version, c.chunks, c.exitedCleanly);
    EXPECT_EQ(o.reports, c.want) << c.name;
  }
}

TEST(InstallerProgressEstimator, ErrorReportCarriesTheWholeOutput) {
  Outcome o = run("macOS Sonoma", {"Erasing disk: 0%...", " 10%...\n", "An error occurred erasing the disk.\n"},
                  false);
  EXPECT_EQ(o.errorText, "Erasing disk: 0%... 10%...\nAn error occurred erasing the disk.\n");
}

TEST(InstallerProgressEstimator, CancelledRunNeverEndsAsSuccess) {
  Outcome o = run("macOS Sonoma",
                  {kSonomaErase, "Install media now available at \"/Volumes/X\"\n"}, true, true);
  ASSERT_FALSE(o.reports.isEmpty());
  EXPECT_EQ(o.reports.last(), (Report{2, 0, 0, 0, -1, -1}));
  for (const Report& r : o.reports) EXPECT_LT(r.current, 100);
}

TEST(InstallerProgressEstimator, EachRunStartsAfresh) {
  // A second run in the same process matches its rows again from the top.
  for (int i = 0; i < 2; ++i) {
    Outcome o = run("macOS Sonoma", {kSonomaErase, "Copying essential files...\n"}, false);
    EXPECT_EQ(o.reports.first(), (Report{0, 0, 0, 100, -1, -1})) << "run " << i;
  }
}

TEST(InstallerProgressEstimator, RawEstimateResetsWhenNothingMatches) {
  InstallerProgressEstimator e(MacOSBuildStepTables().value("macOS Sonoma"));
  ASSERT_TRUE(e.GetCreateProgress(kSonomaErase + "Copying to disk: 0%... 10%...", 36));
  EXPECT_EQ(e.i32CurProgress, 18);
  EXPECT_EQ(e.i32TotalSecond, 200);
  EXPECT_EQ(e.i32RemainSecond, 164);
  EXPECT_FALSE(e.GetCreateProgress("unrelated", 40));
  EXPECT_EQ(e.i32CurProgress, -1);
  EXPECT_EQ(e.i32CurSecond, 40);
  EXPECT_EQ(e.progressIndex(), 6);
}

}  // namespace
