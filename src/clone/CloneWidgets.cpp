#include "clone/CloneWidgets.h"

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

}  // namespace cloning
