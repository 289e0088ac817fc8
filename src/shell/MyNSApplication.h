#pragma once
#include <QApplication>

// The application object.
class MyNSApplication : public QApplication {
  Q_OBJECT
 public:
  MyNSApplication(int& argc, char** argv);

  // The editing keys (Control in place of Command: x, c, v, z, a, Shift-z) go
  // to the focused responder chain before normal dispatch, in every window and
  // pop-up.
  bool notify(QObject* receiver, QEvent* event) override;
};
