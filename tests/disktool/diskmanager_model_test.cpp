// The disk manager's decisions without a window: size texts, the FAT32 name
// rule, the rows of the table, the usage bar and the format plan.
#include "disktool/DiskManagerDisks.h"
#include "disktool/DiskManagerModel.h"
#include "disktool/DiskManagerViews.h"

#include <gtest/gtest.h>

using namespace diskmanager;

namespace {

VolumeObjPtr volume(const QString& name, bool ejectable, const QString& mountPoint = QString()) {
  auto v = std::make_shared<VolumeObj>();
  v->volumeName = name;
  v->bCanEject = ejectable;
  v->volumeMountPoint = mountPoint.isEmpty() ? "/Volumes/" + name : mountPoint;
  return v;
}

}  // namespace

TEST(DiskManagerModel, SizeTexts) {
  const struct {
    quint64 bytes;
    const char* text;
  } cases[] = {
      {0, "0 byte"},
      {999, "999 byte"},
      {1000, "1.00 KB"},
      {999999, "1000.00 KB"},
      {1000000, "1.00 MB"},
      {1500000000, "1.50 GB"},
      // The quotient rounds up once narrowed to single precision.
      {999999999999ull, "1000.00 GB"},
      {1000000000000ull, "1.00 TB"},
  };
  for (const auto& c : cases) EXPECT_EQ(byteToSizeWithByte(c.bytes), QString(c.text)) << c.bytes;
}

