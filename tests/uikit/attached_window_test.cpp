#include <gtest/gtest.h>

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QDeadlineTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/Bundle.h"
#include "support/TestWorld.h"
#include "uikit/AttachedWindow.h"
#include "uikit/Backgrounds.h"
#include "uikit/Layout.h"
#include "uikit/ModalSession.h"
#include "uikit/TCImageWindow.h"
#include "uikit/Tables.h"

using namespace uikit;

namespace {
AttachedAppearance callout() { return NODEAttachedWindow::variant().appearance; }
AttachedAppearance withArrow() {
  return {.borderWidth = 1,
          .viewMargin = 2,
          .arrowBaseWidth = 20,
          .arrowHeight = 10,
          .hasArrow = true,
          .cornerRadius = 6,
          .drawsRoundCornerBesideArrow = false,
          .snapsHalfPoint = true};
}

// True once a timer started now for `seconds` has fired, and with it every
// timer that was due no later.
bool timersUpToHaveFired(double seconds) {
  QObject context;
  bool fired = false;
  QTimer::singleShot(int(seconds * 1000) + 1, &context, [&] { fired = true; });
  return waitUntil([&] { return fired; }, 5000);
}

QWidget* viewOf(int w, int h) {
  auto* v = new QWidget;
  v->resize(w, h);
  return v;
}
}  // namespace

TEST(AttachedGeometry, OriginForEverySide) {
  // View 200 x 40, margin 2, arrow 10 high, base 20, radius 6 (not beside the
  // arrow): inset i = 10; window 204 x 44 plus the arrow on its side.
  const NSPoint P{500, 300};
  const AttachedAppearance a = withArrow();
  struct Case { int side; NSRect frame; NSPoint viewOrigin; } cases[] = {
      {SideLeft, NSMakeRect(500 - 214 - 5, 300 - 22, 214, 44), {2, 2}},
      {SideBelow, NSMakeRect(500 - 102, 300 - 54 - 5, 204, 54), {2, 2}},
      {SideRight, NSMakeRect(505, 300 - 22, 214, 44), {12, 2}},
      {SideAbove, NSMakeRect(500 - 102, 305, 204, 54), {2, 12}},
      {SideLeftUpward, NSMakeRect(500 - 214 - 5, 300 - 10, 214, 44), {2, 2}},
      {SideLeftDownward, NSMakeRect(500 - 214 - 5, 300 - 34, 214, 44), {2, 2}},
      {SideRightUpward, NSMakeRect(505, 290, 214, 44), {12, 2}},
      {SideRightDownward, NSMakeRect(505, 300 - 34, 214, 44), {12, 2}},
      {SideAboveLeftward, NSMakeRect(500 - 194, 305, 204, 54), {2, 12}},
      {SideAboveRightward, NSMakeRect(490, 305, 204, 54), {2, 12}},
      {SideBelowLeftward, NSMakeRect(500 - 194, 300 - 54 - 5, 204, 54), {2, 2}},
      {SideBelowRightward, NSMakeRect(490, 300 - 54 - 5, 204, 54), {2, 2}},
      {SideAutomatic, NSMakeRect(500, 300, 204, 44), {2, 2}},
  };
  for (const auto& c : cases) {
    const AttachedGeometry g = attachedWindowGeometry({200, 40}, P, c.side, 5, a);
    EXPECT_EQ(g.windowFrame, c.frame) << "side " << c.side;
    EXPECT_EQ(g.viewFrame.origin, c.viewOrigin) << "side " << c.side;
  }
  // Without an arrow the inset (half the base, plus the radius when rounded
  // beside it) still shifts the windows that reach from the point.
  AttachedAppearance noArrow = a;
  noArrow.hasArrow = false;
  noArrow.arrowHeight = 0;
  noArrow.drawsRoundCornerBesideArrow = true;
  EXPECT_EQ(attachedWindowGeometry({200, 40}, P, SideAboveRightward, 0, noArrow).windowFrame.origin,
            (NSPoint{500 - 16, 300}));
  EXPECT_EQ(attachedWindowGeometry({200, 40}, P, SideAbove, 0, noArrow).windowFrame.origin,
            (NSPoint{500 - 102, 300}));
}

