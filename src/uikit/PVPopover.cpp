#include "uikit/PVPopover.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "services/Appearance.h"
#include "services/WindowActivation.h"
#include "uikit/Translucency.h"

using namespace uikit;

namespace uikit {

NSRect popoverFrameWithSize(const NSSize& s, int d, const NSRect& S, double a) {
  const double W = s.width + 2 * a, H = s.height + 2 * a;
  switch (d) {
    case 1: return NSMakeRect(S.x() + S.w(), S.y() + S.h() / 2 - std::floor(H / 2), W, H);
    case 2: return NSMakeRect(S.x() - W, S.y() + S.h() / 2 - std::floor(H / 2), W, H);
    case 3: return NSMakeRect(S.x() + S.w() / 2 - std::floor(W / 2) + 10, S.y() - H, W, H);
    case 4: return NSMakeRect(S.x() + S.w() / 2 - std::floor(W / 2), S.y() + S.h(), W, H);
    default: return NSZeroRect;
  }
}

int popoverOppositeDirection(int d) {
  switch (d) {
    case 1: return 2;
    case 2: return 1;
    case 3: return 4;
    case 4: return 3;
    default: return 0;
  }
}

int popoverArrowDirection(int p, const NSSize& content, const NSRect& S, const NSRect& R) {
  auto fits = [&](int d) { return NSContainsRect(R, popoverFrameWithSize(content, d, S)); };
  if (fits(p)) return p;
  const int q = popoverOppositeDirection(p);
  if (fits(q)) return q;
  int c = q;
  if (p >= 1 && p <= 4) {
    // Room below against room above, both measured on this screen, so a
    // screen that does not start at 0 decides the same way.
    const double below = S.y() - R.y();
    const double above = R.maxY() - S.maxY();
    c = below > above ? 3 : 4;
  }
  return fits(c) ? c : p;
}

QPainterPath popoverBezierPathWithRect(const NSRect& r, int d, double cr, const NSSize& arrow) {
  const double aw = arrow.width, ah = arrow.height;
  const NSRect i = NSInsetRect(r, ah + cr, ah + cr);
  const double minX = i.minX(), minY = i.minY(), maxX = i.maxX(), maxY = i.maxY();
  const double midX = i.midX(), midY = i.midY();
  QPainterPath path;
  appendArcWithCenter(path, {minX, minY}, cr, 180, 270);
  if (d == 4) {
    path.lineTo(std::floor(midX - aw / 2), minY - cr);
    path.lineTo(std::floor(midX), minY - cr - ah);
    path.lineTo(std::floor(midX + aw / 2), minY - cr);
  }
  appendArcWithCenter(path, {maxX, minY}, cr, 270, 360);
  if (d == 2) {
    path.lineTo(maxX + cr, std::floor(midY - aw / 2));
    path.lineTo(maxX + cr + ah, std::floor(midY));
    path.lineTo(maxX + cr, std::floor(midY + aw / 2));
  }
  appendArcWithCenter(path, {maxX, maxY}, cr, 0, 90);
  if (d == 3) {
    path.lineTo(std::floor(midX + aw / 2), maxY + cr);
    path.lineTo(std::floor(midX), maxY + cr + ah);
    path.lineTo(std::floor(midX - aw / 2), maxY + cr);
  }
  appendArcWithCenter(path, {minX, maxY}, cr, 90, 180);
  if (d == 1) {
    path.lineTo(minX - cr, std::floor(midY + aw / 2));
    path.lineTo(minX - cr - ah, std::floor(midY));
    path.lineTo(minX - cr, std::floor(midY - aw / 2));
  }
  path.closeSubpath();
  return path;
}

}  // namespace uikit

// ------------------------------------------------------------- frame view

PVPopoverWindowFrame::PVPopoverWindowFrame(QWidget* parent) : QWidget(parent) {}

