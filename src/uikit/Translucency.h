#pragma once
// See-through top-level windows (popover, rounded frames, attached windows
// without a parent). Where the display composites, they are translucent; an X
// server without a compositing manager would show their transparent pixels
// black, so there they are opaque windows cut to what they paint.
#include <optional>

class QWidget;
class QRegion;

namespace uikit {

// Whether the display blends translucent windows with what lies below them:
// on X11 only while a compositing manager owns the screen's "_NET_WM_CM_S<n>"
// selection; every other platform composites (or, offscreen, has nothing below).
bool displayComposites();
// Forces the answer (a test's "no compositor"); nullopt asks the display again.
void setDisplayCompositesForTesting(std::optional<bool> composites);

// Makes `window` see-through where it paints nothing. Call it where the
// window is made; it takes effect whenever the widget is (or later becomes)
// a top-level window. Without compositing the window is kept cut to its
// painted pixels as it is shown and resized; call refreshWindowShape after a
// change that alters the shape without a resize.
void setTranslucentWindow(QWidget* window);
void refreshWindowShape(QWidget* window);
// The shape a window without compositing is cut to: the pixels its paint
// (children included) covers at least half.
QRegion paintedRegion(QWidget* window);

}  // namespace uikit
