#include "clone/CloneWidgets.h"

#include "uikit/ImageButtons.h"
#include "uikit/Style.h"

namespace cloning {

QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const uikit::NSRect& frame,
              Qt::Alignment alignment) {
  auto* l = new QLabel(parent);
  l->setAlignment(alignment);
  l->setWordWrap(true);
  l->setFont(font);
  uikit::setTextColor(l, color);
  uikit::setFrame(l, frame);
  return l;
}

void setButtonFamily(FourImageButton* button, const QString& family) {
  if (family == QLatin1String("btn_pop_sec"))
    button->setImageFromFileNormalName(family, QStringLiteral("btn_pop_press"), QStringLiteral("btn_pop_hover"),
                                       QStringLiteral("btn_pop_disable"));
  else if (family == QLatin1String("btn_pop_pri"))
    button->setImageFromFileNormalName(family, family + QStringLiteral("_press"), family + QStringLiteral("_hover"),
                                       QStringLiteral("btn_pop_disable"));
  else
    button->setImageFromFileNormalName(family, family + QStringLiteral("_press"), family + QStringLiteral("_hover"),
                                       family + QStringLiteral("_disable"));
  button->setButtonEnabled(true);
}

}  // namespace cloning
