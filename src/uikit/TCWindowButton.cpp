#include "uikit/TCWindowButton.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QHash>
#include <QPainter>

#include "platform/NotificationCenter.h"
#include "uikit/PVPopover.h"

namespace {
// Process-wide; the table itself is never destroyed, so a group outlives every
// button that may still name it at exit.
QHash<QString, TCWindowButtonGroup*>& groups() {
  static auto* table = new QHash<QString, TCWindowButtonGroup*>;
  return *table;
}
}  // namespace

TCWindowButtonGroup* TCWindowButtonGroup::groupWithIdentifier(const QString& identifier) {
  const QString id = identifier.isEmpty() ? defaultIdentifier() : identifier;
  auto it = groups().find(id);
  if (it == groups().end()) it = groups().insert(id, new TCWindowButtonGroup(id));
  return *it;
}

void TCWindowButtonGroup::releaseGroupWithIdentifier(const QString& identifier) {
  const QString id = identifier.isEmpty() ? defaultIdentifier() : identifier;
  delete groups().take(id);
}

void TCWindowButtonGroup::setNumberOfCaptures(qint64 n) {
  if (n < 0 || n == _numberOfCaptures) return;
  _numberOfCaptures = n;
  platform::NotificationCenter::defaultCenter().postNotificationName(
      kRolloverNotification, QVariant::fromValue<QObject*>(this));
}

TCWindowButton::TCWindowButton(const QSize& size, const QString& groupIdentifier, QWidget* parent)
    : QAbstractButton(parent), _groupIdentifier(groupIdentifier) {
  resize(size);
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::ArrowCursor);
  _group = TCWindowButtonGroup::groupWithIdentifier(groupIdentifier);
  observer_ = platform::NotificationCenter::defaultCenter().addObserver(
      this, TCWindowButtonGroup::kRolloverNotification, [this](const QVariant& object) {
        if (object.value<QObject*>() == _group) updateImage();
      });
}

TCWindowButton::~TCWindowButton() {
  platform::NotificationCenter::defaultCenter().removeObserver(observer_);
}

void TCWindowButton::setButtonEnabledState(bool enabled) {
  setEnabled(enabled);
  updateImage();
}

uikit::Image TCWindowButton::currentImage() const {
  if (isDown() && !_pressedImage.isNull()) return _pressedImage;
  if (_group->shouldDisplayRollOver() && isEnabled() && !_rolloverImage.isNull()) return _rolloverImage;
  if (!isEnabled()) return _inactiveImage;
  const bool key = PVPopoverParentWindow::isKeyWindow(window());
  return key ? _activeImage : _activeNotKeyWindowImage;
}

void TCWindowButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const uikit::Image img = currentImage();
  if (!img.isNull()) {
    img.draw(p, QRectF(rect()));
    return;
  }
  // No bundle image (a bare test run): a plain circle keeps the button visible.
  QColor c = fallback_.isValid() ? fallback_ : QColor(221, 221, 221);
  if (!PVPopoverParentWindow::isKeyWindow(window()) && !_group->shouldDisplayRollOver())
    c = QColor(221, 221, 221);
  p.setPen(c.darker(115));
  p.setBrush(isDown() ? c.darker(120) : c);
  p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

// The child of `top` that holds `w` (`w` itself for a direct child).
static QWidget* branchUnder(QWidget* top, QWidget* w) {
  while (w && w->parentWidget() != top) w = w->parentWidget();
  return w;
}

bool TCWindowButton::coveredAt(const QPoint& windowPos) const {
  QWidget* top = window();
  QWidget* hit = top->childAt(windowPos);
  if (!hit || hit == this || qobject_cast<TCWindowButton*>(hit)) return false;
  // What lies under the margin (the bar, its title) is below the button; a
  // panel laid over the window is above it and hides it from the pointer.
  QWidget* hitBranch = branchUnder(top, hit);
  QWidget* ownBranch = branchUnder(top, const_cast<TCWindowButton*>(this));
  if (!hitBranch || !ownBranch || hitBranch == ownBranch) return false;
  const QObjectList& order = top->children();
  return order.indexOf(hitBranch) > order.indexOf(ownBranch);
}

void TCWindowButton::trackPointer(std::optional<QPointF> windowPos) {
  bool inside = false;
  if (windowPos && isVisible() && window()) {
    const QPoint at = windowPos->toPoint();
    const QRect area = rect().adjusted(-kTrackingMargin, -kTrackingMargin, kTrackingMargin, kTrackingMargin);
    inside = area.contains(mapFrom(window(), at)) && !coveredAt(at);
  }
  if (inside == pointerInside_) return;
  pointerInside_ = inside;
  if (inside) _group->didCaptureMousePointer();
  else _group->didReleaseMousePointer();
  updateImage();
  Q_EMIT rolloverChanged();
}

void TCWindowButton::watchWindow() {
  QWidget* w = window();
  if (w != watched_) {
    if (watched_) watched_->removeEventFilter(this);
    watched_ = w;
    if (w && w != this) w->installEventFilter(this);
  }
  // The pointer is followed on the platform window, which sees every move
  // over the window whichever widget lies under it, the margin included.
  QWindow* handle = w && w != this ? w->windowHandle() : nullptr;
  if (handle != watchedHandle_) {
    if (watchedHandle_) watchedHandle_->removeEventFilter(this);
    watchedHandle_ = handle;
    if (handle) handle->installEventFilter(this);
  }
}

bool TCWindowButton::event(QEvent* e) {
  if (e->type() == QEvent::ParentChange || e->type() == QEvent::Show) {
    watchWindow();
    updateImage();
  } else if (e->type() == QEvent::Hide && pointerInside_) {
    trackPointer(std::nullopt);
  }
  return QAbstractButton::event(e);
}

bool TCWindowButton::eventFilter(QObject* o, QEvent* e) {
  if (o == watchedHandle_ && o) {
    switch (e->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::Enter:
        trackPointer(static_cast<QSinglePointEvent*>(e)->position());
        break;
      case QEvent::Leave:
        trackPointer(std::nullopt);
        break;
      default:
        break;
    }
    return QAbstractButton::eventFilter(o, e);
  }
  if (o == watched_) {
    switch (e->type()) {
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate:
        updateImage();
        break;
      case QEvent::WindowStateChange:
        _group->resetMouseCaptures();
        pointerInside_ = false;
        setVisible(!(watched_->windowState() & Qt::WindowFullScreen));
        break;
      default:
        break;
    }
  }
  return QAbstractButton::eventFilter(o, e);
}
