// The copy screen end to end: the real main window in a demo world, driven by
// mouse clicks on its widgets.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTemporaryDir>
#include <QUrl>
#include <QTest>
#include <QTreeView>

#include "copy/DiskCopyViewController.h"
#include "platform/Gate.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"
#include "support/DropDownChecks.h"
#include "support/Fades.h"
#include "support/ScreenDriver.h"
#include "uikit/ImageButtons.h"
#include "uikit/PVPopover.h"
#include "uikit/Tables.h"

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(16, 5, 9));
const QString kFolder = "QuorvanDiskClone(2026-12-10 16:05:09)";

struct CopyScreen {
  ScreenDriver d;
  CopyScreen() {
    d.main().copyScreen()->setClock([] { return kNow; });  // the copy tab shows first
  }

  // Opens the picker of box 1 (source) or 2 (destination) and clicks the volume's row.
  bool pick(int box, const QString& volume) {
    if (!d.click(QString("selectDiskBut%1").arg(box))) return false;
    if (!d.click("diskRow:" + volume, 20000)) return false;
    return d.waitHidden("diskRow:" + volume);
  }

  QTreeView* outline() const { return d.find<QTreeView>("listOutline"); }

  // The outline's root row whose name is `name`, or an invalid index.
  QModelIndex rootRow(const QString& name, int column) const {
    QTreeView* tree = outline();
    if (!tree || !tree->model()) return {};
    QAbstractItemModel* m = tree->model();
    for (int r = 0; r < m->rowCount(); ++r) {
      const QModelIndex nameIndex = m->index(r, 1);
      if (m->data(nameIndex).toString() == name) return m->index(r, column);
    }
    return {};
  }

  // In the browser: untick everything, tick the root folder `name`, Done.
  // Runs from a timer, since the browser is modal.
  // A browser that never gets ready is closed, so the test fails instead of hanging.
  bool browserReady(const QString& name) const {
    QWidget* refresh = d.find("listRefresh");
    return refresh && refresh->isVisible() && refresh->isEnabled() && (name.isEmpty() || rootRow(name, 0).isValid());
  }
  void inBrowser(const QString& name, std::function<void()> action) {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    d.when([this, name, started] { return browserReady(name) || started->hasExpired(30000); },
           [this, name, action] {
             if (browserReady(name))
               action();
             else
               ScreenDriver::click(d.find("listCancel"));
           },
           40000);
  }

  // Clicks the check box of the outline row at `nameIndex`'s row.
  void clickCheckBox(const QModelIndex& nameIndex) const {
    QTreeView* tree = outline();
    const QModelIndex box = nameIndex.sibling(nameIndex.row(), 0);
    tree->scrollTo(box);
    ScreenDriver::click(tree->viewport(), tree->visualRect(box).center());
  }
  // Whether the row shows a check box (the system rows do not).
  static bool hasCheckBox(const QModelIndex& nameIndex) {
    return !nameIndex.sibling(nameIndex.row(), 0).data(Qt::UserRole + 1).toString().isEmpty();
  }

  void tickOnlyInBrowser(const QString& name) {
    inBrowser(name,
        [this, name] {
          ScreenDriver::click(d.find("listSelectAll"));
          QTreeView* tree = outline();
          const QRect cell = tree->visualRect(rootRow(name, 0));
          ScreenDriver::click(tree->viewport(), cell.center());
          ScreenDriver::click(d.find("listDone"));
        });
  }

  // Copy some: the list, its "copy some" row, then the browse button.
  bool browseAndTick(const QString& name) {
    if (!d.click("lComboBoxOpen")) return false;
    if (!d.click("copyModeSome")) return false;
    tickOnlyInBrowser(name);
    if (!d.click("lComboBoxSearch")) return false;  // returns when the modal browser has closed
    return d.waitHidden("DiskListWC");
  }

  // Data to the stick, with only "Shared Docs" ticked.
  bool sharedDocsToStick() { return pick(1, "Data") && pick(2, "USB Stick") && browseAndTick("Shared Docs"); }

  bool confirmCopy() { return d.click("copyButton") && d.click("copyMakeSureDone"); }

