#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTest>
#include <functional>
#include <memory>

#include "support/Fades.h"
#include "uikit/PVPopover.h"

using namespace uikit;

TEST(PopoverFrame, PlacesTheWindowBesideTheAnchorForEachDirection) {
  const NSRect S = NSMakeRect(100, 100, 40, 20);
  const NSSize content{300, 200};  // window 324 x 224
  struct Case { int d; NSRect expected; } cases[] = {
      {1, NSMakeRect(140, -2, 324, 224)},        // right, centred vertically
      {2, NSMakeRect(100 - 324, -2, 324, 224)},  // left
      {3, NSMakeRect(120 - 162 + 10, 100 - 224, 324, 224)},  // below, 10 right of centre
      {4, NSMakeRect(120 - 162, 120, 324, 224)},             // above, centred
      {0, NSZeroRect},
      {7, NSZeroRect},
  };
  for (const auto& c : cases) EXPECT_EQ(popoverFrameWithSize(content, c.d, S), c.expected) << c.d;
}

TEST(PopoverDirection, PrefersThenOppositeThenRoomAboveOrBelow) {
  const NSRect screen = NSMakeRect(0, 0, 1000, 800);
  const NSSize content{200, 100};  // window 224 x 124
  struct Case {
    const char* what;
    int preferred;
    NSRect anchor;
    NSRect screen;
    int expected;
  } cases[] = {
      {"preferred fits", 1, NSMakeRect(400, 400, 40, 20), screen, 1},
      {"right edge: opposite", 1, NSMakeRect(900, 400, 40, 20), screen, 2},
      {"left edge: opposite", 2, NSMakeRect(50, 400, 40, 20), screen, 1},
      // Neither side fits (anchor as wide as the screen): more room below wins.
      {"more room below", 1, NSMakeRect(0, 500, 1000, 20), screen, 3},
      {"more room above", 1, NSMakeRect(0, 200, 1000, 20), screen, 4},
      // Nothing fits at all: the preferred one is used anyway.
      {"nothing fits", 2, NSMakeRect(0, 0, 1000, 800), screen, 2},
      {"below does not fit, above does", 3, NSMakeRect(400, 50, 40, 20), screen, 4},
      // A screen standing above another one (origin y 800): the anchor near its
      // bottom has more room above; judged on the screen's own height it would
      // go below and off the screen.
      {"screen not at 0", 1, NSMakeRect(0, 850, 1000, 20), NSMakeRect(0, 800, 1000, 800), 4},
      {"no screen", 1, NSMakeRect(400, 400, 40, 20), NSZeroRect, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(popoverArrowDirection(c.preferred, content, c.anchor, c.screen), c.expected) << c.what;
}

TEST(PopoverBody, ArrowSitsOnTheSideOfItsDirection) {
  const NSRect r = NSMakeRect(0, 0, 224, 124);
  // The arrow's tip reaches the frame's edge on its side; the body is inset 12.
  struct Case { int d; QPointF tip; } cases[] = {
      {1, {0.5, 62}}, {2, {223.5, 62}}, {3, {112, 123.5}}, {4, {112, 0.5}}};
  for (const auto& c : cases) {
    const QPainterPath p = popoverBezierPathWithRect(r, c.d);
    EXPECT_TRUE(p.contains(c.tip)) << c.d;
    // The opposite edge's middle is outside (the body stops 12 short of it).
    const QPointF far(r.w() - c.tip.x(), r.h() - c.tip.y());
    EXPECT_FALSE(p.contains(far)) << c.d;
  }
}

TEST(PopoverBody, OddBorderWidthsInsetThePathByHalfAPoint) {
  PVPopoverWindowFrame frame;
  frame.resize(224, 124);
  frame.setArrowDirection(1);  // the tip on the left edge of the frame view
  struct Case { double width; double tipX; } cases[] = {{1, 0.5}, {3, 0.5}, {0.5, 0}, {2, 0}, {0, 0}};
  for (const auto& c : cases) {
    frame.setBorderWidth(c.width);
    EXPECT_DOUBLE_EQ(frame.paintedPath().boundingRect().left(), c.tipX) << c.width;
  }
  // Neither the radius nor the arrow size can be changed.
  frame.setCornerRadius(30);
  frame.setArrowSize({40, 30});
  EXPECT_DOUBLE_EQ(frame.cornerRadius(), 12);
  EXPECT_EQ(frame.arrowSize(), (NSSize{23, 12}));
}

namespace {
bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 3000); }


struct Recorder : QObject, PVPopoverControllerDelegate {
  QStringList calls;
  bool allowClose = true;
  bool popoverShouldClose(PVPopoverController*) override { calls << "should"; return allowClose; }
  void popoverWillShow(PVPopoverController*) override { calls << "willShow"; }
  void popoverDidShow(PVPopoverController*) override { calls << "didShow"; }
  void popoverWillClose(PVPopoverController*) override { calls << "willClose"; }
  void popoverDidClose(PVPopoverController*) override { calls << "didClose"; }
};

class PopoverController : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.resize(600, 400);
    parent.move(100, 100);
    box = new QWidget(&parent);
    box->setGeometry(50, 150, 120, 60);
    parent.show();
    content = new QWidget;
    content->resize(200, 100);
    c = std::make_unique<PVPopoverController>(content);
    c->setAnimates(false);
    c->setDelegate(&rec);
    PVPopoverController::setApplicationActiveProbe([this] { return appActive; });
  }
  void TearDown() override {
    PVPopoverController::setApplicationActiveProbe(nullptr);
    c.reset();
    delete content;
  }
  void present(int dir = 1) {
    c->presentPopoverFromRect(NSMakeRect(0, 0, box->width(), box->height()), box, dir, true);
  }
  QWidget parent;
  QWidget* box = nullptr;
  QWidget* content = nullptr;
  Recorder rec;
  bool appActive = true;
  std::unique_ptr<PVPopoverController> c;
};
}  // namespace

