#include "uikit/PanelView.h"

#include <QPainter>
#include <QResizeEvent>

PanelView::PanelView(const QString& objectName, const QSize& windowSize, QWidget* box, const uikit::NSSize& boxSize,
                     const QColor& shade, QWidget* parent)
    : QWidget(parent), box_(box), shade_(shade) {
  setObjectName(objectName);
  box_->setParent(this);
  box_->resize(qRound(boxSize.width), qRound(boxSize.height));
  resize(windowSize);
}

void PanelView::closeWindow() {
  StatusAttachedWindow* w = superDelegate_.data();
  if (!w) return;
  superDelegate_ = nullptr;
  w->close();
  w->dismiss();
}

void PanelView::paintEvent(QPaintEvent*) {
  if (shade_.alpha() == 0) return;
  QPainter p(this);
  p.fillRect(rect(), shade_);
}

void PanelView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  box_->move((width() - box_->width()) / 2, (height() - box_->height()) / 2);
}
