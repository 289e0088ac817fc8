#include <gtest/gtest.h>

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QTest>
#include <QVariantAnimation>
#include <cmath>
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

TEST(StripedBar, FillIsDrawnToTheValue) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  bar.setAnimates(false);
  bar.setFloatValue(0.5);
  const QImage img = bar.grab().toImage();
  const QColor filled = img.pixelColor(60, 10), track = img.pixelColor(150, 10);
  EXPECT_GT(filled.blue(), 200);
  EXPECT_LT(filled.red(), 100);
  EXPECT_EQ(track, deviceColor(221, 221, 223));
}

TEST(StripedBar, StripesLayerStaysOneTileWiderAndLeft) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  EXPECT_EQ(bar.stripesLayerFrame(), NSMakeRect(-30, 0, 30 * (7 + 1), 20));
  bar.resize(95, 12);
  EXPECT_EQ(bar.stripesLayerFrame(), NSMakeRect(-30, 0, 30 * (4 + 1), 12));
}

TEST(StripedBar, StripesRunWhileAnimatingAndShown) {
  QWidget host;
  auto* bar = new StripedProgressBar(&host);
  bar->resize(200, 20);
  host.show();
  EXPECT_TRUE(bar->animates());
  EXPECT_TRUE(bar->stripesRunning());
  bar->setAnimates(false);
  EXPECT_TRUE(bar->stripesRunning()) << "stops after the fade";
  QTest::qWait(350);
  EXPECT_FALSE(bar->stripesRunning());
  EXPECT_DOUBLE_EQ(bar->stripesOpacity(), 0);

  bar->setHidden(true);
  QTest::qWait(350);
  EXPECT_TRUE(bar->isHidden());
  bar->setAnimates(true);
  EXPECT_DOUBLE_EQ(bar->stripesOpacity(), 0.04);
  EXPECT_FALSE(bar->stripesRunning()) << "no stripes while hidden";

  bar->setHidden(false);
  EXPECT_TRUE(bar->stripesRunning());
  // Hide and show again within the fade: it stays visible, stripes running.
  bar->setHidden(true);
  bar->setHidden(false);
  QTest::qWait(350);
  EXPECT_FALSE(bar->isHidden());
  EXPECT_FALSE(bar->sp_isHidden());
  EXPECT_TRUE(bar->stripesRunning());
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(bar->graphicsEffect());
  ASSERT_NE(effect, nullptr);
  EXPECT_DOUBLE_EQ(effect->opacity(), 1.0) << "visible, not merely unhidden";
}

TEST(StripedBar, AnimatorGlidesToTheValue) {
  StripedProgressBar bar;
  bar.resize(200, 20);
  bar.setFloatValue(0);
  bar.animatorSetFloatValue(2.0);  // a caller passing 200 %
  QTest::qWait(100);
  EXPECT_GT(bar.floatValue(), 0);
  EXPECT_LT(bar.floatValue(), 1);
  QTest::qWait(300);
  EXPECT_DOUBLE_EQ(bar.floatValue(), 1);
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