void PVPopoverWindowFrame::setColor(const QColor& c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void PVPopoverWindowFrame::setBorderColor(const QColor& c) {
  if (c == borderColor_) return;
  borderColor_ = c;
  update();
}

void PVPopoverWindowFrame::setBorderWidth(double w) {
  if (w == borderWidth_) return;
  borderWidth_ = w;
  update();
}

void PVPopoverWindowFrame::setArrowDirection(unsigned d) {
  if (d == arrowDirection_) return;
  arrowDirection_ = d;
  update();
  refreshWindowShape(window());
}

QPainterPath PVPopoverWindowFrame::paintedPath() const {
  NSRect r = NSMakeRect(0, 0, width(), height());
  if (unsigned(borderWidth_) % 2 == 1) r = NSInsetRect(r, 0.5, 0.5);
  return popoverBezierPathWithRect(r, int(arrowDirection_), cornerRadius_, arrowSize_);
}

void PVPopoverWindowFrame::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setTransform(flippedTransform(height()));
  const QPainterPath path = paintedPath();
  // The stored colours do not change the painting: the body is always white.
  p.fillPath(path, Qt::white);
  if (borderWidth_ > 0) {
    QPen pen(Qt::white, 1);
    pen.setJoinStyle(Qt::RoundJoin);
    p.strokePath(path, pen);
  }
  if (topHighlightColor_.isValid()) {
    const NSRect b = NSInsetRect(NSMakeRect(0, 0, width(), height()), arrowSize_.height, arrowSize_.height);
    const double x = std::floor(b.x() + cornerRadius_ / 2);
    const double y = b.y() + b.h() - borderWidth_ - 1;
    const double w = b.w() - cornerRadius_;
    if (arrowDirection_ == 3) {
      const double piece = std::floor(w / 2 - arrowSize_.width / 2);
      p.fillRect(QRectF(x, y, piece, 1), topHighlightColor_);
      p.fillRect(QRectF(std::floor(x + w / 2 + arrowSize_.width / 2), y, piece, 1), topHighlightColor_);
    } else {
      p.fillRect(QRectF(x, y, w, 1), topHighlightColor_);
    }
  }
}

// ----------------------------------------------------------------- window

PVPopoverWindow::PVPopoverWindow() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
  uikit::setTranslucentWindow(this);
  setFocusPolicy(Qt::StrongFocus);
  appearance::forceLightAppearance(this);
  frame_ = new PVPopoverWindowFrame(this);
}

PVPopoverWindow::~PVPopoverWindow() {
  if (_zoomWindow) delete _zoomWindow;
  // The content belongs to whoever made it.
  if (_popoverContentView) _popoverContentView->setParent(nullptr);
}

NSRect PVPopoverWindow::contentRectForFrameRect(const NSRect& f) const {
  const double a = kPopoverArrowHeight;
  return NSMakeRect(a, a, f.w() - 2 * a, f.h() - 2 * a);
}

NSRect PVPopoverWindow::frameRectForContentRect(const NSRect& c) const {
  const double a = kPopoverArrowHeight;
  return NSMakeRect(c.x() - a, c.y() - a, c.w() + 2 * a, c.h() + 2 * a);
}

bool PVPopoverWindow::isPopoverVisible() const {
  return isVisible() || (_zoomWindow && _zoomWindow->isVisible());
}

void PVPopoverWindow::setFrame(const NSRect& f) {
  frame_rect_ = f;
  setGeometry(screenToQt(f));
}

void PVPopoverWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  frame_->setGeometry(rect());
  if (_popoverContentView) {
    const NSRect c = contentRectForFrameRect(NSMakeRect(0, 0, width(), height()));
    _popoverContentView->setGeometry(toQt(c, height()));
  }
}

void PVPopoverWindow::setPopoverContentView(QWidget* v) {
  if (v == _popoverContentView) return;
  if (_popoverContentView) {
    _popoverContentView->hide();
    _popoverContentView->setParent(nullptr);
  }
  _popoverContentView = v;
  if (!v) return;
  v->setParent(frame_);
  const NSRect c = contentRectForFrameRect(NSMakeRect(0, 0, width(), height()));
  v->setGeometry(toQt(c, height()));
  v->show();
}

void PVPopoverWindow::animateAlpha(QWidget* w, double to) {
  auto* anim = new QPropertyAnimation(w, "windowOpacity", w);
  anim->setDuration(250);
  anim->setEndValue(to);
  if (w == this) {
    connect(anim, &QPropertyAnimation::finished, this, [this] {
      if (_popoverController) _popoverController->animationDidStop();
    });
  }
  anim->start(QAbstractAnimation::DeleteWhenStopped);
}

void PVPopoverWindow::presentAnimated() {
  if (!_popoverController) return;
  if (_popoverController->animationType() == 0) presentWithPopAnimation();
  else presentWithFadeAnimation();
}

