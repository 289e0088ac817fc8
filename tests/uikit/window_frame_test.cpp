#include <gtest/gtest.h>

#include <QApplication>
#include <functional>
#include <memory>
#include <optional>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "DarkDesktop.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "support/TestWorld.h"
#include "support/WindowSystem.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Backgrounds.h"
#include "uikit/Layout.h"
#include "uikit/PVPopover.h"
#include "uikit/TCImageWindow.h"
#include "uikit/TCWindowButton.h"

using namespace uikit;

TEST(TrafficLights, LayoutInTheBar) {
  const NSRect bar48 = NSMakeRect(0, 0, 1140, 48);
  struct Case {
    const char* what;
    NSRect container;
    double moveUp;
    bool centered;
    bool vertical;
    NSRect close, minimize, zoom;
  } cases[] = {
      {"centred in 48", bar48, 0, true, false, NSMakeRect(16, 18, 12, 12), NSMakeRect(36, 18, 12, 12),
       NSMakeRect(56, 18, 12, 12)},
      {"3 lower with -3", bar48, -3, true, false, NSMakeRect(16, 15, 12, 12), NSMakeRect(36, 15, 12, 12),
       NSMakeRect(56, 15, 12, 12)},
      {"top margin when not centred", NSMakeRect(0, 652, 1140, 48), 0, false, false,
       NSMakeRect(16, 652 + 48 - 12 - 3, 12, 12), NSMakeRect(36, 685, 12, 12), NSMakeRect(56, 685, 12, 12)},
      // Stacked: total 36 + 2 * 6 = 48, the offset does not apply.
      {"vertical", bar48, -3, true, true, NSMakeRect(16, 36, 12, 12), NSMakeRect(16, 18, 12, 12),
       NSMakeRect(16, 0, 12, 12)},
  };
  for (const auto& c : cases) {
    TrafficLightInput in;
    in.container = c.container;
    in.close = in.minimize = in.zoom = {12, 12};
    in.leftMargin = 16;
    in.separation = 8;
    in.moveUp = c.moveUp;
    in.centered = c.centered;
    in.vertical = c.vertical;
    const TrafficLightFrames f = layoutTrafficLights(in);
    EXPECT_EQ(f.close, c.close) << c.what;
    EXPECT_EQ(f.minimize, c.minimize) << c.what;
    EXPECT_EQ(f.zoom, c.zoom) << c.what;
  }
}

TEST(FullScreenButton, LayoutAtTheRightEnd) {
  const NSRect bar48 = NSMakeRect(0, 652, 1140, 48);
  struct Case {
    const char* what;
    NSRect button;
    double rightMargin;
    bool marginSet, centered;
    NSRect frame;
    double keptMargin;
  } cases[] = {
      // Never set: the margin is where the button stands, 20 from the right.
      {"margin taken from its place", NSMakeRect(1100, 0, 20, 14), 0, false, false,
       NSMakeRect(1100, 652 + 48 - 14 - 3, 20, 14), 20},
      {"centred", NSMakeRect(1100, 0, 20, 14), 0, false, true, NSMakeRect(1100, 669, 20, 14), 20},
      {"a set margin wins over its place", NSMakeRect(0, 0, 20, 14), 10, true, false,
       NSMakeRect(1110, 683, 20, 14), 10},
  };
  for (const auto& c : cases) {
    FullScreenButtonInput in;
    in.container = bar48;
    in.button = c.button;
    in.rightMargin = c.rightMargin;
    in.rightMarginSet = c.marginSet;
    in.centered = c.centered;
    in.topMargin = 3;
    const FullScreenButtonLayout l = layoutFullScreenButton(in);
    EXPECT_EQ(l.frame, c.frame) << c.what;
    EXPECT_EQ(l.rightMargin, c.keptMargin) << c.what;
  }
}

namespace {
struct Delegate : QObject, TCImageWindowDelegate {
  int downs = 0;
  void tcimageWindowBecomeKeyWindow() override { ++downs; }
};

class WindowFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
    w.resize(kMainWindowSize);
    w.setContentView(new QWidget);
    w.show();
  }
  // A control that takes presses and a label that takes none, in the content.
  std::pair<QPushButton*, QLabel*> addButtonAndLabel() {
    auto* button = new QPushButton("x", w.contentView());
    button->setGeometry(100, 100, 80, 30);
    button->show();
    auto* label = new QLabel("label", w.contentView());
    label->setGeometry(300, 100, 80, 30);
    label->show();
    return {button, label};
  }
  TCImageWindow w;
};
}  // namespace

