#include "uikit/TCImageWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cmath>

#include "platform/UserDefaults.h"
#include "services/Appearance.h"
#include "uikit/AttachedWindow.h"
#include "uikit/PVPopover.h"
#include "uikit/Style.h"
#include "uikit/TCWindowButton.h"
#include "uikit/Translucency.h"

using namespace uikit;

namespace uikit {
TrafficLightFrames layoutTrafficLights(const TrafficLightInput& in) {
  TrafficLightFrames f;
  const NSRect& c = in.container;
  if (!in.vertical) {
    double y = in.centered ? std::round(c.y() + c.h() / 2 - in.close.height / 2)
                           : c.y() + c.h() - in.close.height - in.topMargin;
    y += in.moveUp;
    f.close = NSMakeRect(in.leftMargin, y, in.close.width, in.close.height);
    f.minimize = NSMakeRect(f.close.maxX() + in.separation, y, in.minimize.width, in.minimize.height);
    f.zoom = NSMakeRect(f.minimize.maxX() + in.separation, y, in.zoom.width, in.zoom.height);
    return f;
  }
  const double total = in.close.height + in.minimize.height + in.zoom.height + 2 * (in.separation - 2);
  const double bottom = in.centered ? std::round(c.y() + c.h() / 2 - total / 2)
                                    : c.y() + c.h() - total - in.topMargin;
  f.zoom = NSMakeRect(in.leftMargin, bottom, in.zoom.width, in.zoom.height);
  f.minimize = NSMakeRect(in.leftMargin, bottom + in.zoom.height + in.separation - 2,
                          in.minimize.width, in.minimize.height);
  f.close = NSMakeRect(in.leftMargin, f.minimize.y() + in.minimize.height + in.separation - 2,
                       in.close.width, in.close.height);
  return f;
}

FullScreenButtonLayout layoutFullScreenButton(const FullScreenButtonInput& in) {
  const NSRect& c = in.container;
  const NSRect& b = in.button;
  FullScreenButtonLayout out;
  out.rightMargin = in.rightMarginSet ? in.rightMargin : c.w() - (b.x() + b.w());
  const double y = in.centered ? std::round(c.y() + c.h() / 2 - b.h() / 2)
                               : c.y() + c.h() - b.h() - in.topMargin;
  out.frame = NSMakeRect(c.w() - b.w() - out.rightMargin, y, b.w(), b.h());
  return out;
}
}  // namespace uikit

// ---------------------------------------------------------------- title bar

PVTitlebarView::PVTitlebarView(QWidget* parent) : QWidget(parent) {}

QPainterPath PVTitlebarView::outline(const NSRect& r) {
  const double radius = 16;
  QPainterPath path;
  path.moveTo(r.minX(), r.minY());
  path.lineTo(r.minX(), r.maxY() - radius);
  appendArcFromPoint(path, {r.minX(), r.maxY()}, {r.minX() + radius, r.maxY()}, radius);
  path.lineTo(r.maxX() - radius, r.maxY());
  appendArcFromPoint(path, {r.maxX(), r.maxY()}, {r.maxX(), r.maxY() - radius}, radius);
  path.lineTo(r.maxX(), r.minY());
  path.closeSubpath();
  return path;
}

void PVTitlebarView::paintEvent(QPaintEvent*) {
  auto* win = qobject_cast<TCImageWindow*>(window());
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const NSRect frame = NSMakeRect(0, 0, width(), height());
  const QPainterPath path = outline(frame);
  const bool key = win && PVPopoverParentWindow::isKeyWindow(win) &&
                   QGuiApplication::applicationState() == Qt::ApplicationActive;
  p.save();
  p.setTransform(flippedTransform(height()), true);
  if (win && win->titleBarDrawingBlock()) {
    win->titleBarDrawingBlock()(p, key, frame, path);
  } else {
    p.setClipPath(path);
    p.fillPath(path, Qt::white);
  }
  p.restore();
  if (!win || !win->showsTitle()) return;
  if ((win->windowState() & Qt::WindowFullScreen) && !win->showsTitleInFullscreen()) return;
  QColor color = key ? win->titleTextColor() : win->inactiveTitleTextColor();
  if (!color.isValid()) color = QColor::fromRgbF(56 / 255.f, 56 / 255.f, 56 / 255.f, key ? 1.f : 0.5f);
  const QFont font = systemFont(13);
  p.setFont(font);
  p.setPen(color);
  const QFontMetricsF fm(font);
  const double tw = fm.horizontalAdvance(win->title()), th = fm.height();
  const double x = std::floor((width() - tw) / 2);
  // y = bounds height − title height − 2 in y-up terms: 2 points from the top.
  p.drawText(QRectF(x, 2, tw + 1, th), Qt::AlignLeft | Qt::AlignTop, win->title());
}

