#pragma once
// A popover: a frameless tool window above its parent with a white body,
// 12-point corners and an arrow pointing at an anchor rectangle of a view.
// It applies its close rules itself: Escape, losing key status to another
// window of the application, the anchor leaving its superview; switching to
// another application leaves it open.
#include <QPointer>
#include <QWidget>
#include <functional>

#include "uikit/Delegate.h"
#include "uikit/Geometry.h"

class PVPopoverController;
class QVariantAnimation;

namespace uikit {
constexpr double kPopoverCornerRadius = 12;
constexpr double kPopoverArrowWidth = 23;
constexpr double kPopoverArrowHeight = 12;

// The window frame for content size `s` and direction `d` (0 none, 1 right of
// the anchor, 2 left, 3 below, 4 above) next to anchor `S` (screen coordinates).
NSRect popoverFrameWithSize(const NSSize& s, int d, const NSRect& S,
                            double arrowHeight = kPopoverArrowHeight);
int popoverOppositeDirection(int d);
// The direction used for a preferred one on screen `R` (its full frame).
int popoverArrowDirection(int preferred, const NSSize& contentSize, const NSRect& S, const NSRect& R);
// The body with its arrow, in y-up coordinates of the frame view.
QPainterPath popoverBezierPathWithRect(const NSRect& r, int direction,
                                       double cornerRadius = kPopoverCornerRadius,
                                       const NSSize& arrowSize = {kPopoverArrowWidth, kPopoverArrowHeight});
}  // namespace uikit

class PVPopoverControllerDelegate {
 public:
  virtual ~PVPopoverControllerDelegate() = default;
  virtual bool popoverShouldClose(PVPopoverController*) { return true; }
  virtual void popoverWillShow(PVPopoverController*) {}
  virtual void popoverDidShow(PVPopoverController*) {}
  virtual void popoverWillClose(PVPopoverController*) {}
  virtual void popoverDidClose(PVPopoverController*) {}
};

class PVPopoverWindowFrame : public QWidget {
  Q_OBJECT
 public:
  explicit PVPopoverWindowFrame(QWidget* parent = nullptr);
  QColor color() const { return color_; }
  void setColor(const QColor& c);
  QColor borderColor() const { return borderColor_; }
  void setBorderColor(const QColor& c);
  QColor topHighlightColor() const { return topHighlightColor_; }
  void setTopHighlightColor(const QColor& c) { topHighlightColor_ = c; }
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double w);
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double) {}  // the body's corners stay 12
  uikit::NSSize arrowSize() const { return arrowSize_; }
  void setArrowSize(const uikit::NSSize&) {}  // the arrow stays 23 by 12
  unsigned arrowDirection() const { return arrowDirection_; }
  void setArrowDirection(unsigned d);
  // The outline painted, in y-up view coordinates (with the half-point inset).
  QPainterPath paintedPath() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_ = QColor::fromRgbF(0, 0, 0, 0.8f);
  QColor borderColor_;
  QColor topHighlightColor_;
  double borderWidth_ = 0;
  double cornerRadius_ = uikit::kPopoverCornerRadius;
  uikit::NSSize arrowSize_{uikit::kPopoverArrowWidth, uikit::kPopoverArrowHeight};
  unsigned arrowDirection_ = 1;
};

class PVPopoverWindow : public QWidget {
  Q_OBJECT
 public:
  PVPopoverWindow();
  ~PVPopoverWindow() override;
  PVPopoverWindowFrame* frameView() const { return frame_; }
  QWidget* popoverContentView() const { return _popoverContentView; }
  void setPopoverContentView(QWidget* v);
  PVPopoverController* popoverController() const { return _popoverController; }
  void setPopoverController(PVPopoverController* c) { _popoverController = c; }
  uikit::NSRect contentRectForFrameRect(const uikit::NSRect& f) const;
  uikit::NSRect frameRectForContentRect(const uikit::NSRect& c) const;
  // Visible, or its pop animation is.
  bool isPopoverVisible() const;
  void presentAnimated();
  void presentWithPopAnimation();
  void presentWithFadeAnimation();
  void dismissAnimated();
  void cancelOperation();
  QWidget* zoomWindow() const { return _zoomWindow; }
  // Sets the AppKit frame (screen coordinates).
  void setFrame(const uikit::NSRect& f);
  uikit::NSRect frame() const { return frame_rect_; }

 protected:
  void keyPressEvent(QKeyEvent*) override;
  void changeEvent(QEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  void animateAlpha(QWidget* w, double to);
  friend class PVPopoverController;
  QPointer<QWidget> _popoverContentView;
  QPointer<QWidget> _zoomWindow;
  bool dismissing_ = false;  // a close began; the opening zoom's end shows nothing
  PVPopoverController* _popoverController = nullptr;
  PVPopoverWindowFrame* frame_ = nullptr;
  uikit::NSRect frame_rect_;
};

class PVPopoverController : public QObject {
  Q_OBJECT
 public:
  explicit PVPopoverController(QObject* parent = nullptr);
  // The content is a view (the "view controller's" view); it is not owned: the
  // controller hands it back (unparented) when it goes away.
  explicit PVPopoverController(QWidget* contentViewController, QObject* parent = nullptr);
  ~PVPopoverController() override;

