#include "uikit/Geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace uikit {

NSRect NSInsetRect(const NSRect& r, double dx, double dy) {
  return NSMakeRect(r.x() + dx, r.y() + dy, r.w() - 2 * dx, r.h() - 2 * dy);
}

bool NSIsEmptyRect(const NSRect& r) { return !(r.w() > 0) || !(r.h() > 0); }

bool NSContainsRect(const NSRect& a, const NSRect& b) {
  if (NSIsEmptyRect(b)) return false;
  return b.minX() >= a.minX() && b.minY() >= a.minY() && b.maxX() <= a.maxX() &&
         b.maxY() <= a.maxY();
}

QRect toQt(const NSRect& r, double parentHeight) {
  return QRect(qRound(r.x()), qRound(parentHeight - r.y() - r.h()), qRound(r.w()), qRound(r.h()));
}

QRectF toQtF(const NSRect& r, double parentHeight) {
  return QRectF(r.x(), parentHeight - r.y() - r.h(), r.w(), r.h());
}

QPointF toQt(const NSPoint& p, double parentHeight) { return {p.x, parentHeight - p.y}; }

NSRect fromQt(const QRectF& r, double parentHeight) {
  return NSMakeRect(r.x(), parentHeight - r.y() - r.height(), r.width(), r.height());
}

NSPoint fromQt(const QPointF& p, double parentHeight) { return {p.x(), parentHeight - p.y()}; }

static double primaryHeight() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() + s->geometry().y() : 0;
}

QRect screenToQt(const NSRect& r) { return toQt(r, primaryHeight()); }
NSRect screenFromQt(const QRectF& r) { return fromQt(r, primaryHeight()); }

NSRect screenFrame(const QScreen* s) { return s ? screenFromQt(s->geometry()) : NSZeroRect; }
NSRect screenVisibleFrame(const QScreen* s) {
  return s ? screenFromQt(s->availableGeometry()) : NSZeroRect;
}

void setFrame(QWidget* w, const NSRect& frame) {
  if (!w) return;
  if (w->isWindow()) {
    const QRect g = screenToQt(frame);
    w->setGeometry(g);
    return;
  }
  const double ph = w->parentWidget() ? w->parentWidget()->height() : 0;
  w->setGeometry(toQt(frame, ph));
}

NSRect frameOf(const QWidget* w) {
  if (!w) return NSZeroRect;
  if (w->isWindow()) return screenFromQt(QRectF(w->geometry()));
  const double ph = w->parentWidget() ? w->parentWidget()->height() : 0;
  return fromQt(QRectF(w->geometry()), ph);
}

void setFrameOrigin(QWidget* w, const NSPoint& origin) {
  NSRect f = frameOf(w);
  f.origin = origin;
  setFrame(w, f);
}

QTransform flippedTransform(double height) { return QTransform(1, 0, 0, -1, 0, height); }

namespace {
constexpr double kPi = 3.14159265358979323846;

// Cubic approximation of a circular arc of at most 90 degrees (radians, y up).
void bezierArc(QPainterPath& path, const NSPoint& c, double r, double a0, double a1) {
  const double k = 4.0 / 3.0 * std::tan((a1 - a0) / 4);
  const QPointF p0(c.x + r * std::cos(a0), c.y + r * std::sin(a0));
  const QPointF p3(c.x + r * std::cos(a1), c.y + r * std::sin(a1));
  const QPointF c1(p0.x() - k * r * std::sin(a0), p0.y() + k * r * std::cos(a0));
  const QPointF c2(p3.x() + k * r * std::sin(a1), p3.y() - k * r * std::cos(a1));
  path.cubicTo(c1, c2, p3);
}

void arcRadians(QPainterPath& path, const NSPoint& c, double r, double a0, double a1) {
  const QPointF start(c.x + r * std::cos(a0), c.y + r * std::sin(a0));
  if (path.elementCount() == 0) path.moveTo(start);
  else path.lineTo(start);
  const double sweep = a1 - a0;
  const int n = std::max(1, int(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)));
  for (int i = 0; i < n; ++i) {
    bezierArc(path, c, r, a0 + sweep * i / n, a0 + sweep * (i + 1) / n);
  }
}
}  // namespace

void appendArcWithCenter(QPainterPath& path, const NSPoint& c, double radius, double startDeg,
                         double endDeg, bool clockwise) {
  if (clockwise) {
    while (endDeg > startDeg) endDeg -= 360;
  } else {
    while (endDeg < startDeg) endDeg += 360;
  }
  arcRadians(path, c, radius, startDeg * kPi / 180, endDeg * kPi / 180);
}

void appendArcFromPoint(QPainterPath& path, const NSPoint& p1, const NSPoint& p2, double radius) {
  const QPointF cur = path.currentPosition();
  const double v1x = cur.x() - p1.x, v1y = cur.y() - p1.y;
  const double v2x = p2.x - p1.x, v2y = p2.y - p1.y;
  const double l1 = std::hypot(v1x, v1y), l2 = std::hypot(v2x, v2y);
  if (radius <= 0 || l1 == 0 || l2 == 0) {
    path.lineTo(p1.x, p1.y);
    return;
  }
  const double u1x = v1x / l1, u1y = v1y / l1, u2x = v2x / l2, u2y = v2y / l2;
  const double cosT = std::clamp(u1x * u2x + u1y * u2y, -1.0, 1.0);
  const double theta = std::acos(cosT);
  if (theta < 1e-9 || std::abs(theta - kPi) < 1e-9) {
    path.lineTo(p1.x, p1.y);
    return;
  }
  const double t = radius / std::tan(theta / 2);
  const NSPoint t1{p1.x + u1x * t, p1.y + u1y * t};
  const NSPoint t2{p1.x + u2x * t, p1.y + u2y * t};
  double bx = u1x + u2x, by = u1y + u2y;
  const double bl = std::hypot(bx, by);
  bx /= bl;
  by /= bl;
  const double d = radius / std::sin(theta / 2);
  const NSPoint c{p1.x + bx * d, p1.y + by * d};
  double a0 = std::atan2(t1.y - c.y, t1.x - c.x);
  double a1 = std::atan2(t2.y - c.y, t2.x - c.x);
  double sweep = a1 - a0;
  while (sweep > kPi) sweep -= 2 * kPi;
  while (sweep < -kPi) sweep += 2 * kPi;
  arcRadians(path, c, radius, a0, a0 + sweep);
}

}  // namespace uikit
