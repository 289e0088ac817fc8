#pragma once
// The frameless window of the main window, the About and update windows and
// the file browser: a white custom title bar of any height with rounded top
// corners, self-drawn close/minimize/zoom buttons laid out by the bar's rules,
// the content view below the bar, and the bar dragging the window.
#include <QColor>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "uikit/Delegate.h"
#include "uikit/Geometry.h"
#include "uikit/WindowMove.h"

class TCWindowButton;
class TCImageWindow;

class TCImageWindowDelegate {
 public:
  virtual ~TCImageWindowDelegate() = default;
  // A mouse-down reached the window itself: no view under the pointer took it.
  virtual void tcimageWindowBecomeKeyWindow() {}
};

// Draws the bar: white, top corners rounded at 16, optional title.
class PVTitlebarView : public QWidget {
  Q_OBJECT
 public:
  explicit PVTitlebarView(QWidget* parent = nullptr);
  static QPainterPath outline(const uikit::NSRect& frame);  // y-up, frame coordinates

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
};

// Holds the bar view and drags the window.
class PVTitlebarContainer : public QWidget {
  Q_OBJECT
 public:
  explicit PVTitlebarContainer(QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;

 private:
  uikit::WindowMover mover_;
};

namespace uikit {
// The traffic-light layout in the window's frame coordinates (y up).
struct TrafficLightInput {
  NSRect container;
  NSSize close, minimize, zoom;
  double leftMargin = 0;
  double separation = 0;
  double topMargin = 3;
  double moveUp = 0;
  bool centered = true;
  bool vertical = false;
};
struct TrafficLightFrames {
  NSRect close, minimize, zoom;
};
TrafficLightFrames layoutTrafficLights(const TrafficLightInput& in);

// The full-screen button at the bar's right end. A right margin that was never
// set is taken from where the button stands at its first layout, and is kept
// from then on, so the button follows the right edge when the window resizes.
struct FullScreenButtonInput {
  NSRect container;
  NSRect button;  // its current frame
  double rightMargin = 0;
  bool rightMarginSet = false;
  bool centered = false;
  double topMargin = 3;  // the traffic lights' top margin
};
struct FullScreenButtonLayout {
  NSRect frame;
  double rightMargin = 0;
};
FullScreenButtonLayout layoutFullScreenButton(const FullScreenButtonInput& in);

// Metrics of the self-drawn standard buttons.
constexpr double kWindowButtonDiameter = 12;
constexpr double kWindowButtonSeparation = 8;
constexpr double kWindowButtonDefaultLeftMargin = 8;
constexpr double kMinimumTitleBarHeight = 28;
}  // namespace uikit

class TCImageWindow : public QWidget {
  Q_OBJECT
 public:
  enum ButtonKind { CloseButton, MinimizeButton, ZoomButton };

  explicit TCImageWindow(QWidget* parent = nullptr);
  ~TCImageWindow() override;

  double titleBarHeight() const { return _titleBarHeight; }
  void setTitleBarHeight(double h);
  double trafficLightButtonsLeftMargin() const { return _trafficLightButtonsLeftMargin; }
  void setTrafficLightButtonsLeftMargin(double m);
  double topButtonMoveUp() const { return _topButtonMoveUp; }
  void setTopButtonMoveUp(double d) { _topButtonMoveUp = d; }  // takes effect at the next layout
  double trafficLightSeparation() const { return _trafficLightSeparation; }
  void setTrafficLightSeparation(double s);
  bool centerTrafficLightButtons() const { return _centerTrafficLightButtons; }
  void setCenterTrafficLightButtons(bool b);
  bool verticalTrafficLightButtons() const { return _verticalTrafficLightButtons; }
  void setVerticalTrafficLightButtons(bool b);
  void setCenterFullScreenButton(bool b);
  void setFullScreenButtonRightMargin(double m);
  double trafficLightButtonsTopMargin() const { return _trafficLightButtonsTopMargin; }
  void setTrafficLightButtonsTopMargin(double m) { _trafficLightButtonsTopMargin = m; }
  void setFullScreenButtonTopMargin(double m) { _fullScreenButtonTopMargin = m; }
  bool showsTitle() const { return _showsTitle; }
  void setShowsTitle(bool b);
  bool showsBaselineSeparator() const { return _showsBaselineSeparator; }
  void setShowsBaselineSeparator(bool b);
  bool showsTitleInFullscreen() const { return _showsTitleInFullscreen; }
  void setShowsTitleInFullscreen(bool b) { _showsTitleInFullscreen = b; }
  bool centerFullScreenButton() const { return _centerFullScreenButton; }
  double fullScreenButtonRightMargin() const { return _fullScreenButtonRightMargin; }
  double fullScreenButtonTopMargin() const { return _fullScreenButtonTopMargin; }
  bool hideTitleBarInFullScreen() const { return _hideTitleBarInFullScreen; }
  void setHideTitleBarInFullScreen(bool b) { _hideTitleBarInFullScreen = b; }
  void setTitleTextColor(const QColor& c) { _titleTextColor = c; }
  void setInactiveTitleTextColor(const QColor& c) { _inactiveTitleTextColor = c; }
  QColor titleTextColor() const { return _titleTextColor; }
  QColor inactiveTitleTextColor() const { return _inactiveTitleTextColor; }
  // Kept for a drawing block; the bar itself is plain white.
  void setTitleBarStartColor(const QColor& c) { _titleBarStartColor = c; }
  void setTitleBarEndColor(const QColor& c) { _titleBarEndColor = c; }
  void setBaselineSeparatorColor(const QColor& c) { _baselineSeparatorColor = c; }
  void setInactiveTitleBarStartColor(const QColor& c) { _inactiveTitleBarStartColor = c; }
  void setInactiveTitleBarEndColor(const QColor& c) { _inactiveTitleBarEndColor = c; }
  void setInactiveBaselineSeparatorColor(const QColor& c) { _inactiveBaselineSeparatorColor = c; }
  QColor titleBarStartColor() const { return _titleBarStartColor; }
  QColor titleBarEndColor() const { return _titleBarEndColor; }
  QColor baselineSeparatorColor() const { return _baselineSeparatorColor; }
  QColor inactiveTitleBarStartColor() const { return _inactiveTitleBarStartColor; }
  QColor inactiveTitleBarEndColor() const { return _inactiveTitleBarEndColor; }
  QColor inactiveBaselineSeparatorColor() const { return _inactiveBaselineSeparatorColor; }
  // Custom drawing of the bar: (painter in y-up bar coordinates, key, frame, outline).
  using DrawingBlock = std::function<void(QPainter&, bool, const uikit::NSRect&, const QPainterPath&)>;
  void setTitleBarDrawingBlock(DrawingBlock b) { _titleBarDrawingBlock = std::move(b); }
  const DrawingBlock& titleBarDrawingBlock() const { return _titleBarDrawingBlock; }

