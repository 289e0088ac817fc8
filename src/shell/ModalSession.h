#pragma once
// NSApplication's modal run: runModalForWindow shows the window application-modal
// and returns when stopModal is called (or the window goes away).
#include <QWidget>

namespace modal {

// Blocks in a nested event loop; returns at once if a modal run of this window
// is already going on.
void runModalForWindow(QWidget* window);
// Ends the innermost modal run; nothing when none runs.
void stopModal();
bool isRunningModal();

}  // namespace modal
