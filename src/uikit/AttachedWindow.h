#pragma once
// Borderless windows that show one view next to a point of a parent window:
// error callouts (NODEAttachedWindow), drop-down lists (RAttachedWindow) and
// full-window panels (StatusAttachedWindow). Each is a widget laid over its
// parent window (it moves with it, stays above it and dies with it); without a
// parent it is a frameless top-level window placed in screen coordinates.
//
// All placement arithmetic is AppKit's (y up) and lives in the pure functions
// below; only the resulting frame is converted to Qt.
#include <QColor>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include "uikit/Backgrounds.h"
#include "uikit/Delegate.h"
#include "uikit/Geometry.h"

namespace uikit {

enum AttachedWindowSide {
  SideLeft = 0,
  SideBelow = 1,
  SideRight = 2,
  SideAbove = 3,
  SideLeftUpward = 4,
  SideLeftDownward = 5,
  SideRightUpward = 6,
  SideRightDownward = 7,
  SideAboveLeftward = 8,
  SideAboveRightward = 9,
  SideBelowLeftward = 10,
  SideBelowRightward = 11,
  SideAutomatic = 12,
};

struct AttachedAppearance {
  float borderWidth = 0.2f;
  float viewMargin = 2;
  float arrowBaseWidth = 0;
  float arrowHeight = 0;
  bool hasArrow = true;
  float cornerRadius = 8;
  bool drawsRoundCornerBesideArrow = true;
  bool snapsHalfPoint = true;  // the path's edges sit half a point inside
};

// What a variant sets at creation besides the appearance.
struct AttachedVariant {
  AttachedAppearance appearance;
  QColor fill = Qt::white;
  QColor border = Qt::white;
  bool movableByBackground = true;
  bool shadow = true;
};

struct AttachedGeometry {
  NSRect windowFrame;  // in the coordinates of the point
  NSRect viewFrame;    // inside the window
};

float attachedArrowInset(const AttachedAppearance& a, double scale = 1.0);
// The window frame for a view of `viewSize` at point P (in the parent's
// coordinates, or the screen's without a parent) on `side` at `distance`.
AttachedGeometry attachedWindowGeometry(const NSSize& viewSize, const NSPoint& P, int side,
                                        float distance, const AttachedAppearance& a,
                                        double scale = 1.0);
// The side chosen for SideAutomatic. `visible` is the usable screen area and
// `parentFrame` the parent window's frame (or `visible` without a parent),
// both in the point's coordinates.
int bestSideForAutomaticPosition(const NSSize& viewSize, const NSPoint& P, float distance,
                                 const AttachedAppearance& a, const NSRect& visible,
                                 const NSRect& parentFrame, double scale = 1.0);
// The background outline in the window's y-up coordinates.
QPainterPath attachedBackgroundPath(const AttachedAppearance& a, int side, const NSRect& viewFrame,
                                    double scale = 1.0);

}  // namespace uikit

class AttachedWindow;
class StatusAttachedWindow;
namespace uikit {
StatusAttachedWindow* showPanel(QWidget* mainWindow, QWidget* view);

// The design the attached windows share, over the window class each is built
// on: a plain widget (AttachedWindow and its callout and drop-down variants)
// or the pop-up window base (StatusAttachedWindow).
template <class Base>
class AttachedWindowOn : public Base {
  friend StatusAttachedWindow* uikit::showPanel(QWidget*, QWidget*);

 public:
  ~AttachedWindowOn() override;

  // The window is shown above its parent, taking its own mouse presses
  // (addChildWindow:ordered: above). A window made without a parent is first
  // re-expressed in `parent`'s coordinates.
  void addToParentWindow(QWidget* parent = nullptr);
  // removeChildWindow:, orderOut: and release in one.
  void dismiss();
  void orderOut() { this->hide(); }

  QWidget* view() const { return _view; }
  QWidget* parentWindow() const { return _window; }
  NSPoint point() const { return _point; }
  int side() const { return _side; }
  float distance() const { return _distance; }
  NSRect viewFrame() const { return _viewFrame; }
  const AttachedAppearance& appearance() const { return ap_; }
  // The frame in the parent's (or the screen's) AppKit coordinates.
  NSRect frame() const { return frame_; }
  void setFrameOrigin(const NSPoint& origin);
  // A soft shadow under the window's background, where its variant has one.
  bool hasShadow() const { return hasShadow_; }

