#include "uikit/ProgressBars.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QVariantAnimation>
#include <cmath>

#include "services/Color.h"
#include "services/KVLog.h"
#include "uikit/Style.h"

using namespace uikit;

namespace uikit {

float percentFillWidth(float w, float p) {
  const float b = w * (p / 100.0f);
  return (w - 1 < b) ? w : b;
}

QImage stripesTile(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  const QPointF band[] = {{double(w), 0}, {double(w), h / 2.0}, {w / 2.0, double(h)}, {0, double(h)}};
  p.drawPolygon(band, 4);
  const QPointF corner[] = {{0, 0}, {w / 2.0, 0}, {0, h / 2.0}};
  p.drawPolygon(corner, 3);
  return img;
}

}  // namespace uikit

// ------------------------------------------------------- StripedProgressBar

StripedProgressBar::StripedProgressBar(QWidget* parent) : QWidget(parent) {
  _borderWidth = 0;
  _borderColor = deviceColor(221, 221, 223, 1);
  _shadowWidth = 1.0;
  _floatValue = 1.0;
  _animationDuration = 0.5;
  _stripesImage = stripesTile(30, 10);
  _colorTintOpacity = double(0.2f);
  _backgroundColors = {deviceColor(221, 221, 223, 1), deviceColor(221, 221, 223, 1)};
  fillStart_ = deviceColor(2, 125, 255, 1);
  fillEnd_ = deviceColor(91, 210, 255, 1);
  setAnimates(true);
}

void StripedProgressBar::setFloatValue(double v) {
  if (std::isnan(v)) v = 0;
  v = std::clamp(v, 0.0, 1.0);
  _floatValue = v;
  update();
}

void StripedProgressBar::animatorSetFloatValue(double v) {
  if (std::isnan(v)) v = 0;
  v = std::clamp(v, 0.0, 1.0);
  if (glide_) glide_->stop();
  auto* a = new QPropertyAnimation(this, "floatValue", this);
  a->setDuration(250);
  a->setEasingCurve(QEasingCurve::InOutCubic);
  a->setStartValue(_floatValue);
  a->setEndValue(v);
  glide_ = a;
  a->start(QAbstractAnimation::DeleteWhenStopped);
}

NSRect StripedProgressBar::innerClipFrame() const {
  NSRect r = NSInsetRect(NSMakeRect(0, 0, width(), height()), _borderWidth, _borderWidth);
  r.size.width *= _floatValue;
  return r;
}

NSRect StripedProgressBar::stripesLayerFrame() const {
  const double tw = _stripesImage.width();
  if (tw <= 0) return NSZeroRect;
  return NSMakeRect(-tw, 0, tw * (std::ceil(width() / tw) + 1), height());
}

bool StripedProgressBar::stripesRunning() const {
  return stripes_ && stripes_->state() == QAbstractAnimation::Running;
}

std::unique_ptr<QVariantAnimation> StripedProgressBar::fadeAnimationVisible(bool visible) const {
  auto a = std::make_unique<QVariantAnimation>();
  a->setStartValue(visible ? 0.0 : 0.04);
  a->setEndValue(visible ? 0.04 : 0.0);
  a->setDuration(255);
  a->setLoopCount(1);
  return a;
}

void StripedProgressBar::startStripes() {
  if (stripesRunning()) return;
  const double tw = _stripesImage.width();
  auto* a = new QVariantAnimation(this);
  a->setStartValue(-tw);
  a->setEndValue(0.0);
  a->setDuration(int(_animationDuration * 1000));
  a->setLoopCount(-1);
  connect(a, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    stripesOffset_ = v.toDouble();
    update();
  });
  stripes_ = a;
  a->start(QAbstractAnimation::DeleteWhenStopped);
}

void StripedProgressBar::stopStripes() {
  if (stripes_) stripes_->stop();
  stripesOffset_ = -_stripesImage.width();
}

void StripedProgressBar::fadeStripesTo(double opacity, std::function<void()> done) {
  if (stripesFade_) stripesFade_->stop();
  auto* a = new QVariantAnimation(this);
  a->setStartValue(stripesOpacity_);
  a->setEndValue(opacity);
  a->setDuration(250);
  connect(a, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    stripesOpacity_ = v.toDouble();
    update();
  });
  if (done) connect(a, &QVariantAnimation::finished, this, std::move(done));
  stripesFade_ = a;
  a->start(QAbstractAnimation::DeleteWhenStopped);
}

