#include <gtest/gtest.h>

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QTest>
#include <QVariantAnimation>
#include <cmath>
#include <functional>
#include <limits>

#include "services/Color.h"
#include "uikit/Backgrounds.h"
#include "uikit/ProgressBars.h"

using namespace uikit;

TEST(PercentBars, FillWidthRule) {
  struct Case { float w, p, expected; } cases[] = {
      {200, 99.6f, 200},  // 199.2 is above 199: snaps to the full width
      {200, 99.4f, 198.8f},
      {200, 50, 100},
      {200, 0, 0},
      {200, -5, -10},  // not clamped below
      {200, 150, 200},
      {436, 100, 436},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(percentFillWidth(c.w, c.p), c.expected) << c.p;
}

TEST(PercentBars, EachBarAppliesTheRule) {
  DiskSizeProgress disk;
  disk.resize(200, 4);
  disk.changeProgressValue(99.6f);
  EXPECT_FLOAT_EQ(disk.used(), 200);
  disk.changeProgressValue(50);
  EXPECT_FLOAT_EQ(disk.used(), 100);
  const QImage img = disk.grab().toImage();
  EXPECT_EQ(img.pixelColor(50, 2), getColor(75, 159, 255, 1));
  EXPECT_EQ(img.pixelColor(150, 2), getColor(221, 221, 223, 1));

  ProgressView pv;
  pv.resize(300, 6);
  for (int p : {0, -5}) {
    pv.changeProgressValue(p);
    EXPECT_FLOAT_EQ(pv.usedProgressWidth(), 3) << "counts as 1 %";
  }
  pv.changeProgressValue(100);
  EXPECT_FLOAT_EQ(pv.usedProgressWidth(), 300);

  KVProgressView kv;
  kv.resize(436, 22);
  kv.changeProgressValue(25);
  EXPECT_EQ(kv.pProgress1()->geometry(), QRect(0, 0, 109, 22));
}

TEST(StripedBar, ValuesAreClampedAndNaNCountsAsZero) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  struct Case { double in, out; } cases[] = {
      {0.5, 0.5}, {1.0000001, 1.0}, {-0.0001, 0.0}, {1.5, 1.0}, {std::nan(""), 0.0},
      {std::numeric_limits<double>::infinity(), 1.0}, {0.0, 0.0}, {1.0, 1.0}};
  for (const auto& c : cases) {
    bar.setFloatValue(c.in);
    EXPECT_DOUBLE_EQ(bar.floatValue(), c.out) << c.in;
  }
}

TEST(StripedBar, InnerClipFollowsTheValueInsideTheBorder) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  bar.setBorderWidth(2);
  bar.setFloatValue(0);
  EXPECT_EQ(bar.innerClipFrame(), NSMakeRect(2, 2, 0, 16));
  bar.setFloatValue(1);
  EXPECT_EQ(bar.innerClipFrame(), NSMakeRect(2, 2, 196, 16));
  bar.setFloatValue(0.25);
  EXPECT_EQ(bar.innerClipFrame(), NSMakeRect(2, 2, 49, 16));
}

TEST(StripedBar, FillIsDrawnToTheValueInItsGradient) {
  QWidget host;
  auto* bar = new StripedProgressBar(&host);
  bar->resize(200, 20);
  host.show();
  bar->setAnimates(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->stripesOpacity() == 0; }, 2000)) << "the stripes faded out";
  bar->setFloatValue(0.5);
  const QImage img = bar->grab().toImage();
  // (2,125,255) at the bottom edge to (91,210,255) at the top: 4 points up
  // from the bottom is a fifth of the way, 3 down from the top 85 %.
  struct Case { const char* where; QPoint at; QColor expected; } cases[] = {
      {"near the bottom", {60, 16}, QColor(18, 140, 255)},
      {"near the top", {60, 3}, QColor(75, 195, 255)},
  };
  for (const auto& c : cases) {
    const QColor got = img.pixelColor(c.at);
    EXPECT_NEAR(got.red(), c.expected.red(), 4) << c.where;
    EXPECT_NEAR(got.green(), c.expected.green(), 4) << c.where;
    EXPECT_NEAR(got.blue(), c.expected.blue(), 4) << c.where;
  }
  EXPECT_EQ(img.pixelColor(150, 10), deviceColor(221, 221, 223)) << "the track past the value";
}

TEST(StripedBar, StripesLayerStaysOneTileWiderAndLeft) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  EXPECT_EQ(bar.stripesLayerFrame(), NSMakeRect(-30, 0, 30 * (7 + 1), 20));
  bar.resize(95, 12);
  EXPECT_EQ(bar.stripesLayerFrame(), NSMakeRect(-30, 0, 30 * (4 + 1), 12));
}

namespace {
bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 3000); }

// Whether the bar's opacity is being animated to 0 now.
bool fadesOut(QWidget* bar) {
  for (auto* a : bar->findChildren<QPropertyAnimation*>())
    if (a->propertyName() == "opacity" && a->state() == QAbstractAnimation::Running && a->endValue().toDouble() == 0)
      return true;
  return false;
}
}  // namespace