  // The fill: a plain colour, or an image's pattern (setBackgroundImage).
  QBrush windowBackgroundColor() const { return _MABackgroundColor; }
  void setBackgroundColor(const QBrush& c);
  QColor borderColor() const { return _borderColor; }
  void setBorderColor(const QColor& c);
  float borderWidth() const { return ap_.borderWidth; }
  void setBorderWidth(float w);
  float viewMargin() const { return ap_.viewMargin; }
  void setViewMargin(float m);
  float cornerRadius() const { return ap_.cornerRadius; }
  void setCornerRadius(float r);
  float arrowBaseWidth() const { return ap_.arrowBaseWidth; }
  void setArrowBaseWidth(float w);
  float arrowHeight() const { return ap_.arrowHeight; }
  void setArrowHeight(float h);
  float hasArrow() const { return ap_.hasArrow ? 1 : 0; }
  void setHasArrow(float v);
  float drawsRoundCornerBesideArrow() const { return ap_.drawsRoundCornerBesideArrow ? 1 : 0; }
  void setDrawsRoundCornerBesideArrow(float v);
  // Fills with the image repeated from the window's lower-left corner; a later
  // setBackgroundColor replaces it. A null image changes nothing.
  void setBackgroundImage(const QPixmap& image);
  void setPoint(const NSPoint& point, int side);

  // The close command while this window is key: the parent window's, when the
  // window was made with one. Made without, it is a borderless window with no
  // close button to press, so the command only beeps.
  void performClose();

 protected:
  using Variant = AttachedVariant;
  AttachedWindowOn(QWidget* view, const NSPoint& point, QWidget* parentWindow, int side,
                   float distance, const Variant& variant);
  // Finishes creation; subclasses call it at the end of their constructor.
  void setUp();

  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void closeEvent(QCloseEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  // A window laid over all of its parent casts its shadow where nothing shows
  // it; its blur, redone at every repaint inside the window (a progress bar's
  // stripes), is then suspended.
  void fitShadow();
  bool eventFilter(QObject* o, QEvent* e) override;
  virtual void paintUnderView(QPainter&) {}
  // The window lost key status (focus moved out of it).
  virtual void resignedKey() {}
  // Emits the class's willClose signal.
  virtual void announceWillClose() = 0;

  void updateGeometry_();
  void updateBackground();
  void redisplay();
  double parentHeight() const;

  QColor _borderColor;
  AttachedAppearance ap_;
  QBrush _MABackgroundColor;
  QPointer<QWidget> _view;
  QPointer<QWidget> _window;
  NSPoint _point;
  int _side = SideAutomatic;
  float _distance = 0;
  NSRect _viewFrame;
  bool _resizing = false;
  bool movable_ = true;
  bool hasShadow_ = false;
  // Made with a parent window; _window itself also names the window a panel
  // was attached to later.
  bool madeWithParent_ = false;
  NSRect frame_;
  QPoint dragFrom_;
  bool dragging_ = false;
};

extern template class AttachedWindowOn<QWidget>;
extern template class AttachedWindowOn<PopBaseWindow>;

// Any of the attached windows (a panel included), or nullptr.
QWidget* asAttachedWindow(QObject* o);

}  // namespace uikit

class AttachedWindow : public uikit::AttachedWindowOn<QWidget> {
  Q_OBJECT

 public:
  // Returns nullptr (and creates nothing) when `view` is null. The window owns
  // the view from now on. `parentWindow` may be null: the point is then in
  // screen coordinates.
  static AttachedWindow* initWithView(QWidget* view, const uikit::NSPoint& point,
                                      QWidget* parentWindow, int side, float distance);
  // The values every window of this class is made with.
  static const uikit::AttachedVariant& variant();

 Q_SIGNALS:
  void willClose();

