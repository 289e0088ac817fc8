#pragma once
// Modal sessions of single windows, nested as the menus and screens open them.
class QWidget;

namespace uikit {
// A modal session of one window: shows it and returns when
// stopModalForWindow(window) is called, or when the program closes, hides or
// destroys the window (the code is then 0). A close request or a minimise from
// the window system leaves the session running. Ending one session never ends
// another.
int runModalForWindow(QWidget* window);
void stopModalForWindow(QWidget* window, int code = 0);
bool isRunningModal(QWidget* window);
}  // namespace uikit
