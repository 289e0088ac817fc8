#pragma once
// Buttons drawn from four named images (normal, pressed, hover, disabled) with a
// centred label whose colour follows the state and the image family.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>

#include "uikit/Geometry.h"
#include "uikit/Style.h"

class FourImageButton : public QAbstractButton {
  Q_OBJECT
 public:
  enum class State { Normal, Pressed, Hover, Disabled };
  // A button made from a layout resource starts in the disabled look until
  // its owner sends setButtonEnabled(true); one made in code starts usable.
  enum Origin { FromFrame, FromResource };

  explicit FourImageButton(QWidget* parent = nullptr, Origin origin = FromFrame);

  void setImageFromFileNormalName(const QString& normal, const QString& active,
                                  const QString& hover, const QString& disable);
  void setButtonEnabled(bool enabled);
  bool buttonEnabled() const { return isDisabled; }

  // The state drawn now, in the order disabled, pressed, hover, normal.
  State state() const;
  // The label colour for a state; the label takes it whenever the state changes.
  virtual QColor textColorForState(State s) const = 0;
  QLabel* label() const { return textField; }
  QString text() const { return textField ? textField->text() : QString(); }
  const uikit::Image& normal() const { return normalImage; }
  // Where the state's image is drawn, in the button's coordinates.
  QRectF imageRect() const { return uikit::toQtF(dstRect, height()); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void changeEvent(QEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  bool hitButton(const QPoint& pos) const override;
  // The state or the images changed: the label takes the colour of the state
  // and the button is drawn again.
  void stateChanged();
  // The label, created once; its frame in the button's y-up coordinates.
  QLabel* ensureLabel(const uikit::NSRect& frame);
  virtual bool drawsSourceRect() const { return false; }

  uikit::Image normalImage, activeImage, hoverImage, disableImage;
  QPointer<QLabel> textField;
  bool isTracking = false;
  bool isFocus = false;
  bool isDisabled = true;  // YES when the button may be used
  uikit::NSRect dstRect;
  uikit::NSRect srcRect;
  bool tracking_ = false;
  uikit::NSRect labelFrame_;
};

class TextImageButton : public FourImageButton {
  Q_OBJECT
 public:
  using FourImageButton::FourImageButton;
  void setTextWithName(const QString& text);
  void setTextWithName(const QString& text, double fontSize);
  void setTextWithName(const QString& text, const uikit::NSRect& rect, double fontSize);
  QColor textColorForState(State s) const override;
};

class CancelTextImageButton : public FourImageButton {
  Q_OBJECT
 public:
  using FourImageButton::FourImageButton;
  void setTextWithName(const QString& text);
  QColor textColorForState(State s) const override;
};

class TCImageButton : public FourImageButton {
  Q_OBJECT
 public:
  using FourImageButton::FourImageButton;
  void setTextWithName(const QString& text, const uikit::NSRect& frame);
  QColor textColorForState(State s) const override;

 protected:
  bool drawsSourceRect() const override { return true; }
};
