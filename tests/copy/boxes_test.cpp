// The source/destination box, the copy-mode drop-down with its list, and the
// step bar.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTest>
#include <QTemporaryDir>
#include <QUrl>

#include "copy/DiskCopyViewController.h"
#include "copy/LComboBox.h"
#include "image/DmgViewController.h"
#include "copy/SelectValueView.h"
#include "copy/SetpViewController.h"
#include "services/KVPublicUtilities.h"
#include "services/Localization.h"
#include "shell/MainWindowController.h"
#include "support/ScreenDriver.h"
#include "support/TestWorld.h"
#include "world/lib/Layout.h"
#include "uikit/AttachedWindow.h"
#include "copy/DiskListWC.h"
#include "uikit/ImageButtons.h"
#include "uikit/Style.h"

namespace {

struct BoxScreen : SelectValueViewDelegate {
  QList<int> opened, cleared;
  QList<FileNodeList> drops;
  QList<QStringList> refused;
  int selectFile = 0;
  void selectDiskButton(int diskFrom, QWidget*) override { opened << diskFrom; }
  void closeDiskValue(int diskFrom) override { cleared << diskFrom; }
  void viewDragAction(const FileNodeList& nodes) override { drops << nodes; }
  void selectFileButtonAction(QObject*) override { ++selectFile; }
  void viewDragRefused(const QStringList& paths) override { refused << paths; }
};

struct ComboScreen : LComboBoxDelegate, SelectAllFileVCDelegate {
  int copyAll = 0, search = 0, show = 0;
  QList<int> chosen;
  QList<bool> exits;
  void changeSelectCopyType() override { ++copyAll; }
  void doShowSearchView() override { ++search; }
  void showSelectAllVC() override { ++show; }
  void selectFormatbyType(int type) override { chosen << type; }
  void mouseEixtView(bool exited) override { exits << exited; }
};

QMimeData* urls(const QStringList& hostPaths) {
  auto* m = new QMimeData;
  QList<QUrl> list;
  for (const QString& p : hostPaths) list << QUrl::fromLocalFile(p);
  m->setUrls(list);
  return m;
}

}  // namespace

TEST(Box, ClicksClearAndHoverFollowIsCanSelect) {
  BoxScreen screen;
  SelectValueView box;
  box.setDiskFrom(2);
  box.setDelegate(&screen);
  box.show();
  QTest::mouseClick(box.selectDiskBut(), Qt::LeftButton);
  QTest::mouseClick(box.dragVie(), Qt::LeftButton);  // the box's background
  box.closeDisk()->show();
  QTest::mouseClick(box.closeDisk(), Qt::LeftButton);
  EXPECT_EQ(screen.opened, (QList<int>{2, 2}));
  EXPECT_EQ(screen.cleared, QList<int>{2});

  box.mouseInSelectBgView(true);
  EXPECT_EQ(box.bgImageView()->imageName(), "source_hover");
  box.mouseInSelectBgView(false);
  EXPECT_EQ(box.bgImageView()->imageName(), "source");

  box.setIsCanSelect(false);
  QTest::mouseClick(box.selectDiskBut(), Qt::LeftButton);
  QTest::mouseClick(box.closeDisk(), Qt::LeftButton);
  box.mouseInSelectBgView(true);
  box.selectFileButtonAction(&box);  // still forwarded
  EXPECT_EQ(screen.opened.size(), 2);
  EXPECT_EQ(screen.cleared.size(), 1);
  EXPECT_EQ(box.bgImageView()->imageName(), "source");
  EXPECT_EQ(screen.selectFile, 1);

  box.setIsCanSelect(true);
  box.isHaveD = true;
  box.mouseInSelectBgView(true);  // a box with a choice keeps its look
  EXPECT_EQ(box.bgImageView()->imageName(), "source");
  box.changeBgImageViewWithError(true);
  EXPECT_EQ(box.bgImageView()->imageName(), "source_sel_error");
  EXPECT_FALSE(box.errorImage()->isHidden());
  box.changeBgImageViewWithError(false);
  EXPECT_EQ(box.bgImageView()->imageName(), "source_sel");
  EXPECT_TRUE(box.errorImage()->isHidden());
}