TEST_F(WindowFrame, MainWindowBarAndButtons) {
  w.setTitleBarHeight(kMainTitleBarHeight);
  w.setTrafficLightButtonsLeftMargin(kMainButtonsLeftMargin);
  w.setTopButtonMoveUp(kMainButtonsMoveUp);
  auto* close = w.standardWindowButton(TCImageWindow::CloseButton);
  // The offset is stored only; the buttons move at the next layout.
  EXPECT_EQ(close->geometry(), QRect(16, 18, 12, 12));
  w.layoutTrafficLightsAndContent();
  EXPECT_EQ(close->geometry(), QRect(16, 21, 12, 12));
  EXPECT_EQ(w.standardWindowButton(TCImageWindow::MinimizeButton)->geometry(), QRect(36, 21, 12, 12));
  EXPECT_EQ(w.standardWindowButton(TCImageWindow::ZoomButton)->geometry(), QRect(56, 21, 12, 12));
  EXPECT_EQ(w.titleBarContainer()->geometry(), QRect(0, 0, 1140, 48));
  EXPECT_EQ(w.contentView()->geometry(), QRect(0, 48, 1140, 652));
  EXPECT_EQ(w.willPositionSheet(NSMakeRect(10, 0, 300, 200)).y(), 652);

  // The same height lays nothing out: a button and the content put aside stay aside.
  close->move(200, 200);
  w.contentView()->move(0, 300);
  w.setTitleBarHeight(48);
  EXPECT_EQ(close->pos(), QPoint(200, 200)) << "the same height lays nothing out";
  EXPECT_EQ(w.contentView()->pos(), QPoint(0, 300));
  w.setTitleBarHeight(38);
  EXPECT_EQ(close->geometry(), QRect(16, 16, 12, 12)) << "a new height lays out";
  EXPECT_EQ(w.contentView()->geometry(), QRect(0, 38, 1140, 662));
  w.setTitleBarHeight(48);
  w.resize(1200, 760);
  EXPECT_EQ(close->geometry(), QRect(16, 21, 12, 12)) << "the bar stays at the top";
  EXPECT_EQ(w.contentView()->geometry(), QRect(0, 48, 1200, 712));
}

TEST_F(WindowFrame, TheBarIsWhiteWithRoundedTopCornersAndButtonsAreDrawn) {
  w.setTitleBarHeight(48);
  w.setTrafficLightButtonsLeftMargin(16);
  const QImage img = w.grab().toImage();
  EXPECT_EQ(img.pixelColor(2, 2).alpha(), 0) << "the rounded corner is clear";
  EXPECT_EQ(img.pixelColor(600, 10), QColor(Qt::white));
  EXPECT_EQ(img.pixelColor(2, 300), QColor(Qt::white));
  // The close button's circle has colour in its centre.
  const QColor c = img.pixelColor(22, 24);
  EXPECT_NE(c, QColor(Qt::white));
  EXPECT_GT(c.alpha(), 200);
}

TEST_F(WindowFrame, APressNoViewTookReachesTheDelegate) {
  Delegate d;
  w.setDelegate(&d);
  auto [button, label] = addButtonAndLabel();
  // Qt delivers to the widget under the pointer; a widget that ignores the
  // press hands it to its parent, as AppKit hands mouse-downs up the chain.
  auto pressAt = [&](QPoint p) {
    QWidget* target = w.childAt(p);
    if (!target) target = &w;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&w, p));
  };
  pressAt(button->mapTo(&w, button->rect().center()));
  EXPECT_EQ(d.downs, 0);
  pressAt({600, 400});  // plain background
  EXPECT_EQ(d.downs, 1);
  pressAt(label->mapTo(&w, label->rect().center()));  // a label takes no clicks
  EXPECT_EQ(d.downs, 2);
  pressAt({600, 20});  // the title bar
  EXPECT_EQ(d.downs, 3);
}

namespace {
// A press at `at` (window coordinates), a move by `by` with the button held and
// the release, delivered as Qt does: to the widget under the pointer, handed up
// to its parents while ignored, the move and release to the pressed widget.
void dragOnWindow(QWidget* window, QPoint at, Qt::MouseButton button, QPoint by) {
  QWidget* target = window->childAt(at);
  if (!target) target = window;
  const QPoint local = target->mapFrom(window, at);
  QTest::mousePress(target, button, {}, local);
  QTest::mouseMove(target, local + by);
  QTest::mouseRelease(target, button, {}, local + by);
}
}  // namespace

