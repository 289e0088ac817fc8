#include "uikit/AttachedWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "services/WindowActivation.h"
#include "uikit/Style.h"
#include "uikit/Translucency.h"

using namespace uikit;

namespace uikit {

float attachedArrowInset(const AttachedAppearance& a, double scale) {
  return float(scale * (a.arrowBaseWidth / 2 + (a.drawsRoundCornerBesideArrow ? a.cornerRadius : 0)));
}

AttachedGeometry attachedWindowGeometry(const NSSize& viewSize, const NSPoint& P, int side,
                                        float distance, const AttachedAppearance& ap, double s) {
  const double m = ap.viewMargin;
  double W = viewSize.width + 2 * m * s;
  double H = viewSize.height + 2 * m * s;
  NSRect vf = NSMakeRect(m * s, m * s, viewSize.width, viewSize.height);
  const float a = float(ap.arrowHeight * s);
  switch (side) {
    case SideLeft: case SideRight: case SideLeftUpward: case SideLeftDownward:
    case SideRightUpward: case SideRightDownward:
      W += a;
      if (side == SideRight || side == SideRightUpward || side == SideRightDownward) vf.origin.x += a;
      break;
    case SideBelow: case SideAbove: case SideAboveLeftward: case SideAboveRightward:
    case SideBelowLeftward: case SideBelowRightward:
      H += a;
      if (side == SideAbove || side == SideAboveLeftward || side == SideAboveRightward) vf.origin.y += a;
      break;
    default:
      break;
  }
  const double d = distance;
  const double i = attachedArrowInset(ap, s);
  const float hw = float(W) / 2.0f, hh = float(H) / 2.0f;
  NSPoint o = P;
  switch (side) {
    case SideLeft: o = {P.x - W - d, P.y - hh}; break;
    case SideBelow: o = {P.x - hw, P.y - H - d}; break;
    case SideRight: o = {P.x + d, P.y - hh}; break;
    case SideAbove: o = {P.x - hw, P.y + d}; break;
    case SideLeftUpward: o = {P.x - W - d, P.y - i}; break;
    case SideLeftDownward: o = {P.x - W - d, P.y - (H - i)}; break;
    case SideRightUpward: o = {P.x + d, P.y - i}; break;
    case SideRightDownward: o = {P.x + d, P.y - (H - i)}; break;
    case SideAboveLeftward: o = {P.x - (W - i), P.y + d}; break;
    case SideAboveRightward: o = {P.x - i, P.y + d}; break;
    case SideBelowLeftward: o = {P.x - (W - i), P.y - H - d}; break;
    case SideBelowRightward: o = {P.x - i, P.y - H - d}; break;
    default: break;  // the lower-left corner on the point
  }
  return {NSMakeRect(o.x, o.y, W, H), vf};
}

int bestSideForAutomaticPosition(const NSSize& viewSize, const NSPoint& P, float distance,
                                 const AttachedAppearance& ap, const NSRect& S, const NSRect& F,
                                 double s) {
  const double m = ap.viewMargin;
  const double W = viewSize.width + 2 * m * s, H = viewSize.height + 2 * m * s;
  const float gap = float(distance + ap.arrowHeight * s);
  int side;
  if (P.y - H - gap >= S.minY()) side = SideBelow;
  else if (P.x + W + gap < S.maxX()) side = SideRight;
  else if (P.x - W - gap >= S.minX()) side = SideLeft;
  else if (P.y + H + gap < S.maxY()) side = SideAbove;
  else side = SideBelow;
  const double i = attachedArrowInset(ap, s);
  const float hw = float(W) / 2.0f, hh = float(H) / 2.0f;
  if (side == SideBelow || side == SideAbove) {
    if (F.minX() > P.x - hw) {
      if (S.maxX() > P.x + W - i) return side == SideBelow ? SideBelowRightward : SideAboveRightward;
    } else if (P.x + hw >= F.maxX()) {
      if (P.x - W + i >= S.minX()) return side == SideBelow ? SideBelowLeftward : SideAboveLeftward;
    }
  } else {
    if (F.minY() > P.y - hh) {
      if (S.maxY() > P.y + H - i) return side == SideLeft ? SideLeftUpward : SideRightUpward;
    } else if (P.y + hh >= F.maxY()) {
      if (P.y - H + i >= S.minY()) return side == SideLeft ? SideLeftDownward : SideRightDownward;
    }
  }
  return side;
}

namespace {
void appendArrow(QPainterPath& path, const AttachedAppearance& ap, int side, double s) {
  if (!ap.hasArrow) return;
  const QPointF c = path.currentPosition();
  const float ah = float(ap.arrowHeight * s), bw = float(ap.arrowBaseWidth * s), hbw = bw / 2;
  QPointF tip, end;
  switch (side) {
    case SideBelow: case SideBelowLeftward: case SideBelowRightward:
      tip = {c.x() + hbw, c.y() + ah}; end = {c.x() + bw, c.y()}; break;
    case SideLeft: case SideLeftUpward: case SideLeftDownward:
      tip = {c.x() + ah, c.y() - hbw}; end = {c.x(), c.y() - bw}; break;
    case SideAbove: case SideAboveLeftward: case SideAboveRightward:
      tip = {c.x() - hbw, c.y() - ah}; end = {c.x() - bw, c.y()}; break;
    case SideRight: case SideRightUpward: case SideRightDownward:
      tip = {c.x() - ah, c.y() + hbw}; end = {c.x(), c.y() + bw}; break;
    default:
      return;
  }
  path.lineTo(tip);
  path.lineTo(end);
}
}  // namespace

QPainterPath attachedBackgroundPath(const AttachedAppearance& ap, int side, const NSRect& vf, double s) {
  const float r = float(ap.cornerRadius * s), b = float(ap.arrowBaseWidth * s), hb = b / 2;
  const float ms = float(ap.viewMargin * s);
  const float kx = float(vf.x()) - ms, ky = float(vf.y()) - ms;
  const float kw = float(vf.w()) + 2 * ms, kh = float(vf.h()) + 2 * ms;
  const float fs = float(s);
  const float half = ap.snapsHalfPoint ? 0.5f : 0.0f;
  const float minX = std::ceil(kx * fs + half), maxX = std::floor((kx + kw) * fs - half);
  const float minY = std::ceil(ky * fs + half), maxY = std::floor((ky + kh) * fs - half);
  const float midX = (kx + kw / 2) * fs, midY = (ky + kh / 2) * fs;
  auto rounded = [&](int a, int c) { return r > 0 && (ap.drawsRoundCornerBesideArrow || (side != a && side != c)); };
  const bool tl = rounded(SideRightDownward, SideBelowRightward);
  const bool tr = rounded(SideLeftDownward, SideBelowLeftward);
  const bool br = rounded(SideLeftUpward, SideAboveLeftward);
  const bool bl = rounded(SideRightUpward, SideAboveRightward);

  QPainterPath path;
  path.moveTo(tl ? minX + r : minX, maxY);
  // top edge, left to right
  const float topEnd = tr ? maxX - r : maxX;
  if (side == SideBelow) { path.lineTo(midX - hb, maxY); appendArrow(path, ap, side, s); }
  else if (side == SideBelowLeftward) { path.lineTo(topEnd - b, maxY); appendArrow(path, ap, side, s); }
  else if (side == SideBelowRightward) appendArrow(path, ap, side, s);
  path.lineTo(topEnd, maxY);
  if (tr) appendArcFromPoint(path, {maxX, maxY}, {maxX, maxY - r}, r);
  // right edge, downwards
  const float rightEnd = br ? minY + r : minY;
  if (side == SideLeft) { path.lineTo(maxX, midY + hb); appendArrow(path, ap, side, s); }
  else if (side == SideLeftUpward) { path.lineTo(maxX, rightEnd + b); appendArrow(path, ap, side, s); }
  else if (side == SideLeftDownward) appendArrow(path, ap, side, s);
  path.lineTo(maxX, rightEnd);
  if (br) appendArcFromPoint(path, {maxX, minY}, {maxX - r, minY}, r);
  // bottom edge, right to left
  const float bottomEnd = bl ? minX + r : minX;
  if (side == SideAbove) { path.lineTo(midX + hb, minY); appendArrow(path, ap, side, s); }
  else if (side == SideAboveRightward) { path.lineTo(bottomEnd + b, minY); appendArrow(path, ap, side, s); }
  else if (side == SideAboveLeftward) appendArrow(path, ap, side, s);
  path.lineTo(bottomEnd, minY);
  if (bl) appendArcFromPoint(path, {minX, minY}, {minX, minY + r}, r);
  // left edge, upwards
  const float leftEnd = tl ? maxY - r : maxY;
  if (side == SideRight) { path.lineTo(minX, midY - hb); appendArrow(path, ap, side, s); }
  else if (side == SideRightDownward) { path.lineTo(minX, leftEnd - b); appendArrow(path, ap, side, s); }
  else if (side == SideRightUpward) appendArrow(path, ap, side, s);
  path.lineTo(minX, leftEnd);
  if (tl) appendArcFromPoint(path, {minX, maxY}, {minX + r, maxY}, r);
  path.closeSubpath();
  return path;
}

}  // namespace uikit

