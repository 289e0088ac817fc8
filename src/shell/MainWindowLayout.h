#pragma once
// Geometry of the main window that its layout resource would carry (AppKit
// coordinates of the content view: origin bottom left).
#include "uikit/Geometry.h"
#include "uikit/Layout.h"

inline constexpr uikit::NSSize kMainWindowFrameSize{double(uikit::kMainWindowSize.width()),
                                               double(uikit::kMainWindowSize.height())};
inline constexpr double kMainContentHeight = kMainWindowFrameSize.height - uikit::kMainTitleBarHeight;
// The sidebar's background behind the five tabs.
inline constexpr uikit::NSRect kSidebarFrame{{10, 10}, {260, kMainContentHeight - 20}};
// Where each tool screen lives; a screen's view fills its container. The
// screens' boxes sit symmetrically around x 446 and 946 of the window, so the
// area starts under the sidebar's right edge; the sidebar stays above it.
inline constexpr double kScreenAreaX = 252;
inline constexpr uikit::NSRect kContainerFrame{{kScreenAreaX, 0},
                                               {kMainWindowFrameSize.width - kScreenAreaX, kMainContentHeight}};

// Where setTabTage puts the panel and the buttons (y of tabs 0 to 4; -1: the
// selected tab's button, hidden and not moved).
struct TabPositions {
  int panelY;
  int buttonY[5];
};
const TabPositions& tabPositions(int tab);
