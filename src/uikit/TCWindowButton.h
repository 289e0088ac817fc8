#pragma once
// Image buttons for a window's close, minimize, zoom and full-screen actions.
// TCImageWindow draws its standard buttons with them, from the bundle images
// "window_close", "window_minimize", "window_zoom" (plus "_hover", "_press")
// and "window_inactive".
#include <QAbstractButton>
#include <QPointer>
#include <QString>
#include <QWindow>
#include <optional>

#include "uikit/Style.h"

class TCWindowButtonGroup : public QObject {
  Q_OBJECT
 public:
  // The one group of an identifier; "" means the default group.
  static TCWindowButtonGroup* groupWithIdentifier(const QString& identifier);
  // Frees a group whose buttons are going away with their window.
  static void releaseGroupWithIdentifier(const QString& identifier);
  static QString defaultIdentifier() {
    return QStringLiteral("com.tormelin.TCImageWindow.defaultWindowButtonGroup");
  }

  QString identifier() const { return _identifier; }
  qint64 numberOfCaptures() const { return _numberOfCaptures; }
  void setNumberOfCaptures(qint64 n);  // posts the rollover notification on a change
  void didCaptureMousePointer() { ++_numberOfCaptures; }
  void didReleaseMousePointer() { --_numberOfCaptures; }
  void resetMouseCaptures() { _numberOfCaptures = 0; }
  bool shouldDisplayRollOver() const { return _numberOfCaptures > 0; }

  static constexpr const char* kRolloverNotification =
      "TCWindowButtonGroupDidUpdateRolloverStateNotification";

 private:
  explicit TCWindowButtonGroup(const QString& identifier) : _identifier(identifier) {}
  QString _identifier;
  qint64 _numberOfCaptures = 0;
};

class TCWindowButton : public QAbstractButton {
  Q_OBJECT
 public:
  // How far the area that shows the rollover reaches past the button's edges.
  static constexpr int kTrackingMargin = 4;

  TCWindowButton(const QSize& size, const QString& groupIdentifier, QWidget* parent = nullptr);
  static TCWindowButton* windowButtonWithSize(const QSize& size, const QString& groupIdentifier) {
    return new TCWindowButton(size, groupIdentifier);
  }
  ~TCWindowButton() override;

  TCWindowButtonGroup* group() const { return _group; }
  QString groupIdentifier() const { return _groupIdentifier; }

  void setActiveImage(const uikit::Image& i) { _activeImage = i; updateImage(); }
  void setActiveNotKeyWindowImage(const uikit::Image& i) { _activeNotKeyWindowImage = i; updateImage(); }
  void setInactiveImage(const uikit::Image& i) { _inactiveImage = i; updateImage(); }
  void setRolloverImage(const uikit::Image& i) { _rolloverImage = i; updateImage(); }
  void setPressedImage(const uikit::Image& i) { _pressedImage = i; updateImage(); }
  void setButtonEnabledState(bool enabled);  // setEnabled: of the button

  // The image the button shows now (tests and drawing).
  uikit::Image currentImage() const;
  void updateImage() { update(); }
  // Fallback colour of the circle when no image is available.
  void setFallbackColor(const QColor& c) { fallback_ = c; }

 Q_SIGNALS:
  // The pointer entered or left; the window refreshes the whole group.
  void rolloverChanged();

 protected:
  void paintEvent(QPaintEvent*) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void watchWindow();
  // The pointer at `windowPos` (the window's coordinates), or gone from the
  // window: captures or releases the group as it crosses the tracking area.
  void trackPointer(std::optional<QPointF> windowPos);
  // Whether a view above the button (a panel) takes the pointer there.
  bool coveredAt(const QPoint& windowPos) const;
  QString _groupIdentifier;
  uikit::Image _activeImage, _activeNotKeyWindowImage, _inactiveImage, _rolloverImage, _pressedImage;
  TCWindowButtonGroup* _group = nullptr;
  QPointer<QWidget> watched_;
  QPointer<QWindow> watchedHandle_;
  bool pointerInside_ = false;
  QColor fallback_;
  int observer_ = 0;
};
