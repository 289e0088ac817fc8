#pragma once
// The program's look is always the light one: it shows its own palette, not
// the desktop theme's, so a dark desktop (or a dark palette set on the
// application) leaves its windows, alerts and fields as on a light desktop.
#include <QColor>
#include <QPalette>

class QWidget;

namespace appearance {

QPalette lightPalette();
// The system's grey (white level 0.5): disabled text, empty-state labels.
QColor systemGray();
// Gives a window the light palette; its children inherit it, whatever the
// application's palette is.
void forceLightAppearance(QWidget* window);

}  // namespace appearance
