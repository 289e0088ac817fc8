#pragma once
// The sidebar's tab button: an icon and a label, the selected tab drawn with its
// active image. Hover and press do not change the drawing.
#include <QAbstractButton>
#include <QLabel>
#include <QPointer>

#include "uikit/Geometry.h"
#include "uikit/Style.h"

class LeftButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit LeftButton(QWidget* parent = nullptr);

  void setTextWithName(const QString& name);
  // Changes only the label's font; the text stays.
  void setTextWithName(const QString& name, int fontSize);
  void setImageFromFileNormalName(const QString& normalName, const QString& activeName);
  void setButtonEnabled(bool enabled);
  void setButtonAction(bool selected);
  void creatNameLaebl();

  bool isFocus() const { return isFocus_; }
  void setIsFocus(bool focus) { isFocus_ = focus; update(); }
  bool buttonEnabled() const { return isDisabled; }
  bool buttonAction() const { return isAction; }
  bool tracking() const { return isTracking; }
  QLabel* label() const { return textField; }
  const uikit::Image& normal() const { return normalImage; }
  const uikit::Image& active() const { return activeImage; }
  uikit::NSRect iconRect() const { return dstRect; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  uikit::Image normalImage;
  uikit::Image activeImage;
  QPointer<QLabel> textField;
  bool isTracking = false;
  bool isFocus_ = false;
  bool isDisabled = true;  // despite its name: YES means the button reacts
  bool isAction = false;
  uikit::NSRect dstRect;
  uikit::NSRect srcRect;
};
