#include "uikit/ModalSession.h"

#include <QEvent>
#include <QEventLoop>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include "services/WindowActivation.h"

namespace uikit {

namespace {
struct Session {
  QEventLoop* loop;
  int code;
};
// Ends the session when the program closes or hides its window. What the
// window system does to it (a close asked from outside, a minimise) is not the
// window's own close path: the window decides on a close request, and a
// minimised window comes back under the same session.
class SessionWatch : public QObject {
 public:
  explicit SessionWatch(QEventLoop* loop) : loop_(loop) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Hide && !e->spontaneous()) loop_->quit();
    return QObject::eventFilter(o, e);
  }

 private:
  QEventLoop* loop_;
};
QHash<QWidget*, Session*>& sessions() {
  static QHash<QWidget*, Session*> s;
  return s;
}
}  // namespace

int runModalForWindow(QWidget* window) {
  if (!window || sessions().contains(window)) return -1;
  // The window that was active (the main window) is again when the session ends.
  ReturnActivation activation;
  QEventLoop loop;
  Session session{&loop, 0};
  sessions().insert(window, &session);
  QPointer<QWidget> guard(window);
  const Qt::WindowModality before = window->windowModality();
  if (window->isWindow()) window->setWindowModality(Qt::ApplicationModal);
  QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  window->show();
  window->raise();
  SessionWatch watch(&loop);
  window->installEventFilter(&watch);
  loop.exec();
  sessions().remove(window);
  if (guard) {
    guard->removeEventFilter(&watch);
    guard->setWindowModality(before);
  }
  activation.giveBack();
  return session.code;
}

void stopModalForWindow(QWidget* window, int code) {
  auto it = sessions().find(window);
  if (it == sessions().end()) return;
  (*it)->code = code;
  (*it)->loop->quit();
}

bool isRunningModal(QWidget* window) { return sessions().contains(window); }

}  // namespace uikit
