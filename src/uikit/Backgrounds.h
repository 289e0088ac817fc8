#pragma once
// Plain background views of the screens and pop-ups, and the pop-up window
// base. Each view only draws (y-up shapes, as the layouts give them).
#include <QWidget>

#include "uikit/Geometry.h"
#include "uikit/WindowMove.h"

class QPainter;

namespace uikit {
// Fills a rounded rectangle (Qt coordinates) without an outline, in the
// painter's own render hints.
void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& c);
}  // namespace uikit

class TopBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class BGMView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class BGWView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class EndViewTipBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PopWBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PopNoHeaderV : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PopWTopBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PopBgView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PopInView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

// The base of pop-up windows: borderless whatever is asked, transparent,
// movable by its background, able to become key and main. Made with a parent
// and Qt::Widget it is an overlay inside that parent (an attached panel).
class PopBaseWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PopBaseWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);
  bool canBecomeKeyWindow() const { return true; }
  bool canBecomeMainWindow() const { return true; }

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  uikit::WindowMover mover_;
};
