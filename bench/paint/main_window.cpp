// The measured side of the first-paint figure: the program's main window with
// all five screens made, on the world QDC_ROOT names.
#include <QApplication>

#include "FirstPaint.h"
#include "services/Settings.h"
#include "shell/MainWindowController.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // What the program's start does before its window: the per-user settings
  // file in place, and the language the launcher hands over.
  QVCopyInfoPlistPath();
  setCurLanguage("en");
  MainWindowController controller;
  QWidget* window = controller.window();
  FirstPaint watcher;
  window->installEventFilter(&watcher);
  window->show();
  return app.exec();
}
