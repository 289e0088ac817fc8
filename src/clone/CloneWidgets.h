#pragma once
// Plain labels of the clone screen and its panels, placed by AppKit frames.
#include <QColor>
#include <QFont>
#include <QLabel>

#include "uikit/Geometry.h"

class FourImageButton;

namespace cloning {

// A word-wrapped label of the font and colour at `frame` of `parent`.
QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const uikit::NSRect& frame,
              Qt::Alignment alignment);

// Gives the button the images of a family ("btn_pri", "btn_sec", "btn_pop_pri",
// "btn_pop_sec") and makes it usable.
void setButtonFamily(FourImageButton* button, const QString& family);

}  // namespace cloning