TEST(AttachedGeometry, AutomaticSide) {
  const NSRect screen = NSMakeRect(0, 0, 1440, 900);
  const AttachedAppearance a = callout();
  const NSRect parent = NSMakeRect(200, 100, 1000, 700);
  struct Case { const char* what; NSPoint p; int expected; } cases[] = {
      {"room below, centred", {700, 500}, SideBelow},
      {"near the bottom: right, reaching up", {700, 20}, SideRightUpward},
      {"near the bottom right corner: left, reaching up", {1400, 20}, SideLeftUpward},
      {"bottom left corner of a tall view: above", {20, 20}, SideAbove},
      {"near the parent's left edge: below, reaching right", {210, 500}, SideBelowRightward},
      {"near the parent's right edge: below, reaching left", {1190, 500}, SideBelowLeftward},
  };
  for (const auto& c : cases) {
    const NSSize view = std::string(c.what).find("tall") != std::string::npos ? NSSize{1500, 40} : NSSize{200, 40};
    EXPECT_EQ(bestSideForAutomaticPosition(view, c.p, 0, a, screen, parent), c.expected) << c.what;
  }
}

TEST(AttachedBackground, StatusPathLiesOnWholePointsOthersHalfIn) {
  const NSRect vf = NSMakeRect(2, 2, 100, 40);
  AttachedAppearance snapped = callout();
  const QRectF b1 = attachedBackgroundPath(snapped, SideAbove, vf).boundingRect();
  EXPECT_EQ(b1, QRectF(1, 1, 102, 42));  // ceil(0 + 0.5) .. floor(104 - 0.5)
  const AttachedAppearance status = StatusAttachedWindow::variant().appearance;
  const QRectF b2 = attachedBackgroundPath(status, SideBelow, NSMakeRect(0, 0, 100, 40)).boundingRect();
  EXPECT_EQ(b2, QRectF(0, 0, 100, 40));
}

class AttachedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
    main = new TCImageWindow;
    main->resize(kMainWindowSize);
    main->show();
  }
  void TearDown() override { delete main; }
  QImage grab(QWidget* w) { return w->grab().toImage(); }
  TCImageWindow* main = nullptr;
};

TEST_F(AttachedWindowTest, FixedPointsOfTheScreensFitTheMainWindow) {
  // Made as the screens make them, with the appearances they get there.
  const int H = kMainWindowSize.height();
  struct Case {
    const char* use;
    std::function<AttachedWindow*(QWidget*)> open;
    QSize view;
    QRect expected;
  } cases[] = {
      // The callout beside the source box: 204 x 44 with its bottom edge centred on the point.
      {"callout left", [&](QWidget* v) { return showErrorCallout(main, v, kErrorPointSource); }, {200, 40},
       QRect(344, H - 223 - 44, 204, 44)},
      {"callout right", [&](QWidget* v) { return showErrorCallout(main, v, kErrorPointDestination); },
       {260, 36}, QRect(946 - 132, H - 223 - 40, 264, 40)},
      {"copy drop-down", [&](QWidget* v) { return showDropDown(main, v, kDropDownPointCopy); }, {180, 88},
       QRect(443 - 92, H - 137 - 92, 184, 92)},
      {"installer drop-down", [&](QWidget* v) { return showDropDown(main, v, kDropDownPointInstaller); },
       {240, 160}, QRect(524 - 122, H - 170 - 164, 244, 164)},
  };
  for (const auto& c : cases) {
    QPointer<AttachedWindow> w = c.open(viewOf(c.view.width(), c.view.height()));
    ASSERT_TRUE(w) << c.use;
    EXPECT_EQ(w->parentWidget(), main) << c.use;
    EXPECT_EQ(w->geometry(), c.expected) << c.use;
    EXPECT_TRUE(main->rect().contains(w->geometry())) << c.use;
    w->dismiss();
  }
}

TEST_F(AttachedWindowTest, NilViewMakesNoWindow) {
  EXPECT_EQ(NODEAttachedWindow::initWithView(nullptr, {0, 0}, main, 3, 0), nullptr);
  EXPECT_EQ(RAttachedWindow::initWithView(nullptr, {0, 0}, main, 3, 0, 0.8f), nullptr);
  EXPECT_EQ(StatusAttachedWindow::initWithView(nullptr, {0, 0}, main, 1, 5), nullptr);
}