TEST(StripedBar, StripesRunWhileAnimatingAndShown) {
  QWidget host;
  auto* bar = new StripedProgressBar(&host);
  bar->resize(200, 20);
  host.show();
  EXPECT_TRUE(bar->animates());
  EXPECT_TRUE(bar->stripesRunning());
  bar->setAnimates(false);
  EXPECT_TRUE(bar->stripesRunning()) << "stops after the fade";
  EXPECT_TRUE(waitFor([&] { return !bar->stripesRunning(); }));
  EXPECT_DOUBLE_EQ(bar->stripesOpacity(), 0);

  bar->setHidden(true);
  EXPECT_TRUE(waitFor([&] { return bar->isHidden(); }));
  bar->setAnimates(true);
  EXPECT_DOUBLE_EQ(bar->stripesOpacity(), 0.04);
  EXPECT_FALSE(bar->stripesRunning()) << "no stripes while hidden";

  bar->setHidden(false);
  EXPECT_TRUE(bar->stripesRunning());
  EXPECT_TRUE(waitFor([&] { return bar->alphaValue() == 1.0; }));
  // Hide and show again within the fade: it stays visible, stripes running.
  bar->setHidden(true);
  ASSERT_TRUE(waitFor([&] { return bar->alphaValue() < 1.0; })) << "the fade-out has begun";
  bar->setHidden(false);
  EXPECT_TRUE(waitFor([&] { return bar->alphaValue() == 1.0; }));
  EXPECT_FALSE(bar->isHidden());
  EXPECT_FALSE(bar->sp_isHidden());
  EXPECT_TRUE(bar->stripesRunning());
}

TEST(StripedBar, EveryWayOfHidingFadesFirst) {
  struct Case { const char* how; std::function<void(QWidget*)> hide; } cases[] = {
      {"hide()", [](QWidget* w) { w->hide(); }},
      {"setVisible(false)", [](QWidget* w) { w->setVisible(false); }},
      {"setHidden(true)", [](QWidget* w) { w->setHidden(true); }},
  };
  for (const auto& c : cases) {
    QWidget host;
    auto* bar = new StripedProgressBar(&host);
    bar->resize(200, 20);
    host.show();
    QWidget* asWidget = bar;  // the way a layout or a screen holds it
    c.hide(asWidget);
    EXPECT_TRUE(bar->sp_isHidden()) << c.how;
    EXPECT_TRUE(bar->isVisible()) << c.how << ": still on screen while it fades";
    EXPECT_TRUE(fadesOut(bar)) << c.how;
    EXPECT_TRUE(waitFor([&] { return bar->isHidden(); })) << c.how;
    EXPECT_FALSE(bar->stripesRunning()) << c.how;
    asWidget->show();
    EXPECT_FALSE(bar->isHidden()) << c.how << ": shown at once";
    EXPECT_TRUE(bar->stripesRunning()) << c.how;
    EXPECT_TRUE(waitFor([&] { return bar->alphaValue() == 1.0; })) << c.how;
  }
}

TEST(StripedBar, HiddenBeforeItsWindowShowsItStaysHidden) {
  QWidget host;
  auto* bar = new StripedProgressBar(&host);
  bar->resize(200, 20);
  bar->hide();
  host.show();
  EXPECT_TRUE(bar->isHidden());
  EXPECT_FALSE(bar->isVisible());
  EXPECT_FALSE(bar->stripesRunning());
}

TEST(StripedBar, AnimatorGlidesToTheValue) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  bar.setFloatValue(0);
  bar.animatorSetFloatValue(2.0);  // a caller passing 200 %
  EXPECT_DOUBLE_EQ(bar.floatValue(), 0) << "not there at once";
  EXPECT_TRUE(waitFor([&] { return bar.floatValue() == 1; }));
}

TEST(StripedBar, FadeOfTheStripesRunsBetweenNothingAndTheirOpacity) {
  StripedProgressBar bar;
  struct Case { bool visible; double from, to; } cases[] = {{true, 0, 0.04}, {false, 0.04, 0}};
  for (const auto& c : cases) {
    const std::unique_ptr<QVariantAnimation> a = bar.fadeAnimationVisible(c.visible);
    EXPECT_DOUBLE_EQ(a->startValue().toDouble(), c.from) << c.visible;
    EXPECT_DOUBLE_EQ(a->endValue().toDouble(), c.to) << c.visible;
    EXPECT_EQ(a->duration(), 255);
    EXPECT_EQ(a->loopCount(), 1) << "no repeat, no way back";
    EXPECT_EQ(a->state(), QAbstractAnimation::Stopped) << "the caller starts it";
  }
}

TEST(StripedBar, ShadowWidthNeverExceedsTheBorder) {
  StripedProgressBar bar;
  EXPECT_DOUBLE_EQ(bar.shadowWidth(), 1.0);
  bar.setBorderWidth(0.5);
  EXPECT_DOUBLE_EQ(bar.shadowWidth(), 0.5);
  bar.setShadowWidth(3);
  EXPECT_DOUBLE_EQ(bar.shadowWidth(), 0.5);
}

TEST(Backgrounds, PopWBgViewHeaderAndPopInViewPanel) {
  PopWBgView w;
  w.resize(300, 200);
  QImage img(300, 200, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(img.pixelColor(150, 5), deviceColor(255, 52, 52)) << "red band at the top";
  EXPECT_EQ(img.pixelColor(150, 100), deviceColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(1, 198).alpha(), 0) << "rounded lower corner";
  EXPECT_EQ(img.pixelColor(1, 1).alpha(), 255) << "square upper corner";

  PopInView in;
  in.resize(100, 80);
  QImage pi(100, 80, QImage::Format_ARGB32_Premultiplied);
  pi.fill(Qt::transparent);
  in.render(&pi, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_GT(pi.pixelColor(50, 40).alpha(), 200);
  EXPECT_LT(pi.pixelColor(1, 40).alpha(), 60) << "only the glow near the edge";
}
