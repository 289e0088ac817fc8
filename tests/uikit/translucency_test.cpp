#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <functional>
#include <memory>

#include "platform/Bundle.h"
#include "support/TestWorld.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Backgrounds.h"
#include "uikit/Layout.h"
#include "uikit/PVPopover.h"
#include "uikit/TCImageWindow.h"
#include "uikit/Translucency.h"

using namespace uikit;

namespace {
QWidget* viewOf(int w, int h) {
  auto* v = new QWidget;
  v->resize(w, h);
  return v;
}

class TranslucentWindows : public ::testing::Test {
 protected:
  void SetUp() override { platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE); }
  void TearDown() override { setDisplayCompositesForTesting(std::nullopt); }
};

// A see-through top-level window of each kind, shown; `corner` lies outside
// what it paints, `inside` within it.
struct Kind {
  const char* what;
  std::function<QWidget*()> make;
  QPoint corner;
  QPoint inside;
};

std::vector<Kind> kinds() {
  return {
      {"main window (rounded top corners)",
       [] {
         auto* w = new TCImageWindow;
         w->resize(400, 300);
         return w;
       },
       {1, 1}, {200, 150}},
      {"callout without a parent",
       [] { return NODEAttachedWindow::initWithView(viewOf(100, 40), {300, 300}, nullptr, SideAbove, 0); },
       {0, 0}, {52, 22}},
      {"pop-up base with a rounded panel",
       [] {
         auto* w = new PopBaseWindow;
         w->resize(200, 100);
         auto* bg = new PopBgView(w);
         bg->resize(w->size());
         return w;
       },
       {0, 0}, {100, 50}},
      {"popover",
       [] {
         auto* w = new PVPopoverWindow;
         w->setFrame(NSMakeRect(100, 100, 240, 160));
         w->frameView()->setArrowDirection(1);
         return w;
       },
       {0, 0}, {120, 80}},
  };
}
}  // namespace

TEST_F(TranslucentWindows, WithoutACompositorTheyAreOpaqueAndCutToTheirShape) {
  setDisplayCompositesForTesting(false);
  for (const Kind& k : kinds()) {
    std::unique_ptr<QWidget> w(k.make());
    w->show();
    EXPECT_FALSE(w->testAttribute(Qt::WA_TranslucentBackground)) << k.what << ": would show black";
    EXPECT_TRUE(waitUntil([&] { return !w->mask().isEmpty(); }, 5000)) << k.what;
    EXPECT_FALSE(w->mask().contains(k.corner)) << k.what << ": the corner is cut";
    EXPECT_TRUE(w->mask().contains(k.inside)) << k.what;
  }
}

TEST_F(TranslucentWindows, WithACompositorTheyAreTranslucentAndWhole) {
  setDisplayCompositesForTesting(true);
  for (const Kind& k : kinds()) {
    std::unique_ptr<QWidget> w(k.make());
    w->show();
    QApplication::processEvents();
    EXPECT_TRUE(w->testAttribute(Qt::WA_TranslucentBackground)) << k.what;
    EXPECT_TRUE(w->mask().isEmpty()) << k.what;
  }
}

TEST_F(TranslucentWindows, TheCutFollowsASizeAndAnAttachmentToAParent) {
  setDisplayCompositesForTesting(false);
  // A popover grown keeps its corners cut at the new size.
  PVPopoverWindow pop;
  pop.setFrame(NSMakeRect(100, 100, 240, 160));
  pop.show();
  pop.setFrame(NSMakeRect(100, 100, 400, 300));
  EXPECT_TRUE(waitUntil([&] { return pop.mask().contains(QPoint(200, 150)); }, 5000));
  EXPECT_FALSE(pop.mask().contains(QPoint(399, 299)));

  // A callout made on the screen and then attached to a window is a part of
  // that window: nothing to cut, the window shows through.
  TCImageWindow main;
  main.resize(kMainWindowSize);
  main.show();
  QPointer<NODEAttachedWindow> w = NODEAttachedWindow::initWithView(viewOf(100, 40), {300, 300}, nullptr, SideAbove, 0);
  w->addToParentWindow();
  ASSERT_FALSE(w->mask().isEmpty());
  w->addToParentWindow(&main);
  EXPECT_FALSE(w->isWindow());
  EXPECT_TRUE(w->mask().isEmpty());
  EXPECT_TRUE(w->testAttribute(Qt::WA_TranslucentBackground));
}

TEST_F(TranslucentWindows, ThePaintedRegionIsWhatThePaintCovers) {
  PopBaseWindow w;
  w.resize(100, 60);
  auto* bg = new PopBgView(&w);  // radius 4, inset by half a point
  bg->resize(w.size());
  const QRegion r = paintedRegion(&w);
  EXPECT_FALSE(r.contains(QPoint(0, 0)));
  EXPECT_FALSE(r.contains(QPoint(99, 59)));
  EXPECT_TRUE(r.contains(QPoint(50, 1)));
  EXPECT_TRUE(r.contains(QPoint(50, 30)));
  PopBaseWindow empty;
  empty.resize(100, 60);
  EXPECT_TRUE(paintedRegion(&empty).isEmpty()) << "nothing painted, nothing shown";
}