  QWidget* titleBarView() const { return _titleBarView; }
  void setTitleBarView(QWidget* view);
  PVTitlebarContainer* titleBarContainer() const { return _titleBarContainer; }

  void setDelegate(TCImageWindowDelegate* d) { delegate_ = d; }
  TCImageWindowDelegate* delegate() const { return delegate_.get(); }

  void setCloseButton(TCWindowButton* b) { installButton(_closeButton, b, CloseButton); }
  void setMinimizeButton(TCWindowButton* b) { installButton(_minimizeButton, b, MinimizeButton); }
  void setZoomButton(TCWindowButton* b) { installButton(_zoomButton, b, ZoomButton); }
  // There is no standard full-screen button to stand in for: the button keeps
  // the origin it was given, which sets its distance from the bar's right edge.
  void setFullScreenButton(TCWindowButton* b);
  TCWindowButton* fullScreenButton() const;
  void toggleFullScreen();
  // The standard (self-drawn) button of a kind; the shell re-points the close button.
  TCWindowButton* standardWindowButton(ButtonKind kind) const;

  QWidget* contentView() const { return _contentView; }
  void setContentView(QWidget* view);

  void setTitle(const QString& title);
  QString title() const { return windowTitle(); }

  // Where a sheet comes out: under the custom bar.
  uikit::NSRect willPositionSheet(const uikit::NSRect& proposed) const;
  // Key as AppKit means it (the window is active).
  bool isKeyWindow() const { return isActiveWindow(); }

  // The frame view's AppKit frame of the bar container (y up, window coordinates).
  uikit::NSRect containerFrame() const;
  void layoutTrafficLightsAndContent();

  // A left mouse-down that no child took; also sent by the bar.
  void windowMouseDown();

 Q_SIGNALS:
  void titleChanged(const QString& title);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void moveEvent(QMoveEvent*) override;
  // Presses that no child took: the window moves by its background.
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;
  // A close the window system asks for is the close button's.
  void closeEvent(QCloseEvent*) override;

 private:
  void installButton(QPointer<TCWindowButton>& slot, TCWindowButton* b, ButtonKind kind);
  TCWindowButton* makeStandardButton(ButtonKind kind);
  QString buttonGroupIdentifier() const;
  void connectStandardAction(TCWindowButton* b, ButtonKind kind);
  void redrawBar();
  // A setting that changed re-lays the buttons and content and/or redraws the bar.
  enum Refresh { Relayout = 1, Redraw = 2 };
  template <typename T>
  void applySetting(T& field, T value, int refresh);

  double _cachedTitleBarHeight = uikit::kMinimumTitleBarHeight;
  bool _setFullScreenButtonRightMargin = false;
  PVTitlebarContainer* _titleBarContainer = nullptr;
  double _titleBarHeight = uikit::kMinimumTitleBarHeight;
  double _topButtonMoveUp = 0;
  QPointer<QWidget> _titleBarView;
  bool _centerFullScreenButton = false;
  bool _centerTrafficLightButtons = true;
  bool _verticalTrafficLightButtons = false;
  bool _hideTitleBarInFullScreen = false;
  bool _showsBaselineSeparator = true;
  double _trafficLightButtonsLeftMargin = uikit::kWindowButtonDefaultLeftMargin;
  double _trafficLightButtonsTopMargin = 3;
  double _fullScreenButtonRightMargin = 0;
  double _fullScreenButtonTopMargin = 3;
  double _trafficLightSeparation = uikit::kWindowButtonSeparation;
  bool _showsTitle = false;
  bool _showsTitleInFullscreen = false;
  QPointer<TCWindowButton> _closeButton, _minimizeButton, _zoomButton, _fullScreenButton;
  QColor _titleBarStartColor, _titleBarEndColor, _baselineSeparatorColor;
  QColor _titleTextColor;
  QColor _inactiveTitleBarStartColor, _inactiveTitleBarEndColor, _inactiveBaselineSeparatorColor;
  QColor _inactiveTitleTextColor;
  DrawingBlock _titleBarDrawingBlock;

  TCWindowButton* standard_[3] = {nullptr, nullptr, nullptr};
  QPointer<QWidget> _contentView;
  uikit::WeakDelegate<TCImageWindowDelegate> delegate_;
  uikit::WindowMover mover_;
};
