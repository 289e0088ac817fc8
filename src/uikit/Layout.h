#pragma once
// Fixed numbers of the main window that the kit's placements depend on.
#include <QSize>

#include "uikit/Geometry.h"

namespace uikit {

// The main window's frame size (title bar included). Wide and tall enough for
// every callout, drop-down and panel at its fixed point: the screens' boxes
// sit around x 446 and 946 of an 888-point screen area starting at x 252.
inline constexpr QSize kMainWindowSize{1140, 700};
// The title bar of the main window and of the smaller windows.
inline constexpr double kMainTitleBarHeight = 48;
inline constexpr double kMainButtonsLeftMargin = 16;
inline constexpr double kMainButtonsMoveUp = -3;
inline constexpr double kSmallTitleBarHeight = 38;
inline constexpr double kSmallButtonsLeftMargin = 15;
inline constexpr double kSmallButtonsMoveUp = 0;

// Fixed points, in the parent window's coordinates (y up).
inline constexpr NSPoint kErrorPointSource{446, 223};
inline constexpr NSPoint kErrorPointDestination{946, 223};
inline constexpr NSPoint kDropDownPointCopy{443, 137};  // copy and image screens
inline constexpr NSPoint kDropDownPointInstaller{524, 170};
inline constexpr NSPoint kDropDownPointFormat{665, 182};  // in the format panel's window

}  // namespace uikit
