#pragma once
// Plain labels of the clone screen and its panels, placed by AppKit frames.
#include <QColor>
#include <QFont>
#include <QLabel>

#include "uikit/Geometry.h"

namespace cloning {

// A word-wrapped label of the font and colour at `frame` of `parent`.
QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const uikit::NSRect& frame,
              Qt::Alignment alignment);

}  // namespace cloning