// ------------------------------------------------------------ AttachedWindow

namespace uikit {

namespace {
float minViewSide(const NSRect& vf) { return float(std::min(vf.w(), vf.h())); }
}  // namespace

template <class Base>
AttachedWindowOn<Base>::AttachedWindowOn(QWidget* view, const NSPoint& point, QWidget* parentWindow,
                                         int side, float distance, const Variant& v)
    : Base(parentWindow, parentWindow ? Qt::Widget : (Qt::Tool | Qt::FramelessWindowHint)),
      _borderColor(v.border),
      ap_(v.appearance),
      _MABackgroundColor(v.fill),
      _view(view),
      _window(parentWindow),
      _point(point),
      _side(side),
      _distance(distance),
      movable_(v.movableByBackground),
      hasShadow_(v.shadow),
      madeWithParent_(parentWindow != nullptr) {
  uikit::setTranslucentWindow(this);
  this->setAttribute(Qt::WA_DeleteOnClose);
  this->setFocusPolicy(Qt::ClickFocus);
  this->hide();
  if (v.shadow) {
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(14);
    shadow->setOffset(0, 3);
    shadow->setColor(QColor(0, 0, 0, 70));
    this->setGraphicsEffect(shadow);
  }
}

template <class Base>
AttachedWindowOn<Base>::~AttachedWindowOn() {
  // ~QWidget clears the focus of a window that holds it; the handler below
  // must not run then on the half-destroyed window.
  QObject::disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

template <class Base>
void AttachedWindowOn<Base>::setUp() {
  if (_side == SideAutomatic) {
    NSRect S, F;
    if (_window) {
      // The screen's usable area and the parent's frame, in the parent's coordinates.
      const QWidget* top = _window->window();
      const QScreen* scr = top->screen();
      const QRect avail = scr ? scr->availableGeometry() : QRect(QPoint(0, 0), _window->size());
      const QPoint origin = _window->mapToGlobal(QPoint(0, 0));
      S = fromQt(QRectF(avail.translated(-origin)), _window->height());
      F = NSMakeRect(0, 0, _window->width(), _window->height());
    } else {
      S = screenVisibleFrame(QGuiApplication::primaryScreen());
      F = S;
    }
    _side = bestSideForAutomaticPosition(NSMakeSize(_view->width(), _view->height()), _point,
                                         _distance, ap_, S, F);
  }
  updateGeometry_();
  updateBackground();
  _view->setParent(this);
  _view->setGeometry(toQt(_viewFrame, frame_.h()));
  _view->show();
  if (_window) _window->installEventFilter(this);
  QObject::connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    const bool wasIn = old && (old == this || this->isAncestorOf(old));
    const bool isIn = now && (now == this || this->isAncestorOf(now));
    if (wasIn && !isIn) resignedKey();
  });
}