TEST_F(WindowFrame, TheWindowMovesByItsBackgroundWithTheLeftButton) {
  Delegate d;
  w.setDelegate(&d);
  w.setTitleBarHeight(kMainTitleBarHeight);
  auto [button, label] = addButtonAndLabel();
  const QPoint onButton = button->mapTo(&w, button->rect().center());
  const QPoint onLabel = label->mapTo(&w, label->rect().center());
  const QPoint by(30, 20);
  struct Case {
    const char* what;
    QPoint at;
    Qt::MouseButton button;
    bool moves;
    int notices;
  } cases[] = {
      {"background", {600, 400}, Qt::LeftButton, true, 1},
      {"title bar", {600, 20}, Qt::LeftButton, true, 1},
      {"a label, which takes no clicks", onLabel, Qt::LeftButton, true, 1},
      {"a button", onButton, Qt::LeftButton, false, 0},
      {"background, right button", {600, 400}, Qt::RightButton, false, 0},
      {"title bar, right button", {600, 20}, Qt::RightButton, false, 0},
  };
  for (const auto& c : cases) {
    d.downs = 0;
    const QPoint before = w.pos();
    dragOnWindow(&w, c.at, c.button, by);
    if (c.moves)
      EXPECT_TRUE(waitUntil([&] { return w.pos() == before + by; }, 2000)) << c.what;
    else
      EXPECT_EQ(w.pos(), before) << c.what;
    EXPECT_EQ(d.downs, c.notices) << c.what;
  }
  // A move with no button held after a release drags nothing.
  const QPoint before = w.pos();
  QTest::mouseMove(w.contentView(), {500, 300});
  EXPECT_EQ(w.pos(), before);
}

TEST(PopBaseWindow, MovesByItsBackgroundWithTheLeftButton) {
  PopBaseWindow pop;
  pop.resize(300, 200);
  auto* button = new QPushButton("x", &pop);
  button->setGeometry(10, 10, 80, 30);
  pop.show();
  const QPoint by(-25, 40);
  struct Case {
    const char* what;
    QPoint at;
    Qt::MouseButton button;
    bool moves;
  } cases[] = {
      {"background", {200, 150}, Qt::LeftButton, true},
      {"a button", {50, 25}, Qt::LeftButton, false},
      {"background, right button", {200, 150}, Qt::RightButton, false},
  };
  for (const auto& c : cases) {
    const QPoint before = pop.pos();
    dragOnWindow(&pop, c.at, c.button, by);
    if (c.moves)
      EXPECT_TRUE(waitUntil([&] { return pop.pos() == before + by; }, 2000)) << c.what;
    else
      EXPECT_EQ(pop.pos(), before) << c.what;
  }
}

