#include "uikit/Backgrounds.h"

#include <QMouseEvent>
#include <QPainter>

#include "services/Appearance.h"
#include "services/Color.h"
#include "uikit/Translucency.h"

using namespace uikit;

void uikit::fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& c) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(r, radius, radius);
  p.restore();
}

namespace {
// Fills a y-up rectangle of a widget `h` high, inset by 0.5, with corner radius r.
void fillRounded(QPainter& p, double h, const NSRect& r, double radius, const QColor& c, bool inset = true) {
  uikit::fillRounded(p, toQtF(inset ? NSInsetRect(r, 0.5, 0.5) : r, h), radius, c);
}
QPainter* begin(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  return &p;
}
}  // namespace

void TopBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  const double H = height();
  fillRounded(p, H, NSMakeRect(80, H - 100, 808, 100), 16, deviceColor(242, 247, 255));
  fillRounded(p, H, NSMakeRect(0, 0, 90, 20), 16, deviceColor(65, 98, 255));
  fillRounded(p, H, NSMakeRect(0, H - 100, 112, 100), 16, deviceColor(65, 98, 255));
}

void BGMView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  fillRounded(p, height(), NSMakeRect(0, 0, width(), height()), 0, deviceColor(249, 250, 251));
}

void BGWView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  const double H = height();
  fillRounded(p, H, NSMakeRect(0, 518, 888, 40), 0, deviceColor(242, 247, 255));
  // Its frame, as placed in the superview, taken in its own coordinates.
  fillRounded(p, H, frameOf(this), 16, deviceColor(242, 247, 255));
}

void EndViewTipBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  QPen pen(deviceColor(230, 230, 235), 2);
  pen.setDashPattern({2.5, 2.5});  // 5 on, 5 off at width 2 (Qt counts in pen widths)
  pen.setDashOffset(0);
  // Qt's default square ends would lengthen every dash by the pen width.
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(rect()), 4, 4);
}

void PopWBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  const double w = width(), h = height();
  fillRounded(p, h, NSMakeRect(0, 0, w, h), 10, deviceColor(255, 255, 255));
  fillRounded(p, h, NSMakeRect(0, h - 19, w, 20), 0, deviceColor(255, 52, 52));
}

void PopNoHeaderV::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  fillRounded(p, height(), NSMakeRect(0, 0, width(), height()), 16, deviceColor(52, 52, 52));
}

void PopWTopBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  const double w = width(), h = height();
  fillRounded(p, h, NSMakeRect(0, 0, w, h), 10, deviceColor(52, 52, 52));
  fillRounded(p, h, NSMakeRect(0, -2, w, 12), 0, deviceColor(52, 52, 52));
}

void PopBgView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  fillRounded(p, height(), NSMakeRect(0, 0, width(), height()), 4, deviceColor(245, 247, 249));
}

void PopInView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  begin(p);
  const double h = height();
  const NSRect panel = NSInsetRect(NSMakeRect(0, 0, width(), h), 6, 6);
  fillRounded(p, h, panel, 10, deviceColor(255, 255, 255, 0.9));
  const QRectF r = toQtF(NSInsetRect(panel, 0.5, 0.5), h);
  // The outline's soft glow (blur 6), then the outline itself.
  p.setBrush(Qt::NoBrush);
  for (int i = 6; i >= 1; --i) {
    QColor glow = deviceColor(86, 123, 194, 0.2 * (7 - i) / 21.0);
    p.setPen(QPen(glow, 1 + 2 * i));
    p.drawRoundedRect(r, 10, 10);
  }
  p.setPen(QPen(deviceColor(225, 231, 239), 1));
  p.drawRoundedRect(r, 10, 10);
}

// ------------------------------------------------------------- PopBaseWindow

PopBaseWindow::PopBaseWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::FramelessWindowHint) {
  uikit::setTranslucentWindow(this);
  appearance::forceLightAppearance(this);
}

void PopBaseWindow::mousePressEvent(QMouseEvent* e) {
  if (!mover_.handle(this, e)) return QWidget::mousePressEvent(e);
  e->accept();
}

void PopBaseWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!mover_.handle(this, e)) QWidget::mouseMoveEvent(e);
}

void PopBaseWindow::mouseReleaseEvent(QMouseEvent* e) {
  if (!mover_.handle(this, e)) QWidget::mouseReleaseEvent(e);
}