// The bar lets presses reach the container, which drags and double-clicks.
void PVTitlebarView::mousePressEvent(QMouseEvent* e) { e->ignore(); }
void PVTitlebarView::mouseMoveEvent(QMouseEvent* e) { e->ignore(); }
void PVTitlebarView::mouseReleaseEvent(QMouseEvent* e) { e->ignore(); }

PVTitlebarContainer::PVTitlebarContainer(QWidget* parent) : QWidget(parent) {}

void PVTitlebarContainer::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  if (auto* win = qobject_cast<TCImageWindow*>(window())) win->windowMouseDown();
  mover_.handle(window(), e);
  e->accept();
}

void PVTitlebarContainer::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton &&
      platform::UserDefaults::standard().objectForKey("AppleMiniaturizeOnDoubleClick").toBool())
    window()->showMinimized();
  e->accept();
}

void PVTitlebarContainer::mouseMoveEvent(QMouseEvent* e) {
  mover_.handle(window(), e);
  e->accept();
}

void PVTitlebarContainer::mouseReleaseEvent(QMouseEvent* e) {
  mover_.handle(window(), e);
  e->accept();
}

// ------------------------------------------------------------------ window

TCImageWindow::TCImageWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  uikit::setTranslucentWindow(this);
  appearance::forceLightAppearance(this);
  _titleBarContainer = new PVTitlebarContainer(this);
  _titleBarContainer->lower();
  for (int k = 0; k < 3; ++k) standard_[k] = makeStandardButton(ButtonKind(k));
  setTitleBarView(new PVTitlebarView);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { redrawBar(); });
  layoutTrafficLightsAndContent();
}

TCImageWindow::~TCImageWindow() {
  // The buttons' own group (one per window) goes with them, after them.
  qDeleteAll(findChildren<TCWindowButton*>());
  TCWindowButtonGroup::releaseGroupWithIdentifier(buttonGroupIdentifier());
}

QString TCImageWindow::buttonGroupIdentifier() const {
  return QStringLiteral("TCImageWindow.%1").arg(quintptr(this), 0, 16);
}

TCWindowButton* TCImageWindow::makeStandardButton(ButtonKind kind) {
  static const char* names[] = {"window_close", "window_minimize", "window_zoom"};
  static const QColor colors[] = {QColor(255, 95, 87), QColor(254, 188, 46), QColor(40, 200, 64)};
  const QString group = buttonGroupIdentifier();
  TCWindowButtonGroup::groupWithIdentifier(group)->resetMouseCaptures();
  const int d = int(kWindowButtonDiameter);
  auto* b = new TCWindowButton(QSize(d, d), group, this);
  const QString n = names[kind];
  b->setActiveImage(Image::named(n));
  b->setActiveNotKeyWindowImage(Image::named("window_inactive"));
  b->setInactiveImage(Image::named("window_inactive"));
  b->setRolloverImage(Image::named(n + "_hover"));
  b->setPressedImage(Image::named(n + "_press"));
  b->setFallbackColor(colors[kind]);
  b->setObjectName(n);
  connect(b, &TCWindowButton::rolloverChanged, this, [this] {
    for (auto* s : standard_) if (s) s->updateImage();
  });
  connectStandardAction(b, kind);
  return b;
}

void TCImageWindow::connectStandardAction(TCWindowButton* b, ButtonKind kind) {
  switch (kind) {
    case CloseButton: connect(b, &QAbstractButton::clicked, this, &QWidget::close); break;
    case MinimizeButton: connect(b, &QAbstractButton::clicked, this, &QWidget::showMinimized); break;
    case ZoomButton:
      connect(b, &QAbstractButton::clicked, this,
              [this] { isMaximized() ? showNormal() : showMaximized(); });
      break;
  }
}

TCWindowButton* TCImageWindow::standardWindowButton(ButtonKind kind) const { return standard_[kind]; }

void TCImageWindow::setFullScreenButton(TCWindowButton* b) {
  if (_fullScreenButton == b) return;
  if (_fullScreenButton) _fullScreenButton->setParent(nullptr), _fullScreenButton->deleteLater();
  _fullScreenButton = b;
  if (b) {
    b->setParent(this);
    connect(b, &QAbstractButton::clicked, this, &TCImageWindow::toggleFullScreen);
    b->show();
  }
  layoutTrafficLightsAndContent();
}

