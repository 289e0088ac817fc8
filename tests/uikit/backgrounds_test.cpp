#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>

#include "services/Color.h"
#include "uikit/Backgrounds.h"

namespace {
QImage render(QWidget& w) {
  QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
  return img;
}

struct DashRuns {
  double coverage = 0;  // painted share of the span, 0..1
  int longestOn = 0;    // longest run of fully painted pixels
  int longestOff = 0;   // longest run of untouched pixels
};

// Walks `length` pixels from `from` in steps of `step` and measures the dashes.
DashRuns measure(const QImage& img, QPoint from, QPoint step, int length) {
  DashRuns r;
  int on = 0, off = 0;
  for (int i = 0; i < length; ++i) {
    const int a = img.pixelColor(from + step * i).alpha();
    r.coverage += a / 255.0;
    on = a == 255 ? on + 1 : 0;
    off = a == 0 ? off + 1 : 0;
    r.longestOn = std::max(r.longestOn, on);
    r.longestOff = std::max(r.longestOff, off);
  }
  r.coverage /= length;
  return r;
}
}  // namespace

TEST(Backgrounds, EndViewTipBgViewDashesFiveOnFiveOffWithFlatEnds) {
  EndViewTipBgView v;
  v.resize(240, 120);
  const QImage img = render(v);
  // The inner half of the 2-point line lies on the outermost pixel rows and
  // columns; each span is straight (clear of the radius-4 corners) and a
  // whole number of 10-point periods long.
  struct Edge { const char* name; QPoint from; QPoint step; int length; } edges[] = {
      {"top", {20, 0}, {1, 0}, 200},
      {"bottom", {20, 119}, {1, 0}, 200},
      {"left", {0, 10}, {0, 1}, 100},
      {"right", {239, 10}, {0, 1}, 100},
  };
  for (const auto& e : edges) {
    const DashRuns r = measure(img, e.from, e.step, e.length);
    EXPECT_NEAR(r.coverage, 0.5, 0.03) << e.name << ": as much gap as dash";
    EXPECT_GE(r.longestOn, 4) << e.name;
    EXPECT_LE(r.longestOn, 5) << e.name << ": a dash is 5 long";
    EXPECT_GE(r.longestOff, 4) << e.name;
    EXPECT_LE(r.longestOff, 5) << e.name << ": a gap is 5 long";
  }
  // The line's colour where a dash is.
  const QImage opaque = img.convertToFormat(QImage::Format_ARGB32);
  QColor painted;
  for (int x = 20; x < 220 && !painted.isValid(); ++x)
    if (opaque.pixelColor(x, 0).alpha() == 255) painted = opaque.pixelColor(x, 0);
  EXPECT_EQ(painted, deviceColor(230, 230, 235));
  EXPECT_EQ(img.pixelColor(120, 60).alpha(), 0) << "only the outline is drawn";
}
