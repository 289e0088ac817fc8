// The image screen driven as a user drives it: the real main window offscreen
// in a demo world, boxes and pickers clicked, the browser ticked from a timer,
// the result checked on the simulated disks.
#include "DropDownChecks.h"
#include "ScreenDriver.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "copy/DiskListWC.h"
#include "copy/SelectValueView.h"
#include "image/DmgViewController.h"
#include "platform/Gate.h"
#include "platform/Queue.h"
#include "platform/Shell.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"
#include "uikit/ImageButtons.h"
#include "world/lib/ImageFile.h"
#include "world/lib/Layout.h"

namespace {

// The screen's own pause before a job, and one no test run outlasts.
constexpr int kStartDelayMs = 300;
constexpr int kHeldDelayMs = 3600 * 1000;

class DmgScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(d.world().ok()) << qPrintable(d.world().error());
    ASSERT_TRUE(d.chooseTab(2));
    screen = d.find<DmgViewController>("DmgViewController");
    ASSERT_NE(screen, nullptr);
  }
  void TearDown() override {
    platform::gates::releaseAll();
    waitUntil([&] { return !screen->engine()->isRunning(); }, 30000);
    platform::waitForGlobalQueue();
  }

  void write(const QString& macPath, qint64 bytes, char fill = 'x') {
    QDir().mkpath(QFileInfo(d.host(macPath)).path());
    QFile f(d.host(macPath));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(macPath);
    const QByteArray block(1 << 20, fill);
    for (qint64 left = bytes; left > 0; left -= block.size()) f.write(block.constData(), std::min<qint64>(left, block.size()));
  }

  // Opens the box's picker and clicks the volume's row.
  bool choose(int box, const QString& volume) {
    if (!d.click(QStringLiteral("selectDiskBut%1").arg(box))) return false;
    return d.click("diskRow:" + volume, 20000);
  }

  // Copy some: the browser lists the source; every root whose name is not in
  // `keep` is unticked with a click on its check box, then Done.
  bool browseKeeping(const QStringList& keep) {
    if (!d.click("lComboBoxOpen")) return false;
    if (!d.click("copyModeSome")) return false;
    bool ticked = false;
    d.when(
        [&] {
          auto* done = d.find("listDone");
          auto* outline = d.find<NewOutlineView>("listOutline");
          return done && done->isEnabled() && outline && outline->isVisible() &&
                 outline->model()->rowCount() > 0;
        },
        [&] {
          auto* outline = d.find<NewOutlineView>("listOutline");
          auto* model = static_cast<FileTreeModel*>(outline->model());
          for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, browser::CheckBox);
            if (keep.contains(model->nodeAt(index)->name())) continue;
            QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(index).center());
          }
          ticked = true;
          d.click("listDone");
        },
        20000);
    if (!d.click("lComboBoxSearch")) return false;
    return ticked;
  }

  bool confirm() {
    if (!d.click("dmgCreateButton", 20000)) return false;
    return d.click("dmgSureDone");
  }

  // The job waits out its delay: the progress page says so and no engine runs.
  bool inTheDelay() {
    return d.isShown("dmgProgressPane") && !screen->engine()->isRunning() &&
           d.find<QLabel>("dmgPathLabel")->text() == getLocalizedString("MAKE_DMG_Greating");
  }

  // Drops host paths of the world on the source box.
  void drop(const QStringList& macPaths) {
    QList<QUrl> urls;
    for (const QString& p : macPaths) urls << QUrl::fromLocalFile(d.host(p));
    QMimeData data;
    data.setUrls(urls);
    auto* dragView = d.find<DragView>("dragVie1");
    ASSERT_NE(dragView, nullptr);
    ASSERT_TRUE(dragView->performDragOperation(&data));
  }

  QStringList made(const QString& folder, const QString& suffix) {
    return QDir(d.host(folder)).entryList({"QuorvanDiskClone(*)." + suffix}, QDir::Files);
  }
  bool mounted() { return QFileInfo::exists(d.host("/Volumes/QuorvanDiskCloneDmg")); }

  // The files of an image, attached and detached again with the world's tools.
  QStringList imageFiles(const QString& image) {
    EXPECT_EQ(platform::runShell(platform::shellLine("/usr/bin/hdiutil", {"attach", image})), 0);
    QStringList files;
    const QString root = d.host("/Volumes/QuorvanDiskCloneDmg");
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
      files << it.next().mid(root.size() + 1);
    files.sort();
    platform::runShell(platform::shellLine("/usr/sbin/diskutil", {"eject", "/Volumes/QuorvanDiskCloneDmg"}));
    return files;
  }

  // The names an archive holds, unpacked with the host's unzip.
  QStringList archiveFiles(const QString& macArchive) {
    const QString out = d.world().tempPath() + "/unzipped";
    QDir(out).removeRecursively();
    QProcess unzip;
    unzip.start("unzip", {"-q", "-^", d.host(macArchive), "-d", out});  // -^: control characters kept
    EXPECT_TRUE(unzip.waitForFinished(60000));
    QStringList files;
    for (QDirIterator it(out, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
      files << it.next().mid(out.size() + 1);
    files.sort();
    return files;
  }

  // The names in the one archive or image the job made on Data; the archive is
  // removed afterwards, so the next case's is again the only one.
  QStringList packedOnData(bool zip) {
    const QStringList made_ = made("/Volumes/Data", zip ? "zip" : "dmg");
    EXPECT_EQ(made_.size(), 1);
    if (made_.size() != 1) return {};
    const QString file = "/Volumes/Data/" + made_[0];
    if (!zip) return imageFiles(file);
    const QStringList files = archiveFiles(file);
    QFile::remove(d.host(file));
    return files;
  }

  ScreenDriver d;
  DmgViewController* screen = nullptr;
};

TEST_F(DmgScreen, TheCopyModeListOpensOnceAndARowChoosesWithoutHover) {
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  EXPECT_FALSE(d.isShown("lComboBoxSearch"));
  EXPECT_EQ(opensOnceAndChoosesWithoutHover(d, "lComboBoxOpen", "SelectAllFilePopVC", "copyModeSome"), "");
  EXPECT_TRUE(d.waitShown("lComboBoxSearch")) << "copy some chosen: its browse button shows";
}

TEST_F(DmgScreen, ImageOfTwoTickedFilesOfTheStickOntoTheDataVolume) {
  write("/Volumes/USB Stick/notes.txt", 1200);
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  ASSERT_TRUE(browseKeeping({"readme.txt", "notes.txt"}));
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(d.waitShown("dmgSuccessView", 60000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());

  const QStringList images = made("/Volumes/Data", "dmg");
  ASSERT_EQ(images.size(), 1);
  EXPECT_FALSE(mounted());
  EXPECT_EQ(imageFiles("/Volumes/Data/" + images[0]), (QStringList{"notes.txt", "readme.txt"}));

  ASSERT_TRUE(d.click("dmgOpenButton"));
  EXPECT_TRUE(d.opened().contains("file\t/Volumes/Data")) << qPrintable(d.opened().join(", "));
  ASSERT_TRUE(d.click("dmgSuccessDone"));
  EXPECT_TRUE(d.waitShown("dmgChoicePane"));
}

TEST_F(DmgScreen, ZipHoldsHostileNamesLiterally) {
  const QStringList names{"it's.txt", "$(touch pwned).txt", "`id`.txt", "line\nbreak.txt", "-rf.txt"};
  for (const QString& n : names) write("/Volumes/USB Stick/odd/" + n, 10);
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  ASSERT_TRUE(d.click("dmgMakeZipButton"));
  ASSERT_TRUE(browseKeeping({"odd"}));
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(d.waitShown("dmgSuccessView", 60000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());

  const QStringList archives = made("/Volumes/Data", "zip");
  ASSERT_EQ(archives.size(), 1);
  QStringList expected{"Volumes", "Volumes/USB Stick", "Volumes/USB Stick/odd"};
  for (const QString& n : names) expected << "Volumes/USB Stick/odd/" + n;
  expected.sort();
  EXPECT_EQ(archiveFiles("/Volumes/Data/" + archives[0]), expected);
  EXPECT_FALSE(QFileInfo::exists(d.host("/pwned")));
  EXPECT_FALSE(QFileInfo::exists(d.host("/Volumes/USB Stick/odd/pwned")));
}

TEST_F(DmgScreen, TheStartupVolumeOntoTheDataVolumeLeavesTheVolumesFoldersOut) {
  for (const bool zip : {true, false}) {
    SCOPED_TRACE(zip ? "zip" : "image");
    ASSERT_TRUE(choose(1, "Macintosh HD"));
    ASSERT_TRUE(choose(2, "Data"));
    ASSERT_TRUE(d.click(zip ? "dmgMakeZipButton" : "dmgMakeDmgButton"));
    ASSERT_TRUE(confirm());
    ASSERT_TRUE(d.waitShown("dmgSuccessView", 120000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());
    const QStringList files = packedOnData(zip);
    EXPECT_TRUE(files.contains("Users/alex/Desktop") || files.filter(QRegularExpression("^Users/alex/")).size() > 0);
    EXPECT_TRUE(files.filter(QRegularExpression("^System/Library/")).size() > 0);
    EXPECT_TRUE(files.filter(QRegularExpression("^(Volumes|System/Volumes)(/|$)")).isEmpty())
        << qPrintable(files.filter(QRegularExpression("Volumes")).mid(0, 5).join(", "));
    EXPECT_FALSE(mounted());
    ASSERT_TRUE(d.click("dmgSuccessDone"));
  }
}

// On the startup volume the browser shows system rows without a check box; they
// stay ticked but were never chosen, so only the one folder the user kept is packed.
TEST_F(DmgScreen, AStartupBrowserSelectionPacksOnlyWhatTheUserTicked) {
  for (const bool zip : {true, false}) {
    SCOPED_TRACE(zip ? "zip" : "image");
    ASSERT_TRUE(choose(1, "Macintosh HD"));
    ASSERT_TRUE(choose(2, "Data"));
    ASSERT_TRUE(d.click(zip ? "dmgMakeZipButton" : "dmgMakeDmgButton"));
    ASSERT_TRUE(browseKeeping({"Users"}));
    auto* box = d.find<QWidget>("dmgSourceHost")->findChild<SelectValueView*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(waitUntil(
        [&] { return box->nameLabel()->text() == getLocalizedString("MAKE_DMG_select_FF_count").replace("%@", "1"); },
        20000))
        << qPrintable(box->nameLabel()->text());
    ASSERT_TRUE(confirm());
    ASSERT_TRUE(d.waitShown("dmgSuccessView", 120000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());
    const QStringList files = packedOnData(zip);
    ASSERT_FALSE(files.isEmpty());
    EXPECT_TRUE(files.filter(QRegularExpression("^Users/alex/")).size() > 0);
    EXPECT_EQ(files.filter(QRegularExpression("^(?!Users(/|$))")), QStringList()) << "packed beside Users";
    ASSERT_TRUE(d.click("dmgSuccessDone"));
  }
}

TEST_F(DmgScreen, TheStartupVolumeAsDestinationWritesToTheConsoleUsersDesktop) {
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Macintosh HD"));
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(d.waitShown("dmgSuccessView", 60000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());
  EXPECT_EQ(made("/Users/alex/Desktop", "dmg").size(), 1);
  EXPECT_TRUE(made("/", "dmg").isEmpty());
  ASSERT_TRUE(d.click("dmgOpenButton"));
  EXPECT_TRUE(d.opened().contains("file\t/Users/alex/Desktop")) << qPrintable(d.opened().join(", "));
}

TEST_F(DmgScreen, ADroppedSetLargerThanTheSpareRoomMakesACompleteImage) {
  write("/Volumes/USB Stick/big/video.bin", 60 << 20, 'v');
  write("/Volumes/USB Stick/big/more.bin", 5 << 20, 'm');
  ASSERT_TRUE(choose(2, "Data"));
  drop({"/Volumes/USB Stick/big/video.bin", "/Volumes/USB Stick/big/more.bin"});
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(d.waitShown("dmgSuccessView", 60000)) << qPrintable(d.find<QLabel>("dmgFailText")->text());
  const QStringList images = made("/Volumes/Data", "dmg");
  ASSERT_EQ(images.size(), 1);
  const auto header = world::readImageHeader(d.host("/Volumes/Data/" + images[0]));
  ASSERT_TRUE(header.has_value());
  EXPECT_GE(header->capacity, (65 << 20) + 50000000LL);
  EXPECT_EQ(imageFiles("/Volumes/Data/" + images[0]), (QStringList{"more.bin", "video.bin"}));
}

TEST_F(DmgScreen, ADropFromOutsideTheMacIsRefused) {
  QFile outside(d.world().tempPath() + "/outside.txt");
  ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
  outside.close();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(outside.fileName())});
  auto* dragView = d.find<DragView>("dragVie1");
  ASSERT_NE(dragView, nullptr);
  dragView->performDragOperation(&data);
  ASSERT_TRUE(d.waitShown("dmgErrorBubble"));
  EXPECT_FALSE(screen->choice().isDragValue());
}

TEST_F(DmgScreen, ANewJobWaitsUntilTheCancelledOneHasClosed) {
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  platform::gates::arm("makeDmg.copyItem");
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(platform::gates::waitReached("makeDmg.copyItem", 30000));
  ASSERT_TRUE(d.click("dmgCancelButton"));
  ASSERT_TRUE(d.click("dmgFailDone"));
  // The held worker has not yet removed its image: the engine still runs.
  ASSERT_TRUE(screen->engine()->isRunning());
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  ASSERT_TRUE(d.click("dmgCreateButton"));
  ASSERT_TRUE(d.waitShown("dmgErrorBubble"));
  EXPECT_FALSE(d.isShown("dmgSureDone"));
  EXPECT_TRUE(d.isShown("dmgChoicePane"));
  platform::gates::release("makeDmg.copyItem");
  ASSERT_TRUE(waitUntil([&] { return !screen->engine()->isRunning(); }, 30000));
  EXPECT_TRUE(made("/Volumes/Data", "dmg").isEmpty());
  ASSERT_TRUE(confirm());
  EXPECT_TRUE(d.waitShown("dmgSuccessView", 60000));
}

// The copy-all listing before a job may be left: a change of the choice or
// another tool drops it, and no confirmation of the old choice appears.
TEST_F(DmgScreen, AChangeDuringTheListingDropsIt) {
  struct Case {
    const char* what;
    std::function<bool()> change;
    bool creatable;  // the new choice can be made: a click confirms it
    bool listOpen = false;  // the copy-mode list opened before the click on create
  };
  const Case cases[] = {
      {"the destination cleared", [&] { return d.click("closeDisk2"); }, false},
      {"copy some chosen", [&] { return d.click("copyModeSome"); }, true, true},
      {"another tool", [&] { return d.chooseTab(0); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(choose(1, "USB Stick"));
    ASSERT_TRUE(choose(2, "Data"));
    if (c.listOpen) ASSERT_TRUE(d.click("lComboBoxOpen") && d.waitShown("copyModeSome"));
    platform::gates::arm("EumeRoot.beforeEnd");
    ASSERT_TRUE(d.click("dmgCreateButton", 20000));
    ASSERT_TRUE(platform::gates::waitReached("EumeRoot.beforeEnd"));
    ASSERT_TRUE(c.change());
    platform::gates::release("EumeRoot.beforeEnd");
    ASSERT_TRUE(ScreenDriver::settle());
    EXPECT_FALSE(d.isShown("dmgSureDone"));
    if (d.main().selectedTab() != 2) {
      ASSERT_TRUE(d.chooseTab(2));
      EXPECT_FALSE(d.isShown("dmgSureDone"));
    }
    EXPECT_TRUE(d.isShown("dmgChoicePane"));
    EXPECT_EQ(d.find<FourImageButton>("dmgCreateButton")->buttonEnabled(), c.creatable);
    if (c.creatable) {
      ASSERT_TRUE(d.click("dmgCreateButton", 20000));
      ASSERT_TRUE(d.click("dmgSureCancel"));
      ASSERT_TRUE(d.waitHidden("dmgSureDone"));
    }
  }
  EXPECT_TRUE(made("/Volumes/Data", "dmg").isEmpty());
}

// The copy-mode list opened before the confirmation is still up while the job
// waits to start: a choice made in it then stops the job as Cancel would.
TEST_F(DmgScreen, AChoiceMadeWhileTheJobWaitsToStartStopsIt) {
  enum Stage { Delay, Totalling };
  const std::pair<const char*, Stage> cases[] = {{"during the delay", Delay}, {"during the totalling", Totalling}};
  write("/Volumes/USB Stick/extra.txt", 100);
  for (const auto& [what, stage] : cases) {
    SCOPED_TRACE(what);
    ASSERT_TRUE(choose(2, "Data"));
    if (stage == Totalling) {
      platform::gates::arm("dmg.total");
      drop({"/Volumes/USB Stick/readme.txt", "/Volumes/USB Stick/extra.txt"});
    } else {
      ASSERT_TRUE(choose(1, "USB Stick"));
      screen->setStartDelay(kHeldDelayMs);
    }
    ASSERT_TRUE(d.click("lComboBoxOpen"));
    ASSERT_TRUE(d.waitShown("copyModeSome"));
    ASSERT_TRUE(confirm());
    if (stage == Totalling)
      ASSERT_TRUE(platform::gates::waitReached("dmg.total"));
    else
      ASSERT_TRUE(inTheDelay());
    ASSERT_TRUE(d.click("copyModeSome"));
    ASSERT_TRUE(d.waitShown("dmgFailView"));
    platform::gates::releaseAll();
    screen->setStartDelay(kStartDelayMs);
    ASSERT_TRUE(ScreenDriver::settle());
    EXPECT_TRUE(d.isShown("dmgFailView"));
    EXPECT_EQ(d.find<QLabel>("dmgFailText")->text(), getLocalizedString("MAKE_DMG_Stop"));
    EXPECT_FALSE(screen->engine()->isRunning());
    EXPECT_TRUE(made("/Volumes/Data", "dmg").isEmpty());
    ASSERT_TRUE(d.click("dmgFailDone"));
  }
}

// Cancel at each stage: the stopped pane stays, nothing is left behind.
TEST_F(DmgScreen, CancelAtEveryStageLeavesNothing) {
  enum Stage { Delay, Totalling, Create, Copy };
  struct Case {
    const char* what;
    Stage stage;
  };
  const Case cases[] = {{"during the delay", Delay},
                        {"during the totalling", Totalling},
                        {"during the create", Create},
                        {"during the copy", Copy}};
  write("/Volumes/USB Stick/extra.txt", 100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(choose(2, "Data"));
    if (c.stage == Totalling) {
      platform::gates::arm("dmg.total");
      drop({"/Volumes/USB Stick/readme.txt", "/Volumes/USB Stick/extra.txt"});
    } else {
      ASSERT_TRUE(choose(1, "USB Stick"));
    }
    if (c.stage == Delay) screen->setStartDelay(kHeldDelayMs);
    if (c.stage == Create) ASSERT_EQ(d.worldCommand("pace", {"3"}), 0);
    if (c.stage == Copy) platform::gates::arm("makeDmg.copyItem");
    ASSERT_TRUE(confirm());
    switch (c.stage) {
      case Delay: ASSERT_TRUE(inTheDelay()); break;
      case Totalling: ASSERT_TRUE(platform::gates::waitReached("dmg.total")); break;
      case Create: ASSERT_TRUE(waitUntil([&] { return screen->engine()->isRunning(); })); break;
      case Copy: ASSERT_TRUE(platform::gates::waitReached("makeDmg.copyItem", 30000)); break;
    }
    ASSERT_TRUE(d.click("dmgCancelButton"));
    platform::gates::releaseAll();
    screen->setStartDelay(kStartDelayMs);
    if (c.stage == Create) d.worldCommand("pace", {"0"});
    ASSERT_TRUE(waitUntil([&] { return !screen->engine()->isRunning(); }, 30000));
    waitUntil([] { return false; }, 800);  // a late report would show now
    EXPECT_TRUE(d.isShown("dmgFailView"));
    EXPECT_FALSE(d.isShown("dmgSuccessView"));
    EXPECT_EQ(d.find<QLabel>("dmgFailText")->text(), getLocalizedString("MAKE_DMG_Stop"));
    EXPECT_TRUE(made("/Volumes/Data", "dmg").isEmpty());
    EXPECT_FALSE(mounted());
    ASSERT_TRUE(d.click("dmgFailDone"));
  }
}

}  // namespace

namespace {

TEST_F(DmgScreen, AnImageWhoseVolumeCannotBeEjectedEndsInTheFailurePane) {
  // The plain eject fails and so does the forced detach: the files never reach the image file.
  ASSERT_TRUE(world::writeKnob(d.world().layout(), world::knob::kFailTools,
                               QStringList{"diskutil eject", "hdiutil detach"}));
  ASSERT_TRUE(choose(1, "USB Stick"));
  ASSERT_TRUE(choose(2, "Data"));
  ASSERT_TRUE(confirm());
  ASSERT_TRUE(d.waitShown("dmgFailView", 60000));
  EXPECT_FALSE(d.isShown("dmgSuccessView"));
  EXPECT_EQ(d.find<QLabel>("dmgFailText")->text(), getLocalizedString("MAKE_DMG_error_unfinished"));
}

TEST_F(DmgScreen, TheSourceBoxAfterTheBrowser) {
  // Every root ticked: the volume again; some roots: their count, their bytes and a folder.
  const QString all = QStringLiteral("*");
  struct Case {
    const char* what;
    QStringList keep;
    QString name;  // empty: the count text of `count` roots
    int count;
    QString icon;
  };
  write("/Volumes/USB Stick/notes.txt", 1200);
  const Case cases[] = {
      {"every root", {all}, "USB Stick", 0, "ic_usb_main"},
      {"two of the roots", {"readme.txt", "notes.txt"}, QString(), 2, "ic_folder"},
  };
  ASSERT_TRUE(choose(1, "USB Stick"));
  auto* box = d.find<QWidget>("dmgSourceHost")->findChild<SelectValueView*>();
  ASSERT_NE(box, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QStringList keep = c.keep;
    if (keep == QStringList{all})
      keep = QDir(d.host("/Volumes/USB Stick")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    ASSERT_TRUE(browseKeeping(keep));
    const QString name = c.name.isEmpty()
                             ? getLocalizedString("MAKE_DMG_select_FF_count").replace("%@", QString::number(c.count))
                             : c.name;
    ASSERT_TRUE(waitUntil([&] { return box->nameLabel()->text() == name; }, 20000)) << qPrintable(box->nameLabel()->text());
    EXPECT_EQ(box->selectDiskBut()->imageName(), c.icon);
    if (c.name.isEmpty()) EXPECT_EQ(box->sizeLabel()->text(), KVPublicUtilities::longlongConvertVolSpace(1200 + 10));
    EXPECT_TRUE(d.isShown("dmgComboHost"));
  }
}

TEST_F(DmgScreen, ASourceRefusedAsTheDestinationsOwnVolumeHidesTheDropDown) {
  ASSERT_TRUE(choose(2, "Data"));
  ASSERT_TRUE(choose(1, "Data"));
  ASSERT_TRUE(d.waitShown("dmgErrorBubble"));
  EXPECT_FALSE(d.isShown("dmgComboHost"));
}

}  // namespace