template <class Base>
double AttachedWindowOn<Base>::parentHeight() const {
  if (!this->isWindow() && this->parentWidget()) return this->parentWidget()->height();
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().y() + s->geometry().height() : 0;
}

template <class Base>
void AttachedWindowOn<Base>::updateGeometry_() {
  if (!_view) return;
  const AttachedGeometry g = attachedWindowGeometry(NSMakeSize(_view->width(), _view->height()),
                                                    _point, _side, _distance, ap_);
  frame_ = g.windowFrame;
  _viewFrame = g.viewFrame;
  const bool guard = _resizing;
  _resizing = true;
  this->setGeometry(toQt(frame_, parentHeight()));
  _resizing = guard;
  _view->setGeometry(toQt(_viewFrame, frame_.h()));
}

template <class Base>
void AttachedWindowOn<Base>::updateBackground() {
  this->update();
  refreshWindowShape(this);
}

template <class Base>
void AttachedWindowOn<Base>::redisplay() {
  if (_resizing) return;
  _resizing = true;
  updateGeometry_();
  updateBackground();
  _resizing = false;
}

template <class Base>
void AttachedWindowOn<Base>::setFrameOrigin(const NSPoint& origin) {
  frame_.origin = origin;
  const bool guard = _resizing;
  _resizing = true;
  this->setGeometry(toQt(frame_, parentHeight()));
  _resizing = guard;
}