TEST(Box, DroppedFilesBecomeNodes) {
  TestWorld world{TestWorld::demo()};
  ASSERT_TRUE(world.ok());
  const QString dir = world.host("/Volumes/USB Stick/Drop");
  ASSERT_TRUE(QDir().mkpath(dir + "/Folder"));
  for (auto [name, bytes] : {std::pair{"file.bin", 1234}, std::pair{".DS_Store", 10}}) {
    QFile f(dir + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
  }
  BoxScreen screen;
  SelectValueView box;
  box.setDiskFrom(1);
  box.setDelegate(&screen);

  std::unique_ptr<QMimeData> drop(urls({dir + "/file.bin", dir + "/Folder", dir + "/.DS_Store"}));
  ASSERT_TRUE(box.dragVie()->performDragOperation(drop.get()));
  ASSERT_EQ(screen.drops.size(), 1);
  const FileNodeList& nodes = screen.drops.first();
  ASSERT_EQ(nodes.size(), 2);
  EXPECT_EQ(nodes[0]->path(), "/Volumes/USB Stick/Drop/file.bin");
  EXPECT_EQ(nodes[0]->size(), 1234u);
  EXPECT_FALSE(nodes[0]->isDirectory());
  EXPECT_TRUE(nodes[1]->isDirectory());
  EXPECT_EQ(nodes[1]->size(), 0u);
  for (const FileNodePtr& n : nodes) {
    EXPECT_EQ(n->state(), FileNode::Selected);
    EXPECT_EQ(n->father(), nullptr);
  }
  // ".DS_Store" alone still reports, with nothing in it.
  std::unique_ptr<QMimeData> only(urls({dir + "/.DS_Store"}));
  box.dragVie()->performDragOperation(only.get());
  ASSERT_EQ(screen.drops.size(), 2);
  EXPECT_TRUE(screen.drops.last().isEmpty());

  // A file from outside the simulated Mac refuses the whole drop.
  QTemporaryDir outside;
  QFile f(outside.path() + "/host.txt");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  std::unique_ptr<QMimeData> mixed(urls({dir + "/file.bin", outside.path() + "/host.txt"}));
  box.dragVie()->performDragOperation(mixed.get());
  EXPECT_EQ(screen.drops.size(), 2);
  EXPECT_EQ(screen.refused.size(), 1);

  box.setIsCanSelect(false);
  box.dragVie()->performDragOperation(drop.get());
  EXPECT_EQ(screen.drops.size(), 2);

  box.removeDragView();
  EXPECT_EQ(box.dragVie(), nullptr);
}

TEST(CopyModeDropDown, ModesReportsAndTheList) {
  ComboScreen screen;
  LComboBox combo;
  combo.setLconboBoxDelegate(&screen);
  combo.show();
  QTest::mouseClick(&combo, Qt::LeftButton);  // disabled: nothing
  EXPECT_EQ(screen.show, 0);
  combo.setlComboBoxEnde(true);
  QTest::mouseClick(combo.openButton(), Qt::LeftButton);
  EXPECT_EQ(screen.show, 1);

  combo.changeSelectType(1);  // copy some: browse shown, not reported
  EXPECT_EQ(screen.copyAll, 0);
  EXPECT_FALSE(combo.searchButton()->isHidden());
  QTest::mouseClick(combo.searchButton(), Qt::LeftButton);
  EXPECT_EQ(screen.search, 1);
  combo.changeSelectType(0);  // copy all: reported, browse hidden
  EXPECT_EQ(screen.copyAll, 1);
  EXPECT_TRUE(combo.searchButton()->isHidden());
  EXPECT_EQ(combo.strLabel()->text(), "Copy All Files");

  QWidget main;
  main.resize(1140, 700);
  main.show();
  auto* list = new SelectAllFilePopVC;
  list->setDelegate(&screen);
  uikit::DropDown dropDown(nullptr);
  RAttachedWindow* w = showCopyModeList(&dropDown, &main, list);
  ASSERT_NE(w, nullptr);
  // Its bottom edge is centred on (443, 137) of the main window.
  EXPECT_NEAR(w->frame().midX(), 443, 1);
  EXPECT_NEAR(w->frame().minY(), 137, 1);
  QTest::mouseClick(list->view_2(), Qt::LeftButton);
  QTest::mouseClick(list->view_1(), Qt::LeftButton);
  EXPECT_EQ(screen.chosen, (QList<int>{1, 0}));
  list->mouseInView(true, 1);
  EXPECT_EQ(list->label_2()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  list->mouseInView(false, 1);
  EXPECT_EQ(list->label_2()->palette().color(QPalette::WindowText), QColor(58, 58, 58));
  dropDown.close();
}

TEST(StepBar, WordingAndSteps) {
  SetpViewController bar;
  struct Case {
    int wording;
    int step;
    const char* image;
    int dark;  // label that is dark, 0 none
  };
  const Case cases[] = {{0, 1, "step1-1", 1}, {0, 2, "step1-2", 2}, {0, 3, "step1-3", 3},
                        {1, 2, "step3-2", 2}, {1, 0, "step3-2", 0}, {1, 4, "step3-2", 0}};
  for (const Case& c : cases) {
    bar.setCopyOrDiskImage(c.wording);
    bar.setSetpIn(c.step);
    EXPECT_EQ(bar.stepImageView()->imageName(), c.image) << c.wording << " " << c.step;
    QLabel* labels[3] = {bar.step_1_Label(), bar.step_2_Label(), bar.step_3_Label()};
    for (int i = 0; i < 3; ++i) {
      const QColor want = i + 1 == c.dark ? QColor(39, 38, 40) : QColor(161, 159, 160);
      EXPECT_EQ(labels[i]->palette().color(QPalette::WindowText), want) << c.wording << " " << c.step << " " << i;
    }
  }
  bar.setCopyOrDiskImage(0);
  EXPECT_EQ(bar.step_2_Label()->x(), 420);
  bar.setCopyOrDiskImage(1);
  EXPECT_EQ(bar.step_2_Label()->x(), 390);
}

TEST(ControlImages, EveryImageTheControlsShowIsInTheBundle) {
  QStringList names;
  SelectValueView box;
  names << box.bgImageView()->imageName() << box.selectDiskBut()->imageName() << box.errorImage()->imageName();
  box.mouseInSelectBgView(true);
  names << box.bgImageView()->imageName();
  box.changeBgImageViewWithError(true);
  names << box.bgImageView()->imageName();
  box.isHaveD = true;
  box.changeBgImageViewWithError(false);
  names << box.bgImageView()->imageName();

  LComboBox combo;
  combo.changeSelectType(1);
  names << combo.iconImageView()->imageName() << combo.searchButton()->imageName();

  SetpViewController bar;
  for (int wording : {0, 1})
    for (int step : {1, 2, 3}) {
      bar.setCopyOrDiskImage(wording);
      bar.setSetpIn(step);
      names << bar.stepImageView()->imageName();
    }

  for (int state : {0, 1, 2}) {
    FileNodePtr n = FileNode::initWithPath("/Volumes/USB Stick/x", "x", false);
    n->setState(state);
    names << browser::checkBoxImage(*n);
  }
  VolumeObj usb, startup, disk;
  usb.bCanEject = true;
  startup.volumeMountPoint = "/";
  disk.volumeMountPoint = "/Volumes/Data";
  names << volumeIconName(usb) << volumeIconName(startup) << volumeIconName(disk);

  names.removeDuplicates();
  for (const QString& n : names) {
    EXPECT_FALSE(n.isEmpty());
    EXPECT_FALSE(uikit::Image::named(n).isNull()) << qPrintable(n);
  }
}

// ------------------------------------------------------- the boxes on a screen

namespace {

// What a box shows: nothing yet (the hint and "add"), a volume, or dropped items.
enum class Holds { Nothing, Volume, Dropped };

struct BoxLook {
  Holds holds = Holds::Nothing;
  const char* volume = "";     // the volume's name, for Holds::Volume
  const char* icon = "add";    // the select button's image
  bool error = false;          // the error frame and mark
  int dropped = 0;             // items, for Holds::Dropped
};

QString placeholderFilled(const char* key, const QString& value) {
  return getLocalizedString(key).replace(QStringLiteral("%@"), value);
}

// Compares one box of the screen shown with `want`; `shown` is the volume the
// screen's choice says the box names (its sizes make the size text), and
// `droppedKey` the name a box of dropped items takes on that screen.
void expectBox(ScreenDriver& d, int box, const BoxLook& want, const VolumeObjPtr& shown, const char* droppedKey) {
  const QString n = QString::number(box);
  SCOPED_TRACE(box == 1 ? "source box" : "destination box");
  const QString name = d.find<QLabel>("nameLabel" + n)->text();
  const QString size = d.find<QLabel>("sizeLabel" + n)->text();
  const QString hint = d.find<QLabel>("nodeSelectLabel" + n)->text();
  switch (want.holds) {
    case Holds::Nothing:
      EXPECT_EQ(name, QString());
      EXPECT_EQ(size, QString());
      EXPECT_EQ(hint, getLocalizedString(box == 1 ? "MAKE_DMG_CUSS_select_source" : "MAKE_DMG_CUSS_select_destination"));
      break;
    case Holds::Volume: {
      EXPECT_EQ(name, want.volume);
      ASSERT_NE(shown, nullptr);
      ASSERT_EQ(shown->volumeName, want.volume);
      // The source tells what it would copy, the destination the room it has.
      const QString sizeText =
          box == 1 ? placeholderFilled("MAKE_DMG_select_count",
                                       KVPublicUtilities::longlongDiskSize(shown->volumeTotalSizeNum - shown->volumeFreeSizeNum))
                   : placeholderFilled("MAKE_DMG_Free", shown->volumeFreeSize);
      EXPECT_EQ(size, sizeText);
      EXPECT_FALSE(shown->volumeFreeSize.isEmpty());
      EXPECT_EQ(hint, QString());
      break;
    }
    case Holds::Dropped:
      EXPECT_EQ(name, getLocalizedString(droppedKey));
      EXPECT_EQ(size, placeholderFilled("MAKE_DMG_Select_F_Count", QString::number(want.dropped)));
      EXPECT_EQ(hint, QString());
      break;
  }
  EXPECT_EQ(d.find<ImageNameButton>("selectDiskBut" + n)->imageName(), want.icon);
  const bool holds = want.holds != Holds::Nothing;
  EXPECT_EQ(!d.find("closeDisk" + n)->isHidden(), holds) << "clear button";
  EXPECT_EQ(d.find<NamedImageView>("bgImageView" + n)->imageName(),
            want.error ? "source_sel_error" : holds ? "source_sel" : "source");
  EXPECT_EQ(!d.find("errorImage" + n)->isHidden(), want.error) << "error mark";
}

}  // namespace

// The copy and image screens fill both boxes after every choice; each step of
// the table is one user action and the look both boxes must have after it.
struct BoxScreenCase {
  const char* what;
  int tab;
  const char* droppedKey;
  std::function<std::pair<VolumeObjPtr, VolumeObjPtr>(MainWindowController&)> shown;
};

void PrintTo(const BoxScreenCase& c, std::ostream* os) { *os << c.what; }

class BoxesOnAScreen : public ::testing::TestWithParam<BoxScreenCase> {};

TEST_P(BoxesOnAScreen, ShowEachChoice) {
  const BoxScreenCase& screen = GetParam();
  ScreenDriver d;
  if (d.main().selectedTab() != screen.tab) ASSERT_TRUE(d.chooseTab(screen.tab));  // the copy tab shows first
  const auto pick = [&d](int box, const QString& volume) {
    return d.click(QString("selectDiskBut%1").arg(box)) && d.click("diskRow:" + volume, 20000) &&
           d.waitHidden("diskRow:" + volume);
  };
  const auto drop = [&d](const QStringList& macPaths) {
    QMimeData data;
    QList<QUrl> list;
    for (const QString& p : macPaths) list << QUrl::fromLocalFile(d.host(p));
    data.setUrls(list);
    return d.find<DragView>("dragVie1")->performDragOperation(&data);
  };
  const BoxLook empty;
  const BoxLook data{Holds::Volume, "Data", "ic_disk_main"};
  const BoxLook stick{Holds::Volume, "USB Stick", "ic_usb_main"};
  struct Step {
    const char* what;
    std::function<bool()> act;
    BoxLook source;
    BoxLook destination;
  };
  const Step steps[] = {
      {"nothing chosen yet", [] { return true; }, empty, empty},
      {"an internal volume as the source", [&] { return pick(1, "Data"); }, data, empty},
      {"the same volume as the destination", [&] { return pick(2, "Data"); }, data,
       {Holds::Volume, "Data", "ic_disk_main", true}},
      {"a stick as the destination", [&] { return pick(2, "USB Stick"); }, data, stick},
      {"a destination with no room",
       [&] {
         return world::writeKnob(d.world().layout(), world::knob::kFullVolumes, QStringList{"SD CARD"}) &&
                pick(2, "SD CARD");
       },
       data, {Holds::Volume, "SD CARD", "ic_usb_main", true}},
      {"the destination cleared", [&] { return d.click("closeDisk2"); }, data, empty},
      {"the startup volume as the source", [&] { return pick(1, "Macintosh HD"); },
       {Holds::Volume, "Macintosh HD", "ic_os_main_b"}, empty},
      {"the source cleared", [&] { return d.click("closeDisk1"); }, empty, empty},
      {"two items dropped on the source",
       [&] { return drop({"/Volumes/Data/Shared Docs", "/Volumes/Data/Movies/Trailer.mov"}); },
       {Holds::Dropped, "", "ic_folder", false, 2}, empty},
      {"the stick as the destination of the drop", [&] { return pick(2, "USB Stick"); },
       {Holds::Dropped, "", "ic_folder", false, 2}, stick},
      {"the destination's volume as the source", [&] { return pick(1, "USB Stick"); },
       {Holds::Volume, "USB Stick", "ic_usb_main", true}, stick},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(step.act());
    ASSERT_TRUE(ScreenDriver::settle());  // a check the screen runs on a worker has come back
    const auto [source, destination] = screen.shown(d.main());
    expectBox(d, 1, step.source, source, screen.droppedKey);
    expectBox(d, 2, step.destination, destination, screen.droppedKey);
  }
}

INSTANTIATE_TEST_SUITE_P(
    , BoxesOnAScreen,
    ::testing::Values(BoxScreenCase{"Copy", 0, "DISK_COPY_ADD_SOME_FILE",
                                    [](MainWindowController& m) {
                                      const copyscreen::CopyChoice& c = m.copyScreen()->choice();
                                      return std::pair{c.shownSource, c.shownDestination};
                                    }},
                      BoxScreenCase{"Image", 2, "MAKE_DMG_Drag",
                                    [](MainWindowController& m) {
                                      const dmg::Choice& c = m.imageScreen()->choice();
                                      return std::pair{c.shownSource(), c.shownDestination()};
                                    }}),
    [](const ::testing::TestParamInfo<BoxScreenCase>& info) { return std::string(info.param.what); });
