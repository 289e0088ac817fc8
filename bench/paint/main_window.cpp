// The measured side of the first-paint figure: the program's main window with
// all five screens made, on the world QDC_ROOT names. Prints "painted" at the
// window's first paint and ends at once.
#include <QApplication>
#include <QEvent>
#include <cstdio>
#include <unistd.h>

#include "shell/MainWindowController.h"

namespace {
class FirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      std::fputs("painted\n", stdout);
      std::fflush(stdout);
      ::_exit(0);
    }
    return QObject::eventFilter(o, e);
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MainWindowController controller;
  QWidget* window = controller.window();
  FirstPaint watcher;
  window->installEventFilter(&watcher);
  window->show();
  return app.exec();
}