TEST_F(AttachedWindowTest, CalloutSitsAboveItsPointOnTopOfTheMainWindow) {
  auto* err = new ErrorViewController;
  err->setErrorStr("x");
  QPointer<NODEAttachedWindow> w = showErrorCallout(main, err, kErrorPointSource);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->parentWidget(), main);
  EXPECT_TRUE(w->isVisible());
  const QRect g = w->geometry();
  EXPECT_EQ(g.bottom() + 1, kMainWindowSize.height() - 223);
  EXPECT_EQ(g.center().x(), 446 - 1 + (g.width() % 2));
  EXPECT_EQ(main->childAt(g.center()), err->errorLabel());
  // A resized main window keeps the callout at its distance from the bottom.
  main->resize(kMainWindowSize.width(), kMainWindowSize.height() + 100);
  QApplication::processEvents();
  EXPECT_EQ(w->geometry().bottom() + 1, kMainWindowSize.height() + 100 - 223);
}

TEST_F(AttachedWindowTest, PanelCoversTheMainWindowAndShowsItsBackdrop) {
  auto* panel = new PopInView;
  panel->resize(main->size());
  QPointer<StatusAttachedWindow> w = showPanel(main, panel);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->geometry(), main->rect());
  EXPECT_EQ(panel->geometry(), main->rect());
  const QImage img = grab(w);
  // The veil of "popWBg" shows in the panel's transparent margin.
  const QColor edge = img.pixelColor(2, img.height() / 2);
  EXPECT_GT(edge.alpha(), 40);
  EXPECT_LT(edge.lightness(), 128);
}

TEST_F(AttachedWindowTest, ThePanelIsBuiltOnThePopUpBaseAndCastsAShadow) {
  auto fullView = [] { return viewOf(kMainWindowSize.width(), kMainWindowSize.height()); };
  struct Case {
    const char* what;
    std::function<QWidget*()> open;
    bool popUpBase;
    bool shadow;
  } cases[] = {
      {"callout", [&] { return showErrorCallout(main, viewOf(100, 30), kErrorPointSource); }, false, true},
      {"drop-down", [&] { return showDropDown(main, viewOf(100, 40), kDropDownPointCopy); }, false, false},
      {"panel", [&] { return showPanel(main, fullView()); }, true, true},
  };
  for (const auto& c : cases) {
    QPointer<QWidget> w = c.open();
    ASSERT_TRUE(w) << c.what;
    EXPECT_EQ(qobject_cast<PopBaseWindow*>(w) != nullptr, c.popUpBase) << c.what;
    EXPECT_EQ(qobject_cast<QGraphicsDropShadowEffect*>(w->graphicsEffect()) != nullptr, c.shadow) << c.what;
    delete w;
  }
  auto* panel = showPanel(main, fullView());
  EXPECT_TRUE(panel->hasShadow());
  // Over the whole window its shadow has nowhere to show: the blur is suspended.
  ASSERT_NE(panel->graphicsEffect(), nullptr);
  EXPECT_FALSE(panel->graphicsEffect()->isEnabled()) << "covers its window";
  main->resize(main->width() + 40, main->height());
  EXPECT_TRUE(panel->graphicsEffect()->isEnabled()) << "the window grew past it";
  main->resize(kMainWindowSize);
  EXPECT_FALSE(panel->canBecomeMainWindow());
  EXPECT_FALSE(panel->isWindow()) << "an overlay inside the main window";
  delete panel;

  // Made smaller than its parent, the panel's shadow shows below it on the
  // main window's white; nothing of the kind lies beside it.
  auto* small = StatusAttachedWindow::initWithView(viewOf(200, 100), {600, 300}, main, SideBelow, 0);
  small->addToParentWindow();
  EXPECT_TRUE(small->graphicsEffect()->isEnabled());
  const QRect g = small->geometry();
  const QImage img = main->grab().toImage();
  const QColor below = img.pixelColor(g.center().x(), g.bottom() + 3);
  const QColor away = img.pixelColor(g.center().x(), g.bottom() + 40);
  EXPECT_EQ(away, QColor(Qt::white));
  EXPECT_LT(below.lightness(), away.lightness() - 5) << "the shadow under the panel's lower edge";
}

