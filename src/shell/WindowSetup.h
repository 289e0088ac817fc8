#pragma once
// What the app's own windows (main, About, update) set up alike.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <functional>

#include "uikit/Geometry.h"
#include "uikit/TCImageWindow.h"

namespace shell {

// A window of the app's title and of a fixed size, with an empty content view.
TCImageWindow* newFixedWindow(const uikit::NSSize& size);

// White as the widget's ground.
void setWhiteGround(QWidget* widget);

// The title bar's height and the traffic lights' place, laid out at once.
void placeTitleBar(TCImageWindow* window, double height, double leftMargin, double moveUp);

// The close button calls `close` (on `context`) instead of closing the window itself.
void routeCloseButton(TCImageWindow* window, QObject* context, std::function<void()> close);

// A centred, word-wrapped label of the given font and colour at an AppKit frame.
QLabel* centredLabel(QWidget* parent, const QFont& font, const QColor& color, const uikit::NSRect& frame);

}  // namespace shell
