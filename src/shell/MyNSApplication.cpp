#include "shell/MyNSApplication.h"

#include <QWidget>

#include "services/Appearance.h"
#include "shell/EditShortcuts.h"

MyNSApplication::MyNSApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Quorvan Disk Clone");
  setOrganizationName("QuorvanClone");
  setQuitOnLastWindowClosed(true);
  setPalette(appearance::lightPalette());
}

bool MyNSApplication::notify(QObject* receiver, QEvent* event) {
  // Key events reach the focus widget after their window; acting on the widget
  // delivery sends each key once.
  if (receiver && receiver->isWidgetType() &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
      handleEditShortcutEvent(static_cast<QWidget*>(receiver), event))
    return true;
  return QApplication::notify(receiver, event);
}
