#pragma once
// List items and small buttons: the hover row of every drop-down list, the
// list cell with an icon hot spot, the white-titled button and the link button.
#include <QAbstractButton>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include "uikit/Delegate.h"
#include "uikit/Geometry.h"
#include "uikit/Style.h"

class SortSelectBgView;

class SortSelectBgViewDelegate {
 public:
  virtual ~SortSelectBgViewDelegate() = default;
  virtual void mouseInView(bool inside, int tag) { (void)inside; (void)tag; }
  virtual void selectSortType(SortSelectBgView* row) { (void)row; }
};

// One row of a drop-down list; its row number is its identifier read as an integer.
class SortSelectBgView : public QWidget {
  Q_OBJECT
 public:
  explicit SortSelectBgView(QWidget* parent = nullptr);
  void setIdentifier(const QString& id) { identifier_ = id; }
  QString identifier() const { return identifier_; }
  void setTag(int row) { identifier_ = QString::number(row); }
  int tag() const { return identifier_.toInt(); }
  void setDelegate(SortSelectBgViewDelegate* d) { delegate_ = d; }
  SortSelectBgViewDelegate* delegate() const { return delegate_.get(); }
  bool isMouseIn() const { return isMouseIn_; }

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  QString identifier_;
  bool isMouseIn_ = false;
  uikit::WeakDelegate<SortSelectBgViewDelegate> delegate_;
};

class NewButton;
class NewButtonDelegate {
 public:
  virtual ~NewButtonDelegate() = default;
  virtual void clickButtonAction(NewButton* cell) { (void)cell; }
};

// A list cell: an optional 18x18 icon and an 800x22 label, with a 15x30 hot
// spot at its origin that reports clicks (at most one per 0.2 s, process-wide).
// Frames are in the cell's flipped (top-down) coordinates, as cells draw.
class NewButton {
 public:
  QString label;
  uikit::Image icon;
  QString name;
  uikit::WeakDelegate<NewButtonDelegate> delegate;

  static QSizeF imageSize() { return {800, 22}; }
  static QSizeF iconImageSzie() { return {18, 18}; }
  QRectF imageRectForBounds(const QRectF& frame) const;
  QRectF iconImageRectForBounds(const QRectF& frame) const;
  void drawWithFrame(QPainter& p, const QRectF& frame) const;
  // 0 outside the hot spot; inside, the platform's hit result (1) plus the
  // trackable-area bit (4), with the delegate told once per 0.2 seconds.
  int hitTestForEvent(const QPointF& pointInView, const QRectF& frame);
  static void resetHitGuardForTesting();
};

// A button whose title is always white.
class AllCustemButton : public QAbstractButton {
  Q_OBJECT
 public:
  using QAbstractButton::QAbstractButton;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// A link-style button: the pointing hand while the pointer is over it.
class KVHandButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit KVHandButton(QWidget* parent = nullptr);
  void setTextColor(const QColor& c) { color_ = c; update(); }

 protected:
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_{39, 144, 255};
};