void PVPopoverWindow::presentWithPopAnimation() {
  dismissing_ = false;
  const NSRect end = frame_rect_;
  const int dir = int(frame_->arrowDirection());
  const NSRect screenAnchor = _popoverController ? _popoverController->screenRect() : NSZeroRect;
  const NSRect start = popoverFrameWithSize({20, 20}, dir, screenAnchor);
  const NSRect over = popoverFrameWithSize({1.2 * end.w(), 1.2 * end.h()}, dir, screenAnchor);
  // The zoom scales a snapshot in a window of its own; the content is not laid
  // out again while it runs.
  const QPixmap snapshot = grab();
  auto* zoom = new QLabel(nullptr, Qt::Tool | Qt::FramelessWindowHint);
  uikit::setTranslucentWindow(zoom);
  zoom->setAttribute(Qt::WA_DeleteOnClose);
  zoom->setPixmap(snapshot);
  zoom->setScaledContents(true);
  zoom->setGeometry(screenToQt(start));
  zoom->setWindowOpacity(0);
  zoom->show();
  _zoomWindow = zoom;
  auto* geo = new QPropertyAnimation(zoom, "geometry", zoom);
  geo->setDuration(250);
  geo->setStartValue(screenToQt(start));
  geo->setKeyValueAt(0.5, screenToQt(over));
  geo->setEndValue(screenToQt(end));
  auto* fade = new QPropertyAnimation(zoom, "windowOpacity", zoom);
  fade->setDuration(250);
  fade->setEndValue(1.0);
  QPointer<PVPopoverWindow> self(this);
  connect(geo, &QPropertyAnimation::finished, this, [self, zoom] {
    if (!self) return;
    if (self->dismissing_) {
      // Closed while it opened (a choice made at once): it fades as the zoom, and stays closed.
      zoom->close();
      self->_zoomWindow = nullptr;
      return;
    }
    self->setWindowOpacity(1.0);
    self->show();
    self->raise();
    self->activateWindow();
    zoom->close();
    self->_zoomWindow = nullptr;
    if (self->_popoverController) self->_popoverController->animationDidStop();
  });
  geo->start(QAbstractAnimation::DeleteWhenStopped);
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void PVPopoverWindow::presentWithFadeAnimation() {
  dismissing_ = false;
  setWindowOpacity(0);
  show();
  raise();
  activateWindow();
  animateAlpha(this, 1.0);
}

void PVPopoverWindow::dismissAnimated() {
  dismissing_ = true;
  if (_zoomWindow) animateAlpha(_zoomWindow, 0);
  animateAlpha(this, 0);
}

void PVPopoverWindow::cancelOperation() {
  if (_popoverController && _popoverController->closesWhenEscapeKeyPressed())
    _popoverController->closePopover();
}

void PVPopoverWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    cancelOperation();
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

void PVPopoverWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && !isActiveWindow() && _popoverController &&
      _popoverController->closesWhenPopoverResignsKey()) {
    // Decide on the next turn, once the application's own state has settled.
    QPointer<PVPopoverController> c(_popoverController);
    QTimer::singleShot(0, c, [c] {
      if (c) c->closePopover(PVPopoverController::CloseReason::ResignKey);
    });
  }
}

// ------------------------------------------------------------- controller

static std::function<bool()>& activeProbe() {
  static std::function<bool()> probe;
  return probe;
}

void PVPopoverController::setApplicationActiveProbe(std::function<bool()> probe) {
  activeProbe() = std::move(probe);
}

bool PVPopoverController::applicationIsActive() {
  if (activeProbe()) return activeProbe()();
  return QGuiApplication::applicationState() == Qt::ApplicationActive && QApplication::activeWindow();
}

PVPopoverController::PVPopoverController(QObject* parent) : QObject(parent) { setInitialPropertyValues(); }

PVPopoverController::PVPopoverController(QWidget* content, QObject* parent) : QObject(parent) {
  setInitialPropertyValues();
  setContentViewController(content);
}

PVPopoverController::~PVPopoverController() {
  stopObserving();
  if (_popoverWindow) {
    _popoverWindow->setPopoverController(nullptr);
    _popoverWindow->setPopoverContentView(nullptr);
    delete _popoverWindow;
  }
}

void PVPopoverController::setInitialPropertyValues() {
  _popoverWindow = new PVPopoverWindow;
  _popoverWindow->setPopoverController(this);
  setColor(QColor::fromRgbF(1, 1, 1, 1));
  setBorderColor(QColor::fromRgbF(1, 1, 1, 0.92f));
  setBorderWidth(1.0);
}

