#pragma once
// The screens' plain building blocks, placed by AppKit frames (y up).
#include <QColor>
#include <QFont>
#include <QLabel>

#include "uikit/Geometry.h"

class FourImageButton;
class TextImageButton;

namespace uikit {

// A label of the font and colour, aligned, at `frame` of `parent`.
QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame,
              Qt::Alignment alignment = Qt::AlignCenter);
// The same, wrapping its text at the frame's width.
QLabel* wrappingLabel(QWidget* parent, const QFont& font, const QColor& color, const NSRect& frame,
                      Qt::Alignment alignment);
// The same, not placed yet: its owner lays it out.
QLabel* label(QWidget* parent, const QFont& font, const QColor& color, Qt::Alignment alignment = Qt::AlignCenter);

// Names a widget made by one of the helpers here (tests find it by its name).
template <class Widget>
Widget* named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

// A named, empty view at `frame`: one page (or part) of a screen.
QWidget* page(QWidget* parent, const NSRect& frame, const QString& name);

// Gives the button the images of a family ("btn_pri", "btn_sec", "btn_pop_pri",
// "btn_pop_sec") and makes it usable. The pop-up families share their pressed,
// hover and disabled images.
void setButtonFamily(FourImageButton* button, const QString& family);

// A named button of an image family at `frame`.
TextImageButton* button(QWidget* parent, const QString& family, const NSRect& frame, const QString& name);

}  // namespace uikit
