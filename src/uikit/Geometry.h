#pragma once
// AppKit geometry (origin bottom left, y up) and its one conversion to Qt's
// top-left, y-down widget and screen coordinates. Layout code keeps AppKit
// numbers and converts only when a frame is applied.
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

class QWidget;
class QScreen;

namespace uikit {

struct NSPoint {
  double x = 0;
  double y = 0;
  bool operator==(const NSPoint&) const = default;
};

struct NSSize {
  double width = 0;
  double height = 0;
  bool operator==(const NSSize&) const = default;
};

struct NSRect {
  NSPoint origin;
  NSSize size;
  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double w() const { return size.width; }
  double h() const { return size.height; }
  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  bool operator==(const NSRect&) const = default;
};

inline NSRect NSMakeRect(double x, double y, double w, double h) { return {{x, y}, {w, h}}; }
inline NSPoint NSMakePoint(double x, double y) { return {x, y}; }
inline NSSize NSMakeSize(double w, double h) { return {w, h}; }
constexpr NSRect NSZeroRect{};

NSRect NSInsetRect(const NSRect& r, double dx, double dy);
bool NSIsEmptyRect(const NSRect& r);
// Whether a wholly contains b; edges may coincide, an empty b is never contained.
bool NSContainsRect(const NSRect& a, const NSRect& b);

// A rectangle of a view whose parent is `parentHeight` high, into Qt's
// coordinates of that parent (and back).
QRect toQt(const NSRect& r, double parentHeight);
QRectF toQtF(const NSRect& r, double parentHeight);
QPointF toQt(const NSPoint& p, double parentHeight);
NSRect fromQt(const QRectF& r, double parentHeight);
NSPoint fromQt(const QPointF& p, double parentHeight);

// Frames of widgets in their parent's AppKit coordinates. A top-level widget's
// frame is in screen coordinates (see below).
void setFrame(QWidget* w, const NSRect& frame);
NSRect frameOf(const QWidget* w);
void setFrameOrigin(QWidget* w, const NSPoint& origin);

// Screen coordinates: origin at the bottom left of the primary screen.
QRect screenToQt(const NSRect& r);
NSRect screenFromQt(const QRectF& r);
NSRect screenFrame(const QScreen* s);         // zero rectangle for nullptr
NSRect screenVisibleFrame(const QScreen* s);  // zero rectangle for nullptr

// A painter transform for drawing in y-up coordinates inside a widget of this height.
QTransform flippedTransform(double height);

// Path building in y-up coordinates with AppKit's arc semantics: both add a
// straight line from the current point to where the arc starts.
// appendArcWithCenter: angles in degrees, counter-clockwise unless `clockwise`.
void appendArcWithCenter(QPainterPath& path, const NSPoint& c, double radius, double startDeg,
                         double endDeg, bool clockwise = false);
// appendArcFromPoint: the PostScript arct rule (tangent to current->p1 and p1->p2).
void appendArcFromPoint(QPainterPath& path, const NSPoint& p1, const NSPoint& p2, double radius);

}  // namespace uikit