 protected:
  using AttachedWindowOn::AttachedWindowOn;
  void announceWillClose() override { Q_EMIT willClose(); }
};

class NODEAttachedWindow : public AttachedWindow {
  Q_OBJECT
 public:
  static NODEAttachedWindow* initWithView(QWidget* view, const uikit::NSPoint& point,
                                          QWidget* parentWindow, int side, float distance);
  static const uikit::AttachedVariant& variant();

 private:
  using AttachedWindow::AttachedWindow;
};

class RAttachedWindowDelegate {
 public:
  virtual ~RAttachedWindowDelegate() = default;
  virtual void closeMattachedWindow() {}
};

class RAttachedWindow : public AttachedWindow {
  Q_OBJECT
 public:
  // The last argument is accepted and has no effect.
  static RAttachedWindow* initWithView(QWidget* view, const uikit::NSPoint& point,
                                       QWidget* parentWindow, int side, float distance,
                                       float windowBgAlpha);
  static const uikit::AttachedVariant& variant();
  void setMattachedWDelegate(RAttachedWindowDelegate* d) { delegate_ = d; }
  RAttachedWindowDelegate* mattachedWDelegate() const { return delegate_.get(); }
  void closeMattachedWindow();

  // Pointer inside (the drop-down's 3-second close skips while it is).
  bool isPointerInside() const { return pointerInside_; }

 Q_SIGNALS:
  void pointerLeft();

 protected:
  void resignedKey() override { closeMattachedWindow(); }
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  using AttachedWindow::AttachedWindow;
  uikit::WeakDelegate<RAttachedWindowDelegate> delegate_;
  bool pointerInside_ = false;
};

class StatusAttachedWindowDelegate {
 public:
  virtual ~StatusAttachedWindowDelegate() = default;
  virtual void mouseInWindow(bool inside) { (void)inside; }
  virtual void isHiddenWindow() {}
};

// A panel's window: an attached window built on the pop-up window base, which
// never becomes the main window.
class StatusAttachedWindow : public uikit::AttachedWindowOn<PopBaseWindow> {
  Q_OBJECT
 public:
  static StatusAttachedWindow* initWithView(QWidget* view, const uikit::NSPoint& point,
                                            QWidget* parentWindow, int side, float distance);
  static const uikit::AttachedVariant& variant();
  void setMattachedWDelegate(StatusAttachedWindowDelegate* d);
  StatusAttachedWindowDelegate* mattachedWDelegate() const { return delegate_.get(); }
  void closeMattachedWindow();
  // The window-server blur has no counterpart here; the radius is kept only.
  void setWindowBackgroundBlurRadius(int radius) { blurRadius_ = radius; }
  int windowBackgroundBlurRadius() const { return blurRadius_; }
  bool canBecomeMainWindow() const { return false; }

 Q_SIGNALS:
  void willClose();

 protected:
  void paintUnderView(QPainter& p) override;
  void resignedKey() override { closeMattachedWindow(); }
  void announceWillClose() override { Q_EMIT willClose(); }
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  using AttachedWindowOn::AttachedWindowOn;
  uikit::WeakDelegate<StatusAttachedWindowDelegate> delegate_;
  int blurRadius_ = 0;
};

namespace uikit {

// The three ways the screens use attached windows, with the fixed numbers.
// Error callout: an ErrorViewController's view on side 3 at distance 0, its
// bottom edge centred on `point` (e.g. (446, 223) or (946, 223)) of the main
// window, shown at once.
NODEAttachedWindow* showErrorCallout(QWidget* mainWindow, QWidget* view, const NSPoint& point);
// Drop-down list on side 3 at distance 0 centred on `point` of `parent` (the
// main window, or the format panel's own window), shown at once.
RAttachedWindow* showDropDown(QWidget* parent, QWidget* view, const NSPoint& point);
// A panel covering the main window: made at (main x + width*0.5 - 3, main y)
// on side 1 at distance 5, moved to the main window's origin and attached.
StatusAttachedWindow* showPanel(QWidget* mainWindow, QWidget* view);
// Closes (removes, orders out, releases) the window after `seconds` unless it
// is gone by then. Drop-down lists close by uikit::DropDown's rule instead.
void closeAttachedWindowAfter(AttachedWindow* w, double seconds);

}  // namespace uikit
