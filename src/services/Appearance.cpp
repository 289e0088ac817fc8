#include "services/Appearance.h"

#include <QWidget>

namespace appearance {

QColor systemGray() { return QColor(128, 128, 128); }

QPalette lightPalette() {
  const QColor window(236, 236, 236);
  QPalette p(/*windowText*/ Qt::black, /*button*/ window, /*light*/ Qt::white, /*dark*/ QColor(160, 160, 160),
             /*mid*/ QColor(184, 184, 184), /*text*/ Qt::black, /*brightText*/ Qt::white, /*base*/ Qt::white,
             /*window*/ window);
  p.setColor(QPalette::Midlight, QColor(245, 245, 245));
  p.setColor(QPalette::Shadow, QColor(105, 105, 105));
  p.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
  p.setColor(QPalette::Highlight, QColor(0, 99, 225));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0, 104, 218));
  p.setColor(QPalette::LinkVisited, QColor(85, 26, 139));
  p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
  p.setColor(QPalette::ToolTipText, Qt::black);
  p.setColor(QPalette::PlaceholderText, QColor(0, 0, 0, 63));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, systemGray());
  p.setColor(QPalette::Disabled, QPalette::Base, window);
  return p;
}

void forceLightAppearance(QWidget* window) {
  if (window) window->setPalette(lightPalette());
}

}  // namespace appearance
