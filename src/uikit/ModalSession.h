#pragma once
// Modal sessions of single windows, nested as the menus and screens open them.
class QWidget;

namespace uikit {
// A modal session of one window: shows it and returns when
// stopModalForWindow(window) is called or the window is closed, hidden or
// destroyed (the code is then 0). Ending one session never ends another.
int runModalForWindow(QWidget* window);
void stopModalForWindow(QWidget* window, int code = 0);
bool isRunningModal(QWidget* window);
}  // namespace uikit
