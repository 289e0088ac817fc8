#include "copy/BusyIndicator.h"

#include <QPainter>
#include <QtMath>

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    phase_ = (phase_ + 1) % 12;
    update();
  });
  hide();
}

void BusyIndicator::startAnimation() {
  show();
  timer_.start();
}

void BusyIndicator::stopAnimation() {
  timer_.stop();
  hide();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double side = qMin(width(), height());
  p.translate(width() / 2.0, height() / 2.0);
  QPen pen;
  pen.setWidthF(qMax(1.5, side / 12));
  pen.setCapStyle(Qt::RoundCap);
  for (int i = 0; i < 12; ++i) {
    // The spoke at the phase is darkest; the ones behind it fade.
    const int age = (phase_ - i + 12) % 12;
    pen.setColor(QColor(90, 90, 90, 255 - age * 18));
    p.setPen(pen);
    p.save();
    p.rotate(i * 30.0);
    p.drawLine(QPointF(0, -side * 0.24), QPointF(0, -side * 0.45));
    p.restore();
  }
}