TEST_F(PopoverController, ImmediateShowAndCloseKeepTheDelegateOrder) {
  present();
  ASSERT_TRUE(c->popoverIsVisible());
  EXPECT_EQ(c->popoverWindow()->size(), QSize(224, 124));
  EXPECT_EQ(c->contentView()->geometry(), QRect(12, 12, 200, 100));
  // Right of the box, vertically centred on it.
  const QPoint boxRight = box->mapToGlobal(QPoint(box->width(), 0));
  EXPECT_EQ(c->popoverWindow()->geometry().left(), boxRight.x());
  EXPECT_EQ(c->popoverWindow()->geometry().center().y(), box->mapToGlobal(box->rect().center()).y());
  present(2);  // ignored while visible
  EXPECT_EQ(c->arrowDirection(), 1u);
  c->closePopover();
  EXPECT_FALSE(c->popoverIsVisible());
  EXPECT_EQ(rec.calls, QStringList({"willShow", "didShow", "should", "willClose", "didClose"}));
  EXPECT_EQ(c->arrowDirection(), 0u);
  EXPECT_EQ(c->positionView(), nullptr);
}

TEST_F(PopoverController, CloseRules) {
  present();
  // Losing key because the application went to the background: stays open.
  appActive = false;
  c->closePopover(PVPopoverController::CloseReason::ResignKey);
  EXPECT_TRUE(c->popoverIsVisible());
  // Losing key to another window of the application: closes.
  appActive = true;
  rec.allowClose = false;
  c->closePopover(PVPopoverController::CloseReason::ResignKey);
  EXPECT_TRUE(c->popoverIsVisible()) << "the delegate may refuse";
  rec.allowClose = true;
  c->closePopover(PVPopoverController::CloseReason::ResignKey);
  EXPECT_FALSE(c->popoverIsVisible());
}

TEST_F(PopoverController, EscapeClosesUnlessTurnedOff) {
  c->setClosesWhenEscapeKeyPressed(false);
  present();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(c->popoverWindow(), &esc);
  EXPECT_TRUE(c->popoverIsVisible());
  c->setClosesWhenEscapeKeyPressed(true);
  QApplication::sendEvent(c->popoverWindow(), &esc);
  EXPECT_FALSE(c->popoverIsVisible());
}

