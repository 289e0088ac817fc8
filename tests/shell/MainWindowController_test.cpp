#include "shell/MainWindowController.h"

#include "shell/MainWindowLayout.h"

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "support/TestWorld.h"

using uikit::frameOf;
using uikit::NSMakeRect;
using uikit::NSRect;

namespace {

// Screens that record what the main window sends them.
struct Calls {
  int chengeTabCloseNode = 0;
  int closeErrorWindow = 0;
  int loadData = 0;
  int normalSelectCell = 0;
  int normalSelectCellWhileAnimating = 0;
};

class RecordingCopy : public DiskCopyViewController {
 public:
  explicit RecordingCopy(Calls* c) : calls(c) {}
  void chengeTabCloseNode() override { ++calls->chengeTabCloseNode; }
  void closeErrorWindow() override { ++calls->closeErrorWindow; }
  Calls* calls;
};
class RecordingImage : public DmgViewController {
 public:
  explicit RecordingImage(Calls* c) : calls(c) {}
  void closeErrorWindow() override { ++calls->closeErrorWindow; }
  Calls* calls;
};
class RecordingClone : public SelectDrivceViewController {
 public:
  explicit RecordingClone(Calls* c) : calls(c) {}
  void closeErrorWindow() override { ++calls->closeErrorWindow; }
  Calls* calls;
};
class RecordingDiskTool : public RepairDiskViewController {
 public:
  RecordingDiskTool(Calls* c, MainWindowController** owner) : calls(c), owner(owner) {}
  void loadData() override { ++calls->loadData; }
  void normalSelectCell() override {
    ++calls->normalSelectCell;
    if (*owner && (*owner)->isAnimating()) ++calls->normalSelectCellWhileAnimating;
  }
  Calls* calls;
  MainWindowController** owner;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainWindowScreens screens;
    screens.diskCopy = [this] { return new RecordingCopy(&copy); };
    screens.dmg = [this] { return new RecordingImage(&image); };
    screens.bootable = [this] { return new RecordingClone(&clone); };
    screens.repairDisk = [this] { return new RecordingDiskTool(&disk, &controller); };
    owned = std::make_unique<MainWindowController>(screens);
    controller = owned.get();
    controller->window();
  }

  void choose(int tab) {
    switch (tab) {
      case 0: controller->TopCloneButtonAction(); break;
      case 1: controller->BootableButtonAction(); break;
      case 2: controller->TopDmgButtonAction(); break;
      case 3: controller->installerButtonAction(); break;
      case 4: controller->TopDiskToolButtonAction(); break;
    }
  }
  void settle() { ASSERT_TRUE(QTest::qWaitFor([this] { return !controller->isAnimating(); }, 3000)); }

  struct Snapshot {
    QList<NSRect> buttons;
    QList<bool> buttonHidden, containerHidden;
    NSRect panel;
    bool operator==(const Snapshot&) const = default;
  };
  Snapshot snapshot() const {
    Snapshot s;
    for (int k = 0; k < 5; ++k) {
      s.buttons << frameOf(controller->tabButton(k));
      s.buttonHidden << controller->tabButton(k)->isHidden();
      s.containerHidden << controller->container(k)->isHidden();
    }
    s.panel = frameOf(controller->panel());
    return s;
  }

  Calls copy, image, clone, disk;
  std::unique_ptr<MainWindowController> owned;
  MainWindowController* controller = nullptr;
};

TEST_F(MainWindowTest, StartsOnTheCopyTabWithEveryScreenInItsContainer) {
  EXPECT_TRUE(controller->tabsUnlocked());
  EXPECT_TRUE(controller->tabButton(0)->isHidden());
  EXPECT_TRUE(controller->tabButton(0)->buttonAction());
  EXPECT_FALSE(controller->container(0)->isHidden());
  for (int k = 1; k < 5; ++k) EXPECT_TRUE(controller->container(k)->isHidden()) << k;
  EXPECT_EQ(frameOf(controller->panel()), NSMakeRect(20, 492, 240, 136));
  EXPECT_EQ(controller->seleViewYValue(), 492);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(controller->tabButton(k)->window(), controller->window()) << k;
    EXPECT_EQ(controller->container(k)->parentWidget(), controller->window()->contentView()) << k;
  }
  EXPECT_EQ(controller->window()->contentView()->height(), 652);
  EXPECT_EQ(controller->copyScreen()->parentWidget(), controller->container(0));
  EXPECT_EQ(controller->cloneScreen()->parentWidget(), controller->container(1));
  EXPECT_EQ(controller->imageScreen()->parentWidget(), controller->container(2));
  EXPECT_EQ(controller->installerScreen()->parentWidget(), controller->container(3));
  EXPECT_EQ(controller->diskToolScreen()->parentWidget(), controller->container(4));
  EXPECT_EQ(controller->copyScreen()->delegate(), static_cast<DiskCopyVCDelegate*>(controller));
  EXPECT_EQ(controller->installerScreen()->delegate(), static_cast<InstallerVCDelegate*>(controller));
  // The colour the tab labels are drawn in, not only the one they were given.
  for (int k = 0; k < 5; ++k) {
    const QLabel* label = controller->tabButton(k)->label();
    EXPECT_EQ(label->palette().color(label->foregroundRole()), QColor(99, 100, 104)) << k;
  }
  EXPECT_EQ(controller->title()->text(), "Quorvan Disk Clone");
  EXPECT_EQ(frameOf(controller->title()), NSMakeRect(420, 14, 300, 20));
}