template <class Base>
void AttachedWindowOn<Base>::addToParentWindow(QWidget* parent) {
  if (!parent) parent = _window;
  if (!parent) {  // no parent at all: a top-level window on the screen
    this->show();
    this->raise();
    return;
  }
  if (this->isWindow() || this->parentWidget() != parent) {
    NSRect f = frame_;
    if (this->isWindow()) {
      // From screen coordinates to the parent's: less its lower-left corner.
      const NSRect pf = screenFromQt(QRectF(parent->mapToGlobal(QPoint(0, 0)), QSizeF(parent->size())));
      f.origin.x -= pf.x();
      f.origin.y -= pf.y();
    }
    if (_window) _window->removeEventFilter(this);
    this->setParent(parent, Qt::Widget);
    _window = parent;
    parent->installEventFilter(this);
    frame_ = f;
    this->setGeometry(toQt(frame_, parent->height()));
  }
  fitShadow();
  this->show();
  this->raise();
}

template <class Base>
void AttachedWindowOn<Base>::fitShadow() {
  QGraphicsEffect* effect = this->graphicsEffect();
  if (!effect) return;
  const QWidget* parent = this->isWindow() ? nullptr : this->parentWidget();
  effect->setEnabled(!(parent && this->geometry().contains(parent->rect())));
}

template <class Base>
void AttachedWindowOn<Base>::dismiss() {
  if (_window) _window->removeEventFilter(this);
  QWidget* top = this->parentWidget() ? this->parentWidget()->window() : nullptr;
  this->hide();
  this->deleteLater();
  // A panel or pop-up the user worked in leaves its window the active one.
  if (top && QGuiApplication::applicationState() == Qt::ApplicationActive && !top->isActiveWindow())
    ReturnActivation(top).giveBack();
}

template <class Base>
void AttachedWindowOn<Base>::setBackgroundColor(const QBrush& c) {
  if (c == _MABackgroundColor) return;
  _MABackgroundColor = c;
  updateBackground();
}

template <class Base>
void AttachedWindowOn<Base>::setBorderColor(const QColor& c) {
  if (c == _borderColor) return;
  _borderColor = c;
  updateBackground();
}

template <class Base>
void AttachedWindowOn<Base>::setBorderWidth(float w) {
  if (w == ap_.borderWidth) return;
  ap_.borderWidth = std::min(w, ap_.viewMargin);
  updateBackground();
}

template <class Base>
void AttachedWindowOn<Base>::setViewMargin(float m) {
  if (m == ap_.viewMargin) return;
  ap_.viewMargin = std::max(0.0f, m);
  setCornerRadius(ap_.cornerRadius);
}