  // Copy all clicked, its listing held before its end.
  bool holdCopyAllListing() {
    platform::gates::arm("EumeRoot.beforeEnd");
    return d.click("copyButton") && platform::gates::waitReached("EumeRoot.beforeEnd");
  }
  // The held listing goes on; returns once its end has reached the screen.
  static bool releaseListing() {
    platform::gates::release("EumeRoot.beforeEnd");
    return ScreenDriver::settle();
  }

  QString failText() const {
    auto* l = d.find<QLabel>("copyFailText");
    return l ? l->text() : QString();
  }
  QString calloutText() const {
    auto* l = d.find("copyErrorCallout");
    if (!l || !l->isVisible()) return QString();
    QStringList texts;
    for (QLabel* label : l->findChildren<QLabel*>()) texts << label->text();
    return texts.join(' ');
  }
};

// The text a table entry shows with its one placeholder filled.
QString filledText(const char* key, const QString& value) {
  QString t = getLocalizedString(key);
  for (const char* mark : {"%@", "%lld", "%d"})
    if (t.contains(mark)) return t.replace(mark, value);
  return t;
}

// Bytes of the files below a host folder, links counted as themselves.
qint64 bytesBelow(const QString& hostRoot) {
  qint64 sum = 0;
  QDirIterator it(hostRoot, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info(it.next());
    if (info.isSymLink())
      sum += info.symLinkTarget().isEmpty() ? 0 : QFile::symLinkTarget(info.filePath()).toUtf8().size();
    else if (!info.isDir())
      sum += info.size();
  }
  return sum;
}

QStringList tree(const QString& hostRoot) {
  QStringList out;
  QDirIterator it(hostRoot, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) out << it.next().mid(hostRoot.size() + 1);
  out.sort();
  return out;
}

}  // namespace