void StripedProgressBar::setAnimates(bool a) {
  if (a == _animates) return;
  _animates = a;
  if (a) {
    if (!stripesRunning() && _animates && !_sp_isHidden) startStripes();
    if (stripesFade_) stripesFade_->stop();
    stripesOpacity_ = 0.04;
    update();
  } else {
    fadeStripesTo(0, [this] {
      if (!_animates) stopStripes();
    });
  }
}

void StripedProgressBar::setAnimationDuration(double d) {
  _animationDuration = d;
  if (_animates) {
    setAnimates(false);
    stopStripes();
    setAnimates(true);
  }
}

double StripedProgressBar::alphaValue() const {
  if (isHidden()) return 0;
  return opacity_ ? opacity_->opacity() : 1.0;
}

bool StripedProgressBar::fadingOut() const {
  return fade_ && fade_->state() == QAbstractAnimation::Running && fade_->endValue().toDouble() == 0.0;
}

void StripedProgressBar::fadeTo(double alpha) {
  if (!opacity_ && alpha == 1.0) return;  // never faded: opaque already
  if (!opacity_) {
    opacity_ = new QGraphicsOpacityEffect(this);
    opacity_->setOpacity(1.0);
    setGraphicsEffect(opacity_);
  }
  if (fade_) fade_->stop();
  auto* a = new QPropertyAnimation(opacity_, "opacity", this);
  a->setDuration(250);
  a->setEndValue(alpha);
  fade_ = a;
  if (alpha == 0) {
    connect(a, &QPropertyAnimation::finished, this, [this] {
      // Shown again during the fade: it stays, with its stripes.
      if (!_sp_isHidden) return;
      QWidget::setVisible(false);
      stopStripes();
    });
  }
  a->start(QAbstractAnimation::DeleteWhenStopped);
}

void StripedProgressBar::setVisible(bool visible) {
  const bool h = !visible;
  _sp_isHidden = h;
  if (h) {
    // Nothing on screen to fade (its window is not shown yet, or it is hidden
    // already): hidden at once, and it stays hidden when the window shows.
    if (isHidden() || !isVisible()) {
      if (fade_) fade_->stop();
      stopStripes();
      QWidget::setVisible(false);
      return;
    }
    if (!fadingOut()) fadeTo(0);
    return;
  }
  // A show also turns a fade-out that is still running back to visible.
  const bool wasHidden = isHidden() || fadingOut();
  QWidget::setVisible(true);
  if (_animates) startStripes();
  if (wasHidden) fadeTo(1.0);
}

void StripedProgressBar::setBorderWidth(double b) {
  _borderWidth = b;
  if (_shadowWidth > b) setShadowWidth(b);
}

void StripedProgressBar::setShadowWidth(double s) {
  if (s > _borderWidth) {
    KVLog("Warning: Line width must be at least as large as shadow width");
    return;
  }
  _shadowWidth = s;
}

static QPainterPath pill(const QRectF& r) {
  QPainterPath p;
  p.addRoundedRect(r, r.height() / 2, r.height() / 2);
  return p;
}

void StripedProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double H = height();
  const QRectF bounds = rect();
  p.setClipPath(pill(bounds));
  // Track.
  if (!_backgroundColors.isEmpty()) {
    QLinearGradient g(0, H, 0, 0);  // first colour at the bottom edge
    for (int i = 0; i < _backgroundColors.size(); ++i)
      g.setColorAt(_backgroundColors.size() == 1 ? 0 : double(i) / (_backgroundColors.size() - 1),
                   _backgroundColors[i]);
    p.fillRect(bounds, g);
  }
  // Border, half a border width in from the edge.
  const double bw = _borderWidth;
  const QRectF br = bounds.adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2);
  p.setPen(QPen(_borderColor, bw));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(br, H / 2, H / 2);
  // Inner clip: the value's share of the inner width.
  const QRectF inner = toQtF(innerClipFrame(), H);
  if (inner.width() > 0 && inner.height() > 0) {
    p.save();
    p.setClipPath(pill(inner), Qt::IntersectClip);
    QLinearGradient fill(0, H, 0, 0);
    fill.setColorAt(0, fillStart_);
    fill.setColorAt(1, fillEnd_);
    p.fillRect(bounds, fill);
    if (stripesOpacity_ > 0 && !_stripesImage.isNull()) {
      const NSRect sf = stripesLayerFrame();
      p.setOpacity(stripesOpacity_);
      // The layer starts one tile left of the bar and glides right by one tile.
      NSRect moved = sf;
      moved.origin.x = stripesRunning() ? stripesOffset_ : sf.x();
      p.drawTiledPixmap(toQtF(moved, H), QPixmap::fromImage(_stripesImage));
      p.setOpacity(1);
    }
    // Inner shadow along the edge of the fill.
    const QRectF sh = inner.adjusted(-bw, -bw, bw, bw);
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.6f), std::max(bw, 0.0)));
    p.drawRoundedRect(sh.translated(0, _shadowWidth).adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2),
                      sh.height() / 2, sh.height() / 2);
    p.setPen(QPen(_borderColor, bw));
    p.drawRoundedRect(sh.adjusted(bw / 2, bw / 2, -bw / 2, -bw / 2), sh.height() / 2, sh.height() / 2);
    if (_colorTint.isValid()) {
      p.setOpacity(float(_colorTintOpacity));
      p.fillRect(bounds, _colorTint);
      p.setOpacity(1);
    }
    p.restore();
  }
}

// ---------------------------------------------------------- percent bars

void DiskSizeProgress::changeProgressValue(float percent) {
  used_ = percentFillWidth(float(width()), percent);
  update();
}

void DiskSizeProgress::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(getColor(221, 221, 223, 1));
  p.drawRoundedRect(QRectF(0, 0, width(), height()), 2, 2);
  if (used_ > 0) {
    p.setBrush(getColor(75, 159, 255, 1));
    p.drawRoundedRect(QRectF(0, 0, used_, height()), 2, 2);
  }
}

void BgProgressView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  // The faint shadow (blur 1) around a hairline in the default stroke colour,
  // black, whose inner half the white fill then covers.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(deviceColor(229, 229, 229, 0.2), 2));
  p.drawRoundedRect(r, 0.5, 0.5);
  p.setPen(QPen(Qt::black, 1));
  p.drawRoundedRect(r, 0.5, 0.5);
  p.setPen(Qt::NoPen);
  p.setBrush(deviceColor(255, 255, 255, 1));
  p.drawRoundedRect(r, 0.5, 0.5);
}

void NSProgressBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Qt::NoPen);
  p.fillRect(rect(), deviceColor(26, 161, 203, 1));
}

KVProgressView::KVProgressView(QWidget* parent) : QWidget(parent) {
  track_ = new BgProgressView(this);
  pProgress1_ = new NSProgressBar(this);
  fillFrame_ = NSMakeRect(0, 0, 0, 22);
  setFrame(track_, NSMakeRect(0, 0, 436, 22));
  setFrame(pProgress1_, fillFrame_);
}

void KVProgressView::changeProgressValue(float percent) {
  fillFrame_ = NSMakeRect(0, 0, percentFillWidth(float(width()), percent), 22);
  setFrame(pProgress1_, fillFrame_);
  pProgress1_->update();
  update();
}

void KVProgressView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  setFrame(track_, NSMakeRect(0, 0, 436, 22));
  setFrame(pProgress1_, fillFrame_);
}

void ProgressView::changeProgressValue(int percent) {
  const int w = int(width());
  const float p = percent <= 0 ? 1.0f : float(percent);
  usedProgressWidth_ = percentFillWidth(float(w), p);
  update();
}

void ProgressView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const double H = height();
  p.setBrush(deviceColor(207, 222, 250, 1));
  p.drawRoundedRect(toQtF(NSMakeRect(0, 0, width(), 6), H), 3, 3);
  if (usedProgressWidth_ > 0) {
    p.setBrush(deviceColor(78, 109, 255, 1));
    p.drawRoundedRect(toQtF(NSMakeRect(0, 0, usedProgressWidth_, 6), H), 3, 3);
  }
}

QColor PV_CGColorCreate(const QColor& c) { return c.toRgb(); }