TEST_F(AttachedWindowTest, FormatPanelDropDownIsAttachedToThePanel) {
  auto* panelView = new QWidget;
  panelView->resize(main->size());
  QPointer<StatusAttachedWindow> panel = showPanel(main, panelView);
  ASSERT_TRUE(panel);
  auto* list = viewOf(160, 90);
  QPointer<RAttachedWindow> dd = showDropDown(panel, list, kDropDownPointFormat);
  ASSERT_TRUE(dd);
  EXPECT_EQ(dd->parentWidget(), panel.data());
  EXPECT_EQ(dd->geometry(), QRect(665 - 82, kMainWindowSize.height() - 182 - 94, 164, 94));
  EXPECT_TRUE(panel->rect().contains(dd->geometry()));
  EXPECT_EQ(panel->childAt(dd->geometry().center()), list) << "above the panel's own view";
  panel->close();
  QApplication::processEvents(QEventLoop::AllEvents);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(dd.isNull()) << "goes with the panel";
}

TEST_F(AttachedWindowTest, ArrowIsDrawnOnTheSideOfThePoint) {
  auto* v = viewOf(100, 40);
  auto* w = RAttachedWindow::initWithView(v, {400, 300}, main, SideAbove, 0, 0.8f);
  w->setArrowHeight(10);
  w->setArrowBaseWidth(20);
  w->addToParentWindow();
  EXPECT_EQ(w->size(), QSize(104, 54));
  const QImage img = grab(w);
  // Above its point: the arrow points down from the bottom edge.
  EXPECT_GT(img.pixelColor(52, 50).alpha(), 0) << "tip area below the body";
  EXPECT_EQ(img.pixelColor(5, 50).alpha(), 0) << "beside the arrow nothing";
  w->setPoint({400, 300}, SideBelow);
  const QImage below = grab(w);
  EXPECT_GT(below.pixelColor(52, 3).alpha(), 0) << "the arrow now on top";
  EXPECT_EQ(below.pixelColor(5, 3).alpha(), 0);
}

TEST_F(AttachedWindowTest, AppearanceSettersKeepTheirLimits) {
  auto* w = NODEAttachedWindow::initWithView(viewOf(100, 40), {400, 300}, main, SideAbove, 0);
  w->setCornerRadius(500);
  EXPECT_FLOAT_EQ(w->cornerRadius(), (2 * 2 + 40 - 0) / 2.0f);
  w->setBorderWidth(10);
  EXPECT_FLOAT_EQ(w->borderWidth(), 2);
  w->setViewMargin(-4);
  EXPECT_FLOAT_EQ(w->viewMargin(), 0);
  EXPECT_FLOAT_EQ(w->cornerRadius(), 20) << "margin change re-clamps the radius";
  w->dismiss();
}

TEST_F(AttachedWindowTest, PressesStayInTheAttachedWindow) {
  struct Delegate : QObject, TCImageWindowDelegate {
    int downs = 0;
    void tcimageWindowBecomeKeyWindow() override { ++downs; }
  } d;
  main->setDelegate(&d);
  auto* w = showDropDown(main, viewOf(100, 40), kDropDownPointCopy);
  QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(d.downs, 0);
  QTest::mouseClick(main, Qt::LeftButton, {}, QPoint(600, 300));
  EXPECT_EQ(d.downs, 1);
}