TEST(DiskCopyScreenTest, TickedFolderArrivesOnTheStickAndOpens) {
  CopyScreen s;
  ASSERT_TRUE(s.sharedDocsToStick());
  ASSERT_TRUE(s.confirmCopy());
  EXPECT_FALSE(s.d.main().tabsUnlocked());
  ASSERT_TRUE(s.d.waitShown("copySuccessPane", 60000));
  EXPECT_TRUE(s.d.main().tabsUnlocked());
  EXPECT_FALSE(s.d.isShown("copyFailPane"));

  const QString folder = "/Volumes/USB Stick/" + kFolder;
  EXPECT_EQ(tree(s.d.host(folder)),
            (QStringList{"Shared Docs", "Shared Docs/Meeting $(date) `notes`.txt", "Shared Docs/Zoë's résumé.docx"}));
  QFile f(s.d.host(folder + "/Shared Docs/Zoë's résumé.docx"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("résumé\n"));

  ASSERT_TRUE(s.d.click("copyOpenLink"));
  EXPECT_TRUE(waitUntil([&] { return s.d.opened().join('\n').contains(folder); }));

  // Done goes back to an empty choice.
  ASSERT_TRUE(s.d.click("copyDoneButton"));
  ASSERT_TRUE(s.d.waitShown("copyChoicePage"));
  EXPECT_FALSE(s.d.find<FourImageButton>("copyButton")->buttonEnabled());
  EXPECT_EQ(s.d.main().copyScreen()->choice().sourceShows, copyscreen::SourceShows::Nothing);
}

TEST(DiskCopyScreenTest, CopyAllOfAVolume) {
  CopyScreen s;
  ASSERT_TRUE(s.pick(1, "Data"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  // The volume is listed first; meanwhile the copy button takes no second click.
  platform::gates::arm("EumeRoot.beforeEnd");
  ASSERT_TRUE(s.d.click("copyButton"));
  ASSERT_TRUE(platform::gates::waitReached("EumeRoot.beforeEnd"));
  auto* copyButton = s.d.find<FourImageButton>("copyButton");
  EXPECT_FALSE(copyButton->buttonEnabled());
  ScreenDriver::click(copyButton);
  platform::gates::release("EumeRoot.beforeEnd");
  ASSERT_TRUE(s.d.click("copyMakeSureDone"));
  ASSERT_TRUE(s.d.waitShown("copySuccessPane", 60000));
  EXPECT_FALSE(s.d.isShown("copyMakeSureDone"));  // one confirmation, not two
  const QString folder = s.d.host("/Volumes/USB Stick/" + kFolder);
  for (const char* item : {"Movies/Trailer.mov", "Shared Docs/Zoë's résumé.docx", "Backups/2024-01-01/manifest.txt",
                           "Empty Folder"})
    EXPECT_TRUE(QFileInfo::exists(folder + "/" + item)) << item;
  EXPECT_EQ(QFileInfo(folder + "/Movies/Trailer.mov").size(), 2500000);
}

// While the copy-all listing runs the user may still change the choice or go
// to another tool: the listing is dropped, no confirmation of the old choice
// appears, and the copy button follows the choice as it now stands.
TEST(DiskCopyScreenTest, AChangeDuringTheCopyAllListingDropsIt) {
  using Step = std::function<bool(CopyScreen&)>;
  struct Case {
    const char* what;
    Step change;
    bool copyable;  // the new choice can be copied: a click confirms it
    Step before = nullptr;
  };
  const Step copySome = [](CopyScreen& s) { return s.d.click("lComboBoxOpen") && s.d.click("copyModeSome"); };
  // "Copy some" with nothing browsed yet still lists the whole volume; the
  // browser's own listing needs the gate, which the held one no longer does.
  const Step browse = [](CopyScreen& s) {
    s.d.when([&s] { return s.d.isShown("DiskListWC"); }, [] { platform::gates::release("EumeRoot.beforeEnd"); });
    s.tickOnlyInBrowser("Shared Docs");
    return s.d.click("lComboBoxSearch") && s.d.waitHidden("DiskListWC");
  };
  const Case cases[] = {
      {"a destination the space check refuses", [](CopyScreen& s) { return s.pick(2, "SD CARD"); }, false},
      {"the destination cleared", [](CopyScreen& s) { return s.d.click("closeDisk2"); }, false},
      {"copy some chosen", copySome, true},
      {"a browser selection", browse, true, copySome},
      {"another tool", [](CopyScreen& s) { return s.d.chooseTab(1); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CopyScreen s;
    ASSERT_EQ(s.d.worldCommand("full", {"SD CARD"}), 0);
    ASSERT_TRUE(s.pick(1, "Data"));
    ASSERT_TRUE(s.pick(2, "USB Stick"));
    if (c.before) ASSERT_TRUE(c.before(s));
    ASSERT_TRUE(s.holdCopyAllListing());
    ASSERT_TRUE(c.change(s));
    ASSERT_TRUE(CopyScreen::releaseListing());
    EXPECT_FALSE(s.d.isShown("copyMakeSureDone"));
    if (s.d.main().selectedTab() != 0) {
      ASSERT_TRUE(s.d.chooseTab(0));
      EXPECT_FALSE(s.d.isShown("copyMakeSureDone"));
    }
    EXPECT_EQ(s.d.find<FourImageButton>("copyButton")->buttonEnabled(), c.copyable);
    if (c.copyable) {
      ASSERT_TRUE(s.d.click("copyButton"));
      EXPECT_TRUE(s.d.waitShown("copyMakeSureDone"));
    }
  }
}

TEST(DiskCopyScreenTest, TheCopyModeListOpensOnceAndARowChoosesWithoutHover) {
  CopyScreen s;
  ASSERT_TRUE(s.pick(1, "Data"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  EXPECT_FALSE(s.d.isShown("lComboBoxSearch"));
  EXPECT_EQ(opensOnceAndChoosesWithoutHover(s.d, "lComboBoxOpen", "SelectAllFilePopVC", "copyModeSome"), "");
  EXPECT_TRUE(s.d.waitShown("lComboBoxSearch")) << "copy some chosen: its browse button shows";
}

TEST(DiskCopyScreenTest, FailingRsyncEndsInTheFailurePane) {
  CopyScreen s;
  ASSERT_EQ(s.d.worldCommand("fail", {"rsync"}), 0);
  ASSERT_TRUE(s.sharedDocsToStick());
  ASSERT_TRUE(s.confirmCopy());
  ASSERT_TRUE(s.d.waitShown("copyFailPane", 60000));
  EXPECT_EQ(s.failText(), getLocalizedString("DISK_COPY_Fail_some"));
  EXPECT_FALSE(s.d.isShown("copySuccessPane"));
  EXPECT_TRUE(s.d.main().tabsUnlocked());
}

TEST(DiskCopyScreenTest, CancelMidCopyStopsAndStaysStopped) {
  CopyScreen s;
  ASSERT_TRUE(s.sharedDocsToStick());
  platform::gates::arm("DoCopyFiles.item");
  ASSERT_TRUE(s.confirmCopy());
  ASSERT_TRUE(platform::gates::waitReached("DoCopyFiles.item"));
  ASSERT_TRUE(s.d.click("copyCancelButton"));
  platform::gates::release("DoCopyFiles.item");
  ASSERT_TRUE(s.d.waitShown("copyFailPane", 30000));
  EXPECT_EQ(s.failText(), getLocalizedString("DISK_COPY_STOP"));
  // Nothing the stopped run still sends turns it into a success.
  ASSERT_TRUE(ScreenDriver::settle());
  EXPECT_TRUE(s.d.isShown("copyFailPane"));
  EXPECT_FALSE(s.d.isShown("copySuccessPane"));
  EXPECT_TRUE(s.d.main().tabsUnlocked());
}

TEST(DiskCopyScreenTest, StickUnpluggedBeforeTheCopy) {
  CopyScreen s;
  ASSERT_TRUE(s.pick(1, "Data"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  ASSERT_EQ(s.d.worldCommand("detach", {"disk3"}), 0);
  ASSERT_FALSE(QFileInfo::exists(s.d.host("/Volumes/USB Stick")));
  ASSERT_TRUE(s.confirmCopy());
  ASSERT_TRUE(s.d.waitShown("copyFailPane", 60000));
  EXPECT_EQ(s.failText(), getLocalizedString("DISK_COPY_Fail_folder"));
  EXPECT_FALSE(QFileInfo::exists(s.d.host("/Volumes/USB Stick")));  // no plain folder made in its place
  EXPECT_TRUE(s.d.main().tabsUnlocked());
}

TEST(DiskCopyScreenTest, RefusalsShowTheirText) {
  CopyScreen s;
  auto copyButton = [&] { return s.d.find<FourImageButton>("copyButton"); };
  ASSERT_TRUE(s.pick(1, "Data"));
  ASSERT_TRUE(s.pick(2, "Data"));
  EXPECT_TRUE(waitUntil([&] { return s.calloutText() == getLocalizedString("MAKE_DMG_error_same_drice"); }));
  EXPECT_FALSE(copyButton()->buttonEnabled());

  // Nothing ticked in the browser: the copy is refused before any confirmation.
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  EXPECT_TRUE(copyButton()->buttonEnabled());
  s.inBrowser(QString(), [&] {
    ScreenDriver::click(s.d.find("listSelectAll"));
    ScreenDriver::click(s.d.find("listDone"));
  });
  ASSERT_TRUE(s.d.click("lComboBoxOpen"));
  ASSERT_TRUE(s.d.click("copyModeSome"));
  ASSERT_TRUE(s.d.click("lComboBoxSearch"));
  ASSERT_TRUE(s.d.waitHidden("DiskListWC"));
  ASSERT_TRUE(s.d.click("copyButton"));
  EXPECT_TRUE(waitUntil([&] { return s.calloutText() == getLocalizedString("DISK_COPY_NO_Select"); }));
  EXPECT_FALSE(s.d.isShown("copyMakeSureDone"));
  EXPECT_TRUE(s.d.isShown("copyChoicePage"));
}

TEST(DiskCopyScreenTest, DroppedItemsAreCopiedAndOutsidersRefused) {
  CopyScreen s;
  auto* drop = s.d.find<DragView>("dragVie1");
  ASSERT_NE(drop, nullptr);
  auto dropHost = [&](const QStringList& hostPaths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : hostPaths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    return drop->performDragOperation(&data);
  };
  // A file of the host, outside the simulated Mac: refused, with a text.
  QTemporaryDir outside;
  ASSERT_TRUE(outside.isValid());
  dropHost({s.d.host("/Volumes/Data/Shared Docs"), outside.path()});
  EXPECT_TRUE(waitUntil([&] { return s.calloutText() == getLocalizedString("DISK_COPY_Drop_outside"); }));
  EXPECT_EQ(s.d.main().copyScreen()->choice().sourceShows, copyscreen::SourceShows::Nothing);

  // Items of the Mac: they are the source, and a destination makes them copyable.
  ASSERT_TRUE(dropHost({s.d.host("/Volumes/Data/Shared Docs"), s.d.host("/Volumes/Data/Movies/Trailer.mov")}));
  EXPECT_EQ(s.d.find<QLabel>("nameLabel1")->text(), getLocalizedString("DISK_COPY_ADD_SOME_FILE"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  EXPECT_TRUE(s.d.find<FourImageButton>("copyButton")->buttonEnabled());
  ASSERT_TRUE(s.confirmCopy());
  ASSERT_TRUE(s.d.waitShown("copySuccessPane", 60000));
  const QString folder = s.d.host("/Volumes/USB Stick/" + kFolder);
  EXPECT_EQ(tree(folder), (QStringList{"Shared Docs", "Shared Docs/Meeting $(date) `notes`.txt",
                                       "Shared Docs/Zoë's résumé.docx", "Trailer.mov"}));
}

// On the startup volume the browser shows system rows without a check box, in
// state 1. Unticking every other row but "Users" is a selection of one folder:
// the box says so with its size, and the copy holds only it.
TEST(DiskCopyScreenTest, StartupSelectionIsWhatTheUserTicked) {
  CopyScreen s;
  ASSERT_TRUE(s.pick(1, "Macintosh HD"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  ASSERT_TRUE(s.d.click("lComboBoxOpen"));
  ASSERT_TRUE(s.d.click("copyModeSome"));
  int systemRows = 0;
  s.inBrowser("Users", [&] {
    QAbstractItemModel* m = s.outline()->model();
    for (int r = 0; r < m->rowCount(); ++r) {
      const QModelIndex name = m->index(r, 1);
      if (!CopyScreen::hasCheckBox(name))
        ++systemRows;
      else if (name.data().toString() != "Users")
        s.clickCheckBox(name);
    }
    ScreenDriver::click(s.d.find("listDone"));
  });
  ASSERT_TRUE(s.d.click("lComboBoxSearch"));
  ASSERT_TRUE(s.d.waitHidden("DiskListWC"));
  EXPECT_GT(systemRows, 5);  // /System, /Library, /private, /usr, /dev … stayed as they were
  EXPECT_TRUE(waitUntil([&] { return s.d.find<QLabel>("nameLabel1")->text() == filledText("MAKE_DMG_select_FF_count", "1"); }));
  EXPECT_EQ(s.d.find<QLabel>("sizeLabel1")->text(),
            filledText("MAKE_DMG_select_count",
                       KVPublicUtilities::longlongConvertVolSpace(bytesBelow(s.d.host("/Users")))));

  ASSERT_TRUE(s.confirmCopy());
  ASSERT_TRUE(s.d.waitShown("copySuccessPane", 60000));
  const QString folder = s.d.host("/Volumes/USB Stick/" + kFolder);
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"Users"});
  EXPECT_EQ(bytesBelow(folder + "/Users"), bytesBelow(s.d.host("/Users")));
  // The job's report receiver goes with its final report.
  EXPECT_TRUE(waitUntil([&] { return s.d.main().copyScreen()->reportReceiversHeld() == 0; }));
}

// Two partly ticked folders whose ticked children share a name would put one
// onto the other at the top of the copy: refused, naming it, before anything starts.
TEST(DiskCopyScreenTest, ChildrenOfOneNameAreRefused) {
  CopyScreen s;
  // Each folder keeps an unticked child, so it stays partly ticked.
  for (const char* f : {"/Volumes/Data/Work/Notes", "/Volumes/Data/Work/Plans", "/Volumes/Data/Home/notes",
                        "/Volumes/Data/Home/Music"})
    ASSERT_TRUE(QDir().mkpath(s.d.host(f)));
  ASSERT_TRUE(s.pick(1, "Data"));
  ASSERT_TRUE(s.pick(2, "USB Stick"));
  ASSERT_TRUE(s.d.click("lComboBoxOpen"));
  ASSERT_TRUE(s.d.click("copyModeSome"));
  const auto childrenListed = [&] {
    for (const char* folder : {"Work", "Home"}) {
      const QModelIndex top = s.rootRow(folder, 0);
      if (!top.isValid() || s.outline()->model()->rowCount(top) < 2) return false;
    }
    return true;
  };
  s.inBrowser("Work", [&] {
    ScreenDriver::click(s.d.find("listSelectAll"));  // nothing ticked
    for (const char* folder : {"Work", "Home"}) s.outline()->expand(s.rootRow(folder, 0));
    s.d.when(childrenListed, [&] {
      for (const char* folder : {"Work", "Home"}) {
        QAbstractItemModel* m = s.outline()->model();
        const QModelIndex top = s.rootRow(folder, 0);
        for (int r = 0; r < m->rowCount(top); ++r)
          if (m->index(r, 1, top).data().toString().compare("notes", Qt::CaseInsensitive) == 0)
            s.clickCheckBox(m->index(r, 1, top));
      }
      ScreenDriver::click(s.d.find("listDone"));
    });
  });
  ASSERT_TRUE(s.d.click("lComboBoxSearch"));
  ASSERT_TRUE(s.d.waitHidden("DiskListWC"));
  EXPECT_EQ(s.d.find<QLabel>("nameLabel1")->text(), filledText("MAKE_DMG_select_FF_count", "2"));
  ASSERT_TRUE(s.d.click("copyButton"));
  // Either spelling names it: the two differ only in case, which a Mac volume ignores.
  const QStringList expected = {filledText("DISK_COPY_same_name", "notes"), filledText("DISK_COPY_same_name", "Notes")};
  EXPECT_TRUE(waitUntil([&] { return expected.contains(s.calloutText()); })) << s.calloutText().toStdString();
  EXPECT_FALSE(s.d.isShown("copyMakeSureDone"));
  EXPECT_TRUE(s.d.isShown("copyChoicePage"));
  EXPECT_FALSE(QFileInfo::exists(s.d.host("/Volumes/USB Stick/" + kFolder)));
}

namespace {
// The popover window that holds a row of the picker.
QPointer<QWidget> pickerWindow(ScreenDriver& d, const QString& row) {
  QWidget* w = d.find("diskRow:" + row);
  return w ? w->window() : nullptr;
}

}  // namespace

TEST(DiskCopyScreenTest, ThePickerFadesOutOnAChoiceAndOnASecondClickOfItsBox) {
  CopyScreen s;
  ASSERT_TRUE(s.d.click("selectDiskBut1"));
  ASSERT_TRUE(s.d.click("diskRow:Data", 20000));
  QElapsedTimer sinceChoice;
  sinceChoice.start();
  const QPointer<QWidget> chosenFrom = pickerWindow(s.d, "Data");
  ASSERT_NE(qobject_cast<PVPopoverWindow*>(chosenFrom.data()), nullptr);
  EXPECT_EQ(s.d.main().copyScreen()->choice().sourceShows, copyscreen::SourceShows::Volume) << "chosen at once";
  EXPECT_TRUE(chosenFrom->isVisible()) << "still on screen after the choice";
  EXPECT_TRUE(fadesOut(chosenFrom));
  EXPECT_TRUE(waitUntil([&] { return chosenFrom.isNull(); })) << "then gone, its picker with it";
  EXPECT_GE(sinceChoice.elapsed(), 200) << "not before its quarter-second fade";

  ASSERT_TRUE(s.d.click("selectDiskBut2"));
  ASSERT_TRUE(s.d.waitShown("diskRow:USB Stick", 20000));
  const QPointer<QWidget> reopened = pickerWindow(s.d, "USB Stick");
  ASSERT_NE(reopened, nullptr);
  ASSERT_TRUE(waitUntil([&] { return reopened->windowOpacity() == 1; }));
  ASSERT_TRUE(s.d.click("selectDiskBut2"));
  EXPECT_TRUE(reopened->isVisible()) << "the second click fades it out";
  EXPECT_TRUE(fadesOut(reopened));
  EXPECT_TRUE(waitUntil([&] { return reopened.isNull(); }));
  EXPECT_EQ(s.d.main().copyScreen()->choice().shownDestination, nullptr) << "nothing was chosen";
}