TEST_F(WindowFrame, DoubleClickOnTheBarMiniaturizesOnlyWhenTheDefaultSaysSo) {
  QTest::mouseDClick(w.titleBarContainer(), Qt::LeftButton, {}, QPoint(500, 20));
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(WindowFrame, TitleIsDrawnOnlyWhenAsked) {
  w.setTitleBarHeight(38);
  w.setTitle(QString(40, QChar(0x2588)));  // full blocks: plenty of ink
  auto inkInBar = [&] {
    const QImage img = w.grab(QRect(0, 0, w.width(), 38)).toImage();
    int dark = 0;
    for (int x = 100; x < img.width() - 100; ++x)
      for (int y = 0; y < 38; ++y) dark += img.pixelColor(x, y).lightness() < 200;
    return dark;
  };
  EXPECT_EQ(inkInBar(), 0);
  w.setShowsTitle(true);
  EXPECT_GT(inkInBar(), 50);
  // A new title keeps one title, redrawn.
  w.setTitle("A");
  EXPECT_LT(inkInBar(), 200);
}

TEST_F(WindowFrame, CustomButtonsReplaceTheStandardOnes) {
  auto* mine = new TCWindowButton(QSize(14, 14), "test.group");
  w.setTitleBarHeight(48);
  w.setTrafficLightButtonsLeftMargin(16);
  w.setCloseButton(mine);
  EXPECT_FALSE(w.standardWindowButton(TCImageWindow::CloseButton)->isVisible());
  EXPECT_EQ(mine->geometry(), QRect(16, 17, 14, 14));
  // The minimize button follows the wider close button.
  EXPECT_EQ(w.standardWindowButton(TCImageWindow::MinimizeButton)->x(), 16 + 14 + 8);
}

TEST_F(WindowFrame, FullScreenButtonKeepsItsDistanceFromTheRightEdge) {
  w.setTitleBarHeight(48);
  auto* fs = new TCWindowButton(QSize(14, 14), "test.group");
  fs->move(kMainWindowSize.width() - 14 - 16, 0);
  w.setFullScreenButton(fs);
  EXPECT_EQ(w.fullScreenButton(), fs);
  EXPECT_EQ(w.fullScreenButtonRightMargin(), 16);
  EXPECT_EQ(fs->geometry(), QRect(kMainWindowSize.width() - 30, 3, 14, 14));
  w.resize(kMainWindowSize.width() + 200, kMainWindowSize.height());
  EXPECT_EQ(fs->geometry(), QRect(kMainWindowSize.width() + 200 - 30, 3, 14, 14));
  w.setCenterFullScreenButton(true);
  EXPECT_EQ(fs->geometry().y(), 17);
  // A click asks for full screen and a second one ends it.
  fs->click();
  EXPECT_TRUE(w.windowState() & Qt::WindowFullScreen);
  fs->click();
  EXPECT_FALSE(w.windowState() & Qt::WindowFullScreen);
}

TEST(WindowButtonGroup, CapturesAndNotification) {
  TCWindowButtonGroup* g = TCWindowButtonGroup::groupWithIdentifier("");
  EXPECT_EQ(g, TCWindowButtonGroup::groupWithIdentifier(TCWindowButtonGroup::defaultIdentifier()));
  QObject owner;
  QList<QObject*> posted;
  platform::NotificationCenter::defaultCenter().addObserver(
      &owner, TCWindowButtonGroup::kRolloverNotification,
      [&](const QVariant& object) { posted.append(object.value<QObject*>()); });
  g->resetMouseCaptures();
  // Counting captures posts nothing; only a stored new count does.
  struct Step {
    const char* what;
    std::function<void()> act;
    qint64 captures;
    bool rollover;
    int posts;
  } steps[] = {
      {"capture", [&] { g->didCaptureMousePointer(); }, 1, true, 0},
      {"release", [&] { g->didReleaseMousePointer(); }, 0, false, 0},
      {"negative count", [&] { g->setNumberOfCaptures(-1); }, 0, false, 0},
      {"unchanged count", [&] { g->setNumberOfCaptures(0); }, 0, false, 0},
      {"new count", [&] { g->setNumberOfCaptures(2); }, 2, true, 1},
      {"reset", [&] { g->resetMouseCaptures(); }, 0, false, 0},
  };
  for (const auto& step : steps) {
    posted.clear();
    step.act();
    EXPECT_EQ(g->numberOfCaptures(), step.captures) << step.what;
    EXPECT_EQ(g->shouldDisplayRollOver(), step.rollover) << step.what;
    ASSERT_EQ(posted.size(), step.posts) << step.what;
    for (QObject* object : posted) EXPECT_EQ(object, g) << step.what << ": the group is the object";
  }
}

TEST_F(WindowFrame, APanelStaysAboveTheButtonsAfterEveryRelayout) {
  w.setTitleBarHeight(kMainTitleBarHeight);
  auto* view = new QWidget;
  view->resize(w.size());
  StatusAttachedWindow* panel = showPanel(&w, view);
  ASSERT_NE(panel, nullptr);
  auto* close = w.standardWindowButton(TCImageWindow::CloseButton);
  const QPoint closeCentre = close->geometry().center();
  auto onPanel = [&] {
    QWidget* hit = w.childAt(closeCentre);
    return hit && (hit == panel || panel->isAncestorOf(hit));
  };
  EXPECT_TRUE(onPanel()) << "shown";
  struct Step { const char* what; std::function<void()> act; } steps[] = {
      {"move", [&] { w.move(w.pos() + QPoint(30, 20)); }},
      {"resize", [&] { w.resize(w.width() + 10, w.height()); }},
      {"layout", [&] { w.layoutTrafficLightsAndContent(); }},
      {"activation", [&] { QEvent e(QEvent::ActivationChange); QApplication::sendEvent(&w, &e); }},
  };
  for (const auto& step : steps) {
    step.act();
    QApplication::processEvents();
    EXPECT_TRUE(onPanel()) << step.what;
  }
  // A close from the window system is held by the panel as a click there is.
  int clicks = 0;
  QObject::connect(close, &QAbstractButton::clicked, &w, [&] { ++clicks; });
  windowSystemClose(&w);
  QApplication::processEvents();
  EXPECT_EQ(clicks, 0) << "the panel holds the window";
  EXPECT_TRUE(w.isVisible());
  panel->dismiss();
  EXPECT_TRUE(waitUntil([&] { return w.childAt(closeCentre) == close; }, 5000));
  windowSystemClose(&w);
  EXPECT_TRUE(waitUntil([&] { return clicks == 1; }, 5000)) << "closable again once the panel has gone";
}

TEST_F(WindowFrame, TheRolloverReachesFourPointsPastTheButtons) {
  auto* close = w.standardWindowButton(TCImageWindow::CloseButton);
  auto* zoom = w.standardWindowButton(TCImageWindow::ZoomButton);
  const QRect c = close->geometry();
  const QRect z = zoom->geometry();
  QWindow* handle = w.windowHandle();
  ASSERT_NE(handle, nullptr);
  struct Case { const char* what; QPoint at; bool rollover; } cases[] = {
      {"on the close button", c.center(), true},
      {"4 left of it", QPoint(c.left() - 4, c.center().y()), true},
      {"5 left of it", QPoint(c.left() - 5, c.center().y()), false},
      {"4 above it", QPoint(c.center().x(), c.top() - 4), true},
      {"5 above it", QPoint(c.center().x(), c.top() - 5), false},
      {"4 below it", QPoint(c.center().x(), c.bottom() + 4), true},
      {"5 below it", QPoint(c.center().x(), c.bottom() + 5), false},
      {"4 right of the zoom button", QPoint(z.right() + 4, z.center().y()), true},
      {"5 right of it", QPoint(z.right() + 5, z.center().y()), false},
      {"in the content", QPoint(400, 300), false},
  };
  // The pointer may still stand where an earlier test left it, on the close
  // button, and a move to where it is brings no event: start from elsewhere.
  QTest::mouseMove(handle, QPoint(400, 300));
  for (const auto& k : cases) {
    QTest::mouseMove(handle, k.at);
    EXPECT_EQ(close->group()->shouldDisplayRollOver(), k.rollover) << k.what;
    // The whole group shows it, as the buttons do together.
    EXPECT_EQ(close->currentImage().name() == "window_close_hover", k.rollover) << k.what;
    EXPECT_EQ(zoom->currentImage().name() == "window_zoom_hover", k.rollover) << k.what;
  }
  QTest::mouseMove(handle, c.center());
  ASSERT_TRUE(close->group()->shouldDisplayRollOver());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(handle, &leave);
  EXPECT_FALSE(close->group()->shouldDisplayRollOver()) << "the pointer left the window";

  // A panel over the window hides the buttons from the pointer too.
  auto* view = new QWidget;
  view->resize(w.size());
  StatusAttachedWindow* panel = showPanel(&w, view);
  ASSERT_NE(panel, nullptr);
  // (A move to where the pointer already is brings no event.)
  QTest::mouseMove(handle, c.center() + QPoint(1, 1));
  EXPECT_FALSE(close->group()->shouldDisplayRollOver()) << "under a panel";
  panel->dismiss();
  QTest::mouseMove(handle, QPoint(c.left() - 3, c.center().y()));
  EXPECT_TRUE(close->group()->shouldDisplayRollOver()) << "the panel gone";
}

TEST(WindowLook, KeepsTheLightLookOnADarkDesktop) {
  platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
  // Each kind of top-level window the program opens, with a field and a label
  // in it; the desktop dark before the window is made, or turned dark while it shows.
  const struct {
    const char* what;
    std::function<QWidget*()> make;
  } windows[] = {
      {"TCImageWindow", [] {
         auto* w = new TCImageWindow;
         w->resize(kMainWindowSize);
         w->setContentView(new QWidget);
         return w->contentView();
       }},
      {"PopBaseWindow", [] { return new PopBaseWindow; }},
      {"PVPopoverWindow", [] {
         auto* w = new PVPopoverWindow;
         w->setPopoverContentView(new QWidget);
         return w->popoverContentView();
       }},
  };
  for (const auto& kind : windows) {
    for (bool darkFirst : {true, false}) {
      std::optional<DarkDesktop> dark;
      if (darkFirst) dark.emplace();
      QWidget* content = kind.make();
      std::unique_ptr<QWidget> window(content->window());
      auto* field = new QLineEdit(content);
      auto* label = new QLabel(QStringLiteral("Name"), content);
      window->resize(400, 300);
      window->show();
      if (!darkFirst) dark.emplace();
      for (QWidget* widget : std::initializer_list<QWidget*>{window.get(), content, field, label})
        EXPECT_EQ(notLight(widget->palette()), std::string())
            << kind.what << ": " << widget->metaObject()->className() << (darkFirst ? ", dark first" : ", dark later");
    }
  }
}
