#include "WindowSystem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>

void windowSystemClose(QWidget* window) {
  QCloseEvent close;
  QSpontaneKeyEvent::setSpontaneous(&close);
  // notify, not sendEvent, which would make the event the program's own.
  QApplication::instance()->notify(window, &close);
  // A close the window accepts takes it off the screen, as Qt does for one
  // that comes from the window system.
  if (close.isAccepted()) window->hide();
}

void windowSystemMinimise(QWidget* window) {
  // The state change is what the window system reports; Qt hides the window
  // for it with a spontaneous hide, as when an X server unmaps it.
  window->setWindowState(window->windowState() | Qt::WindowMinimized);
}