TEST_F(PopoverController, FollowsTheAnchorAndClosesWhenItLeavesItsSuperview) {
  present();
  const QRect before = c->popoverWindow()->geometry();
  box->move(box->x() + 30, box->y() + 20);
  QApplication::processEvents();
  EXPECT_EQ(c->popoverWindow()->geometry(), before.translated(30, 20));
  EXPECT_EQ(c->arrowDirection(), 1u);
  box->move(560, 150);  // sticks out of the parent
  QApplication::processEvents();
  EXPECT_FALSE(c->popoverIsVisible());
}

TEST_F(PopoverController, TheParentStaysKeyWhileItsPopoverHasTheFocus) {
  parent.activateWindow();
  QApplication::processEvents();
  present();
  QApplication::processEvents();
  if (QApplication::activeWindow() != c->popoverWindow()) GTEST_SKIP() << "no window activation here";
  EXPECT_FALSE(parent.isActiveWindow());
  EXPECT_TRUE(PVPopoverParentWindow::isKeyWindow(&parent));
  appActive = false;
  EXPECT_FALSE(PVPopoverParentWindow::isKeyWindow(&parent));
  QWidget other;
  EXPECT_FALSE(PVPopoverParentWindow::isKeyWindow(&other));
}

TEST_F(PopoverController, OutlivesItsParentWindow) {
  auto* parent2 = new QWidget;
  parent2->resize(300, 200);
  auto* anchor = new QWidget(parent2);
  anchor->setGeometry(10, 10, 50, 20);
  parent2->show();
  c->presentPopoverFromRect(NSMakeRect(0, 0, 50, 20), anchor, 1, true);
  ASSERT_TRUE(c->popoverIsVisible());
  delete parent2;
  c->forceClosePopover();  // must not touch the gone parent
  EXPECT_FALSE(c->popoverIsVisible());
}

TEST_F(PopoverController, AnimatedShowEndsVisibleAndFadeOutResets) {
  c->setAnimates(true);
  c->setAnimationType(3);  // fade in, fade out
  present();
  EXPECT_TRUE(c->popoverIsVisible());
  ASSERT_TRUE(waitFor([&] { return rec.calls.contains("didShow"); }));
  EXPECT_EQ(rec.calls, QStringList({"willShow", "didShow"}));
  EXPECT_DOUBLE_EQ(c->popoverWindow()->windowOpacity(), 1.0);
  c->forceClosePopover();
  EXPECT_TRUE(c->popoverIsVisible()) << "fading out";
  c->closePopover();  // the box clicked again while it fades
  EXPECT_TRUE(waitFor([&] { return !c->popoverIsVisible(); }));
  EXPECT_EQ(rec.calls.count("willClose"), 1);
  EXPECT_EQ(rec.calls.count("didClose"), 1);
  EXPECT_EQ(rec.calls.last(), "didClose");
}

TEST_F(PopoverController, PopAnimationShowsTheWindowAtItsFrame) {
  c->setAnimates(true);
  c->setAnimationType(0);
  present();
  EXPECT_TRUE(c->popoverIsVisible()) << "the zoom window counts";
  EXPECT_NE(c->popoverWindow()->zoomWindow(), nullptr);
  ASSERT_TRUE(waitFor([&] { return rec.calls.contains("didShow"); }));
  EXPECT_TRUE(c->popoverWindow()->isVisible());
  EXPECT_EQ(c->popoverWindow()->zoomWindow(), nullptr);
  EXPECT_EQ(rec.calls, QStringList({"willShow", "didShow"}));
}