template <class Base>
void AttachedWindowOn<Base>::setCornerRadius(float r) {
  const float limit = (2 * ap_.viewMargin + minViewSide(_viewFrame) - ap_.arrowBaseWidth) / 2;
  ap_.cornerRadius = std::max(0.0f, std::min(r, limit));
  setArrowBaseWidth(ap_.arrowBaseWidth);
}

template <class Base>
void AttachedWindowOn<Base>::setArrowBaseWidth(float w) {
  float limit = 2 * ap_.viewMargin + minViewSide(_viewFrame) - ap_.cornerRadius;
  if (ap_.drawsRoundCornerBesideArrow) limit -= ap_.cornerRadius;
  ap_.arrowBaseWidth = std::min(w, limit);
  redisplay();
}

template <class Base>
void AttachedWindowOn<Base>::setArrowHeight(float h) {
  if (h == ap_.arrowHeight) return;
  ap_.arrowHeight = h;
  redisplay();
}

template <class Base>
void AttachedWindowOn<Base>::setHasArrow(float v) {
  if (v == hasArrow()) return;
  ap_.hasArrow = int(v) != 0;
  updateBackground();
}

template <class Base>
void AttachedWindowOn<Base>::setDrawsRoundCornerBesideArrow(float v) {
  if (v == drawsRoundCornerBesideArrow()) return;
  ap_.drawsRoundCornerBesideArrow = int(v) != 0;
  redisplay();
}

template <class Base>
void AttachedWindowOn<Base>::setBackgroundImage(const QPixmap& image) {
  if (image.isNull()) return;
  setBackgroundColor(QBrush(image));
}

template <class Base>
void AttachedWindowOn<Base>::performClose() {
  if (madeWithParent_ && _window) {
    if (auto* attached = qobject_cast<AttachedWindow*>(_window.data()))
      attached->performClose();
    else if (auto* panel = qobject_cast<StatusAttachedWindow*>(_window.data()))
      panel->performClose();
    else
      _window->window()->close();  // the window may refuse, as on a click of its close button
    return;
  }
  QApplication::beep();
}

template <class Base>
void AttachedWindowOn<Base>::setPoint(const NSPoint& point, int side) {
  _point = point;
  _side = side;
  updateGeometry_();
  updateBackground();
}

template <class Base>
void AttachedWindowOn<Base>::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  paintUnderView(p);
  const QPainterPath path = flippedTransform(this->height()).map(attachedBackgroundPath(ap_, _side, _viewFrame));
  p.save();
  p.setClipPath(path);
  QBrush fill = _MABackgroundColor;
  // A pattern starts at the lower-left corner, as AppKit lays it.
  if (fill.style() == Qt::TexturePattern) fill.setTransform(QTransform::fromTranslate(0, this->height()));
  p.fillPath(path, fill);
  if (ap_.borderWidth > 0 && _borderColor.isValid() && _borderColor.alpha() > 0) {
    // Twice as wide as asked: the clip keeps the inner half.
    p.strokePath(path, QPen(_borderColor, 2 * ap_.borderWidth));
  }
  p.restore();
}

template <class Base>
void AttachedWindowOn<Base>::mousePressEvent(QMouseEvent* e) {
  // Presses inside never fall through to the window below.
  e->accept();
  if (movable_ && e->button() == Qt::LeftButton) {
    dragging_ = true;
    dragFrom_ = e->globalPosition().toPoint();
  }
}

template <class Base>
void AttachedWindowOn<Base>::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  if (!dragging_) return;
  const QPoint now = e->globalPosition().toPoint();
  const QPoint d = now - dragFrom_;
  dragFrom_ = now;
  setFrameOrigin({frame_.x() + d.x(), frame_.y() - d.y()});
}

template <class Base>
void AttachedWindowOn<Base>::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  dragging_ = false;
}

