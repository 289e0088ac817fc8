#include "uikit/ImageButtons.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include "services/Color.h"

using namespace uikit;

FourImageButton::FourImageButton(QWidget* parent, Origin origin)
    : QAbstractButton(parent), isDisabled(origin == FromFrame) {
  setFocusPolicy(Qt::NoFocus);
}

void FourImageButton::setImageFromFileNormalName(const QString& normal, const QString& active,
                                                 const QString& hover, const QString& disable) {
  normalImage = Image::named(normal);
  activeImage = Image::named(active);
  hoverImage = Image::named(hover);
  disableImage = Image::named(disable);
  const QSizeF s = normalImage.size();
  dstRect = NSMakeRect(0, 0, s.width(), s.height());
  srcRect = dstRect;
  tracking_ = true;
  setMouseTracking(true);
  stateChanged();
}

void FourImageButton::setButtonEnabled(bool enabled) {
  isDisabled = enabled;
  stateChanged();
  repaint();
}

void FourImageButton::stateChanged() {
  if (textField) setTextColor(textField, textColorForState(state()));
  update();
}

FourImageButton::State FourImageButton::state() const {
  if (!isEnabled() || !isDisabled) return State::Disabled;
  if (isTracking) return State::Pressed;
  if (isFocus) return State::Hover;
  return State::Normal;
}

void FourImageButton::enterEvent(QEnterEvent* e) {
  if (tracking_ && isEnabled()) {
    isFocus = true;
    stateChanged();
  }
  QAbstractButton::enterEvent(e);
}

void FourImageButton::leaveEvent(QEvent* e) {
  if (tracking_) {
    isFocus = false;
    stateChanged();
  }
  QAbstractButton::leaveEvent(e);
}

void FourImageButton::mousePressEvent(QMouseEvent* e) {
  if (!isDisabled) {
    e->accept();  // the disabled look swallows the click
    return;
  }
  if (isEnabled()) {
    isTracking = true;
    stateChanged();
  }
  QAbstractButton::mousePressEvent(e);
}

void FourImageButton::mouseReleaseEvent(QMouseEvent* e) {
  const bool wasTracking = isTracking;
  QAbstractButton::mouseReleaseEvent(e);
  if (wasTracking) {
    isTracking = false;
    stateChanged();
  }
}

void FourImageButton::changeEvent(QEvent* e) {
  QAbstractButton::changeEvent(e);
  if (e->type() == QEvent::EnabledChange) stateChanged();
}

void FourImageButton::resizeEvent(QResizeEvent* e) {
  QAbstractButton::resizeEvent(e);
  // The label keeps its frame from the bottom edge, as a y-up view does.
  if (textField) textField->setGeometry(toQt(labelFrame_, height()));
}

bool FourImageButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

QLabel* FourImageButton::ensureLabel(const NSRect& frame) {
  if (!textField) {
    textField = new QLabel(this);
    textField->setAlignment(Qt::AlignCenter);
    textField->setAttribute(Qt::WA_TransparentForMouseEvents);
    textField->setAutoFillBackground(false);
    textField->setFont(systemFont(13));
    textField->show();
  }
  labelFrame_ = frame;
  textField->setGeometry(toQt(frame, height()));
  setTextColor(textField, textColorForState(state()));
  return textField;
}

void FourImageButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  if (normalImage.isNull()) {
    // No images: an ordinary push button.
    QStyleOptionButton opt;
    opt.initFrom(this);
    if (isTracking) opt.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_PushButton, &opt, &p, this);
  } else {
    const State s = state();
    const Image* img = &normalImage;
    if (s == State::Disabled) img = &disableImage;
    else if (s == State::Pressed) img = &activeImage;
    else if (s == State::Hover) img = &hoverImage;
    if (!img->isNull()) {
      const QRectF target = toQtF(dstRect, height());
      if (drawsSourceRect()) {
        const QRectF src = toQtF(srcRect, img->size().height());
        img->draw(p, target, src);
      } else {
        img->draw(p, target);
      }
    }
  }
}