TCWindowButton* TCImageWindow::fullScreenButton() const { return _fullScreenButton; }

void TCImageWindow::toggleFullScreen() {
  if (isFullScreen()) showNormal();
  else showFullScreen();
}

void TCImageWindow::installButton(QPointer<TCWindowButton>& slot, TCWindowButton* b, ButtonKind kind) {
  if (slot == b) return;
  if (slot) slot->setParent(nullptr), slot->deleteLater();
  slot = b;
  if (b) {
    b->setParent(this);
    b->move(standard_[kind]->pos());
    connectStandardAction(b, kind);
    b->show();
  }
  layoutTrafficLightsAndContent();
}

template <typename T>
void TCImageWindow::applySetting(T& field, T value, int refresh) {
  if (field == value) return;
  field = value;
  if (refresh & Relayout) layoutTrafficLightsAndContent();
  if (refresh & Redraw) redrawBar();
}

void TCImageWindow::setTitleBarHeight(double h) {
  if (h != _titleBarHeight) _cachedTitleBarHeight = h;
  applySetting(_titleBarHeight, h, Relayout | Redraw);
}

void TCImageWindow::setTrafficLightButtonsLeftMargin(double m) {
  applySetting(_trafficLightButtonsLeftMargin, m, Relayout | Redraw);
}

void TCImageWindow::setTrafficLightSeparation(double s) {
  applySetting(_trafficLightSeparation, s, Relayout);
}

void TCImageWindow::setCenterTrafficLightButtons(bool b) {
  applySetting(_centerTrafficLightButtons, b, Relayout);
}

void TCImageWindow::setVerticalTrafficLightButtons(bool b) {
  applySetting(_verticalTrafficLightButtons, b, Relayout);
}

void TCImageWindow::setCenterFullScreenButton(bool b) {
  applySetting(_centerFullScreenButton, b, Relayout);
}

void TCImageWindow::setFullScreenButtonRightMargin(double m) {
  if (m != _fullScreenButtonRightMargin) _setFullScreenButtonRightMargin = true;
  applySetting(_fullScreenButtonRightMargin, m, Relayout | Redraw);
}

void TCImageWindow::setShowsTitle(bool b) {
  applySetting(_showsTitle, b, Redraw);
}

void TCImageWindow::setShowsBaselineSeparator(bool b) {
  applySetting(_showsBaselineSeparator, b, Redraw);
}

void TCImageWindow::setTitleBarView(QWidget* view) {
  if (!view || view == _titleBarView) return;
  if (_titleBarView) {
    _titleBarView->hide();
    _titleBarView->setParent(nullptr);
    _titleBarView->deleteLater();
  }
  _titleBarView = view;
  view->setParent(_titleBarContainer);
  view->setGeometry(_titleBarContainer->rect());
  view->show();
}

void TCImageWindow::setContentView(QWidget* view) {
  if (view == _contentView) return;
  if (_contentView) _contentView->deleteLater();
  _contentView = view;
  if (view) {
    view->setParent(this);
    view->setGeometry(0, int(std::round(_titleBarHeight)), width(), height() - int(std::round(_titleBarHeight)));
    view->show();
    for (auto* s : standard_) s->raise();
  }
  layoutTrafficLightsAndContent();
}

void TCImageWindow::setTitle(const QString& title) {
  setWindowTitle(title);
  layoutTrafficLightsAndContent();
  redrawBar();
  Q_EMIT titleChanged(title);
}

NSRect TCImageWindow::willPositionSheet(const NSRect& proposed) const {
  NSRect r = proposed;
  r.origin.y = height() - _titleBarHeight;
  return r;
}

NSRect TCImageWindow::containerFrame() const {
  return NSMakeRect(0, height() - _titleBarHeight, width(), _titleBarHeight);
}