template <class Base>
void AttachedWindowOn<Base>::closeEvent(QCloseEvent* e) {
  // Closing ends no modal loop: a callout timing out while another window
  // runs modally must leave that window's session alone.
  announceWillClose();
  if (_window) _window->removeEventFilter(this);
  Base::closeEvent(e);
}

template <class Base>
void AttachedWindowOn<Base>::resizeEvent(QResizeEvent* e) {
  Base::resizeEvent(e);
  // Only a size from outside re-lays the window out; our own frame changes
  // (delivered late while hidden) would undo a moved origin.
  if (e->size() != QSize(qRound(frame_.w()), qRound(frame_.h()))) redisplay();
  fitShadow();
}

template <class Base>
bool AttachedWindowOn<Base>::eventFilter(QObject* o, QEvent* e) {
  // Keep the lower-left anchoring of AppKit when the parent changes height.
  if (o == _window && e->type() == QEvent::Resize && !this->isWindow()) {
    const bool guard = _resizing;
    _resizing = true;
    this->setGeometry(toQt(frame_, parentHeight()));
    _resizing = guard;
    fitShadow();
  }
  return Base::eventFilter(o, e);
}

template class AttachedWindowOn<QWidget>;
template class AttachedWindowOn<PopBaseWindow>;

QWidget* asAttachedWindow(QObject* o) {
  if (auto* a = qobject_cast<AttachedWindow*>(o)) return a;
  return qobject_cast<StatusAttachedWindow*>(o);
}

}  // namespace uikit

// ---------------------------------------------------------------- variants

const AttachedVariant& AttachedWindow::variant() {
  static const AttachedVariant v{
      .appearance = {.borderWidth = 0.2f,
                     .viewMargin = 2,
                     .arrowBaseWidth = 0,
                     .arrowHeight = 0,
                     .hasArrow = true,
                     .cornerRadius = 8,
                     .drawsRoundCornerBesideArrow = true,
                     .snapsHalfPoint = true},
      .fill = Qt::white,
      .border = Qt::white,
      .movableByBackground = true,
      .shadow = true,
  };
  return v;
}

const AttachedVariant& NODEAttachedWindow::variant() {
  static const AttachedVariant v{
      .appearance = {.borderWidth = 0.2f,
                     .viewMargin = 2,
                     .arrowBaseWidth = 0,
                     .arrowHeight = 0,
                     .hasArrow = true,
                     .cornerRadius = 4,
                     .drawsRoundCornerBesideArrow = false,
                     .snapsHalfPoint = true},
      .fill = Qt::white,
      .border = Qt::white,
      .movableByBackground = true,
      .shadow = true,
  };
  return v;
}

const AttachedVariant& RAttachedWindow::variant() {
  static const AttachedVariant v{
      .appearance = {.borderWidth = 1,
                     .viewMargin = 2,
                     .arrowBaseWidth = 0,
                     .arrowHeight = 0,
                     .hasArrow = true,
                     .cornerRadius = 6,
                     .drawsRoundCornerBesideArrow = true,
                     .snapsHalfPoint = true},
      .fill = deviceColor(255, 255, 255, 0.97),
      .border = deviceColor(197, 197, 197, 1),
      .movableByBackground = false,
      .shadow = false,
  };
  return v;
}

NODEAttachedWindow* NODEAttachedWindow::initWithView(QWidget* view, const NSPoint& point,
                                                     QWidget* parentWindow, int side, float distance) {
  if (!view) return nullptr;
  auto* w = new NODEAttachedWindow(view, point, parentWindow, side, distance, variant());
  w->setUp();
  return w;
}

AttachedWindow* AttachedWindow::initWithView(QWidget* view, const NSPoint& point,
                                             QWidget* parentWindow, int side, float distance) {
  if (!view) return nullptr;
  auto* w = new AttachedWindow(view, point, parentWindow, side, distance, variant());
  w->setUp();
  return w;
}

RAttachedWindow* RAttachedWindow::initWithView(QWidget* view, const NSPoint& point,
                                               QWidget* parentWindow, int side, float distance,
                                               float /*windowBgAlpha*/) {
  if (!view) return nullptr;
  auto* w = new RAttachedWindow(view, point, parentWindow, side, distance, variant());
  w->setUp();
  return w;
}