// ------------------------------------------------------------ TextImageButton

void TextImageButton::setTextWithName(const QString& text) {
  const double h = height();
  const bool main = normalImage.name() == "btn_main";
  const bool tool = normalImage.name() == "btn_tool";
  const double y = (h - 17) * 0.5 - (tool ? 0 : 1);
  setTextWithName(text, NSMakeRect(0, y, width(), main ? 20 : 17), 0);
}

void TextImageButton::setTextWithName(const QString& text, double fontSize) {
  const double h = height();
  NSRect r;
  if (fontSize < 17) {
    if (fontSize == 11) r = NSMakeRect(0, (h - 15) * 0.5, width(), 15);
    else r = NSMakeRect(0, (h - 17) * 0.5 - 1, width(), 17);
  } else {
    r = NSMakeRect(0, (h - 20) * 0.5 - 2, width(), 20);
  }
  setTextWithName(text, r, fontSize);
}

void TextImageButton::setTextWithName(const QString& text, const NSRect& rect, double fontSize) {
  QLabel* l = ensureLabel(rect);
  QFont f;
  if (fontSize == 0) {
    if (normalImage.name() == "btn_main") f = boldSystemFont(14);
    else if (normalImage.name() == "btn_tool") f = systemFont(12);
    else f = systemFont(13);
  } else {
    f = fontSize >= 18 ? boldSystemFont(fontSize) : systemFont(fontSize);
  }
  l->setFont(f);
  l->setText(text);
  update();
}

QColor TextImageButton::textColorForState(State s) const {
  const QString n = normalImage.name();
  QColor first = Qt::white;
  if (n == "btn_cancel") first = getColor(211, 211, 215, 1);
  else if (n == "btn_sec" || n == "btn_pop_sec") first = getColor(26, 25, 28, 1);
  switch (s) {
    case State::Normal:
      return first;
    case State::Pressed:
    case State::Hover:
      if (n == "btn_tool") return getColor(255, 255, 255, 1);
      if (n == "btn_pop_sec" || n == "btn_sec") return getColor(26, 25, 28, 1);
      return first;
    case State::Disabled:
      if (disableImage.name() == "btn_cancel_disable") return getColor(148, 148, 160, 1);
      if (n == "btn_tool") return getColor(255, 255, 255, 1);
      if (n == "btn_main") return getColor(102, 102, 102, 1);
      if (n == "btn_pop_sec") return getColor(26, 25, 28, 1);
      return getColor(128, 132, 136, 1);
  }
  return first;
}

// ------------------------------------------------------- CancelTextImageButton

void CancelTextImageButton::setTextWithName(const QString& text) {
  // A second title replaces the first rather than stacking another label.
  QLabel* l = ensureLabel(NSMakeRect(0, (height() - 17) * 0.5, width(), 17));
  l->setText(text);
  update();
}

QColor CancelTextImageButton::textColorForState(State s) const {
  // Without the state's own image nothing is drawn and the text stays white.
  const Image* own = s == State::Pressed ? &activeImage : s == State::Hover ? &hoverImage : &normalImage;
  if (s != State::Disabled && own->isNull()) return Qt::white;
  switch (s) {
    case State::Normal: return getColor(255, 255, 255, 1);
    case State::Hover: return getColor(39, 144, 255, 1);
    case State::Pressed: return getColor(0, 103, 217, 1);
    case State::Disabled: return getColor(225, 231, 239, 0.7);
  }
  return Qt::white;
}

// --------------------------------------------------------------- TCImageButton

void TCImageButton::setTextWithName(const QString& text, const NSRect& frame) {
  dstRect = NSMakeRect(0, 0, frame.w() - 4, frame.h());
  QLabel* l = ensureLabel(NSMakeRect(0, 2, width(), height()));
  l->setText(text);
  update();
}

QColor TCImageButton::textColorForState(State s) const {
  return s == State::Disabled ? systemGray() : QColor(Qt::white);
}
