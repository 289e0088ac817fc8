#include "shell/LeftButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "services/Color.h"

using namespace uikit;

namespace {
constexpr double kLabelHeight = 18;
NSRect labelFrame(double height) { return NSMakeRect(56, (height - kLabelHeight) / 2, 150, kLabelHeight); }
}  // namespace

LeftButton::LeftButton(QWidget* parent) : QAbstractButton(parent) {
  setText(QStringLiteral(" "));
  setCursor(Qt::ArrowCursor);
  setFocusPolicy(Qt::NoFocus);
}

void LeftButton::setImageFromFileNormalName(const QString& normalName, const QString& activeName) {
  normalImage = Image::named(normalName);
  activeImage = Image::named(activeName);
  dstRect = NSMakeRect(16, 8, 24, 24);
  setAttribute(Qt::WA_Hover);
  update();
}

void LeftButton::creatNameLaebl() {
  if (textField) return;
  textField = new QLabel(this);
  textField->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  textField->setWordWrap(true);
  textField->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColor(textField, getColor(99, 100, 104, 1));
  setFrame(textField, labelFrame(height()));
  textField->show();
}

void LeftButton::setTextWithName(const QString& name) {
  creatNameLaebl();
  textField->setFont(systemFont(14));
  textField->setText(name);
}

void LeftButton::setTextWithName(const QString&, int fontSize) {
  if (textField) textField->setFont(systemFont(fontSize));
  creatNameLaebl();
  textField->setFont(systemFont(fontSize));
}

void LeftButton::setButtonEnabled(bool enabled) {
  isDisabled = enabled;
  update();
}

void LeftButton::setButtonAction(bool selected) {
  isAction = selected;
  update();
}

void LeftButton::paintEvent(QPaintEvent*) {
  if (normalImage.isNull()) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    painter.drawControl(QStyle::CE_PushButton, option);
    return;
  }
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const Image& image = (isAction && !activeImage.isNull()) ? activeImage : normalImage;
  image.draw(painter, toQtF(dstRect, height()));
}

void LeftButton::mousePressEvent(QMouseEvent* event) {
  if (!isDisabled) {
    event->accept();
    return;
  }
  if (isEnabled()) {
    isTracking = true;
    update();
  }
  QAbstractButton::mousePressEvent(event);
}

void LeftButton::mouseReleaseEvent(QMouseEvent* event) {
  if (!isDisabled && !isDown()) {
    event->accept();
    return;
  }
  QAbstractButton::mouseReleaseEvent(event);
  isTracking = false;
  update();
}

void LeftButton::enterEvent(QEnterEvent* event) {
  if (isDisabled) isFocus_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void LeftButton::leaveEvent(QEvent* event) {
  isFocus_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void LeftButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  if (textField) setFrame(textField, labelFrame(height()));
}