  void setContentViewController(QWidget* c);
  void setContectViewController(QWidget* c) { setContentViewController(c); }
  QWidget* contentViewController() const { return _contentViewController; }
  uikit::NSSize contentSize() const { return _contentSize; }
  void setContentSize(const uikit::NSSize& s);

  // `rect` is in `view`'s own y-up coordinates (its bounds for a whole box).
  void presentPopoverFromRect(const uikit::NSRect& rect, QWidget* view, int preferredArrowDirection,
                              bool anchorsToPositionView);
  void recalculateAndResetArrowDirection();

  enum class CloseReason { Other, ResignKey, ApplicationResignActive };
  void closePopover(CloseReason reason = CloseReason::Other);
  void forceClosePopover();
  // For an owner that is done with this controller: closes the popover as
  // forceClosePopover does, with its fade when it animates, and deletes the
  // controller once the popover is hidden (at once when it is hidden already).
  void closeAndDeleteLater();

  bool popoverIsVisible() const;
  QWidget* contentView() const { return _popoverWindow->popoverContentView(); }
  PVPopoverWindow* popoverWindow() const { return _popoverWindow; }
  QWidget* positionView() const { return _positionView; }
  uikit::NSRect screenRect() const { return _screenRect; }

  QColor color() const { return _popoverWindow->frameView()->color(); }
  void setColor(const QColor& c) { _popoverWindow->frameView()->setColor(c); }
  QColor borderColor() const { return _popoverWindow->frameView()->borderColor(); }
  void setBorderColor(const QColor& c) { _popoverWindow->frameView()->setBorderColor(c); }
  double borderWidth() const { return _popoverWindow->frameView()->borderWidth(); }
  void setBorderWidth(double w) { _popoverWindow->frameView()->setBorderWidth(w); }
  QColor topHighlightColor() const { return _popoverWindow->frameView()->topHighlightColor(); }
  void setTopHighlightColor(const QColor& c) { _popoverWindow->frameView()->setTopHighlightColor(c); }
  double cornerRadius() const { return _popoverWindow->frameView()->cornerRadius(); }
  void setCornerRadius(double r) { _popoverWindow->frameView()->setCornerRadius(r); }
  uikit::NSSize arrowSize() const { return _popoverWindow->frameView()->arrowSize(); }
  void setArrowSize(const uikit::NSSize& s) { _popoverWindow->frameView()->setArrowSize(s); }
  unsigned arrowDirection() const { return _popoverWindow->frameView()->arrowDirection(); }

  bool closesWhenEscapeKeyPressed() const { return _closesWhenEscapeKeyPressed; }
  void setClosesWhenEscapeKeyPressed(bool b) { _closesWhenEscapeKeyPressed = b; }
  bool closesWhenPopoverResignsKey() const { return _closesWhenPopoverResignsKey; }
  void setClosesWhenPopoverResignsKey(bool b) { _closesWhenPopoverResignsKey = b; }
  bool closesWhenApplicationBecomesInactive() const { return _closesWhenApplicationBecomesInactive; }
  void setClosesWhenApplicationBecomesInactive(bool b) { _closesWhenApplicationBecomesInactive = b; }
  bool animates() const { return _animates; }
  void setAnimates(bool b) { _animates = b; }
  qint64 animationType() const { return _animationType; }
  void setAnimationType(qint64 t) { _animationType = t; }
  void setDelegate(PVPopoverControllerDelegate* d) { _delegate = d; }
  PVPopoverControllerDelegate* delegate() const { return _delegate.get(); }

  // How the application's active state is read (tests replace it).
  static void setApplicationActiveProbe(std::function<bool()> probe);
  static bool applicationIsActive();

  // End of an alpha animation of the popover window.
  void animationDidStop();
  void applicationDidBecomeActive();
  void checkPopoverKeyWindowStatus();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void setInitialPropertyValues();
  int arrowDirectionWithPreferredArrowDirection(int preferred) const;
  uikit::NSRect popoverFrameWithSize(const uikit::NSSize& s, int d) const;
  void computeScreenRect();
  void positionViewFrameChanged();
  void closePopoverAndResetVariables();
  void stopObserving();

  PVPopoverWindow* _popoverWindow = nullptr;
  uikit::NSRect _screenRect;
  uikit::NSRect _viewRect;
  bool _closesWhenEscapeKeyPressed = true;
  bool _closesWhenPopoverResignsKey = true;
  bool _closesWhenApplicationBecomesInactive = false;
  bool _animates = true;
  uikit::WeakDelegate<PVPopoverControllerDelegate> _delegate;
  qint64 _animationType = 0;
  QPointer<QWidget> _contentViewController;
  QPointer<QWidget> _positionView;
  uikit::NSSize _contentSize;
  QPointer<QWidget> parentWindow_;
  QMetaObject::Connection appState_;
  bool anchored_ = false;
  bool observingKey_ = false;
  bool observingResignActive_ = false;
  bool closing_ = false;
  bool deleteWhenClosed_ = false;
};

// The parent window's key state while its popover holds the focus.
namespace PVPopoverParentWindow {
bool isKeyWindow(const QWidget* window);
bool isReallyKeyWindow(const QWidget* window);
}  // namespace PVPopoverParentWindow