void TCImageWindow::layoutTrafficLightsAndContent() {
  const NSRect c = containerFrame();
  _titleBarContainer->setGeometry(toQt(c, height()));
  if (_titleBarView) _titleBarView->setGeometry(_titleBarContainer->rect());

  TCWindowButton* buttons[3];
  QPointer<TCWindowButton>* custom[3] = {&_closeButton, &_minimizeButton, &_zoomButton};
  for (int k = 0; k < 3; ++k) {
    TCWindowButton* user = *custom[k];
    standard_[k]->setVisible(!user && !(windowState() & Qt::WindowFullScreen));
    buttons[k] = user ? user : standard_[k];
  }
  TrafficLightInput in;
  in.container = c;
  auto sz = [](QWidget* w) { return NSMakeSize(w->width(), w->height()); };
  in.close = sz(buttons[0]);
  in.minimize = sz(buttons[1]);
  in.zoom = sz(buttons[2]);
  in.leftMargin = _trafficLightButtonsLeftMargin;
  in.separation = _trafficLightSeparation;
  in.topMargin = _trafficLightButtonsTopMargin;
  in.moveUp = _topButtonMoveUp;
  in.centered = _centerTrafficLightButtons;
  in.vertical = _verticalTrafficLightButtons;
  const TrafficLightFrames f = layoutTrafficLights(in);
  buttons[0]->setGeometry(toQt(f.close, height()));
  buttons[1]->setGeometry(toQt(f.minimize, height()));
  buttons[2]->setGeometry(toQt(f.zoom, height()));
  for (auto* b : buttons) b->raise();
  // Windows attached over this one (panels, callouts, drop-downs) stay above
  // the buttons, in the order they already have among themselves.
  for (QObject* child : children())
    if (QWidget* attached = asAttachedWindow(child); attached && !attached->isWindow())
      attached->raise();

  if (_fullScreenButton) {
    FullScreenButtonInput fs;
    fs.container = c;
    fs.button = fromQt(QRectF(_fullScreenButton->geometry()), height());
    fs.rightMargin = _fullScreenButtonRightMargin;
    fs.rightMarginSet = _setFullScreenButtonRightMargin;
    fs.centered = _centerFullScreenButton;
    fs.topMargin = _trafficLightButtonsTopMargin;
    const FullScreenButtonLayout l = layoutFullScreenButton(fs);
    _fullScreenButtonRightMargin = l.rightMargin;
    _setFullScreenButtonRightMargin = true;
    _fullScreenButton->setGeometry(toQt(l.frame, height()));
    _fullScreenButton->raise();
  }

  if (_contentView) {
    const int top = int(std::round(_titleBarHeight));
    const QRect g(0, top, width(), height() - top);
    if (_contentView->geometry() != g) _contentView->setGeometry(g);
    _contentView->update();
  }
}

void TCImageWindow::redrawBar() {
  if (_titleBarView) _titleBarView->update();
}

void TCImageWindow::windowMouseDown() {
  if (auto* d = delegate_.get()) d->tcimageWindowBecomeKeyWindow();
}

void TCImageWindow::paintEvent(QPaintEvent*) {
  // The window's own white background, below the bar; the bar paints its own
  // rounded top so the corners stay clear.
  QPainter p(this);
  p.fillRect(QRect(0, int(std::round(_titleBarHeight)), width(), height()), Qt::white);
}

void TCImageWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  layoutTrafficLightsAndContent();
}

void TCImageWindow::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  layoutTrafficLightsAndContent();
}

void TCImageWindow::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  windowMouseDown();
  mover_.handle(this, e);
  e->accept();
}

void TCImageWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!mover_.handle(this, e)) QWidget::mouseMoveEvent(e);
}

void TCImageWindow::mouseReleaseEvent(QMouseEvent* e) {
  if (!mover_.handle(this, e)) QWidget::mouseReleaseEvent(e);
}

void TCImageWindow::closeEvent(QCloseEvent* e) {
  if (!e->spontaneous()) return QWidget::closeEvent(e);
  // The window's owner points the close button at its own close path (which
  // may refuse, fade first or end a modal session); the window system's close
  // takes the same path. Later, as the window is still inside its close.
  e->ignore();
  QPointer<TCWindowButton> button = _closeButton ? _closeButton.data() : standard_[CloseButton];
  // A panel over the window holds it, as it holds a click on the button.
  if (button) {
    const QPoint at = button->mapTo(this, button->rect().center());
    if (QWidget* hit = childAt(at); hit && hit != button.data() && !button->isAncestorOf(hit)) return;
  }
  QMetaObject::invokeMethod(
      this, [button] { if (button) button->click(); }, Qt::QueuedConnection);
}

void TCImageWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange) {
    redrawBar();
    layoutTrafficLightsAndContent();
  } else if (e->type() == QEvent::WindowStateChange && _hideTitleBarInFullScreen) {
    const bool full = windowState() & Qt::WindowFullScreen;
    _titleBarHeight = full ? 0 : _cachedTitleBarHeight;
    layoutTrafficLightsAndContent();
    redrawBar();
    if (_titleBarView) _titleBarView->setVisible(!full);
  }
}