TEST_F(PopoverController, AnOwnerDoneWithItLetsItFadeBeforeItGoes) {
  struct Case { const char* what; bool animates; bool fades; } cases[] = {
      {"animated", true, true},
      {"not animated", false, false},
  };
  for (const auto& k : cases) {
    auto* owned = new PVPopoverController(content);
    owned->setAnimates(k.animates);
    owned->setAnimationType(3);
    owned->setDelegate(&rec);
    rec.calls.clear();
    owned->presentPopoverFromRect(NSMakeRect(0, 0, box->width(), box->height()), box, 1, true);
    ASSERT_TRUE(waitFor([&] { return rec.calls.contains("didShow"); })) << k.what;
    QPointer<PVPopoverController> controller(owned);
    QPointer<PVPopoverWindow> window(owned->popoverWindow());
    const QPoint inContent = content->geometry().center();
    EXPECT_EQ(window->childAt(inContent), content) << k.what;

    QElapsedTimer sinceClose;
    sinceClose.start();
    owned->closeAndDeleteLater();
    if (k.fades) {
      EXPECT_TRUE(window->isVisible()) << "still on screen, fading";
      EXPECT_EQ(window->childAt(inContent), nullptr) << "a fading popover takes no click";
      EXPECT_TRUE(fadesOut(window)) << "its opacity runs down to 0";
      EXPECT_FALSE(rec.calls.contains("didClose"));
    } else {
      EXPECT_FALSE(window->isVisible()) << "hidden at once";
    }
    EXPECT_TRUE(waitFor([&] { return controller.isNull(); })) << k.what;
    if (k.fades) EXPECT_GE(sinceClose.elapsed(), 200) << "kept for its quarter-second fade";
    EXPECT_TRUE(window.isNull()) << k.what;
    EXPECT_EQ(rec.calls.last(), "didClose") << k.what;
    EXPECT_EQ(content->parent(), nullptr) << "the content is handed back";
  }
}

TEST_F(PopoverController, ClosedWhileItsZoomOpensItStaysClosed) {
  // A choice made at once, while the opening zoom still runs: the zoom's end
  // must not show (and activate) the popover again.
  auto* kept = new PVPopoverController(content);
  kept->setAnimates(true);
  kept->setAnimationType(0);
  kept->setDelegate(&rec);
  rec.calls.clear();
  kept->presentPopoverFromRect(NSMakeRect(0, 0, box->width(), box->height()), box, 1, true);
  QPointer<QWidget> zoom(kept->popoverWindow()->zoomWindow());
  ASSERT_FALSE(zoom.isNull()) << "the opening zooms";
  struct ShowCounter : QObject {
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Show) ++shows;
      return false;
    }
  } counter;
  kept->popoverWindow()->installEventFilter(&counter);
  kept->forceClosePopover();
  ASSERT_TRUE(waitFor([&] { return zoom.isNull() && rec.calls.contains("didClose"); }));
  kept->popoverWindow()->removeEventFilter(&counter);
  EXPECT_EQ(counter.shows, 0) << "shown again after its close";
  EXPECT_FALSE(kept->popoverWindow()->isVisible());
  EXPECT_FALSE(kept->popoverIsVisible());
  EXPECT_NE(QApplication::activeWindow(), kept->popoverWindow());
  delete kept;
}

TEST_F(PopoverController, ItsCloseGivesTheActivationBackOnlyIfItHeldIt) {
  struct Case { const char* what; bool otherWindowOpens; } cases[] = {
      {"closed from itself: its window is active again", false},
      {"a window opened while it faded keeps the activation", true},
  };
  for (const auto& k : cases) {
    // The content is handed back when the popover closes; the test keeps it.
    const auto shown = std::make_unique<QWidget>();
    auto* fading = new PVPopoverController(shown.get());
    fading->setAnimates(true);
    fading->setAnimationType(3);
    rec.calls.clear();
    fading->setDelegate(&rec);
    fading->presentPopoverFromRect(NSMakeRect(0, 0, box->width(), box->height()), box, 1, true);
    ASSERT_TRUE(waitFor([&] { return rec.calls.contains("didShow"); })) << k.what;
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == fading->popoverWindow(); })) << k.what;
    fading->forceClosePopover();
    QWidget other;
    if (k.otherWindowOpens) {
      other.resize(200, 100);
      other.show();
      other.activateWindow();
      ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &other; })) << k.what;
    }
    ASSERT_TRUE(waitFor([&] { return rec.calls.contains("didClose"); })) << k.what;
    QWidget* expected = k.otherWindowOpens ? &other : static_cast<QWidget*>(&parent);
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == expected; })) << k.what;
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), expected) << k.what;
    delete fading;
  }
}
