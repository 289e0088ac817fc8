#include "uikit/ListItems.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "services/Color.h"

using namespace uikit;

SortSelectBgView::SortSelectBgView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
}

void SortSelectBgView::enterEvent(QEnterEvent* e) {
  isMouseIn_ = true;
  if (auto* d = delegate_.get()) d->mouseInView(true, tag());
  update();
  QWidget::enterEvent(e);
}

void SortSelectBgView::leaveEvent(QEvent* e) {
  isMouseIn_ = false;
  if (auto* d = delegate_.get()) d->mouseInView(false, tag());
  update();
  QWidget::leaveEvent(e);
}

void SortSelectBgView::mousePressEvent(QMouseEvent* e) {
  e->accept();
  if (auto* d = delegate_.get()) d->selectSortType(this);
}

void SortSelectBgView::paintEvent(QPaintEvent* e) {
  if (!isMouseIn_) return;
  QPainter p(this);
  p.fillRect(e->rect(), getColor(74, 158, 255, 1));
}

// ----------------------------------------------------------------- NewButton

QRectF NewButton::iconImageRectForBounds(const QRectF& f) const {
  if (icon.isNull()) return {};
  return {f.x() + 17, f.y() + std::ceil((f.height() - 18) / 2), 18, 18};
}

QRectF NewButton::imageRectForBounds(const QRectF& f) const {
  const double x = f.x() + (icon.isNull() ? 10 : 35);
  return {x, f.y() + std::ceil((f.height() - 22) / 2), 800, 22};
}

void NewButton::drawWithFrame(QPainter& p, const QRectF& frame) const {
  if (!icon.isNull()) icon.draw(p, iconImageRectForBounds(frame));
  if (!label.isEmpty()) p.drawText(imageRectForBounds(frame), Qt::AlignLeft | Qt::AlignVCenter, label);
}

static QElapsedTimer& lastAcceptedHit() {
  static QElapsedTimer t;
  return t;
}

void NewButton::resetHitGuardForTesting() { lastAcceptedHit().invalidate(); }

int NewButton::hitTestForEvent(const QPointF& pt, const QRectF& frame) {
  const QRectF hot(frame.x(), frame.y(), 15, 30);
  if (!hot.contains(pt)) return 0;
  QElapsedTimer& last = lastAcceptedHit();
  if (!last.isValid() || last.elapsed() >= 200) {
    last.start();
    if (auto* d = delegate.get()) d->clickButtonAction(this);
  }
  return 1 | 4;
}

// ------------------------------------------------------------ small buttons

void AllCustemButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.save();
  p.setPen(Qt::white);
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter, text());
  p.restore();
}

KVHandButton::KVHandButton(QWidget* parent) : QAbstractButton(parent) { setFocusPolicy(Qt::NoFocus); }

void KVHandButton::enterEvent(QEnterEvent* e) {
  setCursor(Qt::PointingHandCursor);
  QAbstractButton::enterEvent(e);
}

void KVHandButton::leaveEvent(QEvent* e) {
  setCursor(Qt::ArrowCursor);
  QAbstractButton::leaveEvent(e);
}

void KVHandButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(isDown() ? color_.darker(120) : color_);
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter, text());
}