void PVPopoverController::setContentViewController(QWidget* c) {
  if (c == _contentViewController) return;
  _popoverWindow->setPopoverContentView(nullptr);
  _contentViewController = c;
  setContentSize(c ? NSMakeSize(c->width(), c->height()) : NSSize{});
  _popoverWindow->setPopoverContentView(c);
}

NSRect PVPopoverController::popoverFrameWithSize(const NSSize& s, int d) const {
  return uikit::popoverFrameWithSize(s, d, _screenRect);
}

void PVPopoverController::setContentSize(const NSSize& s) {
  _contentSize = s;
  _popoverWindow->setFrame(popoverFrameWithSize(s, int(arrowDirection())));
}

int PVPopoverController::arrowDirectionWithPreferredArrowDirection(int preferred) const {
  NSRect R = NSZeroRect;
  if (_positionView && _positionView->window()) R = screenFrame(_positionView->window()->screen());
  return popoverArrowDirection(preferred, _contentSize, _screenRect, R);
}

void PVPopoverController::computeScreenRect() {
  if (!_positionView) {
    _screenRect = NSZeroRect;
    return;
  }
  const QRectF local = toQtF(_viewRect, _positionView->height());
  const QPoint g = _positionView->mapToGlobal(local.topLeft().toPoint());
  _screenRect = screenFromQt(QRectF(QPointF(g), local.size()));
}

bool PVPopoverController::popoverIsVisible() const { return _popoverWindow->isPopoverVisible(); }

void PVPopoverController::presentPopoverFromRect(const NSRect& rect, QWidget* view, int preferred,
                                                 bool anchors) {
  if (popoverIsVisible()) return;
  parentWindow_ = view ? view->window() : nullptr;
  _positionView = view;
  _viewRect = rect;
  computeScreenRect();
  const int d = arrowDirectionWithPreferredArrowDirection(preferred);
  _popoverWindow->frameView()->setArrowDirection(unsigned(d));
  if (parentWindow_) {
    // Above its parent as a transient tool window, but not the parent's child:
    // the controller owns it, even if the parent window goes first.
    _popoverWindow->winId();
    parentWindow_->winId();
    if (QWindow* h = _popoverWindow->windowHandle()) h->setTransientParent(parentWindow_->windowHandle());
  }
  _popoverWindow->setFrame(popoverFrameWithSize(_contentSize, d));
  if (auto* del = _delegate.get()) del->popoverWillShow(this);
  if (_animates && _animationType != 2) {
    _popoverWindow->presentAnimated();
  } else {
    _popoverWindow->setWindowOpacity(1.0);
    _popoverWindow->show();
    _popoverWindow->raise();
    _popoverWindow->activateWindow();
    if (auto* del = _delegate.get()) del->popoverDidShow(this);
  }
  if (anchors && view) {
    anchored_ = true;
    view->installEventFilter(this);
    if (parentWindow_) parentWindow_->installEventFilter(this);
  }
  if (_closesWhenPopoverResignsKey) {
    observingKey_ = true;
    if (!_closesWhenApplicationBecomesInactive) {
      appState_ = connect(qApp, &QGuiApplication::applicationStateChanged, this,
                          [this](Qt::ApplicationState s) {
                            if (s == Qt::ApplicationActive) applicationDidBecomeActive();
                          });
    }
  } else if (_closesWhenApplicationBecomesInactive) {
    observingResignActive_ = true;
    appState_ = connect(qApp, &QGuiApplication::applicationStateChanged, this,
                        [this](Qt::ApplicationState s) {
                          if (s != Qt::ApplicationActive) closePopover(CloseReason::ApplicationResignActive);
                        });
  }
}

void PVPopoverController::recalculateAndResetArrowDirection() {
  const int d = arrowDirectionWithPreferredArrowDirection(int(arrowDirection()));
  _popoverWindow->frameView()->setArrowDirection(unsigned(d));
  _popoverWindow->setFrame(popoverFrameWithSize(_contentSize, d));
}

void PVPopoverController::closePopover(CloseReason reason) {
  if (!popoverIsVisible()) return;
  if (reason == CloseReason::ResignKey) {
    if (!observingKey_) return;
    // Lost key only because the application went to the background.
    if (!_closesWhenApplicationBecomesInactive && !applicationIsActive()) return;
  }
  if (auto* del = _delegate.get(); del && !del->popoverShouldClose(this)) return;
  forceClosePopover();
}

