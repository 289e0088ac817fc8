#include "uikit/Widgets.h"

#include "uikit/ImageButtons.h"
#include "uikit/Style.h"

namespace uikit {

QLabel* label(QWidget* parent, const QFont& font, const QColor& color, Qt::Alignment alignment) {
  auto* l = new QLabel(parent);
  l->setAlignment(alignment);
  l->setFont(font);
  setTextColor(l, color);
  return l;
}

QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame,
              Qt::Alignment alignment) {
  QLabel* l = label(parent, font, color, alignment);
  setFrame(l, frame);
  return l;
}

QLabel* wrappingLabel(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame,
                      Qt::Alignment alignment) {
  QLabel* l = label(parent, font, color, alignment);
  l->setWordWrap(true);
  setFrame(l, frame);
  return l;
}

QWidget* page(QWidget* parent, const NSRect& frame, const QString& name) {
  auto* w = new QWidget(parent);
  w->setObjectName(name);
  setFrame(w, frame);
  return w;
}

void setButtonFamily(FourImageButton* button, const QString& family) {
  const bool pop = family.startsWith(QLatin1String("btn_pop_"));
  const QString pressed =
      family == QLatin1String("btn_pop_sec") ? QStringLiteral("btn_pop_press") : family + QStringLiteral("_press");
  const QString hover =
      family == QLatin1String("btn_pop_sec") ? QStringLiteral("btn_pop_hover") : family + QStringLiteral("_hover");
  const QString disabled = pop ? QStringLiteral("btn_pop_disable") : family + QStringLiteral("_disable");
  button->setImageFromFileNormalName(family, pressed, hover, disabled);
  button->setButtonEnabled(true);
}

TextImageButton* button(QWidget* parent, const QString& family, const NSRect& frame, const QString& name) {
  auto* b = new TextImageButton(parent);
  b->setObjectName(name);
  setFrame(b, frame);
  setButtonFamily(b, family);
  return b;
}

}  // namespace uikit