TEST(DiskManagerModel, ChineseUnitsAndTheFat32Rule) {
  const struct {
    QString typed;
    bool chinese;
    const char* fat32;
  } cases[] = {
      {"", false, ""},
      {QString(QChar(0x4E00)) + "a", false, "\u4E00A"},  // the bounds themselves are not counted
      {QString(QChar(0x4E01)), true, "NEW"},
      {"ab" + QString(QChar(0x9FFE)), true, "NEW"},
      {QString(QChar(0x9FFF)), false, "\u9FFF"},
      {"Backup disk 2024", false, "BACKUP DISK"},
      {"Photos 2024 Summer", false, "PHOTOS 2024"},
      {"usb", false, "USB"},
      {"exactly11ch", false, "EXACTLY11CH"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(containsChinese(c.typed), c.chinese) << c.typed.toStdString();
    EXPECT_EQ(fat32Name(c.typed), QString::fromUtf8(c.fat32)) << c.typed.toStdString();
  }
}

TEST(DiskManagerModel, RenameAppliesOnlyATypedName) {
  const struct {
    const char* diskType;
    QString typed;
    std::optional<QString> applied;
  } cases[] = {
      {"Journaled HFS+", "", std::nullopt},
      {"Journaled HFS+", " ", std::nullopt},
      {"Journaled HFS+", "  two", QString("  two")},
      {"Journaled HFS+", "Backup disk 2024", QString("Backup disk 2024")},
      {"MS-DOS FAT32", "Backup disk 2024", QString("BACKUP DISK")},
      {"ms-dos fat32", "a" + QString(QChar(0x4E01)), QString("NEW")},
      {"ExFAT", "Backup disk 2024", QString("Backup disk 2024")},
  };
  for (const auto& c : cases) EXPECT_EQ(renameName(c.diskType, c.typed), c.applied) << c.diskType;
}

TEST(DiskManagerModel, RowsOfTheTable) {
  const VolumeObjPtr hd = volume("Macintosh HD", false, "/"), data = volume("Data", false);
  const VolumeObjPtr stick = volume("USB Stick", true), card = volume("SD CARD", true);
  const struct {
    const char* what;
    QList<VolumeObjPtr> scanned;
    QList<VolumeObjPtr> rows;  // null for a heading
    int inRowCount;
    int firstSelectable;
  } cases[] = {
      {"internal only", {hd, data}, {nullptr, hd, data}, 2, 1},
      {"external only", {stick, card}, {nullptr, nullptr, stick, card}, 0, 0},
      {"both, discovery order kept", {stick, hd, card, data}, {nullptr, hd, data, nullptr, stick, card}, 2, 1},
      {"nothing", {}, {nullptr}, 0, 0},
  };
  for (const auto& c : cases) {
    const RowModel m = buildRows(c.scanned);
    ASSERT_EQ(m.count(), c.rows.size()) << c.what;
    EXPECT_EQ(m.inRowCount, c.inRowCount) << c.what;
    EXPECT_EQ(m.firstSelectableRow(), c.firstSelectable) << c.what;
    for (int row = 0; row < m.count(); ++row) {
      const bool heading = !c.rows[row];
      EXPECT_EQ(m.isHeading(row), heading) << c.what << " row " << row;
      EXPECT_EQ(m.height(row), heading ? 40 : 84) << c.what << " row " << row;
      EXPECT_EQ(m.volumeAt(row), c.rows[row]) << c.what << " row " << row;
      if (heading) EXPECT_EQ(m.rows[row].external, row != 0) << c.what;
    }
    EXPECT_EQ(m.volumeAt(m.count()), nullptr) << c.what;
  }
}

TEST(DiskManagerModel, UsageBar) {
  const struct {
    qint64 total, free;
    float percent;
    float fillOf200;
  } cases[] = {
      {1000, 250, 75.0f, 150.0f},
      {1000, 1000, 0.0f, 0.0f},
      {1000, 0, 100.0f, 200.0f},
      {3, 1, 66.666664f, 133.33333f},  // a float share, not a whole number
      {1000, 996, 0.4f, 0.8f},
      {0, 0, 0.0f, 0.0f},       // no total: no fill
      {0, 500, 0.0f, 0.0f},
      {1000, 1500, -50.0f, 0.0f},  // free above the total: no negative width
      {1000, 3, 99.7f, 200.0f},    // past width - 1 shows the full width
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(usagePercent(c.total, c.free), c.percent) << c.total << "/" << c.free;
    EXPECT_FLOAT_EQ(WipeDiskProView::fillWidth(200, usagePercent(c.total, c.free)), c.fillOf200)
        << c.total << "/" << c.free;
  }
}

TEST(DiskManagerModel, FormatPlan) {
  using P = FormatPlan::Path;
  const struct {
    const char* diskType;
    QString name;
    const char* personality;
    P path;
    QString planned;
    const char* plannedPersonality;
  } cases[] = {
      {"Journaled HFS+", "Stick", "ExFAT", P::Erase, "Stick", "ExFAT"},
      {"Journaled HFS+", "", "ExFAT", P::Erase, "NEW", "ExFAT"},
      {"Journaled HFS+", " ", "Journaled HFS+", P::Erase, "NEW", "Journaled HFS+"},
      {"MS-DOS FAT32", "Photos 2024 Summer", "MS-DOS FAT32", P::Erase, "PHOTOS 2024", "MS-DOS FAT32"},
      {"Journaled HFS+", "", "MS-DOS FAT32", P::Erase, "NEW", "MS-DOS FAT32"},
      {"Journaled HFS+", QString(QChar(0x4E01)), "MS-DOS FAT32", P::Erase, "NEW", "MS-DOS FAT32"},
      // The FAT32 rule only for exactly that personality.
      {"Journaled HFS+", "Photos 2024 Summer", "ms-dos fat32", P::Erase, "Photos 2024 Summer", "ms-dos fat32"},
      {"MS-DOS FAT32", "Photos 2024 Summer", "ExFAT", P::Erase, "Photos 2024 Summer", "ExFAT"},
      {"Journaled HFS+", "photos", "APFS", P::Erase, "photos", "APFS"},
      // An APFS volume is renamed and reformatted; its name is taken as typed.
      {"APFS", "New Name", "ExFAT", P::RenameThenReformat, "New Name", "APFS"},
      {"apfs", "", "APFS", P::RenameThenReformat, "", "APFS"},
  };
  for (const auto& c : cases) {
    const FormatPlan plan = formatPlan(c.diskType, c.name, c.personality);
    EXPECT_EQ(plan.path, c.path) << c.diskType << " " << c.name.toStdString();
    EXPECT_EQ(plan.name, c.planned) << c.diskType << " " << c.name.toStdString();
    EXPECT_EQ(plan.personality, QString(c.plannedPersonality)) << c.diskType << " " << c.name.toStdString();
  }
}

TEST(DiskManagerFormat, RefusesWhatItMustNotErase) {
  auto startup = volume("Macintosh HD", false, "/");
  startup->diskUUID = "A-B";
  startup->volRootDir = "/dev/disk1s1";
  const FormatPlan plan = formatPlan("APFS", "New", "APFS");
  // Both answer before any tool runs: there is no world here to run one in.
  EXPECT_EQ(runFormat(bindFormatTarget(startup), plan), FormatOutcome::NothingErasable);
  EXPECT_EQ(runFormat(bindFormatTarget(nullptr), plan), FormatOutcome::NothingErasable);
  auto unnamed = volume("Stick", true);
  EXPECT_EQ(runFormat(bindFormatTarget(unnamed), plan), FormatOutcome::TargetChanged);  // no DiskUUID, no node
}
