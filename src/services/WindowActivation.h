#pragma once
// A window that takes the activation for a while (a modal window, an alert, a
// panel) gives it back when it goes: the window system may otherwise leave no
// window of the program active, or another program's.
#include <QPointer>
#include <QWidget>

class ReturnActivation {
 public:
  // Keeps the window that is active now.
  ReturnActivation();
  // Or this one (a panel's main window).
  explicit ReturnActivation(QWidget* window) : window_(window) {}
  ReturnActivation(const ReturnActivation&) = delete;
  ReturnActivation& operator=(const ReturnActivation&) = delete;
  ~ReturnActivation() { giveBack(); }

  // Raises and activates the kept window if it is still on the screen and no
  // modal window holds the program.
  void giveBack();

 private:
  QPointer<QWidget> window_;
};
