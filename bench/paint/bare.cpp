// The reference of the first-paint figure: a bare window of the main window's size.
#include <QApplication>
#include <QWidget>

#include "FirstPaint.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(1140, 700);
  FirstPaint watcher;
  window.installEventFilter(&watcher);
  window.show();
  return app.exec();
}