TEST_F(AttachedWindowTest, TimedCloseSurvivesTheParentAndEndsNoOtherModalSession) {
  QPointer<NODEAttachedWindow> w = showErrorCallout(main, viewOf(100, 30), kErrorPointDestination);
  closeAttachedWindowAfter(w, 0.05);
  // A panel that ends itself, and a window attached to no parent, closed
  // while another window runs modally.
  auto* panelView = new QWidget;
  panelView->resize(main->size());
  QPointer<StatusAttachedWindow> panel = showPanel(main, panelView);
  QPointer<AttachedWindow> loose = NODEAttachedWindow::initWithView(viewOf(80, 20), {300, 300}, nullptr, 3, 0);
  loose->addToParentWindow();
  PopBaseWindow other;
  other.resize(200, 100);
  bool stillModal = false;
  QTimer::singleShot(0, &other, [&] {
    panel->close();
    loose->close();
  });
  // Once all three are gone, the modal window's session must still run.
  QTimer poll;
  QDeadlineTimer deadline(5000);
  QObject::connect(&poll, &QTimer::timeout, &other, [&] {
    const bool allGone = w.isNull() && panel.isNull() && loose.isNull();
    if (!allGone && !deadline.hasExpired()) return;
    poll.stop();
    stillModal = isRunningModal(&other);
    stopModalForWindow(&other, allGone ? 7 : -2);
  });
  poll.start(5);
  EXPECT_EQ(runModalForWindow(&other), 7) << "the attached windows were not all closed";
  EXPECT_TRUE(stillModal);
  EXPECT_TRUE(w.isNull());
  EXPECT_TRUE(panel.isNull());
  EXPECT_TRUE(loose.isNull());
  // Closing the modal window ends its own session.
  QTimer::singleShot(0, &other, [&] { other.close(); });
  EXPECT_EQ(runModalForWindow(&other), 0);

  // A timer outliving the main window does nothing.
  QPointer<NODEAttachedWindow> w2 = showErrorCallout(main, viewOf(100, 30), kErrorPointSource);
  closeAttachedWindowAfter(w2, 0.05);
  delete main;
  main = nullptr;
  EXPECT_TRUE(w2.isNull()) << "dies with its parent";
  EXPECT_TRUE(timersUpToHaveFired(0.05));
}

TEST_F(AttachedWindowTest, ABackgroundImageIsAPatternThatALaterColourReplaces) {
  auto* w = NODEAttachedWindow::initWithView(viewOf(100, 40), {400, 300}, main, SideAbove, 0);
  w->addToParentWindow();
  QPixmap green(4, 4);
  green.fill(QColor(0, 200, 0));
  w->setViewMargin(10);
  auto fillAt = [&](QPoint p) { return grab(w).pixelColor(p); };
  const QPoint margin(5, 30);  // inside the background, outside the hosted view
  w->setBackgroundImage(QPixmap());
  EXPECT_EQ(fillAt(margin), QColor(Qt::white)) << "a null image changes nothing";
  w->setBackgroundImage(green);
  EXPECT_EQ(fillAt(margin), QColor(0, 200, 0));
  w->setBackgroundColor(QColor(200, 0, 0));
  EXPECT_EQ(fillAt(margin), QColor(200, 0, 0)) << "the colour takes effect after an image";
  w->dismiss();
}

TEST_F(AttachedWindowTest, CloseCommandGoesToTheParentItWasMadeWith) {
  // A callout made on the main window passes the command on: the main window
  // closes. A panel is made without a parent and only later attached to the
  // main window: the command must not close the main window through it, nor
  // through a drop-down made on the panel.
  auto fullView = [] { return viewOf(kMainWindowSize.width(), kMainWindowSize.height()); };
  struct Case {
    const char* what;
    std::function<void(TCImageWindow*, QList<QPointer<QWidget>>&)> openAndClose;
    bool mainCloses;
  } cases[] = {
      {"callout",
       [](TCImageWindow* m, QList<QPointer<QWidget>>& made) {
         auto* w = NODEAttachedWindow::initWithView(viewOf(100, 40), {400, 300}, m, SideAbove, 0);
         w->addToParentWindow();
         made << w;
         w->performClose();
       },
       true},
      {"panel",
       [&](TCImageWindow* m, QList<QPointer<QWidget>>& made) {
         auto* w = showPanel(m, fullView());
         made << w;
         w->performClose();
       },
       false},
      {"drop-down on a panel",
       [&](TCImageWindow* m, QList<QPointer<QWidget>>& made) {
         auto* panel = showPanel(m, fullView());
         auto* list = showDropDown(panel, viewOf(160, 90), kDropDownPointFormat);
         made << panel << list;
         list->performClose();
       },
       false},
  };
  for (const auto& c : cases) {
    main->show();
    ASSERT_TRUE(main->isVisible()) << c.what;
    QList<QPointer<QWidget>> made;
    c.openAndClose(main, made);
    EXPECT_EQ(!main->isVisible(), c.mainCloses) << c.what;
    for (const auto& w : made)
      if (w) w->deleteLater();
  }
}
