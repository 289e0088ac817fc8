// The disk manager on the real main window, offscreen, in a demo world: the
// table, rename with names the shell must not read, format with each file
// system and its failures, eject, and a table that follows the disks.
#include "DropDownChecks.h"
#include "ScreenDriver.h"

#include "disktool/FormatPanels.h"
#include "disktool/RepairDiskViewController.h"
#include "uikit/AttachedWindow.h"
#include "platform/Gate.h"
#include "services/KVLinkUrl.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class DiskManagerScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(d.world().ok()) << d.world().error().toStdString();
    ASSERT_TRUE(d.chooseTab(4));
    ASSERT_TRUE(settled());
  }

  RepairDiskViewController* screen() { return d.main().diskToolScreen(); }
  const diskmanager::RowModel& rows() { return screen()->rows(); }

  // No scan runs or is due, and the table lists something.
  bool settled(int timeoutMs = 20000) {
    return waitUntil([&] { return !screen()->isScanning() && !screen()->isRescanAsked() && rows().count() > 1; },
                     timeoutMs);
  }
  int rowOf(const QString& name) {
    for (int r = 0; r < rows().count(); ++r)
      if (auto v = rows().volumeAt(r); v && v->volumeName == name) return r;
    return -1;
  }
  VolumeObjPtr volume(const QString& name) { return rows().volumeAt(rowOf(name)); }
  // The row is there (or gone) and stays so: a change of the disks may bring
  // its mount and unmount notices in more than one batch, each with a rescan.
  bool waitForRow(const QString& name, bool present = true) {
    auto holds = [&] { return settled(0) && (rowOf(name) >= 0) == present; };
    for (int tries = 0; tries < 50; ++tries) {
      if (!waitUntil(holds, 20000)) return false;
      QDeadlineTimer calm(300);
      bool stayed = true;
      while (!calm.hasExpired() && stayed) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        stayed = holds() && !screen()->isScanning();
      }
      if (stayed) return true;
    }
    return false;
  }
  bool select(const QString& name) {
    if (!waitForRow(name)) return false;
    const int r = rowOf(name);
    return ScreenDriver::click(screen()->cellAt(r), QPoint(300, 20)) &&
           waitUntil([&] { return screen()->selectedRow() == r; });
  }
  QWidget* child(int row, const char* id) {
    RepairDiskTableCellView* cell = screen()->cellAt(row);
    return cell ? cell->findChild<QWidget*>(QString::fromLatin1(id)) : nullptr;
  }
  bool shownInRow(int row, const char* id) {
    QWidget* w = child(row, id);
    return w && w->isVisible();
  }

  bool rename(const QString& name, const QString& typed) {
    if (!select(name) || !d.click("rename") || !d.waitShown("editnameField")) return false;
    return d.type("editnameField", typed) && d.click("save");
  }

  // Opens the format panel on `name`, types the new name, picks a file system
  // (row 0..3, or -1 to keep the shown one).
  bool openFormat(const QString& name, const QString& typed, int fileSystem) {
    if (!select(name) || !d.click("format") || !d.waitShown("MakeSureFormatViewController")) return false;
    auto* field = d.find<QLineEdit>("nameTextFiled");
    if (!field || !waitUntil([&] { return !field->isReadOnly(); })) return false;
    if (!d.type("nameTextFiled", typed)) return false;
    if (fileSystem >= 0) {
      if (!d.click("typeSelectBut") || !d.waitShown("FormatTypeViewController")) return false;
      if (!d.click(QStringLiteral("view_%1").arg(fileSystem + 1))) return false;
      if (!d.waitHidden("FormatTypeViewController")) return false;
    }
    return true;
  }
  // Continue, then the text of the completion panel once it shows.
  QString continueFormat() {
    if (!d.click("okButton") || !d.waitShown("FormatEndViewController", 30000)) return "no completion panel";
    QWidget* panel = d.find("FormatEndViewController");
    auto* title = panel->findChild<QLabel*>("titleLabel");
    return title ? title->text() : QString();
  }
  bool closeCompletion() { return d.click("closeButton") && d.waitHidden("FormatEndViewController"); }
  bool noPanelLeft() {
    for (const char* name : {"MakeSureFormatViewController", "FormatingViewController", "FormatEndViewController"})
      if (d.isShown(name)) return false;
    return true;
  }
  int fileCount(const QString& macFolder) {
    return int(QDir(d.host(macFolder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size());
  }

  ScreenDriver d;
};

TEST_F(DiskManagerScreen, TableAfterLoadOffersWhatEachVolumeAllows) {
  const auto& m = rows();
  ASSERT_GE(m.inRowCount, 2);
  EXPECT_TRUE(m.isHeading(0));
  EXPECT_TRUE(m.isHeading(m.inRowCount + 1));
  EXPECT_EQ(screen()->selectedRow(), 1);
  EXPECT_GE(rowOf("Macintosh HD"), 1);
  EXPECT_GT(rowOf("USB Stick"), m.inRowCount + 1);
  EXPECT_EQ(rowOf("EFI"), -1);

  const struct {
    const char* volume;
    bool format, eject;
  } cases[] = {
      {"Macintosh HD", false, false},
      {"Data", true, false},
      {"USB Stick", true, true},
      {"SD CARD", true, true},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(select(c.volume)) << c.volume;
    const int r = rowOf(c.volume);
    EXPECT_TRUE(shownInRow(r, "rename")) << c.volume;
    EXPECT_EQ(shownInRow(r, "format"), c.format) << c.volume;
    EXPECT_EQ(shownInRow(r, "eject"), c.eject) << c.volume;
    EXPECT_FALSE(shownInRow(r, "save")) << c.volume;
    // Only the selected row has buttons.
    for (int other = 1; other < rows().count(); ++other)
      if (other != r && rows().volumeAt(other)) EXPECT_FALSE(shownInRow(other, "rename")) << other;
  }

  const QString support = KVPublicUtilities::setLangWithLink(KVLinkUrl::GetUrl("Support"));
  ASSERT_FALSE(support.isEmpty());
  ASSERT_TRUE(d.click("helpButton"));
  EXPECT_TRUE(waitUntil([&] { return d.opened().join("\n").contains(support); })) << d.opened().join("\n").toStdString();
}

TEST_F(DiskManagerScreen, RenameTakesTheTextLiterally) {
  QString current = "USB Stick";
  for (const QString& name : {QString("a\"b"), QString("$(echo x)"), QString("`echo y`"), QString("back\\slash"),
                              QString("100% sure"), QString("it's")}) {
    ASSERT_TRUE(rename(current, name)) << name.toStdString();
    ASSERT_TRUE(waitForRow(name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo(d.host("/Volumes/" + name)).isDir()) << name.toStdString();
    EXPECT_TRUE(QFile::exists(d.host("/Volumes/" + name + "/readme.txt"))) << name.toStdString();
    EXPECT_EQ(rowOf(current), -1) << name.toStdString();
    current = name;
  }
  EXPECT_TRUE(KVPublicUtilities::answeredAlerts().isEmpty());
}

TEST_F(DiskManagerScreen, RenameWithoutTextOrRefusedKeepsTheName) {
  // Save without typing leaves rename mode and runs nothing.
  ASSERT_TRUE(select("USB Stick"));
  ASSERT_TRUE(d.click("rename"));
  ASSERT_TRUE(d.click("save"));
  EXPECT_TRUE(d.waitShown("rename"));
  EXPECT_EQ(volume("USB Stick")->volumeName, "USB Stick");

  // FAT32 takes no "*": the tool refuses, the user is told, the name stays.
  KVPublicUtilities::setNextAnswer(1);
  ASSERT_TRUE(rename("SD CARD", "a*b"));
  ASSERT_TRUE(waitUntil([] { return !KVPublicUtilities::answeredAlerts().isEmpty(); }));
  EXPECT_TRUE(KVPublicUtilities::answeredAlerts().first().startsWith(getLocalizedString("Diskmanager_rename_failed")));
  ASSERT_TRUE(settled());
  EXPECT_GE(rowOf("SD CARD"), 0);
  EXPECT_EQ(rowOf("A*B"), -1);
  EXPECT_TRUE(QFileInfo(d.host("/Volumes/SD CARD")).isDir());
}

TEST_F(DiskManagerScreen, FormatsTheStickAsEachFileSystem) {
  const struct {
    int row;
    const char* typed;
    const char* name;
    const char* diskType;
  } cases[] = {
      {0, "Exfat Stick", "Exfat Stick", "ExFAT"},
      {1, "Photos 2024 Summer", "PHOTOS 2024", "MS-DOS FAT32"},
      {2, " ", "NEW", "Journaled HFS+"},
      {3, "Apfs Stick", "Apfs Stick", "APFS"},
  };
  QString current = "USB Stick";
  for (const auto& c : cases) {
    ASSERT_TRUE(openFormat(current, c.typed, c.row)) << c.diskType;
    EXPECT_EQ(continueFormat(), getLocalizedString("Format_complet")) << c.diskType;
    ASSERT_TRUE(closeCompletion()) << c.diskType;
    EXPECT_TRUE(noPanelLeft()) << c.diskType;
    ASSERT_TRUE(waitForRow(c.name)) << c.diskType;
    EXPECT_EQ(volume(c.name)->diskType, c.diskType);
    EXPECT_FALSE(QFile::exists(d.host(QString("/Volumes/") + c.name + "/readme.txt"))) << c.diskType;
    EXPECT_TRUE(screen()->isFormatIdle());
    current = c.name;
  }
}

TEST_F(DiskManagerScreen, CancelLetsTheNextFormatOpenThePanel) {
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(openFormat("USB Stick", "x", -1)) << round;
    EXPECT_FALSE(screen()->isFormatIdle());
    // A drop-down the pointer never entered closes by itself, the choice unchanged.
    ASSERT_TRUE(d.click("typeSelectBut"));
    ASSERT_TRUE(d.waitShown("FormatTypeViewController"));
    EXPECT_TRUE(d.waitHidden("FormatTypeViewController", 6000));
    EXPECT_EQ(d.find<MakeSureFormatViewController>("MakeSureFormatViewController")->typeText(), "Journaled HFS+");
    ASSERT_TRUE(d.click("noButton"));
    ASSERT_TRUE(d.waitHidden("MakeSureFormatViewController"));
    EXPECT_TRUE(screen()->isFormatIdle());
  }
  EXPECT_TRUE(QFile::exists(d.host("/Volumes/USB Stick/readme.txt")));
}

// The file-system list under the pointer; and leaving it closes it.
TEST_F(DiskManagerScreen, TheFileSystemListFollowsTheDropDownRule) {
  ASSERT_TRUE(openFormat("USB Stick", "x", -1));
  auto* panel = d.find<MakeSureFormatViewController>("MakeSureFormatViewController");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(opensOnceAndChoosesWithoutHover(d, "typeSelectBut", "FormatTypeViewController", "view_4"), "");
  EXPECT_EQ(panel->typeText(), "APFS");
  EXPECT_FALSE(panel->isDropDownOpen());

  ASSERT_TRUE(d.click("typeSelectBut") && d.waitShown("FormatTypeViewController"));
  RAttachedWindow* window = nullptr;
  for (QWidget* w = d.find("FormatTypeViewController"); w && !window; w = w->parentWidget())
    window = qobject_cast<RAttachedWindow*>(w);
  ASSERT_NE(window, nullptr);
  QEnterEvent in(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(window, &in);
  QEvent out(QEvent::Leave);
  QCoreApplication::sendEvent(window, &out);
  EXPECT_TRUE(d.waitHidden("FormatTypeViewController"));
  EXPECT_FALSE(panel->isDropDownOpen());
  EXPECT_EQ(panel->typeText(), "APFS");
  ASSERT_TRUE(d.click("noButton"));
}

// Held before the erase, the progress panel shows and goes with the end; not
// held, the refused erase ends within the panel's delay, and no panel that
// opens late is left behind it.
TEST_F(DiskManagerScreen, AFailedEraseSaysSoAndKeepsTheFiles) {
  ASSERT_EQ(d.worldCommand("fail", {"diskutil", "eraseVolume"}), 0);
  for (const bool held : {true, false}) {
    SCOPED_TRACE(held ? "held" : "at once");
    ASSERT_TRUE(openFormat("USB Stick", "Gone", 0));
    if (held) platform::gates::arm(diskmanager::kFormatGate);
    ASSERT_TRUE(d.click("okButton"));
    if (held) {
      ASSERT_TRUE(d.waitShown("FormatingViewController"));
      platform::gates::release(diskmanager::kFormatGate);
    }
    ASSERT_TRUE(d.waitShown("FormatEndViewController", 30000));
    EXPECT_FALSE(d.isShown("FormatingViewController"));
    EXPECT_EQ(d.find("FormatEndViewController")->findChild<QLabel*>("titleLabel")->text(),
              getLocalizedString("Format_failed"));
    ASSERT_TRUE(closeCompletion());
    EXPECT_TRUE(noPanelLeft());
    EXPECT_TRUE(QFile::exists(d.host("/Volumes/USB Stick/readme.txt")));
  }
}

TEST_F(DiskManagerScreen, TheConfirmedVolumeStaysTheTargetWhenItIsUnplugged) {
  const int dataFiles = fileCount("/Volumes/Data");
  ASSERT_GT(dataFiles, 0);
  ASSERT_TRUE(openFormat("SD CARD", "Card", 2));
  const QString disk = volume("SD CARD")->parentWholeDisk;
  ASSERT_EQ(d.worldCommand("detach", {disk}), 0);
  // The rescan clears the selection and picks row 1, an internal volume.
  ASSERT_TRUE(waitForRow("SD CARD", false));
  ASSERT_NE(screen()->selectedVolume(), nullptr);
  EXPECT_EQ(continueFormat(), getLocalizedString("Format_failed_changed"));
  EXPECT_EQ(fileCount("/Volumes/Data"), dataFiles);
  EXPECT_EQ(volume("Data")->diskType, "Journaled HFS+");
}

TEST_F(DiskManagerScreen, AnApfsVolumeIsRenamedThenReformatted) {
  ASSERT_EQ(d.worldCommand("attach", {"--new", "usb", "Travel", "8G", "APFS"}), 0);
  ASSERT_TRUE(waitForRow("Travel"));
  QFile marker(d.host("/Volumes/Travel/keep.txt"));
  ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
  marker.close();

  // No name: the rename fails, so nothing is erased.
  ASSERT_TRUE(openFormat("Travel", "", -1));
  auto* panel = d.find<MakeSureFormatViewController>("MakeSureFormatViewController");
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(panel->typeSelectable());
  EXPECT_EQ(panel->fileSysBgImage(), "format_input_disable");
  EXPECT_EQ(continueFormat(), getLocalizedString("Format_failed_rename"));
  ASSERT_TRUE(closeCompletion());
  EXPECT_TRUE(QFile::exists(d.host("/Volumes/Travel/keep.txt")));

  ASSERT_TRUE(openFormat("Travel", "Trip", -1));
  EXPECT_EQ(continueFormat(), getLocalizedString("Format_complet"));
  ASSERT_TRUE(closeCompletion());
  ASSERT_TRUE(waitForRow("Trip"));
  EXPECT_EQ(volume("Trip")->diskType, "APFS");
  EXPECT_FALSE(QFile::exists(d.host("/Volumes/Trip/keep.txt")));
}

TEST_F(DiskManagerScreen, TheTableFollowsEjectAndAttach) {
  ASSERT_TRUE(select("USB Stick"));
  ASSERT_TRUE(d.click("eject"));
  ASSERT_TRUE(waitForRow("USB Stick", false));
  QString labels;
  ASSERT_EQ(d.worldCommand("detached", {}, &labels), 0);
  const QString label = labels.split('\n', Qt::SkipEmptyParts).value(0).trimmed();
  ASSERT_FALSE(label.isEmpty());
  ASSERT_EQ(d.worldCommand("attach", {label}), 0);
  EXPECT_TRUE(waitForRow("USB Stick"));
}

TEST_F(DiskManagerScreen, AFailedEjectSaysSo) {
  ASSERT_EQ(d.worldCommand("fail", {"diskutil", "eject"}), 0);
  KVPublicUtilities::setNextAnswer(1);
  ASSERT_TRUE(select("USB Stick"));
  ASSERT_TRUE(d.click("eject"));
  ASSERT_TRUE(waitUntil([] { return !KVPublicUtilities::answeredAlerts().isEmpty(); }));
  EXPECT_TRUE(KVPublicUtilities::answeredAlerts().first().startsWith(getLocalizedString("Diskmanager_eject_failed")));
  EXPECT_GE(rowOf("USB Stick"), 0);
}

TEST_F(DiskManagerScreen, AScanEndsWithoutADiskUnpluggedWhileItDescribes) {
  const QString card = volume("SD CARD")->parentWholeDisk;
  platform::gates::arm(diskmanager::kDescribeGate);
  ASSERT_EQ(d.worldCommand("attach", {"--new", "usb", "Fresh", "1G", "ExFAT"}), 0);
  ASSERT_TRUE(platform::gates::waitReached(diskmanager::kDescribeGate));
  // Unplugged after the scan listed it; a disk plugged in now comes after the listing.
  ASSERT_EQ(d.worldCommand("detach", {card}), 0);
  ASSERT_EQ(d.worldCommand("attach", {"--new", "usb", "Later", "1G", "ExFAT"}), 0);
  ASSERT_TRUE(waitUntil([&] { return screen()->isRescanAsked(); }));
  platform::gates::release(diskmanager::kDescribeGate);
  bool blankRow = false;
  ASSERT_TRUE(waitUntil([&] {
    for (int r = 0; r < rows().count(); ++r)
      if (auto v = rows().volumeAt(r); v && v->volumeName.isEmpty()) blankRow = true;
    return settled(0) && rowOf("Later") >= 0;
  }, 20000));
  EXPECT_FALSE(blankRow);
  EXPECT_EQ(rowOf("SD CARD"), -1);
  EXPECT_GE(rowOf("Fresh"), 0);
}

}  // namespace