TEST_F(MainWindowTest, EachTabMovesButtonsAndPanelByThePositionTable) {
  const int expected[5][6] = {
      // panel y, then buttons 0..4 (-1: hidden, not moved)
      {492, -1, 440, 384, 328, 272},
      {436, 592, -1, 384, 328, 272},
      {380, 592, 536, -1, 328, 272},
      {324, 592, 536, 480, -1, 272},
      {266, 592, 536, 480, 424, -1},
  };
  for (int tab : {1, 2, 3, 4, 0, 3}) {
    choose(tab);
    settle();
    EXPECT_EQ(controller->selectedTab(), tab);
    EXPECT_EQ(frameOf(controller->panel()), NSMakeRect(20, expected[tab][0], 230, 136)) << tab;
    EXPECT_EQ(controller->panel()->selectTag(), tab);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(controller->tabButton(k)->isHidden(), k == tab) << tab << " " << k;
      EXPECT_EQ(controller->tabButton(k)->buttonAction(), k == tab) << tab << " " << k;
      EXPECT_EQ(controller->container(k)->isHidden(), k != tab) << tab << " " << k;
      if (k != tab) EXPECT_EQ(frameOf(controller->tabButton(k)).y(), expected[tab][k + 1]) << tab << " " << k;
      EXPECT_EQ(frameOf(controller->tabButton(k)).x(), 20);
    }
  }
  // Tabs 1, 2, 3, 4, 3 closed the copy screen's popover; tab 0 did not.
  EXPECT_EQ(copy.chengeTabCloseNode, 5);
}

TEST_F(MainWindowTest, PanelIsCreatedWideAndNarrowsAtTheFirstSwitch) {
  EXPECT_EQ(frameOf(controller->panel()).w(), 240);
  choose(2);
  settle();
  EXPECT_EQ(frameOf(controller->panel()).w(), 230);
}

TEST_F(MainWindowTest, TheDiskManagerIsToldAfterThePanelHasArrived) {
  choose(4);
  EXPECT_TRUE(controller->isAnimating());
  EXPECT_EQ(disk.normalSelectCell, 0);
  settle();
  EXPECT_EQ(disk.normalSelectCell, 1);
  EXPECT_EQ(disk.normalSelectCellWhileAnimating, 0);
  choose(1);
  settle();
  EXPECT_EQ(disk.normalSelectCell, 1) << "only the disk-manager tab selects its first row";
}

// Loading the lists waits for the window's first paint, so that no screen's
// results are applied before it, and happens once.
TEST_F(MainWindowTest, TheScreensLoadAfterTheFirstPaintOnce) {
  QApplication::processEvents();
  EXPECT_EQ(disk.loadData, 0);
  EXPECT_FALSE(controller->screensLoading());
  bool painted = false;
  struct PaintSeen : QObject {
    bool* seen;
    explicit PaintSeen(bool* s) : seen(s) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) *seen = true;
      return false;
    }
  } watcher(&painted);
  controller->window()->installEventFilter(&watcher);
  controller->window()->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return controller->screensLoading(); }, 5000));
  EXPECT_TRUE(painted);
  EXPECT_EQ(disk.loadData, 1);
  // Later paints, and a paint after the window is shown again, post no second load.
  painted = false;
  controller->window()->repaint();
  controller->window()->hide();
  controller->window()->show();
  controller->window()->update();
  ASSERT_TRUE(QTest::qWaitFor([&] { return painted; }, 5000));
  QCoreApplication::processEvents();  // what a paint posts has run
  EXPECT_EQ(disk.loadData, 1);
}

TEST_F(MainWindowTest, ALockedSidebarIgnoresClicks) {
  controller->copyScreen()->canChangeTab(false);  // a copy starts
  EXPECT_FALSE(controller->tabsUnlocked());
  const Snapshot before = snapshot();
  for (int tab = 0; tab < 5; ++tab) choose(tab);
  EXPECT_FALSE(controller->isAnimating());
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(copy.chengeTabCloseNode, 0);
  EXPECT_EQ(controller->selectedTab(), 0);

  // A flag, not a counter: the last message wins.
  controller->imageScreen()->canChangeTab(false);
  controller->cloneScreen()->canChangeTab(true);
  EXPECT_TRUE(controller->tabsUnlocked());
  choose(3);
  settle();
  EXPECT_EQ(controller->selectedTab(), 3);
  controller->installerScreen()->canChangeTab(false);
  choose(1);
  EXPECT_EQ(controller->selectedTab(), 3);
}