void PVPopoverController::forceClosePopover() {
  // A second request while the fade-out runs (the box clicked as the popover
  // loses key) changes nothing.
  if (!popoverIsVisible() || closing_) return;
  if (auto* del = _delegate.get()) del->popoverWillClose(this);
  if (_animates && _animationType != 1) {
    closing_ = true;
    // A fading popover takes no more clicks: a choice is made once.
    _popoverWindow->frameView()->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    _popoverWindow->dismissAnimated();
  } else {
    closePopoverAndResetVariables();
  }
}

void PVPopoverController::closeAndDeleteLater() {
  deleteWhenClosed_ = true;
  forceClosePopover();
  if (!popoverIsVisible()) deleteLater();
}

void PVPopoverController::animationDidStop() {
  const double a = _popoverWindow->windowOpacity();
  if (a == 0) {
    closePopoverAndResetVariables();
  } else if (a == 1) {
    if (auto* del = _delegate.get()) del->popoverDidShow(this);
  }
}

void PVPopoverController::applicationDidBecomeActive() {
  if (!popoverIsVisible()) return;
  QPointer<PVPopoverController> self(this);
  QTimer::singleShot(0, this, [self] {
    if (self) self->checkPopoverKeyWindowStatus();
  });
}

void PVPopoverController::checkPopoverKeyWindowStatus() {
  QWidget* w = _positionView ? _positionView->window() : nullptr;
  if (w && PVPopoverParentWindow::isReallyKeyWindow(w)) _popoverWindow->activateWindow();
}

void PVPopoverController::positionViewFrameChanged() {
  if (!_positionView) return;
  QWidget* sup = _positionView->parentWidget();
  if (sup && !sup->rect().contains(_positionView->geometry())) {
    forceClosePopover();
    return;
  }
  computeScreenRect();
  const NSRect f = popoverFrameWithSize(_contentSize, int(arrowDirection()));
  NSRect moved = _popoverWindow->frame();
  moved.origin = f.origin;
  _popoverWindow->setFrame(moved);
}

bool PVPopoverController::eventFilter(QObject* o, QEvent* e) {
  if (anchored_ && (o == _positionView || o == parentWindow_) &&
      (e->type() == QEvent::Move || e->type() == QEvent::Resize) && popoverIsVisible()) {
    positionViewFrameChanged();
  }
  return QObject::eventFilter(o, e);
}

void PVPopoverController::stopObserving() {
  if (_positionView) _positionView->removeEventFilter(this);
  if (parentWindow_) parentWindow_->removeEventFilter(this);
  if (appState_) disconnect(appState_);
  anchored_ = observingKey_ = observingResignActive_ = false;
}

void PVPopoverController::closePopoverAndResetVariables() {
  closing_ = false;
  _popoverWindow->frameView()->setAttribute(Qt::WA_TransparentForMouseEvents, false);
  QWidget* parent = _positionView ? _positionView->window() : parentWindow_.data();
  // The popover hands the activation back only if it holds it: a window opened
  // while it faded (a modal window, say) keeps its own.
  QWidget* active = QApplication::activeWindow();
  const bool heldActivation = !active || active == _popoverWindow;
  _popoverWindow->hide();
  if (auto* del = _delegate.get()) del->popoverDidClose(this);
  if (parent && heldActivation) ReturnActivation(parent).giveBack();
  _popoverWindow->frameView()->setArrowDirection(0);
  stopObserving();
  _positionView = nullptr;
  _screenRect = NSZeroRect;
  _viewRect = NSZeroRect;
  if (deleteWhenClosed_) deleteLater();
}

namespace PVPopoverParentWindow {
bool isReallyKeyWindow(const QWidget* window) { return window && window->isActiveWindow(); }
bool isKeyWindow(const QWidget* window) {
  if (!window) return false;
  if (window->isActiveWindow()) return true;
  // The popover of this window holds the focus: the window still counts as key.
  auto* pop = qobject_cast<PVPopoverWindow*>(QApplication::activeWindow());
  if (pop && pop->popoverController() && pop->popoverController()->positionView() &&
      pop->popoverController()->positionView()->window() == window)
    return PVPopoverController::applicationIsActive();
  return false;
}
}  // namespace PVPopoverParentWindow
