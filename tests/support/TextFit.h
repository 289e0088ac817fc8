#pragma once
// Finds the texts a user cannot read whole: a label or button whose text is
// wider (or taller) than its frame, elided, drawn past the edge of a view that
// holds it, or drawn over another text of the same window.
#include <QList>
#include <QRect>
#include <QString>

class QWidget;

namespace textfit {

struct Fault {
  QString widget;  // object names from the window down, "/"-joined
  QString text;
  QString what;    // what is wrong, with the sizes
};

// The area the widget's text takes, in the widget's coordinates; empty for a
// widget that shows no text this check understands.
QRect textRect(const QWidget* widget);

// Every fault among the visible texts under `root` (a window).
QList<Fault> faultsIn(QWidget* root);
// The same for every visible top-level window.
QList<Fault> faultsOnScreen();

QString describe(const Fault& fault);

}  // namespace textfit