TEST_F(MainWindowTest, ClicksWhileThePanelMovesAreHandledAfterIt) {
  controller->window()->show();
  QTest::mouseClick(controller->tabButton(2), Qt::LeftButton);
  ASSERT_TRUE(controller->isAnimating());
  QTest::mouseClick(controller->tabButton(4), Qt::LeftButton);
  QTest::mouseClick(controller->tabButton(1), Qt::LeftButton);
  EXPECT_EQ(controller->selectedTab(), 2) << "held back while the panel moves";
  EXPECT_EQ(copy.chengeTabCloseNode, 1);
  settle();
  EXPECT_EQ(controller->selectedTab(), 1) << "the last click wins at the end";
  EXPECT_EQ(copy.chengeTabCloseNode, 3);
  EXPECT_EQ(disk.normalSelectCell, 1) << "the first held click showed the disk manager on the way";
  EXPECT_EQ(disk.normalSelectCellWhileAnimating, 0);
  EXPECT_EQ(frameOf(controller->panel()), NSMakeRect(20, 436, 230, 136));
  const double expectedY[5] = {592, -1, 384, 328, 272};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(controller->tabButton(k)->isHidden(), k == 1) << k;
    EXPECT_EQ(controller->container(k)->isHidden(), k != 1) << k;
    if (expectedY[k] >= 0) EXPECT_EQ(frameOf(controller->tabButton(k)).y(), expectedY[k]) << k;
  }
}

TEST_F(MainWindowTest, ATabAboveFourReplaysThePanelWhereItIs) {
  choose(3);
  settle();
  const Snapshot before = snapshot();
  controller->setTabTage(7);
  EXPECT_TRUE(controller->isAnimating());
  settle();
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(controller->panel()->selectTag(), 3);

  const QString name = controller->panel()->name()->text();
  controller->panel()->setSelectTag(5);
  EXPECT_EQ(controller->panel()->selectTag(), 3);
  EXPECT_EQ(controller->panel()->name()->text(), name);
}

TEST_F(MainWindowTest, AClickIntoTheWindowClosesTheErrorCalloutsOfThreeScreens) {
  TCImageWindow* window = controller->window();
  window->show();
  // The copy screen's empty area and the sidebar's background take no click:
  // it reaches the window.
  QTest::mouseClick(controller->copyScreen(), Qt::LeftButton, {}, QPoint(400, 300));
  EXPECT_EQ(copy.closeErrorWindow, 1);
  EXPECT_EQ(image.closeErrorWindow, 1);
  EXPECT_EQ(clone.closeErrorWindow, 1);
  QWidget* content = window->contentView();
  QTest::mouseClick(content, Qt::LeftButton, {}, uikit::toQt(uikit::NSPoint{140, 100}, content->height()).toPoint());
  EXPECT_EQ(copy.closeErrorWindow, 2);

  // A click that a button takes does not.
  QTest::mouseClick(controller->tabButton(3), Qt::LeftButton);
  settle();
  EXPECT_EQ(copy.closeErrorWindow, 2);
  EXPECT_EQ(image.closeErrorWindow, 2);
  EXPECT_EQ(clone.closeErrorWindow, 2);
}

TEST_F(MainWindowTest, TheWindowMovesByItsBackgroundAndOnlyTheLeftButtonClosesCallouts) {
  TCImageWindow* window = controller->window();
  window->show();
  QWidget* screen = controller->copyScreen();
  const QPoint at(400, 300), by(40, 25);
  struct Case {
    const char* what;
    Qt::MouseButton button;
    bool moves;
    int closes;
  } cases[] = {
      {"left button", Qt::LeftButton, true, 1},
      {"right button", Qt::RightButton, false, 0},
  };
  for (const Case& c : cases) {
    copy.closeErrorWindow = 0;
    const QPoint before = window->pos();
    QTest::mousePress(screen, c.button, {}, at);
    QTest::mouseMove(screen, at + by);
    QTest::mouseRelease(screen, c.button, {}, at + by);
    if (c.moves)
      EXPECT_TRUE(waitUntil([&] { return window->pos() == before + by; }, 2000)) << c.what;
    else
      EXPECT_EQ(window->pos(), before) << c.what;
    EXPECT_EQ(copy.closeErrorWindow, c.closes) << c.what;
  }
}

TEST_F(MainWindowTest, TheClickReachesTheTabThroughItsButton) {
  controller->window()->show();
  QTest::mouseClick(controller->tabButton(2), Qt::LeftButton);
  settle();
  EXPECT_EQ(controller->selectedTab(), 2);
  controller->tabButton(4)->setButtonEnabled(false);
  QTest::mouseClick(controller->tabButton(4), Qt::LeftButton);
  EXPECT_FALSE(controller->isAnimating());
  EXPECT_EQ(controller->selectedTab(), 2) << "a button whose own flag is off ignores the click";
}

}  // namespace