void RAttachedWindow::closeMattachedWindow() {
  if (auto* d = delegate_.get()) d->closeMattachedWindow();
}

void RAttachedWindow::enterEvent(QEnterEvent* e) {
  pointerInside_ = true;
  AttachedWindow::enterEvent(e);
}

void RAttachedWindow::leaveEvent(QEvent* e) {
  pointerInside_ = false;
  AttachedWindow::leaveEvent(e);
  Q_EMIT pointerLeft();
}

const AttachedVariant& StatusAttachedWindow::variant() {
  static const AttachedVariant v{
      .appearance = {.borderWidth = 0,
                     .viewMargin = 0,
                     .arrowBaseWidth = 15,
                     .arrowHeight = 0,
                     .hasArrow = false,
                     .cornerRadius = 8,
                     .drawsRoundCornerBesideArrow = true,
                     .snapsHalfPoint = false},
      .fill = Qt::transparent,
      .border = QColor(),
      .movableByBackground = false,
      .shadow = true,
  };
  return v;
}

StatusAttachedWindow* StatusAttachedWindow::initWithView(QWidget* view, const NSPoint& point,
                                                         QWidget* parentWindow, int side, float distance) {
  if (!view) return nullptr;
  auto* w = new StatusAttachedWindow(view, point, parentWindow, side, distance, variant());
  w->setMouseTracking(true);
  w->setUp();
  return w;
}

void StatusAttachedWindow::setMattachedWDelegate(StatusAttachedWindowDelegate* d) { delegate_ = d; }

void StatusAttachedWindow::closeMattachedWindow() {
  if (auto* d = delegate_.get()) d->isHiddenWindow();
}

void StatusAttachedWindow::paintUnderView(QPainter& p) {
  Image::named("popWBg").draw(p, QRectF(rect()));
}

void StatusAttachedWindow::enterEvent(QEnterEvent* e) {
  if (auto* d = delegate_.get()) d->mouseInWindow(true);
  AttachedWindowOn::enterEvent(e);
}

void StatusAttachedWindow::leaveEvent(QEvent* e) {
  if (auto* d = delegate_.get()) d->mouseInWindow(false);
  AttachedWindowOn::leaveEvent(e);
}

// ----------------------------------------------------------------- helpers

namespace uikit {

NODEAttachedWindow* showErrorCallout(QWidget* mainWindow, QWidget* view, const NSPoint& point) {
  auto* w = NODEAttachedWindow::initWithView(view, point, mainWindow, SideAbove, 0);
  if (w) w->addToParentWindow(mainWindow);
  return w;
}

RAttachedWindow* showDropDown(QWidget* parent, QWidget* view, const NSPoint& point) {
  auto* w = RAttachedWindow::initWithView(view, point, parent, SideAbove, 0, 0.8f);
  if (w) w->addToParentWindow(parent);
  return w;
}

StatusAttachedWindow* showPanel(QWidget* mainWindow, QWidget* view) {
  if (!mainWindow || !view) return nullptr;
  // Made in the main window's own coordinates at (w*0.5 - 3, 0), which is
  // the screen point (x + w*0.5 - 3, y) less the window's origin, then moved
  // to the window's lower-left corner.
  auto* w = StatusAttachedWindow::initWithView(
      view, NSMakePoint(mainWindow->width() * 0.5 - 3, 0), mainWindow, SideBelow, 5);
  if (!w) return nullptr;
  // It stands for a window made on the screen with no parent: the close
  // command does not reach the main window through it.
  w->madeWithParent_ = false;
  w->setFrameOrigin(NSMakePoint(0, 0));
  w->addToParentWindow(mainWindow);
  return w;
}

void closeAttachedWindowAfter(AttachedWindow* w, double seconds) {
  QPointer<AttachedWindow> guard(w);
  QTimer::singleShot(int(seconds * 1000), guard, [guard] {
    if (guard) guard->dismiss();
  });
}

}  // namespace uikit
